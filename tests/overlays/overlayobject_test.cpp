// Drawable overlays: hit testing, update dispatch, the selection tool's
// rules, and a moving target mapped and drawn: its position, the end of its
// velocity vector and its range rings.
#include "overlays/overlaymovingtarget.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>

#include "app/base/attributes.h"
#include "app/base/persistantdata.h"
#include "maps/polynomialprojection.h"
#include "overlays/overlaytool.h"

namespace {

using CMapping = COverlayObject::CMapping;
using T = COverlayMovingTarget;

struct Pin : COverlayObject {
    Pin() : COverlayObject(kMark, kMarkLayer) {}
    void Map(CMapping&, const CPolynomialProjection&) const override {}
    void Draw(QPainter*, const CViewParams&, CMapping&) const override {}
};

struct Recorder : Listener<COverlayObject>, Listener<OverlaySelectionCleared> {
    void OnUpdate(COverlayObject& o) override { seen.push_back(o.last_action); }
    void OnUpdate(OverlaySelectionCleared&) override { ++cleared; }
    std::vector<int> seen;
    int cleared = 0;
};

struct LabelTool : COverlayTool {
    using COverlayTool::COverlayTool;
    int labels = 0;
    void SetLabel() override { ++labels; }
};

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
    // A one-pixel line lands within a pixel of where it is due.
    bool redNear(double x, double y) const {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (frame.pixel(int(std::lround(x)) + dx, int(std::lround(y)) + dy) ==
                    qRgb(255, 0, 0))
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

    ASSERT_TRUE(m.map_to_screen(view));
    QPainter painter(&frame);
    t.Draw(&painter, view, m);
    painter.end();
    const double r = p2.x - p0.x;
    for (int ring = 1; ring <= 10; ++ring)
        EXPECT_TRUE(redNear(p0.x, p0.y - ring * r)) << "ring " << ring;
    EXPECT_FALSE(redNear(p0.x, p0.y - 11 * r)) << "an eleventh ring";
    EXPECT_FALSE(redNear(p0.x - 1.5 * r, p0.y));
    EXPECT_TRUE(redNear((p0.x + p1.x) / 2, p0.y)) << "the vector's middle";
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

}  // namespace

TEST(Mapping, HitTestKinds) {
    const std::vector<DblPoint> points = {{10, 10}, {100, 100}};
    const std::vector<DblPoint> line = {{0, 0}, {100, 0}, {100, 100}}, none;
    const struct {
        const char* what;
        const std::vector<DblPoint>& screen;
        int kind, count;
        float x, y;
        bool hit;
    } cases[] = {
        {"point inside", points, CMapping::kPoints, 1, 12, 10, true},
        {"point at d2 == tolerance", points, CMapping::kPoints, 1, 12, 11, false},
        {"point beyond hit_count", points, CMapping::kPoints, 1, 100, 100, false},
        {"vertex at d2 == tolerance", line, CMapping::kPolyline, 0, 102, 1, true},
        {"on a segment", line, CMapping::kPolyline, 0, 50, 2, true},
        {"beside a segment", line, CMapping::kPolyline, 0, 50, 3, false},
        {"beyond a segment's end", line, CMapping::kPolyline, 0, -3, 0, false},
        {"always", none, CMapping::kAlways, 0, 1e6, 1e6, true},
        {"not hittable", points, CMapping::kNotHittable, 2, 10, 10, false},
    };
    for (const auto& c : cases) {
        CMapping m;
        m.screen_points = c.screen;
        m.hit_kind = c.kind;
        m.hit_count = c.count;
        EXPECT_EQ(m.HitTest_mapped(c.x, c.y, 5), c.hit) << c.what;
    }
}

TEST(OverlayDispatch, ActionsReachListenersAndStopAfterRemoval) {
    Recorder recorder;
    auto pin = std::make_unique<Pin>();
    EXPECT_EQ(pin->draw_order, 6u << 28);
    pin->Dispatch(COverlayObject::kChanged);
    pin->Dispatch(COverlayObject::kDisplayChanged);
    pin->Dispatch(COverlayObject::kRemoved);
    pin->Dispatch(COverlayObject::kChanged);  // ignored: already removed
    pin.reset();                              // no second removal
    { Pin scoped; }                           // destroyed without one: it announces it
    EXPECT_EQ(recorder.seen, (std::vector<int>{1, 2, 3, 3}));
}

TEST(OverlayTool, OneSelectionAtATime) {
    auto* viewA = reinterpret_cast<CKartileView*>(0x1000);
    Recorder recorder;
    Pin first, second;
    auto* tool = new LabelTool(viewA, &first);
    first.Dispatch(COverlayObject::kChanged);  // the selected object: new label
    second.Dispatch(COverlayObject::kChanged);
    EXPECT_EQ(tool->labels, 1);
    auto* next = new LabelTool(viewA, &second);  // replaces the first tool
    EXPECT_TRUE(COverlayTool::isSelected(&second) && !COverlayTool::isSelected(&first));
    COverlayTool::UsingView(viewA);
    EXPECT_EQ(COverlayTool::the_tool, next);
    COverlayTool::UsingView(reinterpret_cast<CKartileView*>(0x2000));  // another view takes over
    EXPECT_FALSE(COverlayTool::the_tool);
    {
        Pin doomed;
        new LabelTool(viewA, &doomed);
    }
    // A selected object that went away is never touched again.
    EXPECT_EQ(COverlayTool::the_tool->selected(), nullptr);
    COverlayTool::Deselect();
    EXPECT_EQ(std::pair(COverlayTool::the_tool, recorder.cleared),
              std::pair((COverlayTool*)nullptr, 2));
}
