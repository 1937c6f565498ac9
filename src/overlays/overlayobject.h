// Whatever is drawn on and touched in the map view: marks, routes, track
// sections and moving targets. Changes are announced on the process-wide
// data source of COverlayObject (Listener<COverlayObject>), with the object
// itself as the value and its last_action saying what happened.
//
// Three planes meet here: image pixels of the map on show (x right, y down),
// screen pixels of the view, and positions as (x, y) = (longitude, latitude)
// in degrees.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/geometry.h"

class QPainter;
class CKartileView;
class CPolynomialProjection;
using OV_HWND = void*;

// A point of doubles: image or screen pixels, or (longitude, latitude).
// FPoint already holds doubles, so the two are one type.
using DblPoint = FPoint;

class COverlayObject {
public:
    using object_type = int;
    static constexpr object_type kMark = 0;
    static constexpr object_type kRoute = 1;
    static constexpr object_type kTrackSection = 2;
    static constexpr object_type kWaypoint = 5;  // a mark owned by a route

    enum update_action : int {
        kNoAction = 0,
        kChanged = 1,         // added, or its content changed
        kDisplayChanged = 2,  // icon, highlight or go-to state: redraw only
        kRemoved = 3,
        kAllCleared = 4,  // sent once through a throw-away mark after a clear
    };

    // Layers: 2 route, 4 track section, 6 mark; the view draws in draw_order.
    static constexpr int kRouteLayer = 2;
    static constexpr int kTrackSectionLayer = 4;
    static constexpr int kMarkLayer = 6;

    // The view transform handed to Draw: screen = (image - offset) * scale.
    class CViewParams {
    public:
        int zoom_mode = 1;    // below 1: at most one screen pixel per image pixel
        double scale = 1;     // screen pixels per image pixel
        double offset_x = 0;  // image coordinates of the screen origin
        double offset_y = 0;
        FRect screen_rect;  // the visible screen rectangle
        // Counts the view's frames: an object seen through several mappings
        // can tell its first Draw of a frame.
        uint64_t frame = 0;

        FPoint ImageToScreen(double x, double y) const;
        FPoint ScreenToImage(double sx, double sy) const;
        FRect ImageToScreen(const FRect& r) const;
        FRect ScreenToImage(const FRect& r) const;
        // Puts image point (ix, iy) at screen point (sx, sy), snapped to a whole
        // image pixel when zoomed out and to a whole screen pixel otherwise.
        void AdjustOffset(double sx, double sy, double ix, double iy);
        // Moves the picture by a screen delta with the same snapping; dx, dy
        // return the movement actually applied.
        void ApplyDelta(double& dx, double& dy);
    };

    // Per object and view: the object's points in image pixels, and in screen
    // pixels once the object is known to be on screen.
    class CMapping {
    public:
        enum HitKind { kNotHittable = 0, kPoints = 1, kPolyline = 2, kAlways = 4 };

        FRect bounds;  // of image_points (left/top = min, right/bottom = max)
        std::vector<DblPoint> image_points;
        std::vector<DblPoint> screen_points;
        int hit_kind = kNotHittable;
        int hit_count = 0;  // kPoints: the leading points that count
        // Direction of north at the first point (cosine and sine of the
        // clockwise angle from the image's up), for symbols that turn with it.
        float north_cos = 1, north_sin = 0;
        // Set by the view for a frame: a crowd of points lies on top of this
        // one, so it is not drawn.
        bool crowded = false;

        CMapping() { clear(); }
        void clear();
        void set_bounds();
        void move_screen() { screen_points.clear(); }  // after a pan
        // True when the object may be on screen; then screen_points is filled.
        bool map_to_screen(const CViewParams& view);
        // The same, given the image rectangle the view shows.
        bool map_to_screen(const CViewParams& view, const FRect& visible_image);
        // tolerance2: squared tolerance in screen pixels.
        bool HitTest_mapped(float x, float y, double tolerance2) const;
    };

    COverlayObject(object_type objectType, int layer);
    virtual ~COverlayObject();
    COverlayObject(const COverlayObject&) = delete;
    COverlayObject& operator=(const COverlayObject&) = delete;

    virtual void Map(CMapping& mapping, const CPolynomialProjection& projection) const = 0;
    virtual void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const = 0;
    virtual bool isVisible() const { return true; }
    // True when Draw draws into FrameRaster::current while one is set and
    // flushes it before painting anything itself: the view then leaves what
    // the raster holds to be drawn later, with more of the frame at once.
    virtual bool drawsIntoFrameRaster() const { return false; }
    // Pointer handlers get the screen point and the (longitude, latitude);
    // true when the event was consumed.
    virtual bool onTap(CKartileView*, const FPoint&, const DblPoint&) { return false; }
    virtual bool onMouseDown(CKartileView*, const FPoint&, const DblPoint&) { return false; }
    virtual bool onMouseDownAlt(CKartileView*, const FPoint&, const DblPoint&) { return false; }
    virtual void onMouseUp(CKartileView*) {}
    virtual void onMenuDown(OV_HWND) {}
    virtual bool onRightClick(CKartileView*, const FPoint&, const DblPoint&) { return false; }

    // Records the action and tells the listeners; nothing after a removal.
    virtual void Dispatch(update_action action);

    // Marks, waypoints, routes and track sections: what a clear removes.
    bool isUserObject() const { return type <= kTrackSection || type == kWaypoint; }

    object_type type;
    update_action last_action = kNoAction;
    uint32_t draw_order;  // layer << 28
};

// Empties a list of overlay objects newest first: a map view drops each from
// the back of its draw list, so a list of thousands goes in linear time.
template <class List>
void ClearNewestFirst(List& list) {
    while (!list.empty()) list.pop_back();
}
