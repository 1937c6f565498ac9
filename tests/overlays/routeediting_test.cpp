// Editing routes: waypoints carry the waypoint type however they came, a
// waypoint goes in mid-route after a chosen one, a freehand stroke's
// shaping points are thinned, dragging a waypoint moves the route, and a
// route saved while followed is followed again when loaded.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTemporaryDir>

#include "app/base/pointerdevicetypedetection.h"

#include "data/owngpstestsupport.h"
#include "maps/simplegrid.h"
#include "mapview/kartileview.h"
#include "overlays/gototestsupport.h"
#include "overlays/markmanager.h"
#include "overlays/marktool.h"

namespace {

CMarkManager& manager = CMarkManager::theManager;
constexpr double kLat0 = 50.75, kLon0 = -1.3;

// A press from a device of that type, as the window's filter sees it.
void pointWith(QInputDevice::DeviceType type) {
    PointerDeviceTypeDetection::setSink([](const PointerFlags&) {});
    const QPointingDevice device("test", 99, type, QPointingDevice::PointerType::Generic,
                                 QInputDevice::Capability::Position, 1, 2);
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(), QPointF(), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier, &device);
    QObject target;
    PointerDeviceTypeDetection().eventFilter(&target, &press);
    PointerDeviceTypeDetection::setSink(nullptr);
}

class RouteEditing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        owngps::resetOwnPosition();
        manager.LoadRoutes(dir.filePath("none").toStdString());
    }
    void TearDown() override {
        manager.CancelNavigation();
        manager.LoadRoutes(dir.filePath("none").toStdString());
        owngps::resetOwnPosition();
    }
    // A route through named points given in metres east and north.
    COverlayRoute* route(std::initializer_list<std::tuple<const char*, double, double>> points) {
        COverlayRoute* r = manager.CreateNewRoute();
        for (const auto& [name, x, y] : points) {
            double lat = 0, lon = 0;
            field.grid.xy_to_latlon(x, y, lat, lon);
            r->AddWaypoint(lat, lon)->name = name;
        }
        manager.FinishRouteBuilding();
        return r;
    }
    std::string names(const COverlayRoute& r) const {
        std::string out;
        for (const auto& wp : r.waypoints) out += (out.empty() ? "" : ",") + wp->name;
        return out;
    }

    QTemporaryDir dir;
    gototest::MarkField field{kLat0, kLon0};
};

TEST_F(RouteEditing, EveryWaypointHasTheWaypointType) {
    COverlayRoute* r = route({{"A", 0, 0}, {"B", 0, 500}, {"C", 500, 500}, {"D", 500, 0}});
    COverlayRoute* part = r->SplitRoute(r->waypoints[1].get());
    ASSERT_NE(part, nullptr);
    manager.routes_changed = true;
    const std::string path = dir.filePath("routes.ovtf").toStdString();
    ASSERT_TRUE(manager.SaveRoutesIfNeeded(path));
    const auto check = [](const char* when) {
        SCOPED_TRACE(when);
        int seen = 0;
        for (const auto& route : manager.routes)
            for (const auto& wp : route->waypoints) {
                EXPECT_EQ(wp->type, COverlayObject::kWaypoint) << wp->name;
                EXPECT_EQ(wp->route, route.get());
                ++seen;
            }
        EXPECT_EQ(seen, 5);  // A B, and the copy of B with C D
    };
    check("built and split");
    ASSERT_TRUE(manager.LoadRoutes(path));
    check("loaded from the file");
    EXPECT_EQ(manager.default_waypoint.type, COverlayObject::kMark);  // a template, in no route
}

TEST_F(RouteEditing, AWaypointInsertedAfterAChosenOneEndsTheBuilding) {
    COverlayRoute* r = route({{"A", 0, 0}, {"B", 0, 1000}, {"C", 1000, 1000}});
    r->InsertWPAfter(r->waypoints[0].get());
    EXPECT_EQ(manager.route_in_progress, r);
    EXPECT_EQ(manager.insertion_point, r->waypoints[1].get());
    double lat = 0, lon = 0;
    field.grid.xy_to_latlon(-200, 500, lat, lon);
    EXPECT_TRUE(r->onTap(nullptr, FPoint(), DblPoint(lon, lat)));
    ASSERT_EQ(r->waypoints.size(), 4u);
    const COverlayMark& added = *r->waypoints[1];
    EXPECT_EQ(std::tuple(added.lat, added.route, added.name),
              std::tuple(lat, r, r->name + "P4"));  // numbered from the count
    EXPECT_FALSE(manager.route_in_progress || manager.insertion_point);
    // The legs take the detour: 539 + 539 + 1000 metres.
    EXPECT_NEAR(r->getTotalLengthMeters(), 2 * std::hypot(200.0, 500.0) + 1000, 1.0);

    // Building at the end again after the last waypoint.
    r->InsertWPAfter(r->waypoints.back().get());
    EXPECT_EQ(manager.insertion_point, nullptr);
    EXPECT_TRUE(r->onTap(nullptr, FPoint(), DblPoint(kLon0, kLat0)));
    EXPECT_EQ(r->waypoints.size(), 5u);
    EXPECT_EQ(manager.route_in_progress, r);  // appending goes on
}

TEST_F(RouteEditing, AStrokeKeepsOnlyTheShapingPointsThatBendIt) {
    struct Case {
        const char* name;
        std::vector<std::tuple<const char*, double, double>> points;
        const char* kept;
    };
    const std::vector<Case> cases = {
        {"a straight stroke",
         {{"S", 0, 0}, {"", 0, 10}, {"", 0.5, 20}, {"", 0, 30}, {"E", 0, 40}},
         "S,E"},
        {"a corner stays",
         {{"S", 0, 0}, {"", 0, 20}, {"", 0, 40}, {"", 20, 40}, {"E", 40, 40}},
         "S,,E"},
        {"named waypoints stay",
         {{"S", 0, 0}, {"Buoy", 0, 10}, {"", 0, 20}, {"E", 0, 30}},
         "S,Buoy,E"},
        {"outside the span",
         {{"X", -50, 0}, {"S", 0, 0}, {"", 0, 10}, {"E", 0, 20}, {"", 0, 30}},
         "X,S,E,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COverlayRoute* r = manager.CreateNewRoute();
        for (const auto& [name, x, y] : c.points) {
            double lat = 0, lon = 0;
            field.grid.xy_to_latlon(x, y, lat, lon);
            r->AddWaypoint(lat, lon)->name = name;
        }
        manager.FinishRouteBuilding();
        const COverlayMark* start = nullptr;
        const COverlayMark* end = nullptr;
        for (const auto& wp : r->waypoints) {
            if (wp->name == "S") start = wp.get();
            if (wp->name == "E") end = wp.get();
        }
        r->compactPointsBetween(start, end, 2.0 * 2.0);  // two metres
        EXPECT_EQ(names(*r), c.kept);
    }
}

TEST_F(RouteEditing, DraggingAWaypointMovesTheRouteAndItsLegs) {
    const int others = CKartileView().overlayCount();  // such as the own position
    COverlayRoute* r = route({{"A", 0, 0}, {"B", 0, 1000}, {"C", 1000, 1000}});
    CKartileView view;
    view.setScreenRect(0, 0, 800, 600);
    view.onOpen(std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl", false, {});
    ASSERT_TRUE(view.hasMap());
    EXPECT_EQ(view.overlayCount(), others + 4);  // made later, it shows the route and its waypoints
    ASSERT_TRUE(r->InitSegments());
    manager.routes_changed = false;
    const double before = r->getTotalLengthMeters();
    COverlayMark* b = r->waypoints[1].get();
    double sx = 0, sy = 0;
    ASSERT_TRUE(view.LatLongToScreen(b->lat, b->lon, sx, sy));
    auto* tool = new CMarkTool(&view, b);
    tool->Move(-40, 0);                                          // westwards, away from C
    EXPECT_TRUE(manager.routes_changed && r->segments.empty());  // the legs are made again
    EXPECT_GT(r->getTotalLengthMeters(), before);
    double nx = 0, ny = 0;
    ASSERT_TRUE(view.LatLongToScreen(b->lat, b->lon, nx, ny));
    EXPECT_NEAR(nx, sx - 40, 1.0);
    COverlayTool::Deselect();
}

TEST_F(RouteEditing, APenStrokeLaysShapingPointsAndKeepsOnlyItsCorner) {
    COverlayRoute* r = route({{"A", 0, 0}});
    CKartileView view;
    view.setScreenRect(0, 0, 800, 600);
    view.onOpen(std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl", false, {});
    ASSERT_TRUE(view.hasMap());
    manager.EditRoute(r);
    pointWith(QInputDevice::DeviceType::Stylus);
    // Right 300 pixels, then down 300, in steps of 30.
    view.onMouseDown(100, 100);
    for (int i = 1; i <= 10; ++i) view.onSingleTouchMove(100 + 30 * i, 100);
    for (int i = 1; i <= 10; ++i) view.onSingleTouchMove(400, 100 + 30 * i);
    view.onSingleTouchUp();
    pointWith(QInputDevice::DeviceType::Mouse);

    ASSERT_EQ(r->waypoints.size(), 4u) << names(*r);
    // Named where the stroke began and ended; the corner that bends it is a shaping point.
    EXPECT_EQ(names(*r), r->waypoints[0]->name + "," + r->name + "P2,," + r->name + "P4");
    EXPECT_EQ(r->waypoints[2]->icon, "None");
    double sx = 0, sy = 0;
    ASSERT_TRUE(view.LatLongToScreen(r->waypoints[2]->lat, r->waypoints[2]->lon, sx, sy));
    EXPECT_NEAR(sx, 400, 1.5);
    EXPECT_NEAR(sy, 100, 1.5);
    // The stroke let go of the route, which is still building at the end.
    EXPECT_EQ(std::pair(COverlayTool::the_tool, manager.route_in_progress),
              std::pair((COverlayTool*)nullptr, r));
    manager.FinishRouteBuilding();
}

TEST_F(RouteEditing, FollowingResumesAtTheWaypointAheadAfterLoading) {
    struct Case {
        const char* name;
        bool followed;
        double x, y;      // the boat, metres from A
        const char* aim;  // after loading; empty: no navigation
    };
    const Case cases[] = {
        {"on the first leg", true, 0, 500, "B"},
        {"on the last leg", true, 600, 1000, "C"},
        {"not followed", false, 0, 500, ""},
    };
    const std::string path = dir.filePath("routes.ovtf").toStdString();
    int second = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager.LoadRoutes(dir.filePath("none").toStdString());
        COverlayRoute* r = route({{"A", 0, -500}, {"B", 0, 1000}, {"C", 1000, 1000}});
        if (c.followed) {
            ASSERT_TRUE(manager.SetFollowRoute(r));
        }
        ASSERT_TRUE(owngps::send(field.rmc(c.x, c.y, ++second, "A", c.x > 0 ? 90 : 0)));
        manager.routes_changed = true;
        ASSERT_TRUE(manager.SaveRoutesIfNeeded(path));
        manager.CancelNavigation();

        ASSERT_TRUE(manager.LoadRoutes(path));
        ASSERT_EQ(manager.routes.size(), 1u);
        COverlayRoute* loaded = manager.routes.front().get();
        EXPECT_FALSE(manager.routes_changed);
        EXPECT_EQ(std::pair(manager.go_to.route, loaded->is_followed),
                  std::pair(*c.aim ? loaded : nullptr, bool(*c.aim)));
        if (!*c.aim) continue;
        ASSERT_NE(manager.go_to.mark, nullptr);
        EXPECT_EQ(std::pair(manager.go_to.mark->name, manager.go_to.mark->route),
                  std::pair(std::string(c.aim), loaded));
    }
}

}  // namespace
