#include "displays/quick/textimages.h"

namespace TextImages {

namespace {

// Bounds on what is kept: far more than any set of pages shows.
constexpr qsizetype kGlyphSets = 32, kHeaders = 512;

}  // namespace

Glyphs::Glyphs(const QFont& font, const QColor& colour)
    : m_font(font), m_colour(colour), m_metrics(font), m_pad(m_metrics.height() / 4) {}

const QImage& Glyphs::Of(QChar c) {
    auto image = m_images.find(c);
    if (image != m_images.end()) return *image;
    QImage made(int(m_metrics.horizontalAdvance(c) + 2 * m_pad), int(m_metrics.height() + 1),
                QImage::Format_ARGB32_Premultiplied);
    made.fill(Qt::transparent);
    QPainter g(&made);
    g.setFont(m_font);
    g.setPen(m_colour);
    g.drawText(QPointF(m_pad, m_metrics.ascent()), QString(c));
    g.end();
    return *m_images.insert(c, made);
}

std::shared_ptr<Glyphs> GlyphsFor(const QFont& font, const QColor& colour) {
    static QHash<QString, std::shared_ptr<Glyphs>> sets;
    const QString key = font.key() + QLatin1Char('/') + QString::number(colour.rgba(), 16);
    auto found = sets.find(key);
    if (found != sets.end()) return *found;
    if (sets.size() >= kGlyphSets) {
        // Those no item holds go.
        for (auto set = sets.begin(); set != sets.end();)
            set = set->use_count() == 1 ? sets.erase(set) : std::next(set);
    }
    return *sets.insert(key, std::make_shared<Glyphs>(font, colour));
}

QImage Header(QSize pixels, qreal ratio, QPainter::RenderHints hints, const QFont& font,
              const QColor& ink, const QColor& panel, const QString& title, const QString& units) {
    static QHash<QString, QImage> headers;
    const QString key = QStringLiteral("%1x%2@%3/%4/%5/%6/%7/%8\x1f%9")
                            .arg(pixels.width())
                            .arg(pixels.height())
                            .arg(ratio)
                            .arg(int(hints))
                            .arg(font.key())
                            .arg(ink.rgba(), 0, 16)
                            .arg(panel.rgba(), 0, 16)
                            .arg(title, units);
    auto found = headers.constFind(key);
    if (found != headers.constEnd()) return *found;
    QImage image(pixels, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(panel);
    QPainter h(&image);
    h.setRenderHints(hints);
    h.setFont(font);
    h.setPen(ink);
    const QRectF area(QPointF(0, 0), QSizeF(pixels) / ratio);
    h.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, title);
    h.drawText(area, Qt::AlignRight | Qt::AlignVCenter, units);
    h.end();
    if (headers.size() >= kHeaders) headers.clear();
    headers.insert(key, image);
    return image;
}

}  // namespace TextImages
