// The map's Qt Quick item in a real (offscreen) window: keys, the wheel and
// a mouse drag reach the view as the key table says, and the scale bar
// follows the displayed scale.
#include "mapview/dvikartilewindow.h"

#include <gtest/gtest.h>

#include <QQuickWindow>
#include <QTest>
#include <cmath>

#include "geo/units.h"
#include "maps/kartilemaker.h"
#include "mapview/kartileview.h"
#include "support/testsupport.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QImage image(2048, 2048, QImage::Format_Indexed8);
        QVector<QRgb> table;
        for (int i = 0; i < 128; ++i) table.push_back(qRgb(i * 2, 255 - i, 90));
        image.setColorTable(table);
        for (int y = 0; y < 2048; ++y)
            for (int x = 0; x < 2048; ++x) image.scanLine(y)[x] = uchar((x / 16 + y / 16) % 128);
        CKartileMaker maker;
        maker.setBounds(-1.5, -1.0, 50.6, 50.9, CKartileMaker::Projection::Mercator);
        path = dir.file("m.ktl").toStdString();
        ASSERT_TRUE(maker.make(image, path)) << maker.error();

        window.resize(800, 600);
        item = new CDVI_Kartile_Window(window.contentItem());
        item->setSize(QSizeF(800, 600));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        view = item->view();
        view->onOpen(path, false, {});
        ASSERT_TRUE(view->hasMap());
        while (view->zoomLevel() > 0) view->DoZoom(-1);
        item->forceActiveFocus();
    }
    void settle() {
        for (int i = 0; i < 10 && view->isAnimating(); ++i) view->onTimer();
    }

    testsupport::TempDir dir;
    std::string path;
    QQuickWindow window;
    CDVI_Kartile_Window* item = nullptr;
    CKartileView* view = nullptr;
};

TEST_F(WindowTest, KeysFollowTheKeyTable) {
    const double x0 = view->viewParams().offset_x, y0 = view->viewParams().offset_y;
    QTest::keyClick(&window, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(view->viewParams().offset_x, x0 + 100) << "Right shows what lies east";
    QTest::keyClick(&window, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(view->viewParams().offset_y, y0 - 100);
    QTest::keyClick(&window, Qt::Key_Plus);
    EXPECT_EQ(view->zoomLevel(), -1);
    settle();
    QTest::keyClick(&window, Qt::Key_Minus);
    EXPECT_EQ(view->zoomLevel(), 0);
    settle();
    QTest::keyClick(&window, Qt::Key_Underscore);
    EXPECT_EQ(view->zoomLevel(), 1);
    settle();
    QTest::keyClick(&window, Qt::Key_Equal);
    EXPECT_EQ(view->zoomLevel(), 0);
    settle();
    // "I" with no larger-scale map changes nothing.
    const double x1 = view->viewParams().offset_x;
    QTest::keyClick(&window, Qt::Key_I);
    EXPECT_EQ(view->zoomLevel(), 0);
    EXPECT_EQ(view->viewParams().offset_x, x1);
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
    EXPECT_NEAR(still.x, under.x, 1);
    EXPECT_NEAR(still.y, under.y, 1);
    settle();

    const double x0 = view->viewParams().offset_x;
    QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
    for (int i = 1; i <= 10; ++i) QTest::mouseMove(&window, QPoint(400 + 10 * i, 300));
    QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, QPoint(500, 300));
    // 100 screen pixels at twice the size are 50 image pixels.
    EXPECT_NEAR(x0 - view->viewParams().offset_x, 50, 1);
}

TEST_F(WindowTest, ScaleBarFollowsTheDisplayedScale) {
    ASSERT_NE(CUnits::Default, nullptr);
    item->onChangedScale();
    const int length0 = item->scaleBarLength();
    const QString label0 = item->scaleBarLabel();
    EXPECT_GT(length0, 0);
    EXPECT_LE(length0, 250);
    EXPECT_FALSE(label0.isEmpty());
    // What the bar stands for: length times scale, in the label's units.
    std::string label;
    const int again = CUnits::Default->format_scale(view->getDisplayedScale(), label,
                                                    int(std::min(250.0, 0.4 * 800)));
    EXPECT_EQ(again, length0);
    EXPECT_EQ(label0.toStdString(), label);

    view->DoZoom(2);
    item->onChangedScale();
    EXPECT_TRUE(item->scaleBarLabel() != label0 || item->scaleBarLength() != length0);

    CKartileView::show_scale_bar = false;
    item->onChangedScale();
    EXPECT_EQ(item->scaleBarLength(), 0);
    EXPECT_TRUE(item->scaleBarLabel().isEmpty());
    CKartileView::show_scale_bar = true;
}

}  // namespace

namespace {

TEST_F(WindowTest, TwoFingersSpreadingApartZoomIn) {
    CKartileView::change_scale_by_zooming = false;
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
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.0);
    CKartileView::change_scale_by_zooming = true;
}

TEST_F(WindowTest, AnimationRunsBetweenTicksAtTheDisplaysPace) {
    item->zoomIn();
    ASSERT_TRUE(view->isAnimating());
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 0.75);
    // No heartbeat runs here: only the frames between ticks can bring f back.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !view->isAnimating(); }, 5000));
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.0);
}

}  // namespace
