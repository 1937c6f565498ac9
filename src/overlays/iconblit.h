// Drawing many small icons onto a raster image without the painter's
// per-call cost: while a map frame paints straight into an image (no scale,
// no rotation), icons are blended into its pixels directly; otherwise the
// painter draws them.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

class QPainter;

class IconBlitter {
public:
    // Tries to take over the painter's image for a frame; `clip` is the
    // painter's clip rectangle in its own coordinates.
    void Begin(QPainter& painter, const QRect& clip);
    void End() { m_target = nullptr; }
    bool active() const { return m_target != nullptr; }

    // Draws icon (premultiplied ARGB) with its top left at `at` (painter
    // coordinates).
    void Draw(QPainter& painter, const QImage& icon, QPoint at) const;

    // A square dot of `size` pixels centred on `centre`: `fill` inside a
    // one-pixel `edge`, both opaque.
    void DrawDot(QPainter& painter, QPoint centre, int size, QRgb fill, QRgb edge) const;

    // The frame being drawn, for the objects that draw icons.
    static IconBlitter* current;

    // For drawers of their own: the image's pixels, its row length in
    // bytes, painter to image offset, and the clip in image pixels.
    uchar* bits() const { return m_bits; }
    qsizetype stride() const { return m_stride; }
    QPoint offset() const { return m_offset; }
    QRect clip() const { return m_clip; }

private:
    QImage* m_target = nullptr;
    uchar* m_bits = nullptr;  // taken once: scanLine() would check for sharing on every row
    qsizetype m_stride = 0;
    QPoint m_offset;  // painter to image pixels
    QRect m_clip;     // in image pixels
};
