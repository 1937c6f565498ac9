// The application's status line: one short text that the front end shows
// under the map (the application model's statusText), set by whoever has
// news for the user, such as the data connection. Each change is dispatched
// to Listener<CStatusMessage>.
#pragma once

#include <string>

struct CStatusMessage {
    std::string text;
};

// An empty text clears the line. Setting the text it already shows changes
// nothing and dispatches nothing.
void SetStatusMessage(const std::string& text);
const std::string& GetStatusMessage();
