#include "app/base/messagebox.h"

#include <QDebug>
#include <utility>

namespace {

MessageBoxPresenter& presenter() {
    static MessageBoxPresenter instance;
    return instance;
}

}  // namespace

void setMessageBoxPresenter(MessageBoxPresenter p) {
    presenter() = std::move(p);
}

void MessageBoxOK(OV_HWND parent, const std::string& title, const std::string& text,
                  std::function<void()> done) {
    auto answered = [done = std::move(done)](int) {
        if (done) done();
    };
    if (presenter()) {
        presenter()(parent, title, text, {"OK"}, std::move(answered));
        return;
    }
    qWarning().noquote() << QString::fromStdString(title) << ":" << QString::fromStdString(text);
    answered(0);
}
