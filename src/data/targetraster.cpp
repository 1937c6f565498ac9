#include "data/targetraster.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// The pixel columns a triangle covers on each row, by pixel centres.
class Spans {
public:
    explicit Spans(const QPointF (&corners)[3]) {
        std::copy(corners, corners + 3, m_p);
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

// One colour in the widths a run is written with.
struct RunColour {
    explicit RunColour(quint32 c) : one(c), two(uint64_t(c) << 32 | c), four{c, c, c, c} {}
    quint32 one;
    uint64_t two;
    quint32 four[4];
};

// Pixels from..to of a row: runs are short, so a whole run goes in a few
// overlapping stores rather than pixel by pixel.
inline void fillRun(quint32* row, int from, int to, const RunColour& c) {
    const int n = to - from + 1;
    quint32* p = row + from;
    if (n >= 4) {
        quint32* const last = p + n - 4;
        for (; p < last; p += 4) std::memcpy(p, c.four, sizeof c.four);
        std::memcpy(last, c.four, sizeof c.four);
    } else if (n >= 2) {
        std::memcpy(p, &c.two, sizeof c.two);
        std::memcpy(p + n - 2, &c.two, sizeof c.two);
    } else if (n == 1) {
        *p = c.one;
    }
}

}  // namespace

TargetSprite TargetSprite::Of(const QPointF (&corners)[3], double outline) {
    // The ring: the triangle grown about the centre of its inscribed circle
    // so that each side moves out by the outline width.
    TargetSprite sprite;
    const QPointF &a = corners[0], &b = corners[1], &c = corners[2];
    const double la = std::hypot(b.x() - c.x(), b.y() - c.y());
    const double lb = std::hypot(a.x() - c.x(), a.y() - c.y());
    const double lc = std::hypot(a.x() - b.x(), a.y() - b.y());
    const double perimeter = la + lb + lc;
    const double area2 =
        std::abs((b.x() - a.x()) * (c.y() - a.y()) - (c.x() - a.x()) * (b.y() - a.y()));
    // Runs are 16 bits: a symbol is a few dozen pixels, never thousands.
    const double reach = std::max({std::abs(a.x()), std::abs(a.y()), std::abs(b.x()),
                                   std::abs(b.y()), std::abs(c.x()), std::abs(c.y())});
    if (!(perimeter > 0 && area2 > 0 && reach + outline < 4096)) return sprite;
    const QPointF incentre = (a * la + b * lb + c * lc) / perimeter;
    const double inradius = area2 / perimeter;
    const double grow = (inradius + outline) / inradius;
    QPointF grown[3];
    for (int i = 0; i < 3; ++i) grown[i] = incentre + (corners[i] - incentre) * grow;
    const Spans outer(grown), inner(corners);
    sprite.top = outer.top();
    for (int y = outer.top(); y <= outer.bottom(); ++y) {
        int o0 = 1, o1 = 0, i0, i1;
        outer.at(y, o0, o1);
        if (!inner.at(y, i0, i1)) i0 = o1 + 1, i1 = o1;
        i0 = std::max(i0, o0), i1 = std::min(i1, o1);
        sprite.rows.push_back({int16_t(o0), int16_t(i0), int16_t(i1), int16_t(o1)});
    }
    return sprite;
}

TargetRaster::TargetRaster(const IconBlitter& frame)
    : m_bits(frame.bits()),
      m_stride(frame.stride()),
      m_dx(frame.offset().x()),
      m_dy(frame.offset().y()),
      m_left(frame.clip().left()),
      m_top(frame.clip().top()),
      m_right(frame.clip().right()),
      m_bottom(frame.clip().bottom()) {}

void TargetRaster::Stamp(const TargetSprite& sprite, QPointF anchor, QRgb fill, QRgb edge) {
    const double ax = anchor.x() + m_dx, ay = anchor.y() + m_dy;
    if (!(std::abs(ax) < 1e8 && std::abs(ay) < 1e8)) return;
    const int cx = floorInt(ax + 0.5), top = floorInt(ay + 0.5) + sprite.top;
    const RunColour e(edge | 0xFF000000u), f(fill | 0xFF000000u);
    const int y0 = std::max(m_top, top);
    const int y1 = std::min(m_bottom, top + int(sprite.rows.size()) - 1);
    if (y0 > y1) return;
    const TargetSprite::Row* r = sprite.rows.data() + (y0 - top);
    // The ring's run, then the fill over it.
    for (int y = y0; y <= y1; ++y, ++r) {
        quint32* row = reinterpret_cast<quint32*>(m_bits + y * m_stride);
        fillRun(row, std::max(m_left, cx + r->edge_from), std::min(m_right, cx + r->edge_to), e);
        fillRun(row, std::max(m_left, cx + r->fill_from), std::min(m_right, cx + r->fill_to), f);
    }
}

void TargetRaster::Line(QPointF a, QPointF b, QRgb colour, int width) {
    a += QPointF(m_dx, m_dy);
    b += QPointF(m_dx, m_dy);
    // Also refuses NaN: nothing on a screen lies that far out.
    constexpr double kFar = 1e8;
    if (!(std::abs(a.x()) < kFar && std::abs(a.y()) < kFar && std::abs(b.x()) < kFar &&
          std::abs(b.y()) < kFar))
        return;
    const quint32 c = colour | 0xFF000000u;
    if (std::abs(b.y() - a.y()) > std::abs(b.x() - a.x()))
        line<true>(a, b, c, width);
    else
        line<false>(a, b, c, width);
}

// One pixel per step along the major axis u, clipped to the frame up front;
// the minor axis v is stepped in 16.16 fixed point and checked per pixel.
template <bool steep>
void TargetRaster::line(QPointF a, QPointF b, quint32 colour, int width) {
    double ua = steep ? a.y() : a.x(), va = steep ? a.x() : a.y();
    double ub = steep ? b.y() : b.x(), vb = steep ? b.x() : b.y();
    if (ua > ub) std::swap(ua, ub), std::swap(va, vb);
    const int uLow = steep ? m_top : m_left, uHigh = steep ? m_bottom : m_right;
    const int vLow = steep ? m_left : m_top, vHigh = steep ? m_right : m_bottom;
    const double slope = ub > ua ? (vb - va) / (ub - ua) : 0.0;
    const double from = std::max(ua, double(uLow)), to = std::min(ub, uHigh + 0.999);
    if (from > to) return;
    const int u0 = floorInt(from), u1 = floorInt(to);
    const double vStart = va + slope * (u0 + 0.5 - ua);
    if (!(std::abs(vStart) < 1e6)) return;  // passes far above or below
    int64_t v = int64_t(vStart * 65536.0);
    const int64_t step = int64_t(slope * 65536.0);
    const int64_t vLast = v + step * (u1 - u0);
    if (width == 1 && std::min(v, vLast) >= int64_t(vLow) << 16 &&
        std::max(v, vLast) < int64_t(vHigh + 1) << 16) {
        // Wholly inside across too: no checks per pixel.
        for (int u = u0; u <= u1; ++u, v += step) {
            if constexpr (steep)
                reinterpret_cast<quint32*>(m_bits + u * m_stride)[v >> 16] = colour;
            else
                reinterpret_cast<quint32*>(m_bits + (v >> 16) * m_stride)[u] = colour;
        }
        return;
    }
    for (int u = u0; u <= u1; ++u, v += step) {
        const int pv = int(v >> 16);
        for (int w = 0; w < width; ++w) {
            const int q = pv + w;
            if (q < vLow || q > vHigh) continue;
            if constexpr (steep)
                reinterpret_cast<quint32*>(m_bits + u * m_stride)[q] = colour;
            else
                reinterpret_cast<quint32*>(m_bits + q * m_stride)[u] = colour;
        }
    }
}
