// The map view's arithmetic on a view with no window: zoom levels, the
// scale-ratio rule when maps switch, pinch, fling, screen changes, opening
// and failing maps, the saved state, the pixels it draws, and its settings.
#include "mapview/kartileview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <cmath>
#include <map>
#include <memory>
#include <set>

#include "app/base/persistantdata.h"
#include "maps/chartlist.h"
#include "maps/kartile.h"
#include "mapview/testmap.h"
#include "support/testsupport.h"

namespace {

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.setScreenRect(0, 0, 800, 600);
        view.clock = [this] { return t; };
    }
    void TearDown() override {
        CChartList::the_list = saved;
        CKartileView::change_scale_by_zooming = true;
    }
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
    FPoint centreLatLon() {
        double lat = 999, lon = 999;
        view.GetCenterLatLon(lat, lon);
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
        p.fix_status = 1;
        view.OnUpdate(p);
    }

    testsupport::TempDir dir;
    CKartileView view;
    std::unique_ptr<CChartList> list;
    CChartList* saved = CChartList::the_list;
    double t = 100;
};

TEST_F(ViewTest, ZoomStepsKeepTheFocusPointAndStayWithinTheLevels) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 1024)));
    EXPECT_EQ(view.zoomLevel(), view.maxZoom() - 1) << "no saved view: one level above the top";
    zoomTo(0);
    const FPoint before = view.viewParams().ScreenToImage(200, 150);
    view.SmoothZoomAtPoint(-1, 200, 150);
    EXPECT_EQ(view.zoomLevel(), -1);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 2.0);
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 0.75);
    const FPoint after = view.viewParams().ScreenToImage(200, 150);
    EXPECT_NEAR(before.x, after.x, 1.0);
    EXPECT_NEAR(before.y, after.y, 1.0);
    view.onTimer();
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 1.0) << "f moves to 1 by 0.25 a tick";
    EXPECT_FALSE(view.isAnimating());

    for (int i = 0; i < 4; ++i) view.DoZoom(-1);
    EXPECT_EQ(view.zoomLevel(), -2) << "-2 is the closest level";
    for (int i = 0; i < 8; ++i) view.DoZoom(+1);
    EXPECT_EQ(view.zoomLevel(), 3);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 0.125);
}

TEST_F(ViewTest, SwitchingMapsFollowsTheScaleRatioRule) {
    CKartileView::change_scale_by_zooming = false;
    const std::string target = makeTestMap(dir.file("target.ktl"), 200);
    // Same area, so the ratio of scales is the ratio of sizes.
    struct Case {
        int side;
        int level;
    } cases[] = {{640, -2}, {400, -1}, {60, 2}, {200, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        ASSERT_TRUE(open(makeTestMap(dir.file(QString("from%1.ktl").arg(c.side)), c.side)));
        zoomTo(0);
        const FPoint centre = centreLatLon();
        view.GetCurrentMapView();
        ASSERT_TRUE(open(target));
        EXPECT_EQ(view.zoomLevel(), c.level);
        // The centre stays within two pixels of the new map.
        EXPECT_NEAR(centreLatLon().x, centre.x, 2 / 200.0);
        EXPECT_NEAR(centreLatLon().y, centre.y, 2 / 200.0);
    }
}

TEST_F(ViewTest, PinchStepsInWhileMovingAndSettlesTowardTheFingers) {
    CKartileView::change_scale_by_zooming = false;
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 1024)));
    struct Case {
        const char* name;
        double d0, d;              // finger distance at the start and at the move
        int movedLevel, endLevel;  // from level 0
        double movedF, endF;
    } cases[] = {
        {"spread to f = 3.9: two steps in, none back out", 100, 100 * 3.9 * 3.9, -2, -2, 0.975,
         0.975},
        {"closed to a third: two steps out on release", 900, 100, 0, 2, 1 / 3.0, 4 / 3.0},
        {"fingers together: ignored, no division by 0", 0, 0.5, 0, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zoomTo(0);
        view.onPinchBegin(400, 300, c.d0);
        view.onPinchMove(400, 300, c.d);
        EXPECT_EQ(view.zoomLevel(), c.movedLevel);
        EXPECT_NEAR(view.zoomFactor(), c.movedF, 1e-12);
        view.onPinchEnd();
        EXPECT_EQ(view.zoomLevel(), c.endLevel);
        EXPECT_NEAR(view.zoomFactor(), c.endF, 1e-12);
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
        EXPECT_LT(steps, 6000);
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
    const FPoint centre = centreLatLon();
    view.setScreenRect(0, 0, 1000, 500);
    EXPECT_NEAR(centreLatLon().x, centre.x, 1.5 / 2048);
    EXPECT_NEAR(centreLatLon().y, centre.y, 1.5 / 2048);

    // Locked: the position stays at the same fraction of the screen.
    ownPosition(50.4, 10.3);
    view.LockOnToGPS(true);
    EXPECT_EQ(view.centringTarget(), FPoint(500, 250));
    expectOnScreen(50.4, 10.3, 500, 250);
    view.setScreenRect(0, 0, 600, 900);
    EXPECT_EQ(view.centringTarget(), FPoint(300, 450));
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
    ownPosition(50.51, 10.51);
    double sx, sy;
    ASSERT_TRUE(view.LatLongToScreen(50.51, 10.51, sx, sy));
    EXPECT_GT(std::hypot(sx - 300, sy - 450), 30) << "no longer brought back to the boat";
}

TEST_F(ViewTest, GotoBestMapCompletesEveryCallExactlyOnce) {
    makeTestMap(dir.file("a.ktl"), 512);
    useCatalogue(dir.path());
    struct Case {
        const char* name;
        double lat, lon;
        bool ok;
    } cases[] = {
        {"(0, 0) is no place", 0, 0, false},
        {"latitude above 90", 90.5, 10.5, false},
        {"latitude below -90", -91, 10.5, false},
        {"longitude beyond 400", 50.5, 401, false},
        {"latitude not a number", std::nan(""), 10.5, false},
        {"no map there, no free map to fetch", 40, 10.5, false},
        {"the catalogue's map opens", 50.5, 10.5, true},
        {"the map on show", 50.6, 10.6, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        bool result = !c.ok;
        view.GotoBestMap(c.lat, c.lon, 0, [&](bool ok) {
            ++calls;
            result = ok;
        });
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(result, c.ok);
        EXPECT_FALSE(view.isOpening()) << "nothing is coming: the view must not wait forever";
    }
}

TEST_F(ViewTest, AMapThatFailsLeavesItsFileAndFallsBackToTheLastOne) {
    const std::string good = makeTestMap(dir.file("good.ktl"), 512);
    const std::string bad = makeTestMap(dir.file("bad.ktl"), 256);
    const std::string worse = makeTestMap(dir.file("worse.ktl"), 128);
    useCatalogue(dir.path());
    ASSERT_EQ(list->size(), 3);
    for (const std::string& path : {bad, worse}) {  // damaged after the scan
        QFile f(QString::fromStdString(path));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write("XXXX", 4);
    }
    // Nothing to fall back to: the catalogue forgets the map, the file stays.
    EXPECT_FALSE(open(bad));
    EXPECT_EQ(list->size(), 2);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(bad)));
    EXPECT_FALSE(view.hasMap());

    ASSERT_TRUE(open(good));
    EXPECT_FALSE(open(worse));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(worse)));
    ASSERT_TRUE(view.hasMap()) << "the last shown map comes back";
    EXPECT_EQ(view.renderer().map()->path(), good);
}

TEST_F(ViewTest, DemoChartsSwitchByScaleUpToTheOverviewKeepingThePlace) {
    useCatalogue(testsupport::sourceDir() + "/data/demo/charts");
    ownPosition(50.80, -1.11);
    ASSERT_TRUE(view.hasMap());
    EXPECT_NE(view.lastShownPath().find("portsmouth-harbour.ktl"), std::string::npos)
        << "the most detailed chart there opens, at its own scale";
    EXPECT_EQ(view.zoomLevel(), 0);
    std::set<std::string> shown = {view.lastShownPath()};
    for (FPoint centre = centreLatLon(); view.ChangeMapScale(+1) && shown.size() < 8;
         centre = centreLatLon()) {
        ASSERT_TRUE(view.hasMap());
        EXPECT_TRUE(shown.insert(view.lastShownPath()).second) << view.lastShownPath();
        const FPoint now = centreLatLon();
        const double metres = std::hypot((now.x - centre.x) * 70000, (now.y - centre.y) * 111000);
        EXPECT_LT(metres, view.getDisplayedScale() * 1852 * 2) << "within two screen pixels";
    }
    EXPECT_EQ(shown.size(), 3u) << "every chart there, up to the overview and no farther";
}

TEST_F(ViewTest, DrawsTheMapPixelsWhereTheTransformSays) {
    ASSERT_TRUE(open(makeTestMap(dir.file("a.ktl"), 1024)));
    zoomTo(0);
    QImage frame(800, 600, QImage::Format_RGB32);
    for (int pass = 0; pass < 50; ++pass) {  // until every square has come
        QPainter painter(&frame);
        view.onDraw(painter, 0, 0, 800, 600);
        painter.end();
        if (!view.renderer().isLoading()) break;
        view.renderer().WaitUntilIdle(2000);
    }
    // The screen lies inside the map, and the own position is not on it:
    // every pixel is the map's.
    const FPoint origin = view.viewParams().ScreenToImage(0, 0);
    ASSERT_TRUE(origin.x >= 0 && origin.y >= 0 && origin.x + 800 <= 1024 && origin.y + 600 <= 1024);
    QImage expected(800, 600, QImage::Format_RGB32);
    ASSERT_EQ(
        view.renderer().map()->ReadRectRGB(int(origin.x), int(origin.y), 800, 600, 800, 0,
                                           reinterpret_cast<uint32_t*>(expected.bits()), nullptr),
        0);
    EXPECT_TRUE(frame == expected);
}

TEST_F(ViewTest, SavedStateReopensTheSameView) {
    const std::string path = makeTestMap(dir.file("a.ktl"), 1024);
    useCatalogue(dir.path());
    ASSERT_TRUE(open(path));
    zoomTo(-1);
    view.DoScroll(-123, 77);
    const FPoint centre = centreLatLon();
    const double scale = view.getDisplayedScale();
    const std::string file = dir.file("mapview.ovtf").toStdString();
    ASSERT_TRUE(view.WriteFile(file, CKartileView::kStateMagic));

    CKartileView restored;
    restored.setScreenRect(0, 0, 800, 600);
    ASSERT_TRUE(restored.ReadFile(file, CKartileView::kStateMagic));
    ASSERT_TRUE(restored.hasMap());
    double lat, lon;
    ASSERT_TRUE(restored.GetCenterLatLon(lat, lon));
    EXPECT_NEAR(lon, centre.x, 1.5 / 1024);
    EXPECT_NEAR(lat, centre.y, 1.5 / 1024);
    EXPECT_NEAR(restored.getDisplayedScale(), scale, scale * 1e-6);
}

// The view's settings in the types of the documented settings table, so a
// file written in those encodings reads back.
TEST(KartileViewSettings, KeysAreStoredInTheirDocumentedTypes) {
    using T = PersistantData::FieldType;
    const std::map<std::string, T> documented = {
        {"full_screen", T::Bool},         {"change_scale_by_zooming", T::Bool},
        {"show_scale_bar", T::Bool},      {"scale_bar_color", T::Color},
        {"automatic_download", T::Bool},  {"app_name", T::String},
        {"app_icon", T::String},          {"app_website", T::String},
        {"tessarine_hide", T::StringSet}, {"timeOfLastZoomHint", T::Double},
        {"app_default_lat", T::Double},   {"app_default_lon", T::Double}};
    PersistantData* persistor = PersistantData::find_persistor("CKartileView:");
    ASSERT_NE(persistor, nullptr);
    ASSERT_STREQ(persistor->name, "CKartileView");
    std::map<std::string, T> stored;
    for (const PersistantData::Field& f : persistor->DescribeFields())
        stored[f.key.substr(f.key.find(':') + 1)] = f.type;
    EXPECT_EQ(stored, documented);
}

}  // namespace
