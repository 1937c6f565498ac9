// Plane geometry shared by maps, overlays and targets.
//
// Coordinates are doubles in whatever plane the caller works in: map pixels
// (x right, y down, origin at the image's top-left corner) or geographic
// positions, where a Vertex holds (x, y) = (longitude, latitude) in degrees.
// Squared distances ("d2") are in the same unit squared.
#pragma once

#include <cstdint>
#include <vector>

struct Vertex {
    double x = 0;
    double y = 0;

    Vertex() = default;
    Vertex(double vx, double vy) : x(vx), y(vy) {}
    bool operator==(const Vertex&) const = default;

    // True when this point lies within sqrt(d2) of a, or within sqrt(d2) of
    // the segment a-b measured perpendicular to it (and between its ends).
    bool IsOnLine(const Vertex& a, const Vertex& b, double d2) const;
};

// An axis-aligned box: left/right are x (longitude), bottom/top are y
// (latitude), bottom <= top. Empty is left = bottom = 1e300, right = top = -1e300.
class CBounds {
public:
    double left = 1e300;
    double right = -1e300;
    double bottom = 1e300;
    double top = -1e300;

    CBounds() = default;
    CBounds(double l, double r, double b, double t) : left(l), right(r), bottom(b), top(t) {}
    explicit CBounds(const std::vector<Vertex>& vertices);
    bool operator==(const CBounds&) const = default;

    bool isEmpty() const { return left > right || bottom > top; }
    void add(const Vertex& v);
    Vertex center() const { return Vertex((left + right) / 2, (bottom + top) / 2); }
};

class CPolyline {
public:
    std::vector<Vertex> vertices;

    CPolyline() = default;
    explicit CPolyline(std::vector<Vertex> v) : vertices(std::move(v)) {}

    // d2 is a squared distance: true when some vertex or some segment lies
    // within sqrt(d2) of (x, y).
    bool pointIsNearerThan(double x, double y, double d2) const;
};

// A closed polygon: the last vertex joins back to the first.
class CPolygon {
public:
    std::vector<Vertex> vertices;
    int flag = 1;  // set by every constructor; no geometry operation reads it

    CPolygon() = default;
    explicit CPolygon(std::vector<Vertex> v) : vertices(std::move(v)) {}
    // Corners (left, bottom), (left, top), (right, top), (right, bottom).
    explicit CPolygon(const CBounds& b);
    // Corners (x, y), (x + w, y), (x + w, y + h), (x, y + h).
    CPolygon(double x, double y, double w, double h);

    CBounds getBounds() const { return CBounds(vertices); }

    // Non-zero winding. A point on an edge belongs to one side only (a square
    // holds its left edge, not its right), so neighbours never both claim it.
    bool doesContain(double x, double y) const;
    bool doesContain(const Vertex& v) const { return doesContain(v.x, v.y); }
    bool doesOverlap(const CPolygon& other) const;
    bool doesOverlap(const CBounds& b) const;  // bounding boxes overlap (strictly)
    bool doesEnclose(const CPolygon& other) const;
    // The square (x, y) to (x + size, y + size) against this polygon.
    bool squareDoesOverlap(double x, double y, double size) const;
};

struct FPoint {
    double x = 0;
    double y = 0;

    FPoint() = default;
    FPoint(double px, double py) : x(px), y(py) {}
    bool operator==(const FPoint&) const = default;

    double distanceSq(const FPoint& o) const;
    double distance(const FPoint& o) const;
};

// Half-open: left and top are inside, right and bottom outside.
struct FRect {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;

    FRect() = default;
    FRect(double l, double t, double r, double b) : left(l), top(t), right(r), bottom(b) {}
    bool operator==(const FRect&) const = default;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    bool IsOverlapping(const FRect& o) const;
    bool HitTest(const FPoint& p) const;
    // Shrinks to the part inside c; a rectangle outside c keeps zero size.
    void ClipToContainer(const FRect& c);
    // Grows to hold p (on its edge when outside).
    void Include(const FPoint& p);
    // The smallest rectangle holding every point (their extremes as edges);
    // all zero for none.
    static FRect Around(const std::vector<FPoint>& points);
};

struct IntPoint {
    int32_t x = 0;
    int32_t y = 0;

    IntPoint() = default;
    IntPoint(int32_t px, int32_t py) : x(px), y(py) {}
    bool operator==(const IntPoint&) const = default;
};

// Half-open as FRect.
struct IntRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    IntRect() = default;
    IntRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}
    bool operator==(const IntRect&) const = default;

    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    bool IsOverlapping(const IntRect& o) const;
    bool HitTest(const IntPoint& p) const;
    void ClipToContainer(const IntRect& c);
};
