#include "data/targetraster.h"

#include <algorithm>
#include <cmath>

#include "overlays/iconblit.h"

namespace {

// floor and ceil as integers without the library calls the baseline
// instruction set needs for them.
int floorInt(double x) {
    const int i = int(x);
    return i - (x < i);
}
int ceilInt(double x) {
    const int i = int(x);
    return i + (x > i);
}

}  // namespace

TargetRaster::TargetRaster(const IconBlitter& frame)
    : m_bits(frame.bits()),
      m_stride(frame.stride()),
      m_dx(frame.offset().x()),
      m_dy(frame.offset().y()),
      m_left(frame.clip().left()),
      m_top(frame.clip().top()),
      m_right(frame.clip().right()),
      m_bottom(frame.clip().bottom()) {}

namespace {

// The pixel columns a triangle covers on each row, by pixel centres.
class Spans {
public:
    Spans(const QPointF (&corners)[3], double dx, double dy) {
        for (int i = 0; i < 3; ++i) m_p[i] = corners[i] + QPointF(dx, dy);
        std::sort(m_p, m_p + 3, [](const QPointF& u, const QPointF& v) { return u.y() < v.y(); });
        m_long = slope(m_p[0], m_p[2]);
        m_upper = slope(m_p[0], m_p[1]);
        m_lower = slope(m_p[1], m_p[2]);
    }
    int top() const { return ceilInt(m_p[0].y() - 0.5); }
    int bottom() const { return floorInt(m_p[2].y() - 0.5); }
    // False when the row misses the triangle.
    bool at(int y, int& x0, int& x1) const {
        const double cy = y + 0.5;
        if (cy < m_p[0].y() || cy > m_p[2].y()) return false;
        const double xLong = m_p[0].x() + m_long * (cy - m_p[0].y());
        const double xShort = cy < m_p[1].y() ? m_p[0].x() + m_upper * (cy - m_p[0].y())
                                              : m_p[1].x() + m_lower * (cy - m_p[1].y());
        x0 = ceilInt(std::min(xLong, xShort) - 0.5);
        x1 = floorInt(std::max(xLong, xShort) - 0.5);
        return x0 <= x1;
    }

private:
    static double slope(const QPointF& u, const QPointF& v) {
        return v.y() > u.y() ? (v.x() - u.x()) / (v.y() - u.y()) : 0.0;
    }
    QPointF m_p[3];
    double m_long = 0, m_upper = 0, m_lower = 0;
};

}  // namespace

void TargetRaster::Triangle(const QPointF (&corners)[3], QRgb fillColour, QRgb edge,
                            double outline) {
    // The ring: the triangle grown about the centre of its inscribed circle
    // so that each side moves out by the outline width. Ring and fill are
    // written in one pass, each row touched once.
    const QPointF &a = corners[0], &b = corners[1], &c = corners[2];
    const double la = std::hypot(b.x() - c.x(), b.y() - c.y());
    const double lb = std::hypot(a.x() - c.x(), a.y() - c.y());
    const double lc = std::hypot(a.x() - b.x(), a.y() - b.y());
    const double perimeter = la + lb + lc;
    const double area2 =
        std::abs((b.x() - a.x()) * (c.y() - a.y()) - (c.x() - a.x()) * (b.y() - a.y()));
    if (perimeter <= 0 || area2 <= 0 || perimeter > 4096) return;
    const QPointF incentre = (a * la + b * lb + c * lc) / perimeter;
    const double inradius = area2 / perimeter;
    const double grow = (inradius + outline) / inradius;
    QPointF grown[3];
    for (int i = 0; i < 3; ++i) grown[i] = incentre + (corners[i] - incentre) * grow;
    const Spans outer(grown, m_dx, m_dy), inner(corners, m_dx, m_dy);
    const quint32 e = edge | 0xFF000000u, f = fillColour | 0xFF000000u;
    const int y0 = std::max(m_top, outer.top()), y1 = std::min(m_bottom, outer.bottom());
    for (int y = y0; y <= y1; ++y) {
        int o0, o1, i0, i1;
        if (!outer.at(y, o0, o1)) continue;
        if (!inner.at(y, i0, i1)) i0 = o1 + 1, i1 = o1;
        quint32* row = reinterpret_cast<quint32*>(m_bits + y * m_stride);
        const int from = std::max(m_left, o0), to = std::min(m_right, o1);
        for (int x = from; x <= to; ++x) row[x] = x >= i0 && x <= i1 ? f : e;
    }
}

void TargetRaster::Line(QPointF a, QPointF b, QRgb colour, int width) {
    a += QPointF(m_dx, m_dy);
    b += QPointF(m_dx, m_dy);
    if (std::max(a.x(), b.x()) < m_left || std::min(a.x(), b.x()) > m_right + 1 ||
        std::max(a.y(), b.y()) < m_top || std::min(a.y(), b.y()) > m_bottom + 1)
        return;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const int steps = ceilInt(std::max(std::abs(dx), std::abs(dy)));
    if (steps > 20000) return;  // a vector far off screen: nothing worth drawing
    const quint32 c = colour | 0xFF000000u;
    const bool steep = std::abs(dy) > std::abs(dx);
    const double sx = steps ? dx / steps : 0, sy = steps ? dy / steps : 0;
    double x = a.x(), y = a.y();
    for (int i = 0; i <= steps; ++i, x += sx, y += sy) {
        const int px = floorInt(x), py = floorInt(y);
        for (int w = 0; w < width; ++w) plot(steep ? px + w : px, steep ? py : py + w, c);
    }
}
