#include "overlays/overlaymovingtarget.h"

#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

#include "app/base/screenresolution.h"
#include "maps/polynomialprojection.h"

bool COverlayMovingTarget::show_vector = true;
float COverlayMovingTarget::vector_scale = 10;
float COverlayMovingTarget::range_ring_radius = 0.5f;
int COverlayMovingTarget::num_range_rings = 0;

COverlayMovingTarget::COverlayMovingTarget(object_type objectType, int layer,
                                           const GraphicsColor& drawingColor)
    : COverlayObject(objectType, layer), color(drawingColor) {}

COverlayMovingTarget::~COverlayMovingTarget() = default;

void COverlayMovingTarget::SetNumRangeRings(int count) {
    num_range_rings = std::clamp(count, 0, kMaxRangeRings);
}

// The field is public: a value set around SetNumRangeRings still draws no
// more than the most rings there may be.
int COverlayMovingTarget::rangeRings() {
    return std::clamp(num_range_rings, 0, kMaxRangeRings);
}

void COverlayMovingTarget::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    mapping.clear();
    if (!HasPosition() || (latitude == 0 && longitude == 0)) return;
    FPoint p0;
    if (!projection.latlong_to_xy(latitude, longitude, p0)) return;
    projection.get_rotation(p0.x, p0.y, mapping.north_cos, mapping.north_sin);

    FPoint p1(0, 0);
    if (best_source != kNone && get_speed() > 0.2f && show_vector && grid.IsValid()) {
        const double length = double(get_speed()) * vector_scale * kMetresPerKnotMinute;
        double lat, lon;
        grid.xy_to_latlon(length * best_sin, length * best_cos, lat, lon);
        if (!projection.latlong_to_xy(lat, lon, p1)) p1 = FPoint(0, 0);
    }
    FPoint p2(0, 0);
    if (rangeRings() > 0) {
        const double scale = projection.get_scale(p0.x, p0.y);
        if (scale > 0) p2 = FPoint(p0.x + range_ring_radius / scale, p0.y);
    }
    mapping.image_points = {p0, p1, p2};
    mapping.hit_kind = CMapping::kPoints;
    mapping.hit_count = 1;
    mapping.set_bounds();
}

void COverlayMovingTarget::screenDirection(const CMapping& mapping, double& sine,
                                           double& cosine) const {
    turnedByNorth(mapping, best_sin, best_cos, sine, cosine);
}

void COverlayMovingTarget::turnedByNorth(const CMapping& mapping, double sine, double cosine,
                                         double& sn, double& cs) {
    sn = sine * mapping.north_cos + cosine * mapping.north_sin;
    cs = cosine * mapping.north_cos - sine * mapping.north_sin;
}

void COverlayMovingTarget::DrawVelocityVector(QPainter* painter, const CViewParams&,
                                              const CMapping& mapping) const {
    if (mapping.image_points.size() < 2 || mapping.screen_points.size() < 2) return;
    if (mapping.image_points[1] == FPoint(0, 0)) return;
    const double r = graphicsResolution;
    const FPoint s0 = mapping.screen_points[0], s1 = mapping.screen_points[1];
    QPen pen(drawingColor().toQColor(), 2 * r);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawLine(QPointF(s0.x, s0.y), QPointF(s1.x, s1.y));
    // The arrowhead points along the best direction as the map shows north.
    double sn, cs;
    screenDirection(mapping, sn, cs);
    const double a = 5 * r * sn, b = 5 * r * cs;
    const QPointF head[3] = {QPointF(s1.x - a + b, s1.y + b + a), QPointF(s1.x, s1.y),
                             QPointF(s1.x - a - b, s1.y + b - a)};
    painter->drawPolyline(head, 3);
}

void COverlayMovingTarget::DrawRangeRing(QPainter* painter, const CViewParams&,
                                         const CMapping& mapping) const {
    if (mapping.image_points.size() < 3 || mapping.screen_points.size() < 3) return;
    if (mapping.image_points[2] == FPoint(0, 0)) return;
    const FPoint s0 = mapping.screen_points[0], s2 = mapping.screen_points[2];
    const double radius = std::hypot(s2.x - s0.x, s2.y - s0.y);
    painter->setPen(QPen(drawingColor().toQColor(), graphicsResolution));
    painter->setBrush(Qt::NoBrush);
    for (int i = 1, n = rangeRings(); i <= n; ++i)
        painter->drawEllipse(QPointF(s0.x, s0.y), radius * i, radius * i);
}
