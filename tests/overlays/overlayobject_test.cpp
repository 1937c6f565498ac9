// Drawable overlays: the per-view geometry cache, hit testing, update
// dispatch, and the selection tool's rules.
#include "overlays/overlayobject.h"

#include <gtest/gtest.h>

#include "overlays/overlaytool.h"

using CMapping = COverlayObject::CMapping;

namespace {

struct Pin : COverlayObject {
    Pin() : COverlayObject(kMark, kMarkLayer) {}
    void Map(CMapping&, const CPolynomialProjection&) const override {}
    void Draw(QPainter*, const CViewParams&, CMapping&) const override {}
};

struct Recorder : Listener<COverlayObject>, Listener<OverlaySelectionCleared> {
    std::vector<int> seen;
    int cleared = 0;
    void OnUpdate(COverlayObject& o) override { seen.push_back(o.last_action); }
    void OnUpdate(OverlaySelectionCleared&) override { ++cleared; }
};

struct LabelTool : COverlayTool {
    using COverlayTool::COverlayTool;
    int labels = 0;
    void SetLabel() override { ++labels; }
};

}  // namespace

TEST(Mapping, ScreenPointsAreMadeOnceUntilAPanAndOnlyInView) {
    COverlayObject::CViewParams v;
    v.scale = 2.0;
    v.screen_rect = FRect(0, 0, 800, 600);
    CMapping m;
    m.image_points = {{150, 100}, {120, 300}, {5000, 5000}};
    m.set_bounds();
    ASSERT_TRUE(m.map_to_screen(v));
    EXPECT_EQ(m.screen_points[1], DblPoint(240, 600));
    m.screen_points[1] = DblPoint(-1, -1);
    m.map_to_screen(v);
    EXPECT_EQ(m.screen_points[1], DblPoint(-1, -1));
    m.move_screen();
    v.offset_x = 100;
    m.map_to_screen(v);
    EXPECT_EQ(m.screen_points[1], DblPoint(40, 600));

    m.image_points = {{5000, 5000}};
    m.set_bounds();
    EXPECT_FALSE(m.map_to_screen(v));
    m.hit_kind = CMapping::kAlways;  // unless the object always counts
    EXPECT_TRUE(m.map_to_screen(v));
}

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
        {"on the second segment", line, CMapping::kPolyline, 0, 99, 60, true},
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
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
    {
        Pin doomed;
        new LabelTool(viewA, &doomed);
    }
    // A selected object that went away is never touched again.
    EXPECT_EQ(COverlayTool::the_tool->selected(), nullptr);
    COverlayTool::Deselect();
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
    EXPECT_EQ(recorder.cleared, 2);
}
