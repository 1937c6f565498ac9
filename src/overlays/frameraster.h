// A map frame written straight into the pixels of its image (IconBlitter's
// image): a map of thousands of AIS targets cannot pay the painter's
// rasteriser per triangle, nor a trip to main memory for every row of every
// symbol. Map squares, target symbols and vectors are recorded, then written
// band by band, so that a band of the frame is filled with the map and drawn
// over while it is still in the core's cache.
//
// Shapes are not antialiased; pixels whose centres fall inside a shape take
// its colour, opaque. Coordinates are painter (screen) pixels. What was
// recorded is drawn, in the order recorded, by Flush() or on destruction;
// whoever paints on the frame with the painter in between flushes first.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRgb>
#include <cstdint>
#include <memory>
#include <vector>

class IconBlitter;

// A filled triangle ringed by edge pixels, as runs of pixels about an
// anchor: worked out once and stamped for every target of the same shape
// and direction.
struct TargetSprite {
    // Columns relative to the anchor, inclusive: the edge's run, then the
    // fill's over it; either is empty when its from > to.
    struct Row {
        int16_t edge_from, fill_from, fill_to, edge_to;
    };
    int top = 0;               // the first row, relative to the anchor
    int left = 0, right = -1;  // the columns it spans, relative to the anchor
    std::vector<Row> rows;

    // corners relative to the anchor; outline about that many pixels wide.
    static TargetSprite Of(const QPointF (&corners)[3], double outline);
    // Two strokes one pixel wide from `ends` to the centre of the anchor's
    // pixel, stepped as FrameRaster::Line steps them: an arrowhead, its tip
    // on the anchor. Each row holds one run of either stroke; stamp it with
    // fill and edge alike.
    static TargetSprite Strokes(const QPointF (&ends)[2]);
};

class FrameRaster {
public:
    FrameRaster();
    explicit FrameRaster(const IconBlitter& frame);
    ~FrameRaster();
    FrameRaster(const FrameRaster&) = delete;
    FrameRaster& operator=(const FrameRaster&) = delete;

    // Takes the blitter's frame; false when it has none. A raster kept from
    // frame to frame keeps its storage.
    bool Begin(const IconBlitter& frame);
    // Flushes and lets the frame go.
    void End();

    // Copies `image` one to one with its top left on `to`'s, as much of it
    // as `to` holds; false (nothing done) unless the image is 32-bit and
    // opaque. The image must stay as it is until the flush.
    bool Copy(const QImage& image, const QRect& to);
    // The sprite with its anchor on the pixel nearest `anchor`; the sprite
    // must live until the flush.
    void Stamp(const TargetSprite& sprite, QPointF anchor, QRgb fill, QRgb edge);
    // A line one pixel wide (a few more for width > 1) from a to b.
    void Line(QPointF a, QPointF b, QRgb colour, int width = 1);
    // Draws everything recorded so far.
    void Flush();

    // The frame being drawn, for the objects that draw into it.
    static FrameRaster* current;

private:
    // Rows a band holds: with a 1920-pixel frame, a band and the symbols
    // drawn over it fit in a core's second-level cache.
    static constexpr int kBandRows = 32;
    // Below this many bands a second thread is not worth waking.
    static constexpr size_t kBandsForHelp = 8;
    struct Op {
        enum Kind : uint8_t { kCopy, kStamp, kSteepLine, kShallowLine } kind;
        uint8_t width;  // of a line
        bool inside;    // a symbol within the clip's columns, a line within it across its path
        quint32 colour, edge;
        union {
            struct {
                const uchar* bits;  // the source pixel for the target's top left
                qsizetype stride;
                int left, top, columns, rows;  // the target, image pixels
            } copy;
            struct {
                const TargetSprite::Row* rows;  // the sprite's, kept by the caller
                int count;
                int cx, top;  // the anchor's column, the sprite's first row
            } stamp;
            // One pixel per step along the major axis u (rows for a steep
            // line) from u0 to u1, the minor axis v in 16.16 fixed point.
            struct {
                int64_t v0, step;
                int u0, u1;
                int top, bottom;  // the rows it touches
            } line;
        };
    };
    void record(const Op& op, int top, int bottom);
    struct Round;
    class Helper;
    void drawBands(Round& round);
    void drawBand(size_t b);
    void draw(const Op& op, int top, int bottom) const;
    template <bool clipped>
    void stamp(const Op& op, int top, int bottom) const;
    template <bool steep>
    void line(QPointF a, QPointF b, quint32 colour, int width);
    template <bool steep>
    void line(const Op& op, int top, int bottom) const;

    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_dx = 0, m_dy = 0;                                          // painter to image pixels
    int m_left = 0, m_right = -1, m_clipTop = 0, m_clipBottom = -1;  // the clip, inclusive
    std::vector<std::vector<Op>> m_bands;  // what each band is to draw, in order
    std::unique_ptr<Helper> m_helper;      // a second thread drawing bands, once needed
    bool m_pending = false;
};
