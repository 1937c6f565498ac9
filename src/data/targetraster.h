// Target symbols and vectors written straight into the pixels of the map
// frame (IconBlitter's image): a map of thousands of AIS targets cannot pay
// the painter's rasteriser per triangle. Shapes are not antialiased; pixels
// whose centres fall inside a shape take its colour, opaque. Coordinates are
// painter (screen) pixels.
#pragma once

#include <QPointF>
#include <QRgb>
#include <cstdint>
#include <vector>

class IconBlitter;

// A filled triangle ringed by edge pixels, as runs of pixels about an
// anchor: worked out once and stamped for every target of the same shape
// and direction.
struct TargetSprite {
    // Columns relative to the anchor, inclusive; no fill when fill_from > fill_to.
    struct Row {
        int16_t edge_from, fill_from, fill_to, edge_to;
    };
    int top = 0;  // the first row, relative to the anchor
    std::vector<Row> rows;

    // corners relative to the anchor; outline about that many pixels wide.
    static TargetSprite Of(const QPointF (&corners)[3], double outline);
};

class TargetRaster {
public:
    explicit TargetRaster(const IconBlitter& frame);

    // The sprite with its anchor on the pixel nearest `anchor`.
    void Stamp(const TargetSprite& sprite, QPointF anchor, QRgb fill, QRgb edge);
    // A line one pixel wide (a few more for width > 1) from a to b.
    void Line(QPointF a, QPointF b, QRgb colour, int width = 1);

private:
    template <bool steep>
    void line(QPointF a, QPointF b, quint32 colour, int width);

    uchar* m_bits;
    qsizetype m_stride;
    double m_dx, m_dy;                     // painter to image pixels
    int m_left, m_top, m_right, m_bottom;  // the clip, inclusive
};
