// Showing a transfer's progress dialog. The user-interface shell installs
// the presenter; until it does (ovtool, tests) nothing is shown and the
// transfer runs on unseen.
#pragma once

#include <functional>
#include <memory>

#include "online/progressdialogdata.h"

using OV_HWND = void*;

// The presenter shows the dialog until the transfer finishes, updating it on
// every change, and calls Cancel() when the user asks. It keeps the data
// alive while the dialog is up.
using ProgressDialogPresenter =
    std::function<void(OV_HWND parent, std::shared_ptr<CProgressDialogData> progress)>;

// Replaces the presenter; an empty one shows nothing.
void setProgressDialogPresenter(ProgressDialogPresenter presenter);
void ShowProgressDialog(OV_HWND parent, std::shared_ptr<CProgressDialogData> progress);
