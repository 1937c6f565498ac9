#include "maps/geometry.h"

#include <gtest/gtest.h>

namespace {

const CPolygon kUnitSquare({{0, 0}, {1, 0}, {1, 1}, {0, 1}});

TEST(PolygonContainment, EdgesBelongToOneSideOnly) {
    EXPECT_TRUE(kUnitSquare.doesContain(0.5, 0.5));
    EXPECT_TRUE(kUnitSquare.doesContain(0, 0.5));   // left edge
    EXPECT_FALSE(kUnitSquare.doesContain(1, 0.5));  // right edge
    EXPECT_TRUE(kUnitSquare.doesContain(0.5, 1));   // highest y edge
    EXPECT_FALSE(kUnitSquare.doesContain(0.5, 0));  // lowest y edge
    EXPECT_TRUE(kUnitSquare.doesContain(0, 1));
    EXPECT_FALSE(kUnitSquare.doesContain(0, 0));
    EXPECT_FALSE(kUnitSquare.doesContain(1, 1));
    EXPECT_FALSE(kUnitSquare.doesContain(1, 0));
    EXPECT_FALSE(kUnitSquare.doesContain(-0.001, 0.5));
    EXPECT_FALSE(kUnitSquare.doesContain(0.5, 1.001));
}

TEST(PolygonContainment, NeighboursShareNoEdgePoint) {
    const CPolygon right({{1, 0}, {2, 0}, {2, 1}, {1, 1}});
    for (double y : {0.25, 0.5, 0.75, 1.0})
        EXPECT_NE(kUnitSquare.doesContain(1, y), right.doesContain(1, y)) << y;
}

TEST(PolygonContainment, WindingOrderAndDegenerateShapes) {
    const CPolygon clockwise({{0, 0}, {0, 1}, {1, 1}, {1, 0}});
    EXPECT_TRUE(clockwise.doesContain(0.5, 0.5));
    EXPECT_FALSE(CPolygon({{0, 0}, {1, 1}}).doesContain(0.5, 0.5));
    EXPECT_FALSE(CPolygon().doesContain(0, 0));
    // A concave "C": the notch is outside.
    const CPolygon c({{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {3, 2}, {3, 3}, {0, 3}});
    EXPECT_FALSE(c.doesContain(2, 1.5));
    EXPECT_TRUE(c.doesContain(0.5, 1.5));
    // Non-zero winding: a region wound twice is still inside.
    const CPolygon twice({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}, {2, 0}, {2, 2}, {0, 2}});
    EXPECT_TRUE(twice.doesContain(1, 1));
}

TEST(PolygonConstruction, CornersAndFlag) {
    const CPolygon fromBounds(CBounds(10, 20, -5, 5));
    ASSERT_EQ(fromBounds.vertices.size(), 4u);
    EXPECT_EQ(fromBounds.vertices[0], Vertex(10, -5));
    EXPECT_EQ(fromBounds.vertices[1], Vertex(10, 5));
    EXPECT_EQ(fromBounds.vertices[2], Vertex(20, 5));
    EXPECT_EQ(fromBounds.vertices[3], Vertex(20, -5));
    EXPECT_EQ(fromBounds.flag, 1);
    const CPolygon box(1, 2, 3, 4);
    EXPECT_EQ(box.vertices[2], Vertex(4, 6));
    EXPECT_EQ(box.flag, 1);
    EXPECT_EQ(box.getBounds(), CBounds(1, 4, 2, 6));
}

TEST(Bounds, EmptyAndGrowing) {
    const CBounds empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_EQ(empty.left, 1e300);
    EXPECT_EQ(empty.top, -1e300);
    EXPECT_TRUE(CBounds(std::vector<Vertex>{}).isEmpty());
    const CBounds b({{3, -1}, {-2, 4}, {1, 1}});
    EXPECT_EQ(b, CBounds(-2, 3, -1, 4));
    EXPECT_EQ(b.center(), Vertex(0.5, 1.5));
}

TEST(PolygonOverlap, VerticesCentresAndBounds) {
    const CPolygon far(5, 5, 1, 1);
    EXPECT_FALSE(kUnitSquare.doesOverlap(far));
    EXPECT_TRUE(kUnitSquare.doesOverlap(CPolygon(0.5, 0.5, 1, 1)));
    // A plus sign: neither bar has a vertex inside the other.
    const CPolygon across(-1, 0.4, 3, 0.2);
    const CPolygon down(0.4, -1, 0.2, 3);
    EXPECT_TRUE(across.doesOverlap(down));
    EXPECT_TRUE(kUnitSquare.doesOverlap(CBounds(0.5, 2, 0.5, 2)));
    EXPECT_FALSE(kUnitSquare.doesOverlap(CBounds(1, 2, 0, 1)));  // touching is not overlap
}

TEST(PolygonOverlap, EncloseAndSquares) {
    const CPolygon big(-10, -10, 20, 20);
    EXPECT_TRUE(big.doesEnclose(kUnitSquare));
    EXPECT_FALSE(kUnitSquare.doesEnclose(big));
    EXPECT_TRUE(big.doesEnclose(CPolygon()));
    EXPECT_FALSE(big.doesEnclose(CPolygon(5, 5, 10, 10)));

    EXPECT_TRUE(kUnitSquare.squareDoesOverlap(0.25, 0.25, 0.5));  // inside
    EXPECT_TRUE(kUnitSquare.squareDoesOverlap(-1, -1, 4));        // encloses the polygon
    EXPECT_TRUE(kUnitSquare.squareDoesOverlap(1, 1, 1));          // vertex on its corner
    EXPECT_FALSE(kUnitSquare.squareDoesOverlap(2, 2, 1));
}

TEST(Proximity, PolylineAndIsOnLine) {
    const CPolyline line({{0, 0}, {10, 0}, {10, 10}});
    EXPECT_TRUE(line.pointIsNearerThan(5, 1, 1.0));  // exactly at distance 1
    EXPECT_FALSE(line.pointIsNearerThan(5, 1.1, 1.0));
    EXPECT_TRUE(line.pointIsNearerThan(11, 5, 1.0));
    EXPECT_FALSE(line.pointIsNearerThan(-2, 0, 1.0));  // beyond the end, not near the vertex
    EXPECT_TRUE(line.pointIsNearerThan(-1, 0, 1.0));   // near the end vertex
    EXPECT_FALSE(CPolyline().pointIsNearerThan(0, 0, 100));
    EXPECT_TRUE(CPolyline({{3, 3}}).pointIsNearerThan(3, 4, 1));
    EXPECT_FALSE(CPolyline({{3, 3}}).pointIsNearerThan(3, 5, 1));

    const Vertex a(0, 0), b(4, 4);
    EXPECT_TRUE(Vertex(2, 2.5).IsOnLine(a, b, 0.25));
    EXPECT_FALSE(Vertex(2, 3).IsOnLine(a, b, 0.25));
    EXPECT_FALSE(Vertex(5, 5).IsOnLine(a, b, 0.25));  // past b
    EXPECT_TRUE(Vertex(0, 0).IsOnLine(a, a, 0));      // zero-length segment, on a
}

TEST(Rectangles, HalfOpenHitsAndOverlap) {
    const IntRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.HitTest({0, 0}));
    EXPECT_TRUE(r.HitTest({9, 9}));
    EXPECT_FALSE(r.HitTest({10, 5}));
    EXPECT_FALSE(r.HitTest({5, 10}));
    EXPECT_TRUE(r.IsOverlapping(IntRect(9, 9, 20, 20)));
    EXPECT_FALSE(r.IsOverlapping(IntRect(10, 0, 20, 10)));  // shares only an edge

    const FRect f(0, 0, 1, 1);
    EXPECT_TRUE(f.HitTest({0, 0.999}));
    EXPECT_FALSE(f.HitTest({1, 0.5}));
    EXPECT_TRUE(f.IsOverlapping(FRect(0.5, -1, 2, 0.5)));
    EXPECT_FALSE(f.IsOverlapping(FRect(0, 1, 1, 2)));

    EXPECT_DOUBLE_EQ(FPoint(0, 0).distance(FPoint(3, 4)), 5);
    EXPECT_DOUBLE_EQ(FPoint(1, 1).distanceSq(FPoint(3, 4)), 13);
}

TEST(Rectangles, ClipNeverGoesNegative) {
    IntRect inside(2, 2, 20, 5);
    inside.ClipToContainer(IntRect(0, 0, 10, 10));
    EXPECT_EQ(inside, IntRect(2, 2, 10, 5));

    IntRect outside(20, 30, 40, 50);
    outside.ClipToContainer(IntRect(0, 0, 10, 10));
    EXPECT_EQ(outside.width(), 0);
    EXPECT_EQ(outside.height(), 0);

    FRect f(-5, -5, -1, 3);
    f.ClipToContainer(FRect(0, 0, 10, 10));
    EXPECT_EQ(f.width(), 0);
    EXPECT_GE(f.height(), 0);
    EXPECT_EQ(f.left, 0);
}

}  // namespace
