// A moving target mapped onto a map: the position, the end of its velocity
// vector and the range-ring point, and what its drawing puts on screen.
#include "overlays/overlaymovingtarget.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "app/base/attributes.h"
#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"
#include "maps/polynomialprojection.h"

namespace {

using CMapping = COverlayObject::CMapping;
using T = COverlayMovingTarget;

struct Target : T {
    Target(double lat, double lon, float course, float knots)
        : T(200, 8, GraphicsColor(255, 0, 0)) {
        latitude = lat;
        longitude = lon;
        grid.SetOrigin(lat, lon);
        set_course(course, knots);
        evaluate_best_direction();
    }
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override {
        DrawVelocityVector(painter, view, mapping);
        DrawRangeRing(painter, view, mapping);
    }
};

class MovingTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A north-up map of 5000 pixels a degree of latitude whose pixels
        // are square on the ground at 50.8° N (about 22 m), centred on -1.2°.
        const double k = 5000, kx = k * std::cos(50.8 * M_PI / 180), lat0 = 50.9;
        const double lon0 = -1.2 - 500 / kx;
        Geo_ref_coeff_t c;  // x and y from (lat, lon), lat and lon from (x, y)
        c.forward[0][0] = -lon0 * kx, c.forward[0][2] = kx, c.forward[1][0] = lat0 * k;
        c.forward[1][1] = -k, c.inverse[0][0] = lat0, c.inverse[0][2] = -1 / k;
        c.inverse[1][0] = lon0, c.inverse[1][1] = 1 / kx;
        projection.init(c, 1000, 1000, 0, 0);
        view.screen_rect = FRect(0, 0, 1000, 1000);
        frame.fill(Qt::white);
    }
    void TearDown() override {
        std::tie(T::show_vector, T::vector_scale, T::range_ring_radius, T::num_range_rings) = saved;
    }
    void draw(const COverlayObject& o, CMapping& m) {
        ASSERT_TRUE(m.map_to_screen(view));
        QPainter painter(&frame);
        o.Draw(&painter, view, m);
    }
    // A one-pixel line lands within a pixel of where it is due.
    bool colourNear(double x, double y, QRgb colour) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (frame.pixel(int(std::lround(x)) + dx, int(std::lround(y)) + dy) == colour)
                    return true;
        return false;
    }

    std::tuple<bool, float, float, int> saved{T::show_vector, T::vector_scale, T::range_ring_radius,
                                              T::num_range_rings};
    CPolynomialProjection projection;
    COverlayObject::CViewParams view;
    QImage frame{1000, 1000, QImage::Format_RGB32};
};

TEST_F(MovingTargetTest, VectorCoversTheMinutesOfTravelAndRingsStopAtTen) {
    T::show_vector = true;
    T::vector_scale = 10;
    T::range_ring_radius = 0.2f;
    T::num_range_rings = 1000;    // set around the setter
    Target t(50.8, -1.2, 90, 6);  // east at 6 knots: one nautical mile in ten minutes
    CMapping m;
    t.Map(m, projection);
    ASSERT_EQ(m.image_points.size(), 3u);
    const FPoint p0 = m.image_points[0], p1 = m.image_points[1], p2 = m.image_points[2];
    const double nmPerPixel = projection.get_scale(p0.x, p0.y);
    EXPECT_NEAR((p1.x - p0.x) * nmPerPixel, 1.0, 0.01);
    EXPECT_NEAR(p1.y, p0.y, 0.5);
    EXPECT_NEAR((p2.x - p0.x) * nmPerPixel, 0.2, 1e-6);
    EXPECT_EQ(p2.y, p0.y);

    draw(t, m);
    const double r = p2.x - p0.x;
    const QRgb red = qRgb(255, 0, 0);
    for (int ring = 1; ring <= 10; ++ring)
        EXPECT_TRUE(colourNear(p0.x, p0.y - ring * r, red)) << "ring " << ring;
    EXPECT_FALSE(colourNear(p0.x, p0.y - 11 * r, red)) << "an eleventh ring";
    EXPECT_FALSE(colourNear(p0.x - 1.5 * r, p0.y, red));
    EXPECT_TRUE(colourNear((p0.x + p1.x) / 2, p0.y, red)) << "the vector's middle";
}

TEST_F(MovingTargetTest, NothingExtraWhenSlowOrSwitchedOffAndNothingWithoutPosition) {
    T::num_range_rings = 0;
    CMapping slow, off, origin, none;
    Target(50.8, -1.2, 90, 0.15f).Map(slow, projection);  // too slow for a vector
    T::show_vector = false;
    Target(50.8, -1.2, 90, 6).Map(off, projection);
    Target(0, 0, 90, 6).Map(origin, projection);  // (0, 0) is no position
    Target(999, -1.2, 90, 6).Map(none, projection);
    for (const CMapping* m : {&slow, &off}) {
        ASSERT_EQ(m->image_points.size(), 3u);
        EXPECT_TRUE(m->image_points[1] == FPoint() && m->image_points[2] == FPoint());
    }
    EXPECT_TRUE(origin.image_points.empty() && none.image_points.empty());
}

TEST_F(MovingTargetTest, RingCountFromTheSettingsFileIsHeldToTen) {
    PersistantData* settings = PersistantData::find_persistor("COverlayGPSPosition:");
    ASSERT_TRUE(settings);
    const std::pair<const char*, int> cases[] = {
        {"0x7fffffff", 10}, {"0xb", 10}, {"0x4", 4}, {"-3", 0}};
    for (const auto& [stored, rings] : cases) {
        CAttributes set;
        set.Set("COverlayGPSPosition:num_range_rings", stored);
        settings->LoadFrom(set);
        EXPECT_EQ(T::num_range_rings, rings) << stored;
    }
}

TEST_F(MovingTargetTest, OwnPositionDrawsItsHeadingTriangle) {
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    own.set_latlon(50.8, -1.2);
    own.set_course(999, 0);
    own.set_heading(90, 1000);
    own.evaluate_best_direction();
    CMapping m;
    own.Map(m, projection);
    draw(own, m);
    const FPoint s = m.screen_points[0];
    // The tip points east (heading 90), 16 pixels out; nothing to the west.
    EXPECT_TRUE(colourNear(s.x + 13, s.y, COverlayGPSPosition::gc_color2.toQColor().rgb()));
    EXPECT_EQ(frame.pixel(int(s.x) - 13, int(s.y)), qRgb(255, 255, 255));
    own.set_heading(999, 1001);
    own.latitude = own.longitude = 999;
}

}  // namespace
