#include "online/progresspresenter.h"

#include <utility>

namespace {

ProgressDialogPresenter& presenter() {
    static ProgressDialogPresenter instance;
    return instance;
}

}  // namespace

void setProgressDialogPresenter(ProgressDialogPresenter p) {
    presenter() = std::move(p);
}

void ShowProgressDialog(OV_HWND parent, std::shared_ptr<CProgressDialogData> progress) {
    if (presenter() && progress) presenter()(parent, std::move(progress));
}
