#include "overlays/frameraster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>

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

// The same for a run known to lie in the row, n pixels from p, in a fixed
// pattern of overlapping stores: a symbol's rows differ in length from one
// to the next, and a loop's exit would be mispredicted on nearly every row.
inline void fillShortRun(quint32* p, int n, const RunColour& c) {
    if (n >= 4) {
        const int last = n - 4;
        std::memcpy(p, c.four, sizeof c.four);
        std::memcpy(p + std::min(4, last), c.four, sizeof c.four);
        std::memcpy(p + std::min(8, last), c.four, sizeof c.four);
        std::memcpy(p + std::min(12, last), c.four, sizeof c.four);
        std::memcpy(p + last, c.four, sizeof c.four);
        for (int i = 16; i < last; i += 4) std::memcpy(p + i, c.four, sizeof c.four);
    } else if (n > 0) {
        p[0] = p[n / 2] = p[n - 1] = c.one;
    }
}

// A line from a to b, one pixel per step along its major axis u (y for a
// steep line) from u0 to u1, clipped to [uLow, uHigh]; the minor axis v at
// u0 and its step in 16.16 fixed point. False when nothing is left.
struct LineSteps {
    int u0, u1;
    int64_t v0, step;
};
template <bool steep>
bool stepsOf(QPointF a, QPointF b, int uLow, int uHigh, LineSteps& s) {
    double ua = steep ? a.y() : a.x(), va = steep ? a.x() : a.y();
    double ub = steep ? b.y() : b.x(), vb = steep ? b.x() : b.y();
    if (ua > ub) std::swap(ua, ub), std::swap(va, vb);
    const double slope = ub > ua ? (vb - va) / (ub - ua) : 0.0;
    const double from = std::max(ua, double(uLow)), to = std::min(ub, uHigh + 0.999);
    if (from > to) return false;
    s.u0 = floorInt(from), s.u1 = floorInt(to);
    const double vStart = va + slope * (s.u0 + 0.5 - ua);
    if (!(std::abs(vStart) < 1e6)) return false;  // passes far above or below
    s.v0 = int64_t(vStart * 65536.0);
    s.step = int64_t(slope * 65536.0);
    return true;
}

// Columns relative to the anchor that the sprite's rows reach.
void findColumns(TargetSprite& sprite) {
    sprite.left = std::numeric_limits<int>::max();
    sprite.right = std::numeric_limits<int>::min();
    for (const TargetSprite::Row& r : sprite.rows) {
        if (r.edge_from <= r.edge_to)
            sprite.left = std::min<int>(sprite.left, r.edge_from),
            sprite.right = std::max<int>(sprite.right, r.edge_to);
        if (r.fill_from <= r.fill_to)
            sprite.left = std::min<int>(sprite.left, r.fill_from),
            sprite.right = std::max<int>(sprite.right, r.fill_to);
    }
    if (sprite.left > sprite.right) sprite.left = 0, sprite.right = -1;
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
    findColumns(sprite);
    return sprite;
}

TargetSprite TargetSprite::Strokes(const QPointF (&ends)[2]) {
    TargetSprite sprite;
    std::vector<QPoint> pixels[2];
    const QPointF tip(0.5, 0.5);
    for (int k = 0; k < 2; ++k) {
        const QPointF end = ends[k] + tip;
        if (!(std::abs(end.x()) < 4096 && std::abs(end.y()) < 4096)) return {};
        const bool steep = std::abs(tip.y() - end.y()) > std::abs(tip.x() - end.x());
        LineSteps l;
        if (!(steep ? stepsOf<true>(end, tip, -4096, 4096, l)
                    : stepsOf<false>(end, tip, -4096, 4096, l)))
            continue;
        for (int u = l.u0; u <= l.u1; ++u) {
            const int v = int((l.v0 + l.step * (u - l.u0)) >> 16);
            pixels[k].push_back(steep ? QPoint(v, u) : QPoint(u, v));
        }
    }
    int top = 0, bottom = 0;
    for (const auto& stroke : pixels)
        for (const QPoint& p : stroke) top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
    sprite.top = top;
    sprite.rows.assign(size_t(bottom - top + 1), {1, 1, 0, 0});
    for (int k = 0; k < 2; ++k) {
        for (const QPoint& p : pixels[k]) {
            TargetSprite::Row& row = sprite.rows[size_t(p.y() - top)];
            int16_t& from = k == 0 ? row.edge_from : row.fill_from;
            int16_t& to = k == 0 ? row.edge_to : row.fill_to;
            if (from > to) from = to = int16_t(p.x());
            from = std::min(from, int16_t(p.x()));
            to = std::max(to, int16_t(p.x()));
        }
    }
    findColumns(sprite);
    return sprite;
}

FrameRaster* FrameRaster::current = nullptr;

bool FrameRaster::Begin(const IconBlitter& frame) {
    End();
    if (!frame.active() || frame.clip().isEmpty()) return false;
    m_bits = frame.bits();
    m_stride = frame.stride();
    m_dx = frame.offset().x();
    m_dy = frame.offset().y();
    const QRect clip = frame.clip();
    m_left = clip.left();
    m_right = clip.right();
    m_clipTop = clip.top();
    m_clipBottom = clip.bottom();
    m_bands.resize(size_t((m_clipBottom - m_clipTop) / kBandRows + 1));
    return true;
}

void FrameRaster::End() {
    Flush();
    m_bits = nullptr;
}

void FrameRaster::record(const Op& op, int top, int bottom) {
    top = std::max(top, m_clipTop);
    bottom = std::min(bottom, m_clipBottom);
    if (!m_bits || top > bottom) return;
    const int last = (bottom - m_clipTop) / kBandRows;
    for (int b = (top - m_clipTop) / kBandRows; b <= last; ++b) m_bands[size_t(b)].push_back(op);
    m_pending = true;
}

// One flush's bands, taken one at a time by whichever thread comes first.
struct FrameRaster::Round {
    explicit Round(size_t bands) : count(bands) {}
    const size_t count;
    std::atomic<size_t> next{0}, done{0};
};

// A thread that joins in the flushes of big frames. It is handed each
// round; if it wakes late it finds every band taken and touches nothing.
class FrameRaster::Helper {
public:
    explicit Helper(FrameRaster& raster) : m_thread([this, &raster] { run(raster); }) {}
    ~Helper() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    void HandOver(std::shared_ptr<Round> round) {
        {
            std::lock_guard lock(m_mutex);
            m_round = std::move(round);
        }
        m_wake.notify_one();
    }

private:
    void run(FrameRaster& raster) {
        for (;;) {
            std::shared_ptr<Round> round;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_quit || m_round; });
                if (m_quit) return;
                round = std::move(m_round);
            }
            raster.drawBands(*round);
        }
    }
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::shared_ptr<Round> m_round;
    bool m_quit = false;
    std::thread m_thread;  // last: it starts once the rest is made
};

FrameRaster::FrameRaster() = default;

FrameRaster::FrameRaster(const IconBlitter& frame) {
    Begin(frame);
}

FrameRaster::~FrameRaster() {
    End();
}

// Bands are drawn by this thread and the helper at once: their rows are
// apart. If the helper is slow to wake, this thread draws them all and
// waits for nobody.
void FrameRaster::Flush() {
    if (!m_pending) return;
    m_pending = false;
    auto round = std::make_shared<Round>(m_bands.size());
    static const bool twoCores = std::thread::hardware_concurrency() > 1;  // asks the system
    if (round->count >= kBandsForHelp && twoCores) {
        if (!m_helper) m_helper = std::make_unique<Helper>(*this);
        m_helper->HandOver(round);
    }
    drawBands(*round);
    for (size_t d = round->done; d < round->count; d = round->done) round->done.wait(d);
}

void FrameRaster::drawBands(Round& round) {
    for (size_t b; (b = round.next++) < round.count;) {
        drawBand(b);
        if (++round.done == round.count) round.done.notify_all();
    }
}

void FrameRaster::drawBand(size_t b) {
    const int top = m_clipTop + int(b) * kBandRows;
    const int bottom = std::min(m_clipBottom, top + kBandRows - 1);
    for (const Op& op : m_bands[b]) draw(op, top, bottom);
    m_bands[b].clear();
}

void FrameRaster::draw(const Op& op, int top, int bottom) const {
    switch (op.kind) {
        case Op::kCopy: {
            const auto& c = op.copy;
            const int y0 = std::max(top, c.top), y1 = std::min(bottom, c.top + c.rows - 1);
            for (int y = y0; y <= y1; ++y)
                std::memcpy(m_bits + y * m_stride + c.left * 4, c.bits + (y - c.top) * c.stride,
                            size_t(c.columns) * 4);
            break;
        }
        case Op::kStamp:
            if (op.inside)
                stamp<false>(op, top, bottom);
            else
                stamp<true>(op, top, bottom);
            break;
        case Op::kSteepLine:
            line<true>(op, top, bottom);
            break;
        case Op::kShallowLine:
            line<false>(op, top, bottom);
            break;
    }
}

bool FrameRaster::Copy(const QImage& image, const QRect& to) {
    if (image.format() != QImage::Format_RGB32 &&
        image.format() != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (!m_bits) return true;
    const QRect whole(to.topLeft() + QPoint(m_dx, m_dy), to.size().boundedTo(image.size()));
    const QRect placed =
        whole.intersected(QRect(QPoint(m_left, m_clipTop), QPoint(m_right, m_clipBottom)));
    if (placed.isEmpty()) return true;
    Op op{};
    op.kind = Op::kCopy;
    op.copy.bits = image.constBits() + (placed.top() - whole.top()) * image.bytesPerLine() +
                   (placed.left() - whole.left()) * 4;
    op.copy.stride = image.bytesPerLine();
    op.copy.left = placed.left();
    op.copy.top = placed.top();
    op.copy.columns = placed.width();
    op.copy.rows = placed.height();
    record(op, placed.top(), placed.bottom());
    return true;
}

void FrameRaster::Stamp(const TargetSprite& sprite, QPointF anchor, QRgb fill, QRgb edge) {
    const double ax = anchor.x() + m_dx, ay = anchor.y() + m_dy;
    if (!(std::abs(ax) < 1e8 && std::abs(ay) < 1e8) || sprite.rows.empty()) return;
    Op op{};
    op.kind = Op::kStamp;
    op.colour = fill | 0xFF000000u;
    op.edge = edge | 0xFF000000u;
    op.stamp.rows = sprite.rows.data();
    op.stamp.count = int(sprite.rows.size());
    op.stamp.cx = floorInt(ax + 0.5);
    op.stamp.top = floorInt(ay + 0.5) + sprite.top;
    op.inside = op.stamp.cx + sprite.left >= m_left && op.stamp.cx + sprite.right <= m_right;
    record(op, op.stamp.top, op.stamp.top + int(sprite.rows.size()) - 1);
}

template <bool clipped>
void FrameRaster::stamp(const Op& op, int bandTop, int bandBottom) const {
    const RunColour e(op.edge), f(op.colour);
    const int cx = op.stamp.cx, top = op.stamp.top;
    const int y0 = std::max(bandTop, top);
    const int y1 = std::min(bandBottom, top + op.stamp.count - 1);
    const TargetSprite::Row* r = op.stamp.rows + (y0 - top);
    uchar* const bits = m_bits;
    const qsizetype stride = m_stride;
    const int left = m_left, right = m_right;
    // The ring's run, then the fill over it.
    for (int y = y0; y <= y1; ++y, ++r) {
        quint32* row = reinterpret_cast<quint32*>(bits + y * stride);
        if constexpr (clipped) {
            fillRun(row, std::max(left, cx + r->edge_from), std::min(right, cx + r->edge_to), e);
            fillRun(row, std::max(left, cx + r->fill_from), std::min(right, cx + r->fill_to), f);
        } else {
            fillShortRun(row + cx + r->edge_from, r->edge_to - r->edge_from + 1, e);
            fillShortRun(row + cx + r->fill_from, r->fill_to - r->fill_from + 1, f);
        }
    }
}

void FrameRaster::Line(QPointF a, QPointF b, QRgb colour, int width) {
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

// Clipped to the frame along the major axis and set up once: every band
// steps the same pixels, so a line crossing bands joins up exactly.
template <bool steep>
void FrameRaster::line(QPointF a, QPointF b, quint32 colour, int width) {
    const int uLow = steep ? m_clipTop : m_left, uHigh = steep ? m_clipBottom : m_right;
    const int vLow = steep ? m_left : m_clipTop, vHigh = steep ? m_right : m_clipBottom;
    LineSteps steps;
    if (width < 1 || !stepsOf<steep>(a, b, uLow, uHigh, steps)) return;
    const int u0 = steps.u0, u1 = steps.u1;
    Op op{};
    op.kind = steep ? Op::kSteepLine : Op::kShallowLine;
    op.width = uint8_t(std::min(width, 255));
    op.colour = colour;
    op.line.v0 = steps.v0;
    op.line.step = steps.step;
    op.line.u0 = u0;
    op.line.u1 = u1;
    const int64_t vLast = op.line.v0 + op.line.step * (u1 - u0);
    const int first = int(std::min(op.line.v0, vLast) >> 16);
    const int last = int(std::max(op.line.v0, vLast) >> 16) + op.width - 1;
    op.inside = first >= vLow && last <= vHigh;
    op.line.top = steep ? u0 : first;
    op.line.bottom = steep ? u1 : last;
    record(op, op.line.top, op.line.bottom);
}

namespace {
int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return q - (a % b != 0 && (a < 0) != (b < 0));
}
int64_t ceilDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return q + (a % b != 0 && (a < 0) == (b < 0));
}
}  // namespace

// The part of a line in the band being flushed.
template <bool steep>
void FrameRaster::line(const Op& op, int top, int bottom) const {
    const auto& l = op.line;
    const int width = op.width;
    int64_t uA = l.u0, uB = l.u1;
    if constexpr (steep) {
        uA = std::max<int64_t>(uA, top), uB = std::min<int64_t>(uB, bottom);
    } else if (l.top < top || l.bottom > bottom) {
        // Columns whose rows v .. v + width - 1 meet the band's.
        const int64_t low = int64_t(top - width + 1) << 16;
        const int64_t high = (int64_t(bottom + 1) << 16) - 1;
        if (l.step > 0) {
            uA = std::max(uA, l.u0 + ceilDiv(low - l.v0, l.step));
            uB = std::min(uB, l.u0 + floorDiv(high - l.v0, l.step));
        } else if (l.step < 0) {
            uA = std::max(uA, l.u0 + ceilDiv(high - l.v0, l.step));
            uB = std::min(uB, l.u0 + floorDiv(low - l.v0, l.step));
        } else if (l.v0 < low || l.v0 > high) {
            return;
        }
    }
    if (uA > uB) return;
    int64_t v = l.v0 + l.step * (uA - l.u0);
    uchar* const bits = m_bits;
    const qsizetype stride = m_stride;
    const quint32 colour = op.colour;
    // A shallow line's rows are the band's by the columns chosen above.
    if (width == 1 && (op.inside || !steep)) {
        for (int64_t u = uA; u <= uB; ++u, v += l.step) {
            if constexpr (steep)
                reinterpret_cast<quint32*>(bits + u * stride)[v >> 16] = colour;
            else
                reinterpret_cast<quint32*>(bits + (v >> 16) * stride)[u] = colour;
        }
        return;
    }
    const int vLow = steep ? m_left : top, vHigh = steep ? m_right : bottom;
    for (int64_t u = uA; u <= uB; ++u, v += l.step) {
        const int pv = int(v >> 16);
        for (int w = 0; w < width; ++w) {
            const int q = pv + w;
            if (q < vLow || q > vHigh) continue;
            if constexpr (steep)
                reinterpret_cast<quint32*>(bits + u * stride)[q] = colour;
            else
                reinterpret_cast<quint32*>(bits + q * stride)[u] = colour;
        }
    }
}
