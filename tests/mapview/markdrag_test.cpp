// Marks on the map in a real (offscreen) window: made from the keyboard and
// the buttons, selected by a click, dragged by the mouse and by the tool's
// handle, refused when locked, and never moved by panning the map.
#include <gtest/gtest.h>

#include <QQuickWindow>
#include <QTest>
#include <cmath>

#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "mapview/testmap.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytool.h"
#include "support/testsupport.h"

namespace {

class MarkOnMap : public MapWindowTest {
protected:
    void SetUp() override {
        manager.ClearAll();
        MapWindowTest::SetUp();
    }
    void TearDown() override {
        COverlayTool::Deselect();
        manager.ClearAll();
    }
    QPointF screenOf(const COverlayMark& mark) const {
        double sx = 0, sy = 0;
        view->LatLongToScreen(mark.lat, mark.lon, sx, sy);
        return QPointF(sx, sy);  // device pixels are item pixels offscreen
    }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(&window, Qt::LeftButton, Qt::NoModifier, from);
        for (int i = 1; i <= 5; ++i) QTest::mouseMove(&window, from + (to - from) * i / 5);
        QTest::mouseRelease(&window, Qt::LeftButton, Qt::NoModifier, to);
    }

    CMarkManager& manager = CMarkManager::theManager;
};

TEST_F(MarkOnMap, AMarkMadeAtTheCentreIsSelectedAndDraggedWhereTheMouseGoes) {
    QTest::keyClick(&window, Qt::Key_M);
    ASSERT_EQ(manager.marks.size(), 1u);
    COverlayMark& mark = *manager.marks[0];
    EXPECT_EQ(mark.name, "P1");
    EXPECT_TRUE(COverlayTool::isSelected(&mark));
    EXPECT_TRUE(item->toolShown());
    EXPECT_EQ(item->toolLabel().toStdString(), "P1");
    const QPoint at = screenOf(mark).toPoint();
    EXPECT_NEAR(at.x(), 400, 1);

    drag(at, at + QPoint(120, -80));
    const QPointF moved = screenOf(mark);
    EXPECT_NEAR(moved.x(), at.x() + 120, 1.5);
    EXPECT_NEAR(moved.y(), at.y() - 80, 1.5);
    EXPECT_TRUE(manager.marks_changed || !manager.SaveIfNeeded());

    // Dragging the map elsewhere moves the map, not the mark.
    const double lat = mark.lat, lon = mark.lon;
    drag(QPoint(100, 500), QPoint(300, 450));
    EXPECT_EQ(mark.lat, lat);
    EXPECT_EQ(mark.lon, lon);
    EXPECT_NEAR(screenOf(mark).x(), moved.x() + 200, 1.5);
    EXPECT_NEAR(item->toolPoint().x(), screenOf(mark).x(), 1.5);
}

TEST_F(MarkOnMap, TheHandleDragsUnlessLockedAndAClickElsewhereDeselects) {
    ASSERT_TRUE(item->addMark());
    COverlayMark& mark = *manager.marks[0];
    const QPointF start = screenOf(mark);
    item->toolDrag(30, 40);
    EXPECT_NEAR(screenOf(mark).x(), start.x() + 30, 1.5);
    EXPECT_NEAR(screenOf(mark).y(), start.y() + 40, 1.5);

    mark.setLocked(true);
    const double lat = mark.lat;
    item->toolDrag(50, 50);
    drag(screenOf(mark).toPoint(), screenOf(mark).toPoint() + QPoint(60, 0));
    EXPECT_EQ(mark.lat, lat);
    EXPECT_TRUE(item->toolLocked());

    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(700, 550));
    EXPECT_FALSE(item->toolShown());
    // A click on the mark selects it again.
    QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, screenOf(mark).toPoint());
    EXPECT_TRUE(COverlayTool::isSelected(&mark));
}

TEST_F(MarkOnMap, MiddleButtonMakesAMarkWhereClickedAndDeleteAsksFirst) {
    QTest::mouseClick(&window, Qt::MiddleButton, Qt::NoModifier, QPoint(250, 200));
    ASSERT_EQ(manager.marks.size(), 1u);
    COverlayMark& mark = *manager.marks[0];
    EXPECT_NEAR(screenOf(mark).x(), 250, 1);
    EXPECT_NEAR(screenOf(mark).y(), 200, 1);
    // Without a shell the question is answered with its first button, "Yes".
    QTest::keyClick(&window, Qt::Key_Delete);
    EXPECT_TRUE(mark.deleted);
    EXPECT_FALSE(item->toolShown());
}

// Marks loaded at start-up, before any map was on show, are on the map.
TEST_F(MarkOnMap, AViewMadeLaterShowsTheMarksThatAreThere) {
    ASSERT_TRUE(item->addMark());
    CKartileView later;
    EXPECT_EQ(later.overlayCount(), view->overlayCount());
}

}  // namespace
