#include "app/base/statusmessage.h"

#include "app/base/datasource.h"

namespace {

CStatusMessage& current() {
    static CStatusMessage message;
    return message;
}

}  // namespace

void SetStatusMessage(const std::string& text) {
    if (current().text == text) return;
    current().text = text;
    Listener<CStatusMessage>::Dispatch(current());
}

const std::string& GetStatusMessage() {
    return current().text;
}
