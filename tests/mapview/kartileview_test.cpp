// The map view's arithmetic on a view with no window: zoom levels, the
// scale-ratio rule when maps switch, pinch, fling, screen changes, opening
// and failing maps, the saved state, and the pixels it draws.
#include "mapview/kartileview.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "maps/chartlist.h"
#include "maps/kartile.h"
#include "maps/kartilemaker.h"
#include "overlays/serializable.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

// A chart-like picture: index from a coarse checker so every tile differs.
QImage testImage(int w, int h) {
    QImage image(w, h, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 128; ++i) table.push_back(qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, i * 2));
    image.setColorTable(table);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.scanLine(y)[x] = uchar(((x / 7) * 3 + (y / 5) * 5) % 128);
    return image;
}

std::string makeMap(const QString& path, int side, double west = 10, double east = 11,
                    double south = 50, double north = 51) {
    CKartileMaker maker;
    maker.setBounds(west, east, south, north, CKartileMaker::Projection::Mercator);
    const std::string p = path.toStdString();
    EXPECT_TRUE(maker.make(testImage(side, side), p)) << maker.error();
    return p;
}

QString demoCharts() {
    return testsupport::sourceDir() + "/data/demo/charts";
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = CChartList::the_list;
        savedChange = CKartileView::change_scale_by_zooming;
        view.setScreenRect(0, 0, 800, 600);
        view.clock = [this] { return t; };
    }
    void TearDown() override {
        CChartList::the_list = saved;
        CKartileView::change_scale_by_zooming = savedChange;
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
    static CDataGPSPosition fix(double lat, double lon) {
        CDataGPSPosition p;
        p.latitude = lat;
        p.longitude = lon;
        p.fix_status = 1;
        return p;
    }

    TempDir dir;
    CKartileView view;
    std::unique_ptr<CChartList> list;
    CChartList* saved = nullptr;
    bool savedChange = true;
    double t = 100;
};

TEST_F(ViewTest, ZoomStepsKeepTheFocusPointAndStayWithinTheLevels) {
    ASSERT_TRUE(open(makeMap(dir.file("a.ktl"), 1024)));
    EXPECT_EQ(view.zoomLevel(), view.maxZoom() - 1) << "no saved view: one level above the top";
    zoomTo(0);
    ASSERT_EQ(view.zoomLevel(), 0);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 1.0);

    // The image point under the focus stays under it.
    view.SmoothZoomAtPoint(-1, 200, 150);
    EXPECT_EQ(view.zoomLevel(), -1);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 2.0);
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 0.75);
    const FPoint before = view.viewParams().ScreenToImage(200, 150);
    view.DoZoom(-1);
    const FPoint after = view.viewParams().ScreenToImage(200, 150);
    EXPECT_NEAR(before.x, after.x, 1.0);
    EXPECT_NEAR(before.y, after.y, 1.0);
    EXPECT_EQ(view.zoomLevel(), -2);
    view.DoZoom(-1);
    EXPECT_EQ(view.zoomLevel(), -2) << "-2 is the closest level";
    zoomTo(view.maxZoom());
    view.DoZoom(+1);
    EXPECT_EQ(view.zoomLevel(), 3);
    EXPECT_DOUBLE_EQ(view.viewParams().scale, 0.125);

    // The animation brings the zoom factor back to 1 in steps of 0.25.
    while (view.isAnimating()) view.onTimer();
    view.SmoothZoom(-1);
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 0.75);
    view.onTimer();
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 1.0);
    EXPECT_FALSE(view.isAnimating());
}

TEST_F(ViewTest, SwitchingMapsFollowsTheScaleRatioRule) {
    CKartileView::change_scale_by_zooming = false;
    const std::string target = makeMap(dir.file("target.ktl"), 200);
    // Same area, so the ratio of scales is the ratio of sizes.
    struct Case {
        int side;
        int level;
    } cases[] = {{640, -2}, {400, -1}, {60, 2}, {200, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.side);
        ASSERT_TRUE(open(makeMap(dir.file(QString("from%1.ktl").arg(c.side)), c.side)));
        zoomTo(0);
        const FPoint centre = centreLatLon();
        view.GetCurrentMapView();
        ASSERT_TRUE(open(target));
        EXPECT_EQ(view.zoomLevel(), c.level);
        const FPoint now = centreLatLon();
        // The centre stays within a pixel of the new map at its level.
        const double pixelDegrees = 1.0 / 200 * view.viewParams().scale;
        EXPECT_NEAR(now.x, centre.x, 2 / 200.0);
        EXPECT_NEAR(now.y, centre.y, 2 / 200.0);
        (void)pixelDegrees;
    }
}

TEST_F(ViewTest, PinchStepsInWhileMovingAndSettlesTowardTheFingers) {
    CKartileView::change_scale_by_zooming = false;
    ASSERT_TRUE(open(makeMap(dir.file("a.ktl"), 1024)));
    zoomTo(0);
    view.onPinchBegin(400, 300, 100);
    view.onPinchMove(400, 300, 100 * 3.9 * 3.9);  // f = 3.9
    EXPECT_EQ(view.zoomLevel(), -2);
    EXPECT_NEAR(view.zoomFactor(), 0.975, 1e-12);
    view.onPinchEnd();
    EXPECT_EQ(view.zoomLevel(), -2) << "a zoom-in must not step back out on release";
    EXPECT_NEAR(view.zoomFactor(), 0.975, 1e-12);
    view.onTimer();
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 1.0);

    // Fingers closing to a third: two steps out on release.
    zoomTo(0);
    view.onPinchBegin(400, 300, 900);
    view.onPinchMove(400, 300, 900 / 9.0);  // f = 1/3
    EXPECT_EQ(view.zoomLevel(), 0);
    view.onPinchEnd();
    EXPECT_EQ(view.zoomLevel(), 2);
    EXPECT_NEAR(view.zoomFactor(), 4.0 / 3.0, 1e-12);

    // A pinch whose fingers start together is ignored rather than dividing by 0.
    while (view.isAnimating()) view.onTimer();
    zoomTo(0);
    view.onPinchBegin(400, 300, 0);
    view.onPinchMove(400, 300, 0.5);
    EXPECT_EQ(view.zoomLevel(), 0);
    EXPECT_TRUE(std::isfinite(view.zoomFactor()));
    EXPECT_DOUBLE_EQ(view.zoomFactor(), 1.0);
}

TEST_F(ViewTest, FlingsDecayAlikeInBothDirectionsAndSlowDragsStillPan) {
    ASSERT_TRUE(open(makeMap(dir.file("a.ktl"), 2048)));
    zoomTo(0);
    auto fling = [&](double dx) {
        const double startX = view.viewParams().offset_x;
        view.onSingleTouchDown(400, 300);
        t += 0.1;
        view.onSingleTouchMove(400 + dx, 300);
        EXPECT_NEAR(view.gestures().flingX(), dx, 1e-6);
        view.onSingleTouchUp();
        view.onTimer();
        EXPECT_NEAR(view.gestures().flingX(), 0.9 * dx, 1e-6);
        int ticks = 1;
        while (view.isAnimating() && ticks < 1000) {
            view.onTimer();
            ++ticks;
        }
        EXPECT_LT(ticks, 1000);
        return std::make_pair(startX - view.viewParams().offset_x, ticks);
    };
    const auto right = fling(40);
    // Frames between ticks add up to the same fling as whole ticks.
    {
        const double startX = view.viewParams().offset_x;
        view.onSingleTouchDown(400, 300);
        t += 0.1;
        view.onSingleTouchMove(440, 300);
        view.onSingleTouchUp();
        int frames = 0;
        while (view.isAnimating() && frames < 6000) {
            view.AdvanceAnimation(1.0 / 6);
            ++frames;
        }
        EXPECT_NEAR((startX - view.viewParams().offset_x) / right.first, 1.0, 0.1);
    }
    const auto left = fling(-40);
    EXPECT_EQ(right.second, left.second);
    EXPECT_NEAR(right.first, -left.first, 1.0);
    EXPECT_GT(right.first, 40 + 200) << "the fling carries on after the finger";

    // Magnified four times, a drag of one pixel per event must still add up.
    zoomTo(-2);
    const double x0 = view.viewParams().offset_x;
    view.onSingleTouchDown(400, 300);
    for (int i = 1; i <= 40; ++i) view.onSingleTouchMove(400 + i, 300);
    view.onSingleTouchUp();
    EXPECT_NEAR((x0 - view.viewParams().offset_x) * view.viewParams().scale, 40, 4);
}

TEST_F(ViewTest, ScreenChangesKeepTheCentreOrTheLockedPosition) {
    ASSERT_TRUE(open(makeMap(dir.file("a.ktl"), 2048)));
    zoomTo(0);
    const FPoint centre = centreLatLon();
    view.setScreenRect(0, 0, 1000, 500);
    const FPoint after = centreLatLon();
    EXPECT_NEAR(after.x, centre.x, 1.5 / 2048);
    EXPECT_NEAR(after.y, centre.y, 1.5 / 2048);

    // Locked: the position stays at the same fraction of the screen.
    CDataGPSPosition p = fix(50.4, 10.3);
    view.OnUpdate(p);
    view.LockOnToGPS(true);
    EXPECT_EQ(view.centringTarget(), FPoint(500, 250));
    double sx, sy;
    ASSERT_TRUE(view.LatLongToScreen(50.4, 10.3, sx, sy));
    EXPECT_NEAR(sx, 500, 1);
    EXPECT_NEAR(sy, 250, 1);
    view.setScreenRect(0, 0, 600, 900);
    EXPECT_EQ(view.centringTarget(), FPoint(300, 450));
    ASSERT_TRUE(view.LatLongToScreen(50.4, 10.3, sx, sy));
    EXPECT_NEAR(sx, 300, 1);
    EXPECT_NEAR(sy, 450, 1);
    // Following the position while locked.
    p = fix(50.5, 10.5);
    view.OnUpdate(p);
    ASSERT_TRUE(view.LatLongToScreen(50.5, 10.5, sx, sy));
    EXPECT_NEAR(sx, 300, 1);
    EXPECT_NEAR(sy, 450, 1);
    // A drag stops the following; a tap does not.
    view.onSingleTouchDown(100, 100);
    view.onSingleTouchMove(103, 102);
    view.onSingleTouchUp();
    EXPECT_TRUE(view.isLockedOnToGPS());
    view.onSingleTouchDown(100, 100);
    view.onSingleTouchMove(160, 100);
    view.onSingleTouchUp();
    EXPECT_FALSE(view.isLockedOnToGPS());
    p = fix(50.51, 10.51);
    view.OnUpdate(p);
    ASSERT_TRUE(view.LatLongToScreen(50.51, 10.51, sx, sy));
    EXPECT_GT(std::hypot(sx - 300, sy - 450), 30) << "no longer brought back to the boat";
}

TEST_F(ViewTest, NoMapForThePlaceLetsAMapAddedLaterOpen) {
    useCatalogue(dir.path());
    int calls = 0;
    view.GotoBestMap(0, 0, 0, [&](bool) { ++calls; });
    EXPECT_EQ(calls, 0) << "(0, 0) is no place";

    bool result = true;
    view.GotoBestMap(50.5, 10.5, 0, [&](bool ok) {
        ++calls;
        result = ok;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(result);
    EXPECT_FALSE(view.isOpening()) << "nothing is coming: the view must not wait forever";

    makeMap(dir.file("late.ktl"), 512);
    list->Refresh();
    CDataGPSPosition p = fix(50.5, 10.5);
    view.OnUpdate(p);
    EXPECT_TRUE(view.hasMap());
    EXPECT_EQ(view.lastShownPath(), dir.file("late.ktl").toStdString());
}

TEST_F(ViewTest, AMapThatFailsLeavesItsFileAndFallsBackToTheLastOne) {
    const std::string good = makeMap(dir.file("good.ktl"), 512);
    const std::string bad = makeMap(dir.file("bad.ktl"), 256);
    const std::string worse = makeMap(dir.file("worse.ktl"), 128);
    useCatalogue(dir.path());
    ASSERT_EQ(list->size(), 3);
    // Damaged after the scan: the magic goes.
    for (const std::string& path : {bad, worse}) {
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
    EXPECT_TRUE(view.hasMap()) << "the last shown map comes back";
    EXPECT_EQ(view.renderer().map()->path(), good);
}

TEST_F(ViewTest, DemoChartsSwitchByScaleKeepingPlaceAndScale) {
    useCatalogue(demoCharts());
    ASSERT_EQ(list->size(), 3);
    CDataGPSPosition p = fix(50.80, -1.11);
    view.OnUpdate(p);
    ASSERT_TRUE(view.hasMap());
    // The most detailed chart there opens at its own scale.
    const std::string first = view.lastShownPath();
    EXPECT_NE(first.find("portsmouth-harbour.ktl"), std::string::npos) << first;
    EXPECT_EQ(view.zoomLevel(), 0);

    std::string previous = first;
    for (int step = 0; step < 8; ++step) {
        const FPoint centre = centreLatLon();
        const double scale = view.getDisplayedScale();
        if (!view.ChangeMapScale(+1)) break;
        ASSERT_TRUE(view.hasMap());
        EXPECT_NE(view.lastShownPath(), previous);
        previous = view.lastShownPath();
        const FPoint now = centreLatLon();
        const double metres = std::hypot((now.x - centre.x) * 70000, (now.y - centre.y) * 111000);
        EXPECT_LT(metres, view.getDisplayedScale() * 1852 * 2) << "within two screen pixels";
        const double ratio = view.getDisplayedScale() / scale;
        if (view.zoomLevel() > -2 && view.zoomLevel() < view.maxZoom()) {
            EXPECT_GT(ratio, 1 / 1.5);
            EXPECT_LT(ratio, 1 / 0.75);
        }
    }
    EXPECT_NE(previous, first) << "a smaller-scale chart was found";
    EXPECT_FALSE(view.ChangeMapScale(+1)) << "the overview is the last";
}

TEST_F(ViewTest, DrawsTheMapPixelsWhereTheTransformSays) {
    const std::string path = makeMap(dir.file("a.ktl"), 1024);
    ASSERT_TRUE(open(path));
    zoomTo(0);
    QImage frame(800, 600, QImage::Format_RGB32);
    for (int pass = 0; pass < 50; ++pass) {
        QPainter painter(&frame);
        view.onDraw(painter, 0, 0, 800, 600);
        painter.end();
        if (!view.renderer().isLoading()) break;
        view.renderer().WaitUntilIdle(2000);
    }
    CKartile* map = view.renderer().map();
    const FPoint origin = view.viewParams().ScreenToImage(0, 0);
    std::vector<uint32_t> expected(800 * 600, 0);
    const int x0 = int(origin.x), y0 = int(origin.y);
    ASSERT_EQ(map->ReadRectRGB(x0, y0, 800, 600, 800, 0, expected.data(), nullptr), 0);
    int compared = 0, differ = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            if (x0 + x < 0 || y0 + y < 0 || x0 + x >= 1024 || y0 + y >= 1024) continue;
            ++compared;
            if ((frame.pixel(x, y) & 0xFFFFFF) != (expected[size_t(y) * 800 + x] & 0xFFFFFF))
                ++differ;
        }
    EXPECT_GT(compared, 100000);
    // The own-position symbol is not on this map; every pixel is the map's.
    EXPECT_EQ(differ, 0);
}

TEST_F(ViewTest, SavedStateReopensTheSameView) {
    const std::string path = makeMap(dir.file("a.ktl"), 1024);
    useCatalogue(dir.path());
    ASSERT_TRUE(open(path));
    zoomTo(-1);
    view.DoScroll(-123, 77);
    const FPoint centre = centreLatLon();
    const double scale = view.getDisplayedScale();
    const QString file = dir.file("view.ovtf");
    struct Holder : CSerializable {
        CKartileView* v;
        bool Serialize(IOStream& s) override { return v->Serialize(s); }
    } writer;
    writer.v = &view;
    ASSERT_TRUE(writer.WriteFile(file.toStdString(), 0));

    CKartileView restored;
    restored.setScreenRect(0, 0, 800, 600);
    Holder reader;
    reader.v = &restored;
    ASSERT_TRUE(reader.ReadFile(file.toStdString(), 0));
    ASSERT_TRUE(restored.hasMap());
    double lat, lon;
    ASSERT_TRUE(restored.GetCenterLatLon(lat, lon));
    EXPECT_NEAR(lon, centre.x, 1.5 / 1024);
    EXPECT_NEAR(lat, centre.y, 1.5 / 1024);
    EXPECT_NEAR(restored.getDisplayedScale(), scale, scale * 1e-6);
}

}  // namespace
