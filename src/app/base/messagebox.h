// Message boxes shown to the user. The user-interface shell installs the
// presenter that draws them; until it does (ovtool, tests) a message goes to
// the debug log and counts as answered with its first button at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Opaque handle of the window or item a dialog belongs to.
using OV_HWND = void*;

using MessageBoxPresenter =
    std::function<void(OV_HWND parent, const std::string& title, const std::string& text,
                       const std::vector<std::string>& buttons, std::function<void(int)> done)>;

// Replaces the presenter; an empty one restores the debug-log default.
void setMessageBoxPresenter(MessageBoxPresenter presenter);

// A title, a text and an OK button; `done` runs once when it is dismissed.
void MessageBoxOK(OV_HWND parent, const std::string& title, const std::string& text,
                  std::function<void()> done = {});
// "Yes" and "No"; `done` gets true for Yes.
void MessageBoxYesNo(OV_HWND parent, const std::string& title, const std::string& text,
                     std::function<void(bool)> done);
// Three buttons; `done` gets the index of the one chosen (0 to 2), or -1
// when the window went away unanswered.
void MessageBox3(OV_HWND parent, const std::string& title, const std::string& text,
                 const std::string& button1, const std::string& button2, const std::string& button3,
                 std::function<void(int)> done);
