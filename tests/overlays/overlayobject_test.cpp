// Drawable overlays: the view transform, the per-view geometry cache, hit
// testing, update dispatch, and the selection tool's rules.
#include "overlays/overlayobject.h"

#include <gtest/gtest.h>

#include "overlays/overlaytool.h"

using CViewParams = COverlayObject::CViewParams;
using CMapping = COverlayObject::CMapping;

namespace {

struct Pin : COverlayObject {
    Pin() : COverlayObject(kMark, kMarkLayer) {}
    void Map(CMapping&, const CPolynomialProjection&) const override {}
    void Draw(QPainter*, const CViewParams&, CMapping&) const override {}
};

// Records what the overlay data source hands out.
struct Recorder : Listener<COverlayObject> {
    std::vector<std::pair<const COverlayObject*, int>> seen;
    void OnUpdate(COverlayObject& o) override { seen.emplace_back(&o, o.last_action); }
};

struct LabelTool : COverlayTool {
    using COverlayTool::COverlayTool;
    int labels = 0;
    void SetLabel() override { ++labels; }
};

struct ClearedRecorder : Listener<OverlaySelectionCleared> {
    int count = 0;
    void OnUpdate(OverlaySelectionCleared&) override { ++count; }
};

CViewParams view(int zoomMode, double scale, double ox, double oy) {
    CViewParams v;
    v.zoom_mode = zoomMode;
    v.scale = scale;
    v.offset_x = ox;
    v.offset_y = oy;
    v.screen_rect = FRect(0, 0, 800, 600);
    return v;
}

CMapping mapped(std::vector<DblPoint> screen, int kind, int count = 0) {
    CMapping m;
    m.screen_points = std::move(screen);
    m.hit_kind = kind;
    m.hit_count = count;
    return m;
}

}  // namespace

TEST(ViewParams, TransformsBothWays) {
    const CViewParams v = view(1, 2.0, 100, 50);
    const FPoint s = v.ImageToScreen(110, 60);
    EXPECT_EQ(s, FPoint(20, 20));
    EXPECT_EQ(v.ScreenToImage(20, 20), FPoint(110, 60));
    EXPECT_EQ(v.ImageToScreen(FRect(100, 50, 500, 350)), FRect(0, 0, 800, 600));
    EXPECT_EQ(v.ScreenToImage(FRect(0, 0, 800, 600)), FRect(100, 50, 500, 350));
}

TEST(ViewParams, OffsetsSnapToWholePixels) {
    // Zoomed out (0.25 screen px per image px): the offset is a whole image pixel.
    CViewParams out = view(0, 0.25, 0, 0);
    out.AdjustOffset(10, 10, 1000.3, 2000.6);
    EXPECT_EQ(out.offset_x, 960);  // round(1000.3 - 40)
    EXPECT_EQ(out.offset_y, 1961);
    // Zoomed in (3 screen px per image px): the picture moves by whole screen pixels.
    CViewParams in = view(2, 3, 0, 0);
    in.AdjustOffset(10, 10, 100.1, 200.0);
    EXPECT_DOUBLE_EQ(in.offset_x, 290.0 / 3);  // round(300.3 - 10) / 3
    EXPECT_DOUBLE_EQ(in.offset_y, 590.0 / 3);
    const FPoint s = in.ImageToScreen(100.1, 200);
    EXPECT_NEAR(s.x, 10.3, 1e-9);
    EXPECT_NEAR(s.y, 10, 1e-9);
}

TEST(ViewParams, ApplyDeltaReportsTheMovementMade) {
    CViewParams out = view(0, 0.25, 1000, 1000);
    double dx = 1.1, dy = -9;  // one screen pixel is 4 image pixels: snapped
    out.ApplyDelta(dx, dy);
    EXPECT_EQ(out.offset_x, 996);
    EXPECT_EQ(out.offset_y, 1036);
    EXPECT_EQ(dx, 1);
    EXPECT_EQ(dy, -9);
    CViewParams in = view(2, 3, 10, 10);
    double ix = 7.4, iy = 0.2;
    in.ApplyDelta(ix, iy);
    EXPECT_DOUBLE_EQ(ix, 7);  // whole screen pixels only
    EXPECT_DOUBLE_EQ(iy, 0);
}

TEST(Mapping, ClearBoundsAndScreenPoints) {
    CMapping m;
    EXPECT_EQ(m.bounds.left, 2147483647.0);
    EXPECT_EQ(m.bounds.bottom, 2147483647.0);
    m.set_bounds();
    EXPECT_EQ(m.bounds, FRect(0, 0, 0, 0));
    m.image_points = {{150, 100}, {120, 300}, {400, 90}};
    m.set_bounds();
    EXPECT_EQ(m.bounds, FRect(120, 90, 400, 300));

    // On screen: filled once; a pan drops them so they are made again.
    const CViewParams v = view(1, 2.0, 100, 50);
    ASSERT_TRUE(m.map_to_screen(v));
    ASSERT_EQ(m.screen_points.size(), 3u);
    EXPECT_EQ(m.screen_points[0], DblPoint(100, 100));
    m.screen_points[0] = DblPoint(-1, -1);
    m.map_to_screen(v);
    EXPECT_EQ(m.screen_points[0], DblPoint(-1, -1));
    m.move_screen();
    m.map_to_screen(v);
    EXPECT_EQ(m.screen_points[0], DblPoint(100, 100));

    // Off screen: nothing to do, unless the object always counts.
    CMapping far;
    far.image_points = {{5000, 5000}};
    far.set_bounds();
    EXPECT_FALSE(far.map_to_screen(v));
    EXPECT_TRUE(far.screen_points.empty());
    far.hit_kind = CMapping::kAlways;
    EXPECT_TRUE(far.map_to_screen(v));
    m.clear();
    EXPECT_TRUE(m.image_points.empty() && m.screen_points.empty());
    EXPECT_EQ(m.hit_kind, 0);
}

TEST(Mapping, HitTestKinds) {
    // Points: strictly inside the tolerance, and only the leading hit_count.
    const CMapping pts = mapped({{10, 10}, {100, 100}}, CMapping::kPoints, 1);
    EXPECT_TRUE(pts.HitTest_mapped(12, 10, 5));
    EXPECT_FALSE(pts.HitTest_mapped(12, 11, 5));  // d2 == 5 is not below 5
    EXPECT_FALSE(pts.HitTest_mapped(100, 100, 5));
    // Polyline: vertices at <=, segments by perpendicular distance.
    const CMapping line = mapped({{0, 0}, {100, 0}, {100, 100}}, CMapping::kPolyline);
    EXPECT_TRUE(line.HitTest_mapped(102, 1, 5));  // d2 == 5 at the corner vertex
    EXPECT_TRUE(line.HitTest_mapped(50, 2, 5));   // on the first segment
    EXPECT_FALSE(line.HitTest_mapped(50, 3, 5));
    EXPECT_FALSE(line.HitTest_mapped(-3, 0, 5));  // beyond the segment's end
    EXPECT_TRUE(line.HitTest_mapped(99, 60, 5));
    EXPECT_FALSE(mapped({}, CMapping::kPolyline).HitTest_mapped(0, 0, 100));
    EXPECT_TRUE(mapped({}, CMapping::kAlways).HitTest_mapped(1e6, 1e6, 0));
    EXPECT_FALSE(mapped({{0, 0}}, CMapping::kNotHittable).HitTest_mapped(0, 0, 100));
}

TEST(OverlayDispatch, ActionsReachListenersAndStopAfterRemoval) {
    Recorder recorder;
    auto pin = std::make_unique<Pin>();
    EXPECT_EQ(pin->draw_order, 6u << 28);
    EXPECT_EQ(pin->type, COverlayObject::kMark);
    const COverlayObject* address = pin.get();
    EXPECT_EQ(address->last_action, COverlayObject::kNoAction);
    pin->Dispatch(COverlayObject::kChanged);
    pin->Dispatch(COverlayObject::kDisplayChanged);
    pin->Dispatch(COverlayObject::kRemoved);
    pin->Dispatch(COverlayObject::kChanged);  // ignored: already removed
    pin.reset();                              // no second removal
    ASSERT_EQ(recorder.seen.size(), 3u);
    EXPECT_EQ(recorder.seen[0].second, 1);
    EXPECT_EQ(recorder.seen[2].second, 3);

    recorder.seen.clear();
    { Pin scoped; }  // destroyed without a removal: it announces one
    ASSERT_EQ(recorder.seen.size(), 1u);
    EXPECT_EQ(recorder.seen[0].second, 3);
}

TEST(OverlayTool, OneSelectionAtATime) {
    auto* viewA = reinterpret_cast<CKartileView*>(0x1000);
    auto* viewB = reinterpret_cast<CKartileView*>(0x2000);
    ClearedRecorder cleared;
    Pin first, second;

    auto* tool = new LabelTool(viewA, &first);
    EXPECT_EQ(COverlayTool::the_tool, tool);
    EXPECT_TRUE(COverlayTool::isSelected(&first));
    EXPECT_FALSE(COverlayTool::isSelected(&second));

    first.Dispatch(COverlayObject::kChanged);  // the selected object: new label
    second.Dispatch(COverlayObject::kChanged);
    EXPECT_EQ(tool->labels, 1);

    auto* next = new LabelTool(viewA, &second);  // replaces the first tool
    EXPECT_EQ(COverlayTool::the_tool, next);
    EXPECT_TRUE(COverlayTool::isSelected(&second));
    COverlayTool::UsingView(viewA);
    EXPECT_EQ(COverlayTool::the_tool, next);
    COverlayTool::UsingView(viewB);  // another view takes over
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
    EXPECT_EQ(cleared.count, 1);

    // A selected object that goes away is never touched again.
    {
        Pin doomed;
        new LabelTool(viewA, &doomed);
    }
    EXPECT_FALSE(COverlayTool::isSelected(nullptr));
    EXPECT_EQ(COverlayTool::the_tool->selected(), nullptr);
    COverlayTool::Deselect();
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
    EXPECT_EQ(cleared.count, 2);
}
