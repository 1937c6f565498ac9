#include "maps/geometry.h"

#include <algorithm>
#include <cmath>

namespace {

double squared(double v) {
    return v * v;
}

// Whether p lies within sqrt(d2) of the segment a-b, measured perpendicular
// to it, with its foot between the ends.
bool segmentIsNear(const Vertex& a, const Vertex& b, double px, double py, double d2) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t = dx * (px - a.x) + dy * (py - a.y);
    if (t < 0 || t > len2) return false;
    return len2 * d2 >= squared(dy * (px - a.x) - dx * (py - a.y));
}

template <typename Rect>
bool rectsOverlap(const Rect& a, const Rect& b) {
    return a.top < b.bottom && a.bottom > b.top && a.left < b.right && a.right > b.left;
}

template <typename Rect>
void clipRect(Rect& r, const Rect& c) {
    r.left = std::max(r.left, c.left);
    r.top = std::max(r.top, c.top);
    r.right = std::min(r.right, c.right);
    r.bottom = std::min(r.bottom, c.bottom);
    if (r.top > r.bottom) r.bottom = r.top;
    if (r.left > r.right) r.right = r.left;
}

}  // namespace

bool Vertex::IsOnLine(const Vertex& a, const Vertex& b, double d2) const {
    if (squared(x - a.x) + squared(y - a.y) <= d2) return true;
    return segmentIsNear(a, b, x, y, d2);
}

CBounds::CBounds(const std::vector<Vertex>& vertices) {
    for (const Vertex& v : vertices) add(v);
}

void CBounds::add(const Vertex& v) {
    left = std::min(left, v.x);
    right = std::max(right, v.x);
    bottom = std::min(bottom, v.y);
    top = std::max(top, v.y);
}

bool CPolyline::pointIsNearerThan(double x, double y, double d2) const {
    for (const Vertex& v : vertices)
        if (squared(x - v.x) + squared(y - v.y) <= d2) return true;
    for (size_t i = 1; i < vertices.size(); ++i)
        if (segmentIsNear(vertices[i - 1], vertices[i], x, y, d2)) return true;
    return false;
}

CPolygon::CPolygon(const CBounds& b)
    : vertices{{b.left, b.bottom}, {b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}} {}

CPolygon::CPolygon(double x, double y, double w, double h)
    : vertices{{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}} {}

bool CPolygon::doesContain(double x, double y) const {
    const size_t n = vertices.size();
    if (n < 3) return false;
    int winding = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = vertices[i];
        const Vertex& b = vertices[i + 1 == n ? 0 : i + 1];
        if (a.y < y && y <= b.y) {
            // Upward edge: count +1 when the point is right of or on it.
            winding += (b.y - a.y) * x >= (y - a.y) * b.x + (b.y - y) * a.x ? 1 : -1;
        } else if (b.y < y && y <= a.y) {
            winding += (a.y - b.y) * x >= (a.y - y) * b.x + (y - b.y) * a.x ? -1 : 1;
        }
    }
    return winding != 0;
}

bool CPolygon::doesOverlap(const CPolygon& other) const {
    for (const Vertex& v : vertices)
        if (other.doesContain(v)) return true;
    for (const Vertex& v : other.vertices)
        if (doesContain(v)) return true;
    // Crossing shapes (a plus sign of two bars) share no vertex but do share
    // their middle.
    const Vertex mine = getBounds().center();
    if (doesContain(mine) && other.doesContain(mine)) return true;
    const Vertex theirs = other.getBounds().center();
    return doesContain(theirs) && other.doesContain(theirs);
}

bool CPolygon::doesOverlap(const CBounds& b) const {
    const CBounds p = getBounds();
    return b.right > p.left && p.right > b.left && b.top > p.bottom && p.top > b.bottom;
}

bool CPolygon::doesEnclose(const CPolygon& other) const {
    for (const Vertex& v : vertices)
        if (other.doesContain(v)) return false;
    for (const Vertex& v : other.vertices)
        if (!doesContain(v)) return false;
    return true;
}

bool CPolygon::squareDoesOverlap(double x, double y, double size) const {
    if (doesContain(x, y) || doesContain(x + size, y) || doesContain(x + size, y + size) ||
        doesContain(x, y + size) || doesContain(x + size / 2, y + size / 2))
        return true;
    for (const Vertex& v : vertices)
        if (v.x >= x && v.x <= x + size && v.y >= y && v.y <= y + size) return true;
    return false;
}

double FPoint::distanceSq(const FPoint& o) const {
    return squared(x - o.x) + squared(y - o.y);
}

double FPoint::distance(const FPoint& o) const {
    return std::sqrt(distanceSq(o));
}

bool FRect::IsOverlapping(const FRect& o) const {
    return rectsOverlap(*this, o);
}

bool FRect::HitTest(const FPoint& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
}

void FRect::ClipToContainer(const FRect& c) {
    clipRect(*this, c);
}

bool IntRect::IsOverlapping(const IntRect& o) const {
    return rectsOverlap(*this, o);
}

bool IntRect::HitTest(const IntPoint& p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
}

void IntRect::ClipToContainer(const IntRect& c) {
    clipRect(*this, c);
}

FRect FRect::Around(const std::vector<FPoint>& points) {
    if (points.empty()) return FRect(0, 0, 0, 0);
    FRect b(points[0].x, points[0].y, points[0].x, points[0].y);
    for (const FPoint& p : points) b.Include(p);
    return b;
}

void FRect::Include(const FPoint& p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
}
