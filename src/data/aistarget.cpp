#include "data/aistarget.h"

#include <QPainter>
#include <cmath>
#include <cstdio>

#include "app/base/screenresolution.h"
#include "app/base/statusmessage.h"
#include "data/aistargetmanager.h"
#include "maps/polynomialprojection.h"
#include "overlays/frameraster.h"
#include "overlays/overlaytool.h"

CAISTarget* CAISTarget::selected_target = nullptr;

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr float kNoHeading = 999;

// The selection of a tapped target: it names the target and holds it until
// another object is tapped or the target goes.
class CAISTargetTool : public COverlayTool {
public:
    CAISTargetTool(CKartileView* view, CAISTarget* target) : COverlayTool(view, target) {
        SetLabel();
    }
    ~CAISTargetTool() override {
        if (CAISTarget::selected_target == selected()) CAISTarget::selected_target = nullptr;
    }
    void SetLabel() override {
        const auto* target = static_cast<const CAISTarget*>(selected());
        if (target) label = target->name.empty() ? target->mmsi_text : target->name;
    }
};

}  // namespace

CAISTarget::CAISTarget() : COverlayMovingTarget(kAISTarget, kLayer, GraphicsColor(0, 220, 0)) {
    speed = 0;
}

CAISTarget::~CAISTarget() {
    if (selected_target == this) selected_target = nullptr;
}

QRgb CAISTarget::StatusColour(int status) {
    switch (status) {
        case 1:
        case 5:
            return 0xFF808080;
        case 2:
        case 3:
        case 4:
        case 6:
        case 7:
            return 0xFFC832C8;
        case 8:
            return 0xFF0094EA;
        default:
            return 0xFF00DC00;
    }
}

const char* CAISTarget::StatusText(int status) {
    static const char* const texts[] = {
        "Under way using engine", "At anchor", "NOT UNDER COMMAND", "RESTRICTED MANOEVRABILITY",
        "CONSTRAINED BY DRAFT",   "Moored",    "AGROUND",           "FISHING",
        "Under way sailing"};
    return status >= 0 && status <= 8 ? texts[status] : texts[0];
}

const char* CAISTarget::BeaconClass(const std::string& mmsiText) {
    if (mmsiText.size() < 3 || mmsiText[0] != '9' || mmsiText[1] != '7') return nullptr;
    switch (mmsiText[2]) {
        case '2':
            return kManOverboard;
        case '4':
            return kEPIRB;
        case '0':
            return kSART;
        default:
            return nullptr;
    }
}

bool CAISTarget::isClassB() const {
    return class_text == kClassB;
}

double CAISTarget::alarmDistance() const {
    return isClassB() ? CAISTargetManager::cpa_classB_distance
                      : CAISTargetManager::cpa_alarm_distance;
}

void CAISTarget::OnUpdatedPosition() {
    if (latitude > 90) {
        fix_status = kNoFix;
        return;
    }
    grid.SetOrigin(latitude, longitude);
    // A heading of 511 is none: a moving target points along its course.
    float h = damping.heading;
    if (h >= 511) h = speed > 1 && course < 360 ? course : kNoHeading;
    damping.heading = h;
    if (h < 511) {
        heading_sin = float(std::sin(h * kDegToRad));
        heading_cos = float(std::cos(h * kDegToRad));
    } else {
        heading_sin = heading_cos = 0;
    }
    if (speed > 0.1f && course < 360) {
        course_sin = float(std::sin(course * kDegToRad));
        course_cos = float(std::cos(course * kDegToRad));
    } else {
        course_sin = course_cos = 0;
    }
    best_sin = course_sin;
    best_cos = course_cos;
    best_source = kCourseOverGround;
    fix_status = kGPSFix;
}

bool CAISTarget::isCollisionThreat() const {
    return tcpa > 0 && tcpa <= 2 * CAISTargetManager::cpa_alarm_time && cpa < 2 * alarmDistance();
}

std::string CAISTarget::tapText() const {
    if (!details.empty()) return details;
    char text[256];
    std::snprintf(text, sizeof text, "MMSI:%u, %s\nSpeed:%.1f kts, %s", mmsi,
                  class_text ? class_text : "", double(speed),
                  nav_status_text ? nav_status_text : "");
    return text;
}

void CAISTarget::DispatchChange(update_action action) {
    Listener<CAISTarget>::Dispatch(*this);
    if (last_action != kRemoved || action == kRemoved) COverlayObject::Dispatch(action);
}

void CAISTarget::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    COverlayMovingTarget::Map(mapping, projection);
    if (mapping.image_points.size() < 3) return;
    FPoint& ring = mapping.image_points[2];
    ring = FPoint(0, 0);
    if (!CAISTargetManager::show_ais_range_ring) return;
    const FPoint p0 = mapping.image_points[0];
    const double scale = projection.get_scale(p0.x, p0.y);
    if (scale > 0) ring = FPoint(p0.x + range_ring_radius / scale, p0.y);
}

namespace {

// The symbol about its position: pointing along the heading as the map
// shows it (sine and cosine from north, clockwise), or upright without one.
void symbolAbout(QPointF centre, double sn, double cs, double size, bool headed,
                 QPointF (&triangle)[3]) {
    const double x = centre.x(), y = centre.y();
    if (headed) {
        const double tip = 19.6 * size, back = 8.4 * size, half = 8 * size;
        const QPointF base(x - back * sn, y + back * cs);
        triangle[0] = QPointF(x + tip * sn, y - tip * cs);
        triangle[1] = QPointF(base.x() + half * cs, base.y() + half * sn);
        triangle[2] = QPointF(base.x() - half * cs, base.y() - half * sn);
    } else {
        const double half = 8 * size, height = 8 * 1.232 * size;
        triangle[0] = QPointF(x, y - height / 2);
        triangle[1] = QPointF(x + half, y + height / 2);
        triangle[2] = QPointF(x - half, y + height / 2);
    }
}

// The direction (sine, cosine) in whole degrees clockwise from up, nearest
// first; atan2 costs more than drawing a target.
int wholeDegrees(double sn, double cs) {
    const double ax = std::abs(sn), ay = std::abs(cs);
    if (!(ax > 0 || ay > 0)) return 0;  // none, or NaN
    const bool steep = ax > ay;
    const double z = steep ? ay / ax : ax / ay, z2 = z * z;
    // atan(z) on [0, 1], within 1e-5 radians.
    double a =
        z * (0.9998660 + z2 * (-0.3302995 + z2 * (0.1801410 + z2 * (-0.0851330 + z2 * 0.0208351))));
    if (steep) a = M_PI / 2 - a;
    if (cs < 0) a = M_PI - a;
    if (sn < 0) a = 2 * M_PI - a;
    const int degrees = int(a * (180 / M_PI) + 0.5);  // no division on the way
    return degrees >= 360 ? degrees - 360 : degrees;
}

// Sprites of the symbol by class, outline and whole degree on screen, and
// of the vector's arrowhead by whole degree, made when first drawn. Frames
// are drawn on the GUI thread only.
class SymbolSprites {
public:
    const TargetSprite& Get(bool classB, bool selected, bool headed, double sn, double cs) {
        forResolution();
        const int degree = headed ? wholeDegrees(sn, cs) : kUpright;
        Entry& entry = m_sprites[size_t(((classB * 2 + selected) * (kUpright + 1)) + degree)];
        if (!entry.made) {
            QPointF corners[3];
            const double angle = degree * kDegToRad, r = graphicsResolution;
            symbolAbout(QPointF(0, 0), std::sin(angle), std::cos(angle), (classB ? 0.8 : 1.0) * r,
                        headed, corners);
            entry.sprite = TargetSprite::Of(corners, (selected ? 3 : 1) * r);
            entry.made = true;
        }
        return entry.sprite;
    }
    // The arrowhead of a vector pointing along (sn, cs), its tip on the anchor.
    const TargetSprite& Arrowhead(double sn, double cs) {
        forResolution();
        const int degree = wholeDegrees(sn, cs);
        Entry& entry = m_arrowheads[size_t(degree)];
        if (!entry.made) {
            const double angle = degree * kDegToRad, r = graphicsResolution;
            const double a = 5 * r * std::sin(angle), b = 5 * r * std::cos(angle);
            const QPointF ends[2] = {QPointF(-a + b, b + a), QPointF(-a - b, b - a)};
            entry.sprite = TargetSprite::Strokes(ends);
            entry.made = true;
        }
        return entry.sprite;
    }

private:
    struct Entry {
        TargetSprite sprite;
        bool made = false;
    };
    void forResolution() {
        if (graphicsResolution == m_resolution) return;
        for (auto& s : m_sprites) s = {};
        for (auto& s : m_arrowheads) s = {};
        m_resolution = graphicsResolution;
    }
    static constexpr int kUpright = 360;
    std::vector<Entry> m_sprites = std::vector<Entry>(4 * (kUpright + 1));
    std::vector<Entry> m_arrowheads = std::vector<Entry>(360);
    double m_resolution = 0;
};

SymbolSprites& symbolSprites() {
    static SymbolSprites sprites;
    return sprites;
}

}  // namespace

void CAISTarget::symbolDirection(const CMapping& mapping, double& sn, double& cs) const {
    turnedByNorth(mapping, heading_sin, heading_cos, sn, cs);
}

void CAISTarget::symbol(const CMapping& mapping, QPointF (&triangle)[3]) const {
    const FPoint s0 = mapping.screen_points[0];
    double sn, cs;
    symbolDirection(mapping, sn, cs);
    symbolAbout(QPointF(s0.x, s0.y), sn, cs, (isClassB() ? 0.8 : 1.0) * graphicsResolution,
                damping.heading < 511, triangle);
}

void CAISTarget::Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const {
    if (!class_text || mapping.screen_points.empty()) return;
    const FPoint s0 = mapping.screen_points[0];
    const double r = graphicsResolution, reach = 24 * r;
    const double outline = (selected_target == this ? 3 : 1) * r;
    // Straight into the frame's pixels when it allows, else through the painter.
    FrameRaster* raster = FrameRaster::current;
    const QRgb rgb = colour.rgba();
    if (speed > 0) drawVector(painter, raster, rgb, mapping);
    if (mapping.screen_points.size() > 2 && mapping.image_points[2] != FPoint(0, 0)) {
        if (raster) raster->Flush();  // the ring goes over the vectors drawn so far
        const FPoint s2 = mapping.screen_points[2];
        const double radius = std::hypot(s2.x - s0.x, s2.y - s0.y);
        painter->setPen(QPen(colour, r));
        painter->setBrush(Qt::NoBrush);
        painter->drawEllipse(QPointF(s0.x, s0.y), radius, radius);
    }
    if (!FRect(s0.x - reach, s0.y - reach, s0.x + reach, s0.y + reach)
             .IsOverlapping(view.screen_rect))
        return;
    if (raster) {
        double sn, cs;
        symbolDirection(mapping, sn, cs);
        raster->Stamp(
            symbolSprites().Get(isClassB(), selected_target == this, damping.heading < 511, sn, cs),
            QPointF(s0.x, s0.y), rgb, qRgb(0, 0, 0));
        return;
    }
    QPointF triangle[3];
    symbol(mapping, triangle);
    QPen pen(Qt::black, outline);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(colour);
    painter->drawPolygon(triangle, 3);
}

// The vector as hairlines, the line and its arrowhead.
void CAISTarget::drawVector(QPainter* painter, FrameRaster* raster, QRgb rgb,
                            const CMapping& mapping) const {
    if (mapping.image_points.size() < 2 || mapping.screen_points.size() < 2) return;
    if (mapping.image_points[1] == FPoint(0, 0)) return;
    const double r = graphicsResolution;
    const FPoint s0 = mapping.screen_points[0], s1 = mapping.screen_points[1];
    double sn, cs;
    screenDirection(mapping, sn, cs);
    const double a = 5 * r * sn, b = 5 * r * cs;
    const QLineF lines[3] = {QLineF(s0.x, s0.y, s1.x, s1.y),
                             QLineF(s1.x - a + b, s1.y + b + a, s1.x, s1.y),
                             QLineF(s1.x - a - b, s1.y + b - a, s1.x, s1.y)};
    const int width = std::max(1, int(r + 0.5));
    if (raster) {
        raster->Line(lines[0].p1(), lines[0].p2(), rgb, width);
        // A one-pixel arrowhead as a sprite: its two short lines cost more to
        // set up than to draw. The sprite's tip is the pixel s1 lies in.
        if (width == 1)
            raster->Stamp(symbolSprites().Arrowhead(sn, cs), QPointF(s1.x - 0.5, s1.y - 0.5), rgb,
                          rgb);
        else
            for (int i = 1; i < 3; ++i) raster->Line(lines[i].p1(), lines[i].p2(), rgb, width);
        return;
    }
    QPen pen(colour, width > 1 ? width : 0);
    pen.setCapStyle(Qt::FlatCap);
    painter->setPen(pen);
    painter->drawLines(lines, 3);
}

bool CAISTarget::onTap(CKartileView* view, const FPoint&, const DblPoint&) {
    if (!class_text) return false;
    selected_target = this;
    if (!COverlayTool::isSelected(this)) new CAISTargetTool(view, this);
    SetStatusMessage(tapText());
    COverlayObject::Dispatch(kDisplayChanged);
    return true;
}
