#include "overlays/markalarms.h"

#include <algorithm>
#include <cmath>

#include "app/base/deviceservices.h"
#include "geo/units.h"
#include "maps/simplegrid.h"
#include "overlays/overlaymark.h"

namespace {

const CUserNotifications::Notification* findNotification(long long id) {
    const auto& list = CUserNotifications::instance().notifications();
    auto it = std::find_if(list.begin(), list.end(),
                           [id](const CUserNotifications::Notification& n) { return n.id == id; });
    return it == list.end() ? nullptr : &*it;
}

double distanceTo(const COverlayMark& mark, double lat, double lon) {
    CSimpleGrid grid(mark.lat, mark.lon);
    double x = 0, y = 0;
    grid.latlon_to_xy(lat, lon, x, y);
    return std::hypot(x, y);
}

}  // namespace

bool CMarkAlarms::InAlarm(const COverlayMark& mark, double d) {
    if (!(mark.alarm_radius > 0) || !mark.HasPosition() || mark.deleted) return false;
    if (mark.inner_radius > 0) return d >= mark.inner_radius;
    return d < mark.alarm_radius;
}

long long CMarkAlarms::NotificationId(COverlayMark& mark) {
    // Kept apart from other notifications' small ids.
    return (long long)(mark.GetObjectID() & 0x3FFFFFFFFFFFFFFFULL) | (1LL << 62);
}

void CMarkAlarms::Check(std::vector<std::unique_ptr<COverlayMark>>& marks, double lat, double lon) {
    for (auto& owned : marks) {
        COverlayMark& mark = *owned;
        if (!(mark.alarm_radius > 0) && !mark.alarm_showing) continue;
        const double d = mark.HasPosition() ? distanceTo(mark, lat, lon) : 0;
        if (!InAlarm(mark, d)) {
            if (mark.alarm_showing) Cancel(mark);
            continue;
        }
        const long long id = NotificationId(mark);
        const CUserNotifications::Notification* shown = findNotification(id);
        if (mark.alarm_showing && !shown) m_acknowledged.insert(id);
        mark.alarm_showing = true;
        if (m_acknowledged.count(id)) continue;
        const std::string title = mark.inner_radius > 0 ? "Anchor alarm" : "Mark proximity alarm";
        std::string distance;
        CUnits::Default->FormatDistance(float(d), distance);
        const std::string text = mark.name + " is " + distance + " away";
        if (!shown || shown->text != text || shown->title != title)
            CUserNotifications::instance().show(id, title, text);
    }
}

void CMarkAlarms::Cancel(COverlayMark& mark) {
    if (!mark.alarm_showing) return;
    const long long id = NotificationId(mark);
    mark.alarm_showing = false;
    m_acknowledged.erase(id);
    CUserNotifications::instance().cancel(id);
}

void CMarkAlarms::CancelAll(std::vector<std::unique_ptr<COverlayMark>>& marks) {
    for (auto& mark : marks) Cancel(*mark);
    m_acknowledged.clear();
}
