// Target symbols and vectors written straight into the pixels of the map
// frame (IconBlitter's image): a map of thousands of AIS targets cannot pay
// the painter's rasteriser per triangle. Shapes are not antialiased; pixels
// whose centres fall inside a shape take its colour, opaque. Coordinates are
// painter (screen) pixels.
#pragma once

#include <QPointF>
#include <QRgb>

class IconBlitter;

class TargetRaster {
public:
    explicit TargetRaster(const IconBlitter& frame);

    // A filled triangle in fill, ringed by edge pixels about `outline` wide.
    void Triangle(const QPointF (&corners)[3], QRgb fill, QRgb edge, double outline);
    // A line one pixel wide (a few more for width > 1) from a to b.
    void Line(QPointF a, QPointF b, QRgb colour, int width = 1);

private:
    void plot(int x, int y, quint32 colour) {
        if (x >= m_left && x <= m_right && y >= m_top && y <= m_bottom)
            reinterpret_cast<quint32*>(m_bits + y * m_stride)[x] = colour;
    }

    uchar* m_bits;
    qsizetype m_stride;
    double m_dx, m_dy;                     // painter to image pixels
    int m_left, m_top, m_right, m_bottom;  // the clip, inclusive
};
