#include "overlays/overlayobject.h"

#include <algorithm>
#include <cmath>

#include "app/base/datasource.h"

namespace {

constexpr double kNoBound = 2147483647.0;

// Inclusive, so a single point (a zero-size box) still counts.
bool boxesMeet(const FRect& a, const FRect& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

}  // namespace

// ---------------------------------------------------------------- CViewParams

FPoint COverlayObject::CViewParams::ImageToScreen(double x, double y) const {
    return FPoint((x - offset_x) * scale, (y - offset_y) * scale);
}

FPoint COverlayObject::CViewParams::ScreenToImage(double sx, double sy) const {
    return FPoint(sx / scale + offset_x, sy / scale + offset_y);
}

FRect COverlayObject::CViewParams::ImageToScreen(const FRect& r) const {
    const FPoint a = ImageToScreen(r.left, r.top);
    const FPoint b = ImageToScreen(r.right, r.bottom);
    return FRect(a.x, a.y, b.x, b.y);
}

FRect COverlayObject::CViewParams::ScreenToImage(const FRect& r) const {
    const FPoint a = ScreenToImage(r.left, r.top);
    const FPoint b = ScreenToImage(r.right, r.bottom);
    return FRect(a.x, a.y, b.x, b.y);
}

void COverlayObject::CViewParams::AdjustOffset(double sx, double sy, double ix, double iy) {
    if (zoom_mode < 1) {
        offset_x = std::round(ix - sx / scale);
        offset_y = std::round(iy - sy / scale);
    } else {
        offset_x = std::round(ix * scale - sx) / scale;
        offset_y = std::round(iy * scale - sy) / scale;
    }
}

void COverlayObject::CViewParams::ApplyDelta(double& dx, double& dy) {
    const double oldX = offset_x;
    const double oldY = offset_y;
    // The image point at the screen origin moves to (dx, dy).
    AdjustOffset(dx, dy, oldX, oldY);
    dx = (oldX - offset_x) * scale;
    dy = (oldY - offset_y) * scale;
}

// ---------------------------------------------------------------- CMapping

void COverlayObject::CMapping::clear() {
    image_points.clear();
    screen_points.clear();
    hit_kind = kNotHittable;
    north_cos = 1;
    north_sin = 0;
    bounds = FRect(kNoBound, kNoBound, kNoBound, kNoBound);
}

void COverlayObject::CMapping::set_bounds() {
    bounds = FRect::Around(image_points);
}

bool COverlayObject::CMapping::map_to_screen(const CViewParams& view) {
    return map_to_screen(view, view.ScreenToImage(view.screen_rect));
}

bool COverlayObject::CMapping::map_to_screen(const CViewParams& view, const FRect& visible_image) {
    if (hit_kind == kAlways) return true;
    if (!boxesMeet(bounds, visible_image)) return false;
    if (screen_points.empty()) {
        screen_points.reserve(image_points.size());
        for (const DblPoint& p : image_points) {
            const FPoint s = view.ImageToScreen(p.x, p.y);
            screen_points.emplace_back(s.x, s.y);
        }
    }
    return true;
}

bool COverlayObject::CMapping::HitTest_mapped(float x, float y, double tolerance2) const {
    const auto d2 = [x, y](const DblPoint& p) {
        const double dx = p.x - x;
        const double dy = p.y - y;
        return dx * dx + dy * dy;
    };
    switch (hit_kind) {
        case kPoints: {
            const size_t n = std::min(size_t(std::max(hit_count, 0)), screen_points.size());
            for (size_t i = 0; i < n; ++i)
                if (d2(screen_points[i]) < tolerance2) return true;
            return false;
        }
        case kPolyline: {
            for (const DblPoint& p : screen_points)
                if (d2(p) <= tolerance2) return true;
            for (size_t i = 1; i < screen_points.size(); ++i) {
                const DblPoint& a = screen_points[i - 1];
                const DblPoint& b = screen_points[i];
                const double sx = b.x - a.x, sy = b.y - a.y;
                const double px = x - a.x, py = y - a.y;
                const double length2 = sx * sx + sy * sy;
                const double dot = px * sx + py * sy;
                const double cross = px * sy - py * sx;
                // The foot of the perpendicular lies on the segment, and the
                // perpendicular distance is below the tolerance.
                if (dot >= 0 && dot <= length2 && cross * cross < length2 * tolerance2) return true;
            }
            return false;
        }
        case kAlways:
            return true;
        default:
            return false;
    }
}

// ---------------------------------------------------------------- COverlayObject

COverlayObject::COverlayObject(object_type objectType, int layer)
    : type(objectType), draw_order(uint32_t(layer) << 28) {}

COverlayObject::~COverlayObject() {
    if (last_action != kRemoved) {
        last_action = kRemoved;
        Listener<COverlayObject>::Dispatch(*this);
    }
}

void COverlayObject::Dispatch(update_action action) {
    if (last_action == kRemoved) return;
    last_action = action;
    Listener<COverlayObject>::Dispatch(*this);
}
