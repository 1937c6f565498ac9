// A long track seen whole is drawn from one picture per view scale: its
// points are where the line is, before and after a pan; a new colour shows
// at once; close in, the sections draw themselves again.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "mapview/kartileview.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackoverview.h"

namespace {

constexpr int kW = 1000, kH = 700;

class TrackOverview : public ::testing::Test {
protected:
    void SetUp() override {
        view.setScreenRect(0, 0, kW, kH);
        view.onOpen(std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl", false, {});
        ASSERT_TRUE(view.hasMap());
        for (int i = 0; i < 30; ++i) view.DoZoom(+1);
        // A zigzag over the middle of the screen, 60 sections long.
        double north = 0, west = 0, south = 0, east = 0;
        view.ScreenTolatlong(kW * 0.2, kH * 0.2, north, west);
        view.ScreenTolatlong(kW * 0.8, kH * 0.8, south, east);
        track.name = "Zigzag";
        track.color = GraphicsColor(255, 0, 255);
        const int n = 60 * 63 + 1;
        for (int i = 0; i < n; ++i) {
            CTrackPoint p;
            const double f = double(i) / (n - 1);
            p.lon = west + (east - west) * f;
            p.lat = south + (north - south) * std::abs(std::fmod(f * 12, 2.0) - 1);
            p.time = 1e9 + i;
            track.addPoint(p, false);
        }
        ASSERT_GE(track.sections.size(), CTrackOverview::kMinSections);
        track.Dispatch(COverlayObject::kChanged);  // into the view
    }
    void TearDown() override { track.ClearData(); }

    void draw() {
        for (int i = 0; i < 1000; ++i) {
            screen.fill(Qt::white);
            QPainter painter(&screen);
            view.onDraw(painter, 0, 0, kW, kH);
            painter.end();
            if (!view.renderer().isLoading()) return;
            view.renderer().WaitUntilIdle(1000);
        }
    }
    // Points on screen with a pixel of the colour within two pixels, and
    // the points on screen.
    std::pair<int, int> pointsDrawn(QColor colour) const {
        int on = 0, drawn = 0;
        for (const auto& s : track.sections)
            for (int i = 0; i < s->count; ++i) {
                double sx = 0, sy = 0;
                view.LatLongToScreen(s->points[i].lat, s->points[i].lon, sx, sy);
                const int x = int(std::lround(sx)), y = int(std::lround(sy));
                if (x < 2 || y < 2 || x >= kW - 2 || y >= kH - 2) continue;
                ++on;
                bool found = false;
                for (int dy = -2; dy <= 2 && !found; ++dy)
                    for (int dx = -2; dx <= 2 && !found; ++dx)
                        found = screen.pixelColor(x + dx, y + dy) == colour;
                drawn += found;
            }
        return {on, drawn};
    }

    CKartileView view;
    COverlayTrack track;
    QImage screen{kW, kH, QImage::Format_RGB32};
};

TEST_F(TrackOverview, TheLineIsWhereItsPointsAreAtAnyPlaceAndColour) {
    struct Step {
        const char* name;
        std::function<void()> act;
        QColor colour;
        bool picture;
    };
    const Step steps[] = {
        {"seen whole", [] {}, QColor(255, 0, 255), true},
        {"panned", [this] { view.DoScroll(-37, 23); }, QColor(255, 0, 255), true},
        {"a new colour",
         [this] {
             track.color = GraphicsColor(0, 200, 0);
             track.Dispatch(COverlayObject::kDisplayChanged);
         },
         QColor(0, 200, 0), true},
        {"close in",
         [this] {
             const CTrackPoint& p = track.sections[20]->points[10];
             for (int i = 0; i < 30; ++i) view.DoZoom(-1);
             view.GotoLocation(p.lat, p.lon, false);
         },
         QColor(0, 200, 0), false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        draw();
        const auto [on, drawn] = pointsDrawn(step.colour);
        EXPECT_GT(on, 2);
        EXPECT_GE(drawn, on * 98 / 100);
        EXPECT_EQ(track.overview().hasPicture(), step.picture);
        if (step.colour != QColor(255, 0, 255)) {
            EXPECT_EQ(pointsDrawn(QColor(255, 0, 255)).second, 0);  // the old colour went
        }
    }
}

// While recording, each fix adds a point: the picture grows by the new
// piece of line and shows what a picture made afresh shows.
TEST_F(TrackOverview, PointsAddedWhileRecordingShowAsInAFreshPicture) {
    draw();
    ASSERT_TRUE(track.overview().hasPicture());
    // Back from the zigzag's end over its middle, inside its picture.
    const CTrackSection& end = *track.sections.back();
    CTrackPoint p = end.points[end.count - 1];
    const CTrackPoint& start = track.sections.front()->points[0];
    const double dLat = (start.lat - p.lat) / 300, dLon = (start.lon - p.lon) / 100;
    for (int i = 0; i < 80; ++i) {
        p.lat += dLat, p.lon += dLon, p.time += 1;
        track.addPoint(p, true);
        draw();
        ASSERT_TRUE(track.overview().hasPicture());
    }
    const QImage grown = screen.copy();
    // A picture made afresh: another width, then the same again.
    for (int w : {1, -1}) {
        track.line_width += float(w);
        track.Dispatch(COverlayObject::kDisplayChanged);
        draw();
    }
    int differ = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) differ += screen.pixel(x, y) != grown.pixel(x, y);
    // Where the pieces join, a point may be kept in one and skipped in the
    // other; 80 points left out would differ in hundreds of pixels.
    EXPECT_LE(differ, 8);
}

}  // namespace
