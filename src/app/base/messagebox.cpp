#include "app/base/messagebox.h"

#include <QDebug>
#include <utility>

namespace {

MessageBoxPresenter& presenter() {
    static MessageBoxPresenter instance;
    return instance;
}

void show(OV_HWND parent, const std::string& title, const std::string& text,
          const std::vector<std::string>& buttons, std::function<void(int)> answered) {
    if (presenter()) {
        presenter()(parent, title, text, buttons, std::move(answered));
        return;
    }
    qWarning().noquote() << QString::fromStdString(title) << ":" << QString::fromStdString(text);
    answered(0);
}

}  // namespace

void setMessageBoxPresenter(MessageBoxPresenter p) {
    presenter() = std::move(p);
}

void MessageBoxOK(OV_HWND parent, const std::string& title, const std::string& text,
                  std::function<void()> done) {
    show(parent, title, text, {"OK"}, [done = std::move(done)](int) {
        if (done) done();
    });
}

void MessageBoxYesNo(OV_HWND parent, const std::string& title, const std::string& text,
                     std::function<void(bool)> done) {
    show(parent, title, text, {"Yes", "No"}, [done = std::move(done)](int button) {
        if (done) done(button == 0);
    });
}

void MessageBox3(OV_HWND parent, const std::string& title, const std::string& text,
                 const std::string& button1, const std::string& button2, const std::string& button3,
                 std::function<void(int)> done) {
    show(parent, title, text, {button1, button2, button3}, [done = std::move(done)](int button) {
        if (done) done(button);
    });
}
