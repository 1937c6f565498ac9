// A route and a track drawn on the map in an offscreen window: the route's
// line in its colour with an arrow at the middle of each long leg, the track
// in its own colour, and neither anywhere else.
#include <QColor>
#include <QElapsedTimer>
#include <QTest>

#include "mapview/testmap.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"

namespace {

// Colours the test map never uses: its blue never passes 254.
const GraphicsColor kRouteColour(255, 0, 255);
const GraphicsColor kTrackColour(0, 255, 255);

bool isColour(const QColor& c, const GraphicsColor& want) {
    return std::abs(c.red() - want.red()) < 16 && std::abs(c.green() - want.green()) < 16 &&
           std::abs(c.blue() - want.blue()) < 16;
}

class RouteDrawing : public MapWindowTest {
protected:
    void TearDown() override {
        CMarkManager::theManager.LoadRoutes(dir.file("none").toStdString());
        CTrackManager::theManager.ClearAll();
    }
    QPointF screen(double lat, double lon) const {
        double sx = 0, sy = 0;
        EXPECT_TRUE(view->LatLongToScreen(lat, lon, sx, sy));
        return QPointF(sx, sy);
    }
    // The pixel at p once the window shows it in the wanted colour (or not).
    bool shows(const QPointF& p, const GraphicsColor& colour, bool wanted) {
        for (QElapsedTimer t; !t.isValid() || t.elapsed() < kWait;) {
            if (!t.isValid()) t.start();
            item->update();
            const QImage shot = window.grabWindow();
            if (isColour(shot.pixelColor(p.toPoint()), colour) == wanted) return true;
            QTest::qWait(50);
        }
        return false;
    }
};

TEST_F(RouteDrawing, ARouteWithArrowsAndATrack) {
    CMarkManager& marks = CMarkManager::theManager;
    COverlayRoute* route = marks.CreateNewRoute();
    route->color = kRouteColour;
    route->line_width = 4;
    route->AddWaypoint(50.45, 10.35);
    route->AddWaypoint(50.45, 10.6);  // east
    route->AddWaypoint(50.56, 10.6);  // then north
    marks.FinishRouteBuilding();

    CTrackManager& tracks = CTrackManager::theManager;
    auto track = std::make_unique<COverlayTrack>();
    track->color = kTrackColour;
    track->line_width = 3;
    for (int i = 0; i <= 100; ++i) {
        CTrackPoint p;
        p.lat = 50.5;
        p.lon = 10.35 + 0.002 * i;
        p.time = 1717675200.0 + 10 * i;
        track->addPoint(p, false);
    }
    tracks.AddTrack(std::move(track));

    const QPointF a = screen(50.45, 10.35), b = screen(50.45, 10.6), c = screen(50.56, 10.6);
    const QPointF firstMiddle = (a + b) / 2, secondMiddle = (b + c) / 2;
    struct Case {
        const char* name;
        QPointF at;
        GraphicsColor colour;
        bool drawn;
    } cases[] = {
        {"on the first leg", a + (b - a) * 0.25, kRouteColour, true},
        {"on the second leg", b + (c - b) * 0.75, kRouteColour, true},
        // The arrow, pointing the way, stands out of the line at the middle
        // of each leg only: wide at its back, narrow at its tip.
        {"arrow's back beside the first leg", firstMiddle + QPointF(-8, 7), kRouteColour, true},
        {"arrow's tip beside the first leg", firstMiddle + QPointF(8, 7), kRouteColour, false},
        {"arrow's back beside the second leg", secondMiddle + QPointF(7, 8), kRouteColour, true},
        {"beside the first leg away from its arrow", a + (b - a) * 0.25 + QPointF(0, 7),
         kRouteColour, false},
        {"inside the corner", (a + c) / 2, kRouteColour, false},
        {"on the track", screen(50.5, 10.4), kTrackColour, true},
        {"off the track", screen(50.5, 10.4) + QPointF(0, 12), kTrackColour, false},
        {"no track past its end", screen(50.5, 10.58), kTrackColour, false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_TRUE(shows(k.at, k.colour, k.drawn));
    }
}

}  // namespace
