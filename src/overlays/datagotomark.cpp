#include "overlays/datagotomark.h"

#include <cmath>

#include "data/fasttrig.h"
#include "data/overlaygpsposition.h"
#include "overlays/overlayroute.h"

bool CDataGotoMark::auto_reverse = false;

namespace {
// At or below this speed (knots) no time to go is given.
constexpr float kMinimumSpeed = 0.1f;
}  // namespace

void CDataGotoMark::CentreOn(double lat, double lon) {
    grid.SetOrigin(lat, lon);
    leg = Vector();
    leg_length = 0;
}

void CDataGotoMark::NavigateFrom(double lat, double lon) {
    double x, y;
    grid.latlon_to_xy(lat, lon, x, y);
    const double d = std::hypot(x, y);
    if (d > kMinimumDistance) {
        // u = (-x, -y) / d points at the destination; leg is u turned clockwise.
        leg.x = float(-y / d);
        leg.y = float(x / d);
        leg_length = float(d);
    } else {
        leg = Vector();
        leg_length = 0;
    }
}

float CDataGotoMark::component_parallel_to_leg(float vx, float vy) const {
    return vy * leg.x - vx * leg.y;
}

double CDataGotoMark::time_to_next_WP() const {
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (!p.HasFix()) return 0;
    const float along = component_parallel_to_leg(p.course_sin, p.course_cos) * p.speed;
    if (!(along > kMinimumSpeed)) return 0;
    return distance / (along / kKnotsPerMetrePerSecond);
}

double CDataGotoMark::additional_time_after_WP() const {
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (!p.HasFix() || !(p.speed > kMinimumSpeed)) return 0;
    return distance_after / (p.speed / kKnotsPerMetrePerSecond);
}

bool CDataGotoMark::GetAxis(float& angle) const {
    // Heading for a followed route's start, the axis is the route's first leg.
    if (route && !route->segments.empty() && !route->waypoints.empty() &&
        mark == route->waypoints.front().get()) {
        const Vertex& d = route->segments.front().dir;
        angle = float(fast_atan2(d.y, d.x));
        return true;
    }
    if (hasLeg()) {
        angle = float(fast_atan2(leg.x, -leg.y));
        return true;
    }
    angle = kUnknownBearing;
    return false;
}

void CDataGotoMark::UpdateFromPosition(double lat, double lon) {
    double x, y;
    grid.latlon_to_xy(lat, lon, x, y);
    pos_x = x;
    pos_y = y;
    const double d = std::hypot(x, y);
    distance = float(d);
    if (d > kMinimumDistance) {
        to_mark.x = float(-x / d);
        to_mark.y = float(-y / d);
        bearing = float(fast_atan2(to_mark.y, to_mark.x));
    }
    if (!hasLeg()) NavigateFrom(lat, lon);
    cross_track = float(x * leg.x + y * leg.y);
}
