// The map's Qt Quick item in a real (offscreen) window: keys, the wheel,
// a mouse drag and two fingers reach the view as the input tables say, the
// animation runs to its end between heartbeat ticks, the scale bar follows
// the scale, the cursor's position carries the ground height, and a place
// highlighted from outside is ringed.
#include "mapview/dvikartilewindow.h"
#include "geo/units.h"

#include <gtest/gtest.h>

#include <QQuickWindow>
#include <QTest>
#include <cmath>
#include <tuple>

#include "data/overlaygpsposition.h"
#include "mapview/globallatlonghighlight.h"
#include "mapview/kartileview.h"
#include "mapview/testmap.h"
#include "support/testsupport.h"

namespace {

class WindowTest : public MapWindowTest {
protected:
    // No heartbeat runs here: only the window's frames between ticks can
    // bring an animation to its end.
    void settle() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view->isAnimating(); }, kWait));
    }
};

TEST_F(WindowTest, KeysFollowTheKeyTable) {
    // The key, the image pixels the map moves by at level 0, the change of level.
    const std::tuple<Qt::Key, double, double, int> cases[] = {
        {Qt::Key_Right, 100, 0, 0},     {Qt::Key_Up, 0, -100, 0},
        {Qt::Key_Left, -100, 0, 0},     {Qt::Key_Down, 0, 100, 0},
        {Qt::Key_Plus, 0, 0, -1},       {Qt::Key_Minus, 0, 0, +1},
        {Qt::Key_Underscore, 0, 0, +1}, {Qt::Key_Equal, 0, 0, -1},
        {Qt::Key_I, 0, 0, 0},  // no larger-scale map: nothing changes
    };
    for (const auto& [key, dx, dy, dz] : cases) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        settle();
        const COverlayObject::CViewParams before = view->viewParams();
        QTest::keyClick(&window, key);
        EXPECT_EQ(view->zoomLevel(), before.zoom_mode + dz);
        if (dz != 0) {  // the picture starts from the old size, f 0.75 or 1.5 of the level
            EXPECT_DOUBLE_EQ(view->zoomFactor(), dz < 0 ? 0.75 : 1.5);
            continue;
        }
        EXPECT_EQ(std::make_pair(view->viewParams().offset_x, view->viewParams().offset_y),
                  std::make_pair(before.offset_x + dx, before.offset_y + dy));
    }
    QTest::keyClick(&window, Qt::Key_G);
    EXPECT_TRUE(item->gpsLockedOn());
}

TEST_F(WindowTest, WheelZoomsAboutTheCursorAndDragPans) {
    const QPoint at(200, 150);
    const FPoint under = view->viewParams().ScreenToImage(at.x(), at.y());
    QWheelEvent wheel(QPointF(at), window.mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&window, &wheel);
    EXPECT_EQ(view->zoomLevel(), -1) << "turning the wheel away zooms in";
    const FPoint still = view->viewParams().ScreenToImage(at.x(), at.y());
    EXPECT_LT(std::hypot(still.x - under.x, still.y - under.y), 1);
    settle();

    const double x0 = view->viewParams().offset_x;
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    for (int i = 1; i <= 10; ++i) QTest::mouseMove(&window, QPoint(400 + 10 * i, 300));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(500, 300));
    // 100 screen pixels at twice the size are 50 image pixels.
    EXPECT_NEAR(x0 - view->viewParams().offset_x, 50, 1);
}

TEST_F(WindowTest, TwoFingersSpreadingApartZoomIn) {
    std::unique_ptr<QPointingDevice> screen(QTest::createTouchDevice());
    QTest::touchEvent(&window, screen.get()).press(0, QPoint(350, 300)).press(1, QPoint(450, 300));
    // From 100 to 250 pixels apart: f = sqrt(2.5) = 1.58, within the level.
    for (int d = 110; d <= 250; d += 20)
        QTest::touchEvent(&window, screen.get())
            .move(0, QPoint(400 - d / 2, 300))
            .move(1, QPoint(400 + d / 2, 300));
    QTest::touchEvent(&window, screen.get())
        .release(0, QPoint(275, 300))
        .release(1, QPoint(525, 300));
    EXPECT_EQ(view->zoomLevel(), -1) << "a spread past 1.01 settles one level in";
    settle();
}

TEST_F(WindowTest, ScaleBarFollowsTheDisplayedScaleAndGoesWhenOff) {
    item->onChangedScale();
    const int length = item->scaleBarLength();
    const QString label = item->scaleBarLabel();
    EXPECT_TRUE(length > 0 && length <= 250 && !label.isEmpty()) << length;
    view->DoZoom(2);
    item->onChangedScale();
    EXPECT_TRUE(item->scaleBarLabel() != label || item->scaleBarLength() != length);
    // Other units from the menu: the bar says so at once, not at the next zoom.
    const QString before = item->scaleBarLabel();
    const bool metric = CUnits::Default->DoMenuAction("Units:Metric");
    const QString shown = item->scaleBarLabel();
    CUnits::Default->DoMenuAction("Units:Nautical");
    EXPECT_TRUE(metric && shown != before && shown.contains("m")) << shown.toStdString();

    CKartileView::show_scale_bar = false;
    item->onChangedScale();
    CKartileView::show_scale_bar = true;
    EXPECT_TRUE(item->scaleBarLength() == 0 && item->scaleBarLabel().isEmpty());
}

TEST_F(WindowTest, CursorPositionCarriesTheGroundHeightWhileTerrainIsOn) {
    struct Flat : CDataAltitude::TerrainSource {
        void Open() override {}
        void Close() override {}
        double AltitudeAt(double, double) override { return 12.5; }
    } flat;
    CDataAltitude::TerrainSource* builtIn = CDataAltitude::GetTerrainSource();
    CDataAltitude::SetTerrainSource(&flat);
    CDataAltitude& altitude = COverlayGPSPosition::theLatestPosition;
    const CDataAltitude::mode_e mode = altitude.mode;
    std::string height;  // in the user's altitude unit
    CUnits::Default->FormatDepth(12.5f, height);
    for (auto [m, ground] :
         {std::pair(CDataAltitude::kGPS, false), {CDataAltitude::kTerrain, true}}) {
        altitude.mode = m;
        QTest::mouseMove(&window, QPoint(400, 300 + int(ground)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !item->cursorPosition().isEmpty(); }, kWait));
        EXPECT_EQ(item->cursorPosition().contains(QString::fromStdString("Ground " + height)),
                  ground)
            << item->cursorPosition().toStdString();
    }
    altitude.mode = mode;
    CDataAltitude::SetTerrainSource(builtIn);
}

TEST_F(WindowTest, AHighlightedPlaceIsRingedUntilCleared) {
    double lat, lon;
    ASSERT_TRUE(view->ScreenTolatlong(400, 300, lat, lon));
    const auto ringed = [&] {
        const QImage shot = window.grabWindow();
        const QColor c = shot.pixelColor(400 + 11, 300);  // on the ring's right
        return c.red() > 180 && c.green() < 90;
    };
    CGlobalLatLongHighlight::Show(lat, lon);
    item->OnHeartbeat();
    EXPECT_TRUE(QTest::qWaitFor(ringed, kWait));
    CGlobalLatLongHighlight::Clear();
    item->OnHeartbeat();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ringed(); }, kWait));
}

}  // namespace

namespace {

// A file given while no map is on show (a second start on a page of values)
// waits for the next map item instead of being dropped.
TEST(MainView, ActionsWaitForTheNextMapItemWhenNoneIsOnShow) {
    ASSERT_EQ(CDVI_Kartile_Window::mainWindow(), nullptr);
    CKartileView* seen = nullptr;
    CDVI_Kartile_Window::withMainView([&](CKartileView& v) { seen = &v; });
    EXPECT_EQ(seen, nullptr);
    QQuickWindow window;
    CKartileView pageView;
    auto* item = new CDVI_Kartile_Window(window.contentItem());
    EXPECT_EQ(seen, nullptr) << "not the window's own view, which the page replaces";
    item->setView(&pageView);
    EXPECT_EQ(seen, &pageView);
    seen = nullptr;
    CDVI_Kartile_Window::withMainView([&](CKartileView& v) { seen = &v; });
    EXPECT_EQ(seen, &pageView) << "with a map on show the action runs at once";
    item->setView(nullptr);
    delete item;
}

}  // namespace
