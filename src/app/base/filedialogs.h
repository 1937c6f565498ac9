// The platform's file dialogs: choose a file to import, or a place to
// export a file to. The user-interface shell installs the presenter that
// shows them; until it does (ovtool, tests) every dialog counts as cancelled
// at once.
#pragma once

#include <functional>
#include <string>

using OV_HWND = void*;

enum class FileDialogKind { Import, Export };

// `hint` is the extension of the files offered (Import, ".txt") or the
// suggested file name (Export). `done` runs once with the chosen path, or
// an empty path when the user cancelled.
using FileDialogPresenter =
    std::function<void(OV_HWND parent, FileDialogKind kind, const std::string& mimeType,
                       const std::string& hint, std::function<void(const std::string&)> done)>;

// Replaces the presenter; an empty one restores the cancelling default.
void setFileDialogPresenter(FileDialogPresenter presenter);

void ImportFile(OV_HWND parent, const std::string& mimeType, const std::string& extension,
                std::function<void(const std::string& path)> done);
void ExportFileAs(OV_HWND parent, const std::string& mimeType, const std::string& suggestedName,
                  std::function<void(const std::string& path)> done);
