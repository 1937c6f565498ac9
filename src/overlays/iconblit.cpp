#include "overlays/iconblit.h"

#include <QPaintEngine>
#include <QPainter>
#include <algorithm>

IconBlitter* IconBlitter::current = nullptr;

void IconBlitter::Begin(QPainter& painter, const QRect& clip) {
    m_target = nullptr;
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image || !painter.paintEngine() ||
        painter.paintEngine()->type() != QPaintEngine::Raster)
        return;
    auto* image = static_cast<QImage*>(device);
    if (image->format() != QImage::Format_RGB32 &&
        image->format() != QImage::Format_ARGB32_Premultiplied)
        return;
    if (image->devicePixelRatio() != 1.0) return;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) ||
        t.dy() != std::floor(t.dy()))
        return;
    if (painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return;
    m_offset = QPoint(int(t.dx()), int(t.dy()));
    m_clip = clip.translated(m_offset).intersected(image->rect());
    m_bits = image->bits();
    m_stride = image->bytesPerLine();
    m_target = image;
}

void IconBlitter::Draw(QPainter& painter, const QImage& icon, QPoint at) const {
    if (!m_target || icon.format() != QImage::Format_ARGB32_Premultiplied) {
        painter.drawImage(at, icon);
        return;
    }
    const QRect placed = QRect(at + m_offset, icon.size()).intersected(m_clip);
    if (placed.isEmpty()) return;
    const int sx0 = placed.left() - (at.x() + m_offset.x());
    const int sy0 = placed.top() - (at.y() + m_offset.y());
    for (int y = 0; y < placed.height(); ++y) {
        const auto* src = reinterpret_cast<const quint32*>(icon.constScanLine(sy0 + y)) + sx0;
        auto* dst =
            reinterpret_cast<quint32*>(m_bits + (placed.top() + y) * m_stride) + placed.left();
        for (int x = 0; x < placed.width(); ++x) {
            const quint32 s = src[x];
            const quint32 alpha = s >> 24;
            if (alpha == 0) continue;
            if (alpha == 255) {
                dst[x] = s;
                continue;
            }
            // Premultiplied source over: d = s + d * (255 - a) / 255, two channels at a time.
            const quint32 inv = 255 - alpha;
            const quint32 d = dst[x];
            quint32 rb = (d & 0x00FF00FF) * inv;
            rb = ((rb + ((rb >> 8) & 0x00FF00FF) + 0x00800080) >> 8) & 0x00FF00FF;
            quint32 ag = ((d >> 8) & 0x00FF00FF) * inv;
            ag = (ag + ((ag >> 8) & 0x00FF00FF) + 0x00800080) & 0xFF00FF00;
            dst[x] = s + rb + ag;
        }
    }
}

void IconBlitter::DrawDot(QPainter& painter, QPoint centre, int size, QRgb fill, QRgb edge) const {
    const QRect dot(centre.x() - size / 2, centre.y() - size / 2, size, size);
    if (!m_target) {
        painter.fillRect(dot, QColor(edge));
        painter.fillRect(dot.adjusted(1, 1, -1, -1), QColor(fill));
        return;
    }
    const QRect placed = dot.translated(m_offset).intersected(m_clip);
    if (placed.isEmpty()) return;
    const QRect whole = dot.translated(m_offset);
    // Opaque colours over RGB32 or premultiplied pixels are written as they are.
    const quint32 f = fill | 0xFF000000u, e = edge | 0xFF000000u;
    for (int y = placed.top(); y <= placed.bottom(); ++y) {
        quint32* row = reinterpret_cast<quint32*>(m_bits + y * m_stride);
        quint32* first = row + placed.left();
        quint32* last = row + placed.right() + 1;
        if (y == whole.top() || y == whole.bottom()) {
            std::fill(first, last, e);
            continue;
        }
        std::fill(first, last, f);
        if (placed.left() == whole.left()) *first = e;
        if (placed.right() == whole.right()) last[-1] = e;
    }
}
