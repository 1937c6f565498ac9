// A moving target mapped onto a map: the position, the end of its velocity
// vector and the range-ring point, and what its drawing puts on screen.
#include "overlays/overlaymovingtarget.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "data/overlaygpsposition.h"
#include "maps/kartile.h"
#include "maps/kartilemaker.h"
#include "maps/polynomialprojection.h"
#include "support/testsupport.h"

namespace {

class Target : public COverlayMovingTarget {
public:
    Target() : COverlayMovingTarget(200, 8, GraphicsColor(255, 0, 0)) {}
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override {
        DrawVelocityVector(painter, view, mapping);
        DrawRangeRing(painter, view, mapping);
    }
    void place(double lat, double lon, float course, float knots) {
        latitude = lat;
        longitude = lon;
        grid.SetOrigin(lat, lon);
        set_course(course, knots);
        evaluate_best_direction();
    }
};

class MovingTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = {COverlayMovingTarget::show_vector, COverlayMovingTarget::vector_scale,
                 COverlayMovingTarget::range_ring_radius, COverlayMovingTarget::num_range_rings};
        QImage image(1000, 1000, QImage::Format_Indexed8);
        image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        image.fill(0);
        CKartileMaker maker;
        // A Mercator map of 0.2° of latitude at 50.8° N, as wide as it is
        // high on the ground (square pixels): about 22 m a pixel.
        const double halfWidth = 0.1 / std::cos(50.8 * M_PI / 180);
        maker.setBounds(-1.2 - halfWidth, -1.2 + halfWidth, 50.7, 50.9,
                        CKartileMaker::Projection::Mercator);
        ASSERT_TRUE(maker.make(image, dir.file("m.ktl").toStdString())) << maker.error();
        bool ok = false;
        map = CKartile::Create(nullptr, dir.file("m.ktl").toStdString(),
                               [&](CKartile*, bool o) { ok = o; });
        ASSERT_TRUE(map && ok);
        projection.init(map->georef(), map->width(), map->height(), 0, 0);
    }
    void TearDown() override {
        if (map) map->Destroy();
        COverlayMovingTarget::show_vector = saved.show;
        COverlayMovingTarget::vector_scale = saved.scale;
        COverlayMovingTarget::range_ring_radius = saved.radius;
        COverlayMovingTarget::num_range_rings = saved.rings;
    }
    struct {
        bool show;
        float scale;
        float radius;
        int rings;
    } saved;
    testsupport::TempDir dir;
    CKartile* map = nullptr;
    CPolynomialProjection projection;
};

TEST_F(MovingTargetTest, VectorCoversTheMinutesOfTravelAndRingsTheRadius) {
    COverlayMovingTarget::show_vector = true;
    COverlayMovingTarget::vector_scale = 10;
    COverlayMovingTarget::num_range_rings = 2;
    COverlayMovingTarget::range_ring_radius = 0.25f;
    Target t;
    t.place(50.8, -1.2, 90, 6);  // east at 6 knots: one nautical mile in ten minutes
    COverlayObject::CMapping m;
    t.Map(m, projection);
    ASSERT_EQ(m.image_points.size(), 3u);
    const FPoint p0 = m.image_points[0], p1 = m.image_points[1], p2 = m.image_points[2];
    const double nmPerPixel = projection.get_scale(p0.x, p0.y);
    EXPECT_NEAR((p1.x - p0.x) * nmPerPixel, 1.0, 0.01);
    EXPECT_NEAR(p1.y, p0.y, 0.5);
    EXPECT_NEAR((p2.x - p0.x) * nmPerPixel, 0.25, 1e-6);
    EXPECT_EQ(p2.y, p0.y);
    EXPECT_FLOAT_EQ(m.north_cos, 1.0f);
    EXPECT_NEAR(m.north_sin, 0.0f, 1e-4);

    // Drawn: the ring of radius r and 2r around the position, in red.
    QImage frame(1000, 1000, QImage::Format_RGB32);
    frame.fill(Qt::white);
    COverlayObject::CViewParams view;
    view.screen_rect = FRect(0, 0, 1000, 1000);
    ASSERT_TRUE(m.map_to_screen(view));
    QPainter painter(&frame);
    t.Draw(&painter, view, m);
    painter.end();
    const double r = p2.x - p0.x;
    // A one-pixel line lands within a pixel of where it is due.
    auto redNear = [&](double x, double y) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (frame.pixel(int(std::lround(x)) + dx, int(std::lround(y)) + dy) ==
                    qRgb(255, 0, 0))
                    return true;
        return false;
    };
    EXPECT_TRUE(redNear(p0.x, p0.y - 2 * r));
    EXPECT_TRUE(redNear(p0.x, p0.y + r));
    EXPECT_TRUE(redNear(p0.x - 2 * r, p0.y));
    EXPECT_FALSE(redNear(p0.x - 1.5 * r, p0.y));
    EXPECT_FALSE(redNear(p0.x, p0.y - 2.5 * r));
    EXPECT_TRUE(redNear((p0.x + p1.x) / 2, p0.y)) << "the vector's middle";
}

TEST_F(MovingTargetTest, NothingExtraWhenSlowOrSwitchedOffAndNothingAtAll) {
    COverlayMovingTarget::num_range_rings = 0;
    Target t;
    COverlayObject::CMapping m;
    t.place(50.8, -1.2, 90, 0.15f);  // too slow for a vector
    t.Map(m, projection);
    ASSERT_EQ(m.image_points.size(), 3u);
    EXPECT_EQ(m.image_points[1], FPoint(0, 0));
    EXPECT_EQ(m.image_points[2], FPoint(0, 0));

    COverlayMovingTarget::show_vector = false;
    t.place(50.8, -1.2, 90, 6);
    t.Map(m, projection);
    EXPECT_EQ(m.image_points[1], FPoint(0, 0));

    t.place(0, 0, 90, 6);  // (0, 0) is no position
    t.Map(m, projection);
    EXPECT_TRUE(m.image_points.empty());
    t.latitude = 999;
    t.Map(m, projection);
    EXPECT_TRUE(m.image_points.empty());
}

TEST_F(MovingTargetTest, OwnPositionDrawsItsHeadingTriangleTurnedWithTheFix) {
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    const auto keepLat = own.latitude, keepLon = own.longitude;
    own.set_latlon(50.8, -1.2);
    own.set_course(999, 0);
    own.set_heading(90, 1000);
    own.evaluate_best_direction();
    ASSERT_EQ(own.best_source, CDataSpeedDirection::kHeading);
    COverlayObject::CMapping m;
    own.Map(m, projection);
    ASSERT_FALSE(m.image_points.empty());
    COverlayObject::CViewParams view;
    view.screen_rect = FRect(0, 0, 1000, 1000);
    ASSERT_TRUE(m.map_to_screen(view));
    QImage frame(1000, 1000, QImage::Format_RGB32);
    frame.fill(Qt::white);
    QPainter painter(&frame);
    own.Draw(&painter, view, m);
    painter.end();
    const FPoint s = m.screen_points[0];
    const QColor colour = COverlayGPSPosition::gc_color2.toQColor();
    // The tip points east (heading 90), 16 pixels out; nothing to the west.
    EXPECT_EQ(QColor(frame.pixel(int(s.x) + 13, int(s.y))), colour);
    EXPECT_EQ(frame.pixel(int(s.x) - 13, int(s.y)), qRgb(255, 255, 255));
    own.set_heading(999, 1001);
    own.latitude = keepLat;
    own.longitude = keepLon;
}

}  // namespace
