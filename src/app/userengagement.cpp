#include "app/userengagement.h"

#include "app/base/deviceservices.h"
#include "app/base/persistantdata.h"
#include "app/base/timeutils.h"

namespace {

class UserEngagementPersistor : public PersistantData {
public:
    UserEngagementPersistor() : PersistantData("CUserEngagement") {}
    void DeclareData() override {
        CUserEngagement& e = CUserEngagement::instance();
        Declare("nextReq", e.nextReq);
        Declare("review_link", e.review_link);
    }
};
UserEngagementPersistor s_persistor;

void saveSettings() {
    s_persistor.changed = true;
    PersistantData::SaveAll();
}

}  // namespace

CUserEngagement::CUserEngagement() : openLink([](const std::string& link) { openURL(link); }) {}

CUserEngagement& CUserEngagement::instance() {
    static CUserEngagement engagement;
    return engagement;
}

bool CUserEngagement::onEngaged(OV_HWND parent) {
    const int today = DayNumToday();
    if (nextReq == 0) {
        // The first minute of use: a week of it before anyone asks.
        nextReq = today + kFirstDelayDays;
        saveSettings();
        return false;
    }
    if (nextReq == kNever || today < nextReq || review_link.empty() || m_asking) return false;
    m_asking = true;
    MessageBox3(parent, "Enjoying Orvanta?",
                "Would you tell us what you think of Orvanta? It takes a minute and helps us "
                "make it better.",
                "Rate Orvanta", "Later", "Never", [this, today](int button) {
                    m_asking = false;
                    answered(button, today);
                });
    return true;
}

void CUserEngagement::answered(int button, int today) {
    if (button == 0) {
        if (openLink) openLink(review_link);
        nextReq = kNever;
    } else if (button == 2) {
        nextReq = kNever;
    } else {
        // "Later", or the window went away unanswered.
        nextReq = today + kLaterDelayDays;
    }
    saveSettings();
}
