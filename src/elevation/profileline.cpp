#include "elevation/profileline.h"

#include <algorithm>
#include <cmath>

#include "elevation/elevationdata.h"
#include "maps/simplegrid.h"

namespace {

constexpr double kNoAltitude = -9998;

bool hasAltitude(double altitude) {
    return altitude != 0 && altitude > kNoAltitude;
}

}  // namespace

ProfileLine::ProfileLine(std::vector<ProfilePoint> points) : m_points(std::move(points)) {
    if (m_points.empty()) return;
    double south = 90, north = -90, west = 180, east = -180;
    for (const ProfilePoint& p : m_points) {
        south = std::min(south, p.lat);
        north = std::max(north, p.lat);
        west = std::min(west, p.lon);
        east = std::max(east, p.lon);
    }
    const CSimpleGrid grid((south + north) / 2, (west + east) / 2);
    m_along.reserve(m_points.size());
    double total = 0, lastX = 0, lastY = 0;
    for (size_t i = 0; i < m_points.size(); ++i) {
        double x = 0, y = 0;
        if (grid.IsValid()) grid.latlon_to_xy(m_points[i].lat, m_points[i].lon, x, y);
        if (i > 0) total += std::hypot(x - lastX, y - lastY);
        if (!std::isfinite(total)) total = 0;
        m_along.push_back(total);
        lastX = x;
        lastY = y;
    }
}

ProfilePoint ProfileLine::pointAt(double distance) const {
    if (m_points.empty()) return {};
    const auto next = std::lower_bound(m_along.begin(), m_along.end(), distance);
    if (next == m_along.begin()) return m_points.front();
    if (next == m_along.end()) return m_points.back();
    const size_t i = size_t(next - m_along.begin());
    const double span = m_along[i] - m_along[i - 1];
    const double t = span > 0 ? (distance - m_along[i - 1]) / span : 0;
    const ProfilePoint &a = m_points[i - 1], &b = m_points[i];
    return {a.lat + (b.lat - a.lat) * t, a.lon + (b.lon - a.lon) * t,
            a.time + (b.time - a.time) * t, a.altitude + (b.altitude - a.altitude) * t};
}

std::vector<ProfileSample> ProfileLine::series(ProfileQuantity quantity, int n,
                                               MZElevationData* store) const {
    switch (quantity) {
        case ProfileQuantity::GroundHeight:
            return store ? groundHeights(*store, n) : std::vector<ProfileSample>{};
        case ProfileQuantity::Altitude:
            return altitudes(n);
        case ProfileQuantity::Speed:
            return speeds(n);
    }
    return {};
}

std::vector<ProfileSample> ProfileLine::groundHeights(MZElevationData& store, int n) const {
    std::vector<ProfileSample> out;
    const double total = length();
    if (n < 2 || !(total > 0)) return out;
    const double step = total / (n - 1);
    const ProfilePoint middle = pointAt(total / 2);
    const int level = MZElevationData::levelForSpacing(middle.lat, step);
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const double d = i == n - 1 ? total : i * step;
        const ProfilePoint p = pointAt(d);
        float height;
        if (store.elevationAtBestLevel(p.lat, p.lon, height, level))
            out.push_back({d, height, p.lat, p.lon});
    }
    return out;
}

std::vector<ProfileSample> ProfileLine::altitudes(int n) const {
    std::vector<ProfileSample> out;
    const double total = length();
    if (n < 2 || !(total > 0)) return out;
    const double step = total / (n - 1);
    const double slack = total * kStepSlack;
    double next = 0;
    for (size_t i = 0; i < m_points.size() && int(out.size()) < n; ++i) {
        const ProfilePoint& p = m_points[i];
        if (m_along[i] < next - slack || !hasAltitude(p.altitude)) continue;
        out.push_back({m_along[i], float(p.altitude), p.lat, p.lon});
        next = (std::floor(m_along[i] / step + kStepSlack) + 1) * step;
    }
    return out;
}

std::vector<ProfileSample> ProfileLine::speeds(int n) const {
    std::vector<ProfileSample> out;
    const double total = length();
    if (n < 2 || !(total > 0) || m_points.empty()) return out;
    const double step = total / (n - 1);
    const double slack = total * kStepSlack;
    size_t previous = 0;
    double next = step;
    for (size_t i = 1; i < m_points.size() && int(out.size()) < n; ++i) {
        const double dt = m_points[i].time - m_points[previous].time;
        if (m_along[i] < next - slack || !(dt >= kMinSpeedInterval)) continue;
        const double speed = (m_along[i] - m_along[previous]) / dt;
        out.push_back({m_along[i], float(speed), m_points[i].lat, m_points[i].lon});
        previous = i;
        next = (std::floor(m_along[i] / step + kStepSlack) + 1) * step;
    }
    return out;
}

std::vector<QPointF> profilePolygon(const std::vector<ProfileSample>& samples, double w, double h) {
    std::vector<QPointF> polygon;
    if (samples.size() < 2 || !(w >= 2) || !(h >= 2)) return polygon;
    const double first = samples.front().distance, span = samples.back().distance - first;
    if (!(span > 0)) return polygon;
    const auto [lo, hi] = std::minmax_element(
        samples.begin(), samples.end(),
        [](const ProfileSample& a, const ProfileSample& b) { return a.value < b.value; });
    const double min = lo->value, range = double(hi->value) - min;
    if (!(range > 0)) return polygon;
    polygon.reserve(samples.size() + 2);
    for (const ProfileSample& s : samples)
        polygon.emplace_back((s.distance - first) * (w - 2) / span,
                             h - (s.value - min) * (h - 2) / range);
    polygon.emplace_back(w, h);
    polygon.emplace_back(0, h);
    return polygon;
}

int ProfilePicker::xToDataIndex(const std::vector<QPointF>& polygon, int samples, double x) {
    if (samples <= 0 || int(polygon.size()) < samples) return -1;
    m_last = std::clamp(m_last, 0, samples - 1);
    while (m_last + 1 < samples && polygon[size_t(m_last + 1)].x() < x - 1) ++m_last;
    while (m_last > 0 && polygon[size_t(m_last)].x() > x - 1) --m_last;
    return m_last;
}

double ProfilePicker::dataIndexToX(const std::vector<QPointF>& polygon, int samples, int index) {
    if (index < 0 || index >= samples || index >= int(polygon.size())) return 0;
    return polygon[size_t(index)].x() + 1;
}
