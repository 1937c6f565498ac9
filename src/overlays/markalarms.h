// CMarkAlarms: the proximity and anchor alarms of the marks, checked on
// every fix whatever is on screen.
//
// A mark with an alarm radius r > 0 and an inner radius i:
//   i = 0 (proximity): alarm while closer than r;
//   i > 0 (anchor):    alarm while at least i away, however far the anchor
//                      has dragged (beyond r is worse, not better).
// The alarm is a notification in the window that stays until the user
// dismisses it; dismissed, it does not come back until the mark has left
// the alarm and entered it again.
#pragma once

#include <memory>
#include <unordered_set>
#include <vector>

class COverlayMark;

class CMarkAlarms {
public:
    static bool InAlarm(const COverlayMark& mark, double distanceMetres);
    static long long NotificationId(COverlayMark& mark);

    void Check(std::vector<std::unique_ptr<COverlayMark>>& marks, double lat, double lon);
    // Takes every alarm down (alarms switched off, a mark deleted).
    void Cancel(COverlayMark& mark);
    void CancelAll(std::vector<std::unique_ptr<COverlayMark>>& marks);

private:
    std::unordered_set<long long> m_acknowledged;
};
