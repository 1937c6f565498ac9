// COverlayRoute: an ordered list of waypoints (marks the route owns) drawn
// as a line with arrows pointing the way. CMarkManager keeps the routes in
// "routes.ovtf" with the template new routes copy.
//
// The leg table (InitSegments) holds the legs of 5 m or more in a local
// grid (metres east and north of the middle of the route's bounds), each
// with its unit direction and the distance from its end to the route's end.
// FindNearestLeg picks the leg a boat at a position is sailing: the last leg
// whose start (measured along the bisector with the leg before) it has
// passed, preferring the one it lies nearest, with a leg sailed against the
// course over ground costing 4 d^2 + 900.
//
// Stored as one section: name, a section of colour, width and style, the
// waypoints, comment, is_followed, the sync section, category.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/base/graphicscolor.h"
#include "maps/simplegrid.h"
#include "overlays/overlaymark.h"
#include "overlays/overlayobject.h"
#include "overlays/syncable.h"

class COverlayTrack;

class COverlayRoute : public COverlayObject, public CSyncable {
public:
    static constexpr uint32_t kTypeId = 40;
    static constexpr double kMinLegLength = 5;  // metres

    struct segment {
        COverlayMark* end = nullptr;
        Vertex dir;  // unit vector east, north
        Vertex start, stop;
        double length = 0;          // metres
        double distance_after = 0;  // metres from `end` to the route's end
        double offset_sq = 0;
        bool in_zone = false;
        // Tests grid point p against this leg; prevDir is the previous leg's
        // direction, or this leg's own for the first leg.
        void compute(const Vertex& p, const Vertex& prevDir);
    };

    // What FindNearestLeg found.
    struct LegChoice {
        COverlayMark* prev = nullptr;
        COverlayMark* next = nullptr;
        double distance_after = 0;
        const segment* following_leg = nullptr;
    };

    COverlayRoute();
    ~COverlayRoute() override;

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override;
    bool isVisible() const override { return visible && !deleted; }
    // While this route is being built, a tap adds a waypoint there.
    bool onTap(CKartileView* view, const FPoint& screen, const DblPoint& where) override;

    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return kTypeId; }
    bool getLonLatBounds(CBounds& bounds) const override;
    void WriteGPX(FILE* file) const override;
    std::string getSubText(const CSimpleGrid& grid) const override;

    // Action 1 drops the leg table; the route goes first, then its waypoints.
    void Dispatch(update_action action) override;

    // A waypoint from the template at (lat, lon), at the end or before
    // `before`; named by the template unless told otherwise.
    COverlayMark* AddWaypoint(double lat, double lon, const COverlayMark* before = nullptr,
                              bool named = true);
    // The template's name with "%R" as the route's name and the last '#' as
    // the number of waypoints; the template's icon and colour.
    void setDefaultWPnameAndIcon(COverlayMark* wp);
    // False when the route went with it (fewer than 3 waypoints).
    bool DeleteWaypoint(COverlayMark* wp);
    COverlayMark* getWaypointBefore(const COverlayMark* wp) const;
    COverlayMark* getWaypointAfter(const COverlayMark* wp) const;
    void SetNameFromEndWaypoints();
    void ReverseWaypoints();
    // Takes other's waypoints after its first; false for this route itself.
    bool JoinRoute(COverlayRoute* other);
    // A new route from wp on (a copy of wp, then the waypoints after it).
    COverlayRoute* SplitRoute(COverlayMark* wp);
    void SetAllWaypointsLike(const COverlayMark* wp);
    // Appends a waypoint at a mark the user tapped while building, taking
    // its name unless automatic (such as "P3"); the route is then named
    // from its ends and the mark, unless locked, goes.
    COverlayMark* AddWaypointFromMark(COverlayMark& mark);

    double getTotalLengthMeters() const;
    double TotalLengthofSegments();
    double getDistanceUpToWaypoint(const COverlayMark* wp) const;
    void ConvertToTrack(COverlayTrack& track) const;
    bool sameData(const COverlayRoute& other) const;
    // Copies colour, width, style and the sync flag.
    void CopyAppearance(const COverlayRoute& from);

    bool InitSegments();
    // lat, lon: the boat; course: degrees, 900 or more for none.
    bool FindNearestLeg(double lat, double lon, double course, LegChoice& choice);
    void ClearSegments() { segments.clear(); }

    std::vector<std::unique_ptr<COverlayMark>> waypoints;
    GraphicsColor color;
    float line_width = 2.0f;
    int32_t line_style = 0;
    bool is_followed = false;
    std::vector<segment> segments;
    CSimpleGrid grid;

private:
    void adopt(COverlayMark& wp);
};
