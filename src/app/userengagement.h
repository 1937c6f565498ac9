// CUserEngagement: now and then, after a minute of use, asks the user what
// they think of the program. `nextReq` is the day number (days since
// 1970-01-01, local date) from which the next question may come: 0 before
// the first minute of use ever (which sets it kFirstDelayDays ahead), -1
// once the user said never. "Rate" hands `review_link` to the desktop's
// browser; the program itself sends nothing.
#pragma once

#include <functional>
#include <string>

#include "app/base/messagebox.h"

class CUserEngagement {
public:
    static constexpr int kFirstDelayDays = 7;
    static constexpr int kLaterDelayDays = 30;
    static constexpr int kNever = -1;

    static CUserEngagement& instance();

    // The engagement timer ran out: may show the question over `parent`.
    // True when it did.
    bool onEngaged(OV_HWND parent);

    int nextReq = 0;
    std::string review_link = "https://orvanta.org/feedback";
    // Where "Rate" sends the link; the system browser unless replaced (tests).
    std::function<void(const std::string&)> openLink;

private:
    CUserEngagement();
    void answered(int button, int today);
    bool m_asking = false;
};
