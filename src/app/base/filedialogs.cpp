#include "app/base/filedialogs.h"

#include <utility>

namespace {

FileDialogPresenter& presenter() {
    static FileDialogPresenter instance;
    return instance;
}

void show(OV_HWND parent, FileDialogKind kind, const std::string& mimeType, const std::string& hint,
          std::function<void(const std::string&)> done) {
    if (presenter()) {
        presenter()(parent, kind, mimeType, hint, std::move(done));
        return;
    }
    if (done) done(std::string());
}

}  // namespace

void setFileDialogPresenter(FileDialogPresenter p) {
    presenter() = std::move(p);
}

void ImportFile(OV_HWND parent, const std::string& mimeType, const std::string& extension,
                std::function<void(const std::string&)> done) {
    show(parent, FileDialogKind::Import, mimeType, extension, std::move(done));
}

void ExportFileAs(OV_HWND parent, const std::string& mimeType, const std::string& suggestedName,
                  std::function<void(const std::string&)> done) {
    show(parent, FileDialogKind::Export, mimeType, suggestedName, std::move(done));
}
