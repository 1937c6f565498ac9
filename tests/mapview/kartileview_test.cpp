// The map view's arithmetic on a view with no window: zoom levels, the
// scale-ratio rule when maps switch, pinch, fling, screen changes, opening
// and failing maps. The pixels it draws are checked in the real program.
#include "mapview/kartileview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <memory>
#include <set>
#include <tuple>

#include "maps/chartlist.h"
#include "mapview/testmap.h"
#include "support/testsupport.h"

namespace {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setScreenRect(0, 0, 800, 600);
        view.clock = [this] { return t; };
    }
    void TearDown() override { CChartList::the_list = saved; }
    void useCatalogue(const QString& folder) {
        list = std::make_unique<CChartList>();
        list->AddSearchFolder(folder.toStdString());
        list->Refresh();
        CChartList::the_list = list.get();
    }
    bool open(const std::string& path) {
        bool result = false;
        view.onOpen(path, false, [&](bool ok) { result = ok; });
        return result;
    }
    void zoomTo(int z) {
        while (view.zoomLevel() > z) view.DoZoom(-1);
        while (view.zoomLevel() < z) view.DoZoom(+1);
    }
    static FPoint centreLatLon(const CKartileView& v) {
        double lat = 999, lon = 999;
        v.GetCenterLatLon(lat, lon);
        return FPoint(lon, lat);
    }
    void expectOnScreen(double lat, double lon, double sx, double sy) {
        double x, y;
        ASSERT_TRUE(view.LatLongToScreen(lat, lon, x, y));
        EXPECT_NEAR(x, sx, 1);
        EXPECT_NEAR(y, sy, 1);
    }
    void ownPosition(double lat, double lon) {
        CDataGPSPosition p;
        p.latitude = lat;
        p.longitude = lon;
        view.OnUpdate(p);
    }

    testsupport::TempDir dir;
    CKartileView view;
    std::unique_ptr<CChartList> list;
    CChartList* saved = CChartList::the_list;
    double t = 100;
};

TEST_F(ViewTest, ZoomStepsStayWithinTheLevels) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 1024)));
    EXPECT_EQ(view.zoomLevel(), view.maxZoom() - 1) << "no saved view: one level above the top";
    for (int i = 0; i < 8; ++i) view.DoZoom(-1);
    EXPECT_EQ(view.zoomLevel(), -2) << "-2 is the closest level";
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 4.0);
    for (int i = 0; i < 8; ++i) view.DoZoom(+1);
    EXPECT_EQ(view.zoomLevel(), 3);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 0.125);
}

TEST_F(ViewTest, SwitchingMapsFollowsTheScaleRatioRule) {
    const std::string target = makeTestMap(dir.file("target.ktl"), 200);
    // Same area, so the ratio of scales is the ratio of sizes.
    const std::pair<int, int> cases[] = {{640, -2}, {400, -1}, {60, 2}, {200, 0}};  // side, level
    for (const auto& [side, level] : cases) {
        SCOPED_TRACE(side);
        ASSERT_TRUE(open(makeTestMap(dir.file(QString("from%1.ktl").arg(side)), side)));
        zoomTo(0);
        const FPoint centre = centreLatLon(view);
        view.GetCurrentMapView();
        ASSERT_TRUE(open(target));
        EXPECT_EQ(view.zoomLevel(), level);
        // The centre stays within two pixels of the new map.
        EXPECT_LT(std::hypot(centreLatLon(view).x - centre.x, centreLatLon(view).y - centre.y),
                  2 / 200.0);
    }
}

TEST_F(ViewTest, PinchStepsInWhileMovingAndSettlesTowardTheFingers) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 1024)));
    // Finger distances at the start and at the move; levels (from 0) and
    // factors after the move and at the end.
    const std::tuple<const char*, double, double, int, int, double, double> cases[] = {
        {"spread to f = 3.9: two steps in, none out", 100, 100 * 3.9 * 3.9, -2, -2, 0.975, 0.975},
        {"closed to a third: two steps out on release", 900, 100, 0, 2, 1 / 3.0, 4 / 3.0},
        {"fingers together: ignored, no division by 0", 0, 0.5, 0, 0, 1, 1},
    };
    for (const auto& [name, d0, d, movedLevel, endLevel, movedF, endF] : cases) {
        SCOPED_TRACE(name);
        zoomTo(0);
        view.onPinchBegin(400, 300, d0);
        view.onPinchMove(400, 300, d);
        EXPECT_EQ(view.zoomLevel(), movedLevel);
        EXPECT_NEAR(view.zoomFactor(), movedF, 1e-12);
        view.onPinchEnd();
        EXPECT_EQ(view.zoomLevel(), endLevel);
        EXPECT_NEAR(view.zoomFactor(), endF, 1e-12);
        for (int i = 0; i < 10 && view.isAnimating(); ++i) view.onTimer();
        EXPECT_DOUBLE_EQ(view.zoomFactor(), 1.0) << "the timer brings f back to 1";
    }
}

TEST_F(ViewTest, FlingsDecayAlikeInBothDirectionsAndSlowDragsStillPan) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 2048)));
    zoomTo(0);
    // A drag of dx in 0.1 s, then ticks (or frames of a tick) until it stops.
    auto fling = [&](double dx, double ticksPerStep) {
        const double startX = view.viewParams().offset_x;
        view.onSingleTouchDown(400, 300);
        t += 0.1;
        view.onSingleTouchMove(400 + dx, 300);
        EXPECT_NEAR(view.gestures().flingX(), dx, 1e-6);
        view.onSingleTouchUp();
        int steps = 0;
        for (; view.isAnimating() && steps < 6000; ++steps) view.AdvanceAnimation(ticksPerStep);
        return std::make_pair(startX - view.viewParams().offset_x, steps * ticksPerStep);
    };
    const auto right = fling(40, 1);
    EXPECT_GT(right.first, 40 + 200) << "the fling carries on after the finger";
    const auto left = fling(-40, 1);
    EXPECT_EQ(right.second, left.second);
    EXPECT_NEAR(right.first, -left.first, 1.0);
    // Frames between ticks add up to the same fling as whole ticks.
    EXPECT_NEAR(fling(40, 1.0 / 6).first / right.first, 1.0, 0.1);

    // Magnified four times, a drag of one pixel per event must still add up.
    zoomTo(-2);
    const double x0 = view.viewParams().offset_x;
    view.onSingleTouchDown(400, 300);
    for (int i = 1; i <= 40; ++i) view.onSingleTouchMove(400 + i, 300);
    view.onSingleTouchUp();
    EXPECT_NEAR((x0 - view.viewParams().offset_x) * view.viewParams().scale, 40, 4);
}

TEST_F(ViewTest, ScreenChangesKeepTheCentreOrTheLockedPosition) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 2048)));
    zoomTo(0);
    const FPoint centre = centreLatLon(view);
    view.setScreenRect(0, 0, 1000, 500);
    EXPECT_LT(std::hypot(centreLatLon(view).x - centre.x, centreLatLon(view).y - centre.y),
              1.5 / 2048);

    // Locked: the position stays at the same fraction of the screen.
    ownPosition(50.4, 10.3);
    view.LockOnToGPS(true);
    expectOnScreen(50.4, 10.3, 500, 250);
    view.setScreenRect(0, 0, 600, 900);
    expectOnScreen(50.4, 10.3, 300, 450);
    ownPosition(50.5, 10.5);
    expectOnScreen(50.5, 10.5, 300, 450);
    // A drag stops the following; a tap does not.
    for (double dx : {3, 60}) {
        view.onSingleTouchDown(100, 100);
        view.onSingleTouchMove(100 + dx, 100);
        view.onSingleTouchUp();
        EXPECT_EQ(view.isLockedOnToGPS(), dx < 10) << dx;
    }
}

TEST_F(ViewTest, GotoBestMapCompletesEveryCallExactlyOnce) {
    makeTestMap(dir.file("a.ktl"), 512);
    useCatalogue(dir.path());
    const std::tuple<const char*, double, double, bool> cases[] = {
        {"(0, 0) is no place", 0, 0, false},
        {"latitude above 90", 90.5, 10.5, false},
        {"latitude below -90", -91, 10.5, false},
        {"longitude beyond 400", 50.5, 401, false},
        {"latitude not a number", std::nan(""), 10.5, false},
        {"no map there, no free map to fetch", 40, 10.5, false},
        {"the catalogue's map opens", 50.5, 10.5, true},
        {"the map on show", 50.6, 10.6, true},
    };
    for (const auto& [name, lat, lon, ok] : cases) {
        SCOPED_TRACE(name);
        std::vector<bool> results;
        view.GotoBestMap(lat, lon, 0, [&](bool done) { results.push_back(done); });
        EXPECT_EQ(results, std::vector<bool>{ok}) << "one completion, with the outcome";
        EXPECT_FALSE(view.isOpening()) << "nothing is coming: the view must not wait forever";
    }
}

TEST_F(ViewTest, AMapThatFailsLeavesItsFileAndFallsBackToTheLastOne) {
    const std::string good = makeTestMap(dir.file("good.ktl"), 512);
    const std::string bad = makeTestMap(dir.file("bad.ktl"), 256);
    const std::string worse = makeTestMap(dir.file("worse.ktl"), 128);
    useCatalogue(dir.path());
    ASSERT_EQ(list->size(), 3);
    for (const std::string& path : {bad, worse})  // damaged after the scan
        ASSERT_TRUE(testsupport::writeFile(QString::fromStdString(path), "XXXX"));
    // Nothing to fall back to: the catalogue forgets the map, the file stays.
    EXPECT_FALSE(open(bad));
    EXPECT_EQ(list->size(), 2);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(bad)));
    EXPECT_FALSE(view.hasMap());

    ASSERT_TRUE(open(good));
    EXPECT_FALSE(open(worse));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(worse)));
    EXPECT_EQ(view.hasMap() ? view.renderer().map()->path() : "", good)
        << "the last shown map comes back";
}

TEST_F(ViewTest, DemoChartsSwitchByScaleUpToTheOverview) {
    useCatalogue(testsupport::sourceDir() + "/data/demo/charts");
    ownPosition(50.80, -1.11);
    EXPECT_NE(view.lastShownPath().find("portsmouth-harbour.ktl"), std::string::npos)
        << "the most detailed chart there opens, at its own scale";
    EXPECT_EQ(view.zoomLevel(), 0);
    std::set<std::string> shown = {view.lastShownPath()};
    while (view.ChangeMapScale(+1) && shown.size() < 8) {
        ASSERT_TRUE(view.hasMap());
        EXPECT_TRUE(shown.insert(view.lastShownPath()).second) << view.lastShownPath();
    }
    EXPECT_EQ(shown.size(), 3u) << "every chart there, up to the overview and no farther";
}

}  // namespace
