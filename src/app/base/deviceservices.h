// Device services as this platform has them: no network name, no idle
// timer; web addresses go to the desktop's browser, system notifications to
// the in-application notification list.
#pragma once

#include <string>
#include <vector>

std::string getCurrentNetworkName();   // always empty here
void setIdleTimerDisabled(bool disabled);  // nothing to do here
bool openURL(const std::string& address);  // hands it to the desktop's default handler

void ShowSystemNotification(long long id, const std::string& title, const std::string& text);
void CancelSystemNotification(long long id);

// The notifications on show, newest last. Changes are dispatched to
// Listener<CUserNotifications> so the front end can redraw them.
class CUserNotifications {
public:
    struct Notification {
        long long id;
        std::string title;
        std::string text;
    };
    static CUserNotifications& instance();
    const std::vector<Notification>& notifications() const { return m_list; }
    void show(long long id, const std::string& title, const std::string& text);
    void cancel(long long id);

private:
    std::vector<Notification> m_list;
};
