// CDataGotoMark: the go-to navigation state, published to its listeners
// (Listener<CDataGotoMark>: the autopilot sentence, the go-to displays)
// whenever it changes. The mark manager owns the one live state and updates
// it from the own position.
//
// Geometry is worked in a local flat grid centred on the destination
// (CSimpleGrid: metres, x east, y north). `to_mark` is the unit vector from
// the position towards the destination. The leg runs from where navigation
// started towards the destination; `leg` holds its unit direction u turned
// a quarter turn clockwise, (u.y, -u.x), so that
//   cross_track = position . leg   metres, > 0 right of the leg, < 0 left
//   component_parallel_to_leg(v) = v . u   the part of v along the leg
// Bearings are degrees clockwise from north, 999 when unknown; speeds are
// knots unless said otherwise.
#pragma once

#include "maps/simplegrid.h"

class COverlayMark;
class COverlayRoute;

class CDataGotoMark {
public:
    struct Vector {
        float x = 0;  // east
        float y = 0;  // north
    };

    static constexpr float kUnknownBearing = 999.0f;
    // Closer than this to the destination, directions are not worked out.
    static constexpr double kMinimumDistance = 5.0;
    static constexpr double kKnotsPerMetrePerSecond = 1.94384449;

    // Centres the grid on a (new or moved) destination; the old leg no
    // longer leads there, so there is none until the next NavigateFrom.
    void CentreOn(double lat, double lon);
    // Starts a new leg at (lat, lon): the leg towards the destination when
    // the point lies more than 5 m from it, otherwise no leg.
    void NavigateFrom(double lat, double lon);
    // The part of the velocity (vx east, vy north) along the leg towards
    // the destination: vy * leg.x - vx * leg.y.
    float component_parallel_to_leg(float vx, float vy) const;
    // Seconds to the destination at the own speed along the leg; 0 without a
    // fix or at 0.1 knots along the leg or less.
    double time_to_next_WP() const;
    // Seconds from the destination to the end of a followed route at the
    // own speed over ground; 0 without a fix or at 0.1 knots or less.
    double additional_time_after_WP() const;
    // The bearing of the leg; false with 999 when there is no leg.
    bool GetAxis(float& angle) const;
    bool hasLeg() const { return leg.x * leg.x + leg.y * leg.y > 0.9f; }
    // The position (degrees) taken into the grid: distance, and when farther
    // than 5 m the direction and bearing to the destination; a leg starts
    // here if there is none; then the cross-track distance.
    void UpdateFromPosition(double lat, double lon);

    COverlayMark* mark = nullptr;
    // The route being followed, or null.
    COverlayRoute* route = nullptr;
    float distance = 0;  // metres to the destination
    float bearing = kUnknownBearing;
    float cross_track = 0;        // metres from the leg line, signed as above
    float distance_after = 0;     // metres from the destination to the route's end
    double pos_x = 0, pos_y = 0;  // the position in the grid, metres
    CSimpleGrid grid;             // centred on the destination
    double grid_time = 0;         // non-zero once the grid is set
    Vector to_mark;               // unit vector towards the destination
    Vector leg;                   // the leg's direction turned clockwise; 0 = no leg
    float leg_length = 0;         // metres from the leg's start to the destination

    // Turn a followed route round when its start is reached heading back.
    static bool auto_reverse;
};
