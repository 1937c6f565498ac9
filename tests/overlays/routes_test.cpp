// Routes as the mark manager keeps them: waypoint names from the template,
// reversing, joining (never onto itself), splitting, deleting waypoints, the
// leg table and the choice of leg for a boat, and "routes.ovtf".
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/base/globalsettingstype.h"
#include "app/base/menutree.h"
#include "maps/simplegrid.h"
#include "overlays/markmanager.h"

namespace {

CMarkManager& manager = CMarkManager::theManager;
constexpr double kLat0 = 50.0, kLon0 = -1.0;

class Routes : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        manager.LoadRoutes(dir.filePath("none").toStdString());
    }
    void TearDown() override { manager.LoadRoutes(dir.filePath("none").toStdString()); }

    // A route through points given in metres east and north of one origin.
    COverlayRoute* route(std::initializer_list<std::pair<double, double>> points) {
        COverlayRoute* r = manager.CreateNewRoute();
        for (const auto& [x, y] : points) {
            double lat = 0, lon = 0;
            grid.xy_to_latlon(x, y, lat, lon);
            r->AddWaypoint(lat, lon);
        }
        manager.FinishRouteBuilding();
        return r;
    }
    int live() const {
        int n = 0;
        for (const auto& r : manager.routes) n += r->deleted ? 0 : 1;
        return n;
    }

    QTemporaryDir dir;
    CSimpleGrid grid{kLat0, kLon0};
};

TEST_F(Routes, ReversingSwapsTheEndsOfTheName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Home to Pier", "Pier to Home"},
        {"Loop", "Loop"},
        {"A to B to C", "B to C to A"},  // the first " to " divides
    };
    for (const auto& [before, after] : cases) {
        SCOPED_TRACE(before);
        COverlayRoute* r = route({{0, 0}, {100, 0}, {100, 100}});
        const COverlayMark* first = r->waypoints.front().get();
        r->name = before;
        r->ReverseWaypoints();
        EXPECT_EQ(r->name, after);
        EXPECT_EQ(r->waypoints.back().get(), first);
    }
}

TEST_F(Routes, JoiningNeverOntoItselfAndSplittingBack) {
    COverlayRoute* a = route({{0, 0}, {100, 0}, {200, 0}});
    EXPECT_FALSE(a->JoinRoute(a));
    EXPECT_FALSE(a->deleted);
    EXPECT_EQ(a->waypoints.size(), 3u);

    COverlayRoute* b = route({{200, 0}, {300, 0}, {400, 0}});
    ASSERT_TRUE(a->JoinRoute(b));
    EXPECT_TRUE(b->deleted);
    ASSERT_EQ(a->waypoints.size(), 5u);  // b's first waypoint is a's last
    for (const auto& wp : a->waypoints) EXPECT_EQ(wp->route, a);
    EXPECT_NEAR(a->getTotalLengthMeters(), 400, 0.5);

    COverlayRoute* c = a->SplitRoute(a->waypoints[2].get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->name, a->name + "-split");
    EXPECT_EQ(a->waypoints.size(), 3u);
    EXPECT_EQ(c->waypoints.size(), 3u);
    EXPECT_EQ(c->waypoints.front()->lat, a->waypoints.back()->lat);
    EXPECT_NE(c->waypoints.front().get(), a->waypoints.back().get());
}

TEST_F(Routes, DeletingAWaypointOfATwoPointRouteDeletesTheRoute) {
    COverlayRoute* r = route({{0, 0}, {100, 0}, {200, 0}});
    EXPECT_TRUE(r->DeleteWaypoint(r->waypoints[1].get()));
    EXPECT_EQ(r->waypoints.size(), 2u);
    EXPECT_FALSE(r->DeleteWaypoint(r->waypoints[1].get()));
    EXPECT_TRUE(r->deleted);
    EXPECT_EQ(live(), 0);
}

TEST_F(Routes, LegsShorterThanFiveMetresAreLeftOut) {
    COverlayRoute* r = route({{0, 0}, {3, 0}, {3, 400}, {303, 400}});
    ASSERT_TRUE(r->InitSegments());
    ASSERT_EQ(r->segments.size(), 2u);
    EXPECT_NEAR(r->segments[0].length, 400, 0.5);
    EXPECT_NEAR(r->segments[0].distance_after, 300, 0.5);
    EXPECT_NEAR(r->segments[1].distance_after, 0, 1e-9);
    EXPECT_NEAR(r->segments[0].dir.y, 1, 1e-3);
    EXPECT_NEAR(r->TotalLengthofSegments(), 700, 1);
}

// One leg east for 1000 m. Against the course a leg costs 4 d^2 + 900,
// which a boat near the start compares with its distance to the start.
TEST_F(Routes, TheLegChosenForABoat) {
    COverlayRoute* r = route({{0, 0}, {1000, 0}});
    COverlayMark* start = r->waypoints[0].get();
    COverlayMark* end = r->waypoints[1].get();
    struct Case {
        const char* name;
        double x, y, course;
        COverlayMark* next;
    } cases[] = {
        {"along, 10 m off", 500, 10, 90, end},
        {"against, 10 m off, far from the start", 500, 10, 270, end},    // 1300 < 250100
        {"against, 10 m off, 20 m from the start", 20, 10, 270, start},  // 1300 > 500
        {"along, 10 m off, 20 m from the start", 20, 10, 90, end},       // 100 < 500
        {"no course, near the start", 20, 10, 999, end},
        {"before the start", -50, 0, 90, start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double lat = 0, lon = 0;
        grid.xy_to_latlon(c.x, c.y, lat, lon);
        COverlayRoute::LegChoice choice;
        ASSERT_TRUE(r->FindNearestLeg(lat, lon, c.course, choice));
        EXPECT_EQ(choice.next, c.next);
        if (c.next == end) {
            EXPECT_EQ(choice.prev, start);
            EXPECT_NEAR(choice.distance_after, 0, 1e-9);
        } else {
            EXPECT_NEAR(choice.distance_after, 1000, 1);
        }
    }
}

TEST_F(Routes, TheFileKeepsRoutesAndTheirWaypoints) {
    COverlayRoute* r = route({{0, 0}, {100, 0}, {100, 100}});
    r->comment = "Evening sail";
    r->line_width = 3;
    r->color = GraphicsColor(200, 10, 10);
    r->waypoints[1]->name = "Buoy";
    const uint64_t id = r->object_id;
    const std::string path = dir.filePath("routes.ovtf").toStdString();
    manager.routes_changed = true;
    ASSERT_TRUE(manager.SaveRoutesIfNeeded(path));
    EXPECT_FALSE(manager.routes_changed);
    ASSERT_TRUE(manager.LoadRoutes(path));
    ASSERT_EQ(manager.routes.size(), 1u);
    const COverlayRoute& back = *manager.routes[0];
    EXPECT_EQ(back.name, "R1");
    EXPECT_EQ(back.comment, "Evening sail");
    EXPECT_EQ(back.line_width, 3.0f);
    EXPECT_EQ(back.color.red(), 200);
    EXPECT_EQ(back.object_id, id);
    ASSERT_EQ(back.waypoints.size(), 3u);
    EXPECT_EQ(back.waypoints[1]->name, "Buoy");
    EXPECT_EQ(back.waypoints[1]->route, &back);
    EXPECT_FALSE(manager.SaveRoutesIfNeeded("/dev/full/routes.ovtf") && manager.routes_changed);
}

TEST_F(Routes, BuildingByTappingTheMapAndMarks) {
    COverlayRoute* r = manager.CreateNewRoute();
    ASSERT_EQ(manager.route_in_progress, r);
    EXPECT_TRUE(r->onTap(nullptr, FPoint(), DblPoint(kLon0, kLat0)));
    COverlayMark* harbour = manager.CreateNewMark(nullptr, kLat0 + 0.01, kLon0);
    harbour->name = "Harbour";
    COverlayMark* automatic = manager.CreateNewMark(nullptr, kLat0 + 0.02, kLon0);
    EXPECT_EQ(automatic->name, "P1");  // Harbour no longer holds the number
    EXPECT_TRUE(harbour->onTap(nullptr, FPoint(), DblPoint()));
    EXPECT_TRUE(automatic->onTap(nullptr, FPoint(), DblPoint()));
    ASSERT_EQ(r->waypoints.size(), 3u);
    EXPECT_EQ(r->waypoints[1]->name, "Harbour");  // the mark's own name
    // An automatic name is not taken: the waypoint is named by the template.
    EXPECT_NE(r->waypoints[2]->name, "P1");
    EXPECT_EQ(r->waypoints[2]->name.back(), '3');
    EXPECT_EQ(r->name, r->waypoints[0]->name + " to " + r->waypoints[2]->name);
    EXPECT_TRUE(harbour->deleted);  // it has become a waypoint
    manager.FinishRouteBuilding();
    EXPECT_FALSE(r->onTap(nullptr, FPoint(), DblPoint(kLon0, kLat0)));  // building ended

    // Deleting a waypoint through the manager takes it out of the route.
    manager.DeleteMark(r->waypoints[1].get());
    EXPECT_EQ(r->waypoints.size(), 2u);
    manager.ClearAll();
}

TEST(RouteSettings, TheAutoReverseToggleAndThePlanningSpeedInMetresASecond) {
    CMenuTree menu("Settings");
    for (CGlobalSettingsType* page = CGlobalSettingsType::First(); page; page = page->next)
        if (page->name == "Route Settings") page->addMenu(&menu, "", nullptr);
    const bool before = CDataGotoMark::auto_reverse;
    ASSERT_TRUE(menu.Choose("Route Settings:Auto Reverse"));
    EXPECT_NE(CDataGotoMark::auto_reverse, before);
    CDataGotoMark::auto_reverse = before;
    CMenuTree::Entry* speeds = menu.Find("Route Settings:Planning Speed");
    ASSERT_TRUE(speeds && speeds->submenu);
    ASSERT_GT(speeds->submenu->size(), 5);
    ASSERT_TRUE(speeds->submenu->Choose(3));  // the fourth: 5 knots
    EXPECT_NEAR(CMarkManager::horiz_speed, 5 * 1852.0 / 3600, 1e-4);
}

}  // namespace
