#include "data/dsctargetmanager.h"

#include <cstdio>
#include <string>

#include "app/base/deviceservices.h"
#include "data/alertmark.h"
#include "data/overlaygpsposition.h"

CDSCTargetManager CDSCTargetManager::theManager;
CDSC_to_Mark CDSC_to_Mark::theFeed;

namespace {

constexpr double kEnhancedDegrees = 600000;  // ten-thousandths of a minute in a degree

}  // namespace

void CDSCTargetManager::OnUpdate(CNMEA_DSC::DSC& s) {
    const double now = Listener<CNMEA_DSC::DSC>::pDatasource->Timestamp();
    ExpirePending(now);
    auto at = pending.find(s.mmsi);
    if (at == pending.end()) {
        if (pending.size() >= kMaxPending) {
            auto oldest = pending.begin();
            for (auto it = pending.begin(); it != pending.end(); ++it)
                if (it->second.time < oldest->second.time) oldest = it;
            pending.erase(oldest);
        }
        at = pending.try_emplace(s.mmsi).first;
    }
    CDSCTarget& call = at->second;
    call.mmsi = s.mmsi;
    call.latitude = s.latitude;
    call.longitude = s.longitude;
    call.course = call.speed = 0;
    call.time = now;
    call.quadrant = uint8_t(s.quadrant);
    call.nature = s.format_specifier == kDistressFormat ? int32_t(s.nature) : -1;
    if (!s.expansion) Dispatch(s.mmsi);
}

void CDSCTargetManager::OnUpdate(CNMEA_DSC::DSE& s) {
    auto at = pending.find(s.mmsi);
    if (at == pending.end()) return;
    CDSCTarget& call = at->second;
    // The extra digits refine a position the call carried; there is none to refine otherwise.
    if ((s.flags & CNMEA_DSC::DSE::kEnhancedPosition) && call.HasPosition()) {
        const double dlat = s.enhanced_lat / kEnhancedDegrees;
        const double dlon = s.enhanced_lon / kEnhancedDegrees;
        call.latitude += call.quadrant & 2 ? -dlat : dlat;
        call.longitude += call.quadrant & 1 ? -dlon : dlon;
    }
    if (s.flags & CNMEA_DSC::DSE::kCourse) call.course = s.course;
    if (s.flags & CNMEA_DSC::DSE::kSpeed) call.speed = s.speed;
    if (s.number == s.total) Dispatch(s.mmsi);
}

void CDSCTargetManager::Dispatch(unsigned mmsi) {
    auto at = pending.find(mmsi);
    if (at == pending.end()) return;
    CDSCTarget call = at->second;
    pending.erase(at);
    Listener<CDSCTarget>::Dispatch(call);
}

void CDSCTargetManager::ExpirePending(double now) {
    for (auto it = pending.begin(); it != pending.end();) {
        const unsigned mmsi = it->first;
        const bool stale = now - it->second.time > kPendingSeconds;
        ++it;
        if (stale) Dispatch(mmsi);
    }
}

void CDSC_to_Mark::OnUpdate(CDSCTarget& call) {
    char name[32];
    std::snprintf(name, sizeof name, "DSC:%u", call.mmsi);
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    double distance = kUnknownDistance;
    if (call.HasPosition() && own.HasPosition() && own.grid.IsValid())
        distance = own.grid.distance(call.latitude, call.longitude);
    // A call without a position leaves its mark where it was.
    if (call.HasPosition())
        PlaceAlertMark(name, call.latitude, call.longitude,
                       call.isDistress() && distance < kGotoRange);
    if (!call.isDistress()) return;
    char buffer[32];
    std::string text = call.NatureText(buffer, sizeof buffer);
    if (call.HasPosition()) text += "\n" + FormatAlertDistance(distance) + " away";
    ShowSystemNotification(-static_cast<long long>(call.mmsi), "DSC Distress Call", text);
}
