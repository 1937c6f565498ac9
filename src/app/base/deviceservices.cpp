#include "app/base/deviceservices.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>
#include <algorithm>

#include "app/base/datasource.h"

std::string getCurrentNetworkName() { return {}; }

void setIdleTimerDisabled(bool) {}

bool openURL(const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

void ShowSystemNotification(long long id, const std::string& title, const std::string& text) {
    CUserNotifications::instance().show(id, title, text);
}

void CancelSystemNotification(long long id) { CUserNotifications::instance().cancel(id); }

CUserNotifications& CUserNotifications::instance() {
    static CUserNotifications notifications;
    return notifications;
}

void CUserNotifications::show(long long id, const std::string& title, const std::string& text) {
    // A notification with the same id is replaced, not repeated.
    m_list.erase(std::remove_if(m_list.begin(), m_list.end(),
                                [id](const Notification& n) { return n.id == id; }),
                 m_list.end());
    m_list.push_back({id, title, text});
    Listener<CUserNotifications>::Dispatch(*this);
}

void CUserNotifications::cancel(long long id) {
    const size_t before = m_list.size();
    m_list.erase(std::remove_if(m_list.begin(), m_list.end(),
                                [id](const Notification& n) { return n.id == id; }),
                 m_list.end());
    if (m_list.size() != before) Listener<CUserNotifications>::Dispatch(*this);
}
