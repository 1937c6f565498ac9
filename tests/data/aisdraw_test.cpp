// Targets on the map in an offscreen window: each in its colour where it is,
// a tap shows its details, and one that expires leaves the picture.
#include <QElapsedTimer>
#include <QTest>

#include "aistestsupport.h"
#include "mapview/testmap.h"

using namespace aistest;

namespace {

constexpr double kLat = 50.5, kLon = 10.5;  // the test map's middle

bool isColour(const QColor& c, QRgb want) {
    return std::abs(c.red() - qRed(want)) < 24 && std::abs(c.green() - qGreen(want)) < 24 &&
           std::abs(c.blue() - qBlue(want)) < 24;
}

class AisDrawing : public MapWindowTest {
protected:
    void SetUp() override {
        reset();
        MapWindowTest::SetUp();
        view->GotoLocation(kLat, kLon, true);
    }
    void TearDown() override { reset(); }

    // A point 5 px from the target's position toward its bow (north-up map).
    QPoint inside(uint32_t mmsi) const {
        const CAISTarget* t = target(mmsi);
        double sx = 0, sy = 0;
        EXPECT_TRUE(view->LatLongToScreen(t->latitude, t->longitude, sx, sy));
        return QPoint(int(std::lround(sx + 5 * t->heading_sin)),
                      int(std::lround(sy - 5 * t->heading_cos)));
    }
    // The window shows colour at p (or stops showing it) within the deadline.
    bool shows(const QPoint& p, QRgb colour, bool wanted) {
        for (QElapsedTimer t; !t.isValid() || t.elapsed() < kWait;) {
            if (!t.isValid()) t.start();
            item->update();
            const QImage shot = window.grabWindow();
            if (isColour(shot.pixelColor(p), colour) == wanted) return true;
            QTest::qWait(50);
        }
        return false;
    }
};

TEST_F(AisDrawing, TargetsInTheirColoursAndTapsShowDetails) {
    const double t0 = 1.8e9;
    clockAt(t0);
    ownVessel(0, 5, kLat - 0.01, kLon);
    send(AisEncoder::staticData(vessel(235000901, "RED JET", 60)));
    send(AisEncoder::classA(at(235000901, 0, 1000, 180, 25, kLat, kLon)));  // at the own vessel
    AisPositionReport anchor = at(235000902, -2500, 300, 0, 0, kLat, kLon);
    anchor.nav_status = 1;
    send(AisEncoder::classA(anchor));
    send(AisEncoder::classB(at(235000903, 2500, 300, 90, 5, kLat, kLon)));
    ASSERT_TRUE(target(235000901)->alarm);

    const struct {
        const char* name;
        uint32_t mmsi;
        QRgb colour;
    } cases[] = {{"collision course, red", 235000901, 0xFFFF0000},
                 {"at anchor, grey", 235000902, 0xFF808080},
                 {"class B, green", 235000903, 0xFF64C864}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(shows(inside(c.mmsi), c.colour, true));
    }

    // A tap on the ferry through the view.
    double sx = 0, sy = 0;
    ASSERT_TRUE(
        view->LatLongToScreen(target(235000901)->latitude, target(235000901)->longitude, sx, sy));
    EXPECT_TRUE(view->onTap(sx, sy, view->touchPrecision2));
    EXPECT_EQ(CAISTarget::selected_target, target(235000901));
    EXPECT_EQ(GetStatusMessage(), target(235000901)->details);

    // Silent for seven minutes: white; for ten: gone from the picture.
    const QPoint anchored = inside(235000902);
    clockAt(t0 + 420);
    expiryCheck();
    EXPECT_TRUE(shows(anchored, 0xFFFFFFFF, true));
    clockAt(t0 + 700);
    expiryCheck();
    EXPECT_EQ(target(235000902), nullptr);
    EXPECT_TRUE(shows(anchored, 0xFFFFFFFF, false));
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
}

}  // namespace
