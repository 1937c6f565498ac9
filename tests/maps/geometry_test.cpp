#include "maps/geometry.h"

#include <gtest/gtest.h>

namespace {

const CPolygon kUnitSquare({{0, 0}, {1, 0}, {1, 1}, {0, 1}});

TEST(PolygonContainment, EdgesBelongToOneSideOnly) {
    struct Case {
        const char* what;
        double x, y;
        bool inside;
    } cases[] = {
        {"middle", 0.5, 0.5, true},       {"left edge", 0, 0.5, true},
        {"right edge", 1, 0.5, false},    {"highest y edge", 0.5, 1, true},
        {"lowest y edge", 0.5, 0, false}, {"top left corner", 0, 1, true},
        {"other corners", 1, 1, false},   {"just left", -0.001, 0.5, false},
    };
    for (const Case& c : cases) EXPECT_EQ(kUnitSquare.doesContain(c.x, c.y), c.inside) << c.what;
    // Neighbours never both hold a point of their shared edge.
    const CPolygon right({{1, 0}, {2, 0}, {2, 1}, {1, 1}});
    for (double y : {0.25, 0.5, 1.0})
        EXPECT_NE(kUnitSquare.doesContain(1, y), right.doesContain(1, y));
}

TEST(PolygonContainment, WindingOrderAndDegenerateShapes) {
    EXPECT_TRUE(CPolygon({{0, 0}, {0, 1}, {1, 1}, {1, 0}}).doesContain(0.5, 0.5)) << "clockwise";
    EXPECT_FALSE(CPolygon({{0, 0}, {1, 1}}).doesContain(0.5, 0.5));
    EXPECT_FALSE(CPolygon().doesContain(0, 0));
    const CPolygon c({{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {3, 2}, {3, 3}, {0, 3}});
    EXPECT_FALSE(c.doesContain(2, 1.5)) << "the notch of a C is outside";
    EXPECT_TRUE(c.doesContain(0.5, 1.5));
    const CPolygon twice({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}, {2, 0}, {2, 2}, {0, 2}});
    EXPECT_TRUE(twice.doesContain(1, 1)) << "non-zero winding";
}

TEST(PolygonOverlap, CrossingsEnclosingAndSquares) {
    EXPECT_FALSE(kUnitSquare.doesOverlap(CPolygon(5, 5, 1, 1)));
    EXPECT_TRUE(CPolygon(-1, 0.4, 3, 0.2).doesOverlap(CPolygon(0.4, -1, 0.2, 3)))
        << "a plus sign: neither bar has a vertex inside the other";
    EXPECT_TRUE(kUnitSquare.doesOverlap(CBounds(0.5, 2, 0.5, 2)));
    EXPECT_FALSE(kUnitSquare.doesOverlap(CBounds(1, 2, 0, 1))) << "touching is not overlap";
    const CPolygon big(-10, -10, 20, 20);
    EXPECT_TRUE(big.doesEnclose(kUnitSquare));
    EXPECT_FALSE(kUnitSquare.doesEnclose(big));
    EXPECT_FALSE(big.doesEnclose(CPolygon(5, 5, 10, 10)));
    EXPECT_TRUE(kUnitSquare.squareDoesOverlap(-1, -1, 4)) << "encloses the polygon";
    EXPECT_TRUE(kUnitSquare.squareDoesOverlap(1, 1, 1)) << "vertex on its corner";
    EXPECT_FALSE(kUnitSquare.squareDoesOverlap(2, 2, 1));
}

TEST(Proximity, PolylineAndIsOnLine) {
    const CPolyline line({{0, 0}, {10, 0}, {10, 10}});
    EXPECT_TRUE(line.pointIsNearerThan(5, 1, 1.0)) << "exactly at the distance";
    EXPECT_FALSE(line.pointIsNearerThan(5, 1.1, 1.0));
    EXPECT_FALSE(line.pointIsNearerThan(-2, 0, 1.0)) << "beyond the end";
    EXPECT_TRUE(line.pointIsNearerThan(-1, 0, 1.0)) << "near the end vertex";
    EXPECT_FALSE(CPolyline().pointIsNearerThan(0, 0, 100));
    EXPECT_TRUE(CPolyline({{3, 3}}).pointIsNearerThan(3, 4, 1));
    const Vertex a(0, 0), b(4, 4);
    EXPECT_TRUE(Vertex(2, 2.5).IsOnLine(a, b, 0.25));
    EXPECT_FALSE(Vertex(5, 5).IsOnLine(a, b, 0.25)) << "past b";
    EXPECT_TRUE(Vertex(0, 0).IsOnLine(a, a, 0)) << "zero-length segment";
}

TEST(Rectangles, HalfOpenAndClippedToNothingNegative) {
    const IntRect r(0, 0, 10, 10);
    EXPECT_TRUE(r.HitTest({9, 9}));
    EXPECT_FALSE(r.HitTest({10, 5}));
    EXPECT_FALSE(r.IsOverlapping(IntRect(10, 0, 20, 10))) << "shares only an edge";
    EXPECT_FALSE(FRect(0, 0, 1, 1).IsOverlapping(FRect(0, 1, 1, 2)));
    IntRect outside(20, 30, 40, 50);
    outside.ClipToContainer(r);
    EXPECT_EQ(outside.width() + outside.height(), 0);
    FRect f(-5, -5, -1, 3);
    f.ClipToContainer(FRect(0, 0, 10, 10));
    EXPECT_EQ(f.width(), 0);
    EXPECT_GE(f.height(), 0);
}

}  // namespace
