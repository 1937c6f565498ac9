#include "overlays/tracksection.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

#include "app/base/screenresolution.h"
#include "maps/geometry.h"
#include "maps/polynomialprojection.h"
#include "maps/simplegrid.h"
#include "overlays/overlaytool.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackoverview.h"
#include "overlays/tracktool.h"

namespace {

constexpr float kNoAltitude = -9000;
// Points closer than this (metres) to the reference give no climb or fall.
constexpr double kAltitudeStep2 = 400;

double gridDistance(const CSimpleGrid& grid, const CTrackPoint& a, const CTrackPoint& b) {
    return grid.distance(a.lat, a.lon, b.lat, b.lon);
}

}  // namespace

CTrackSection::CTrackSection() : COverlayObject(kTrackSection, kTrackSectionLayer) {}

bool CTrackSection::isVisible() const {
    return count >= 2 && track && track->visible && !track->deleted;
}

bool CTrackSection::Serialize(IOStream& stream) {
    Section section(stream);
    int32_t stored = count;
    if (!stream.declare(stored)) return false;
    // Neither a negative count nor more than a section holds is honoured.
    if (stored < 0 || stored > kMaxPoints) return false;
    count = stored;
    const bool ok = stream.declare_array(points, sizeof(CTrackPoint), count);
    if (stream.isReading()) resetCaches();
    return section.Close() && ok;
}

bool CTrackSection::addPoint(const CTrackPoint& point) {
    if (isFull()) return false;
    points[count++] = point;
    resetCaches();
    return true;
}

void CTrackSection::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    mapping.clear();
    if (track) track->overview().noteProjection(projection);
    if (count < 2) return;
    mapping.image_points.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        double x = 0, y = 0;
        projection.latlong_to_xy(points[i].lat, points[i].lon, x, y);
        mapping.image_points.emplace_back(x, y);
    }
    mapping.hit_kind = CMapping::kPolyline;
    mapping.set_bounds();
}

void CTrackSection::Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const {
    const auto& screen = mapping.screen_points;
    if (screen.size() < 2 || !track) return;
    if (track->overview().Draw(painter, view, *track)) return;
    // Points within a pixel or two of the last one drawn add nothing but
    // time when the whole track shows at once.
    const double skip = std::max(1.0, 0.5 * track->line_width * graphicsResolution);
    QPolygonF line;
    line.reserve(qsizetype(screen.size()));
    line.append(QPointF(screen.front().x, screen.front().y));
    for (size_t i = 1; i < screen.size(); ++i) {
        const QPointF p(screen[i].x, screen[i].y);
        const QPointF d = p - line.back();
        if (i + 1 < screen.size() && std::abs(d.x()) < skip && std::abs(d.y()) < skip) continue;
        line.append(p);
    }
    drawTrackLine(painter, line, *track, CTrackTool::isTrackSelected(track));
}

bool CTrackSection::onTap(CKartileView* view, const FPoint&, const DblPoint& where) {
    if (!track || !view) return false;
    CTrackTool::SelectAt(view, this, where.y, where.x);
    return true;
}

void CTrackSection::onMenuDown(OV_HWND parent) {
    if (track) COverlayTrack::ShowTrackMenu(track, parent);
}

double CTrackSection::getDistance(const CSimpleGrid& grid) {
    if (distance >= 0) return distance;
    double d = 0;
    for (int i = 1; i < count; ++i) d += gridDistance(grid, points[i - 1], points[i]);
    distance = d;
    return d;
}

double CTrackSection::getStats(const CSimpleGrid& grid, double& moving_time,
                               double& max_speed) const {
    double total = 0;
    double average = 0;
    for (int i = 1; i < count; ++i) {
        const double d = gridDistance(grid, points[i - 1], points[i]);
        const double dt = points[i].time - points[i - 1].time;
        total += d;
        if (dt <= 0.1) continue;
        const double v = d / dt;
        if (v > kMovingSpeed) moving_time += dt;
        if (v < 1.25 * average && v > max_speed) max_speed = v;
        average = 0.5 * v + 0.5 * average;
    }
    return total;
}

bool CTrackSection::addAltitudeMetrics(const CSimpleGrid& grid, double& ascent_total,
                                       double& descent_total, double& max_altitude) {
    if (ascent >= 0) {
        ascent_total += ascent;
        descent_total += descent;
        return true;
    }
    double up = 0, down = 0;
    if (count >= 2) {
        if (points[0].altitude() < kNoAltitude) return false;
        const CTrackPoint* reference = &points[0];
        for (int i = 1; i < count; ++i) {
            const CTrackPoint& p = points[i];
            const float alt = p.altitude();
            if (alt <= kNoAltitude) continue;
            if (alt > max_altitude) max_altitude = alt;
            double x = 0, y = 0, rx = 0, ry = 0;
            grid.latlon_to_xy(p.lat, p.lon, x, y);
            grid.latlon_to_xy(reference->lat, reference->lon, rx, ry);
            const double d2 = (x - rx) * (x - rx) + (y - ry) * (y - ry);
            if (d2 <= kAltitudeStep2 && i != count - 1) continue;
            const double change = double(alt) - double(reference->altitude());
            if (change >= 0)
                up += change;
            else
                down -= change;
            reference = &p;
        }
    }
    ascent = up;
    descent = down;
    ascent_total += up;
    descent_total += down;
    return true;
}

bool CTrackSection::CompactData(const CSimpleGrid& grid, double tolerance) {
    struct Kept {
        Vertex v;
        int index;
    };
    std::vector<Kept> kept;
    kept.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        Vertex v;
        grid.latlon_to_xy(points[i].lat, points[i].lon, v.x, v.y);
        kept.push_back({v, i});
    }
    const double tolerance2 = tolerance * tolerance;
    size_t before = 0;
    while (kept.size() != before) {
        before = kept.size();
        std::vector<Kept> pass;
        pass.reserve(kept.size());
        size_t i = 0;
        for (; i + 2 < kept.size(); i += 2) {
            pass.push_back(kept[i]);
            if (!kept[i + 1].v.IsOnLine(kept[i].v, kept[i + 2].v, tolerance2))
                pass.push_back(kept[i + 1]);
        }
        for (; i < kept.size(); ++i) pass.push_back(kept[i]);
        kept.swap(pass);
    }
    if (int(kept.size()) == count) return false;
    for (size_t k = 0; k < kept.size(); ++k) points[k] = points[kept[k].index];
    count = int32_t(kept.size());
    resetCaches();
    return true;
}

void CTrackSection::repackageSections(std::vector<std::unique_ptr<CTrackSection>>& sections,
                                      COverlayTrack* owner) {
    if (sections.empty()) return;
    std::vector<std::unique_ptr<CTrackSection>> rebuilt;
    auto fresh = [&]() {
        rebuilt.push_back(std::make_unique<CTrackSection>());
        rebuilt.back()->track = owner;
        return rebuilt.back().get();
    };
    CTrackSection* current = fresh();
    if (sections.front()->count > 0) current->addPoint(sections.front()->points[0]);
    for (const auto& old : sections) {
        for (int i = 1; i < old->count; ++i) {
            if (current->isFull()) {
                const CTrackPoint join = current->points[current->count - 1];
                current = fresh();
                current->addPoint(join);
            }
            current->addPoint(old->points[i]);
        }
    }
    for (auto& old : sections) old->Dispatch(kRemoved);
    sections.swap(rebuilt);
}
