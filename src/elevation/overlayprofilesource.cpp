#include "elevation/overlayprofilesource.h"

#include <algorithm>

#include "overlays/markmanager.h"
#include "overlays/overlayroute.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackmanager.h"

namespace {

constexpr float kNoAltitude = -9000;

}  // namespace

ProfilePoint ProfilePointOf(const CTrackPoint& p) {
    const float altitude = p.altitude();
    return {p.lat, p.lon, p.time, altitude < kNoAltitude ? -9999 : altitude};
}

std::unique_ptr<COverlayProfileSource> COverlayProfileSource::make(Kind kind, uint64_t id) {
    switch (kind) {
        case Kind::Track:
            return std::make_unique<CTrackProfileSource>(id);
        case Kind::Route:
            return std::make_unique<CRouteProfileSource>(id);
        default:
            return nullptr;
    }
}

void COverlayProfileSource::changed() {
    if (m_told) return;
    m_told = true;
    notifyChanged();
}

// ---------------------------------------------------------------- tracks

COverlayTrack* CTrackProfileSource::track() const {
    return CTrackManager::theManager.FindTrackById(objectId());
}

std::string CTrackProfileSource::profileName() const {
    const COverlayTrack* t = track();
    return t ? t->name : std::string();
}

std::vector<ProfilePoint> CTrackProfileSource::profilePoints() const {
    pointsRead();
    std::vector<ProfilePoint> points;
    const COverlayTrack* t = track();
    if (!t) return points;
    points.reserve(size_t(t->getTotalPoints()));
    for (const auto& s : t->sections)
        // Each section after the first repeats its predecessor's last point.
        for (int i = points.empty() ? 0 : 1; i < s->count; ++i)
            points.push_back(ProfilePointOf(s->points[i]));
    return points;
}

void CTrackProfileSource::OnUpdate(COverlayObject& object) {
    if (object.type != COverlayObject::kTrackSection) return;
    const COverlayTrack* owner = static_cast<CTrackSection&>(object).track;
    if (owner && owner->object_id == objectId()) changed();
}

// ---------------------------------------------------------------- routes

COverlayRoute* CRouteProfileSource::route() const {
    return CMarkManager::theManager.FindRouteById(objectId());
}

std::string CRouteProfileSource::profileName() const {
    const COverlayRoute* r = route();
    return r ? r->name : std::string();
}

std::vector<ProfilePoint> CRouteProfileSource::profilePoints() const {
    pointsRead();
    std::vector<ProfilePoint> points;
    if (const COverlayRoute* r = route())
        for (const auto& wp : r->waypoints)
            if (wp->HasPosition()) points.push_back({wp->lat, wp->lon, 0, -9999});
    return points;
}

double CRouteProfileSource::progressFraction() const {
    const CDataGotoMark& state = CMarkManager::theManager.go_to;
    COverlayRoute* r = route();
    if (!r || state.route != r || !state.mark) return -1;
    const double total = r->TotalLengthofSegments();
    if (total <= 0) return -1;
    const double left = double(state.distance) + double(state.distance_after);
    return std::clamp((total - left) / total, 0.0, 1.0);
}

void CRouteProfileSource::OnUpdate(COverlayObject& object) {
    if (object.type == COverlayObject::kRoute &&
        static_cast<COverlayRoute&>(object).object_id == objectId() &&
        object.last_action != COverlayObject::kDisplayChanged)
        changed();
}

void CRouteProfileSource::OnUpdate(CDataGotoMark&) {
    notifyProgressChanged();
}
