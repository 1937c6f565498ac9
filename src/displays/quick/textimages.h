// Images of text that display items draw again and again, shared by every
// item and kept across page switches: a page's items are made anew each time
// it is shown, and a large character costs an outline run through the font's
// hinting.
#pragma once

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <memory>

namespace TextImages {

// The characters of one font in one colour, each on a transparent image
// wider than its advance by pad() on either side (glyphs may reach past it).
class Glyphs {
public:
    Glyphs(const QFont& font, const QColor& colour);
    bool matches(const QFont& font, const QColor& colour) const {
        return colour == m_colour && font == m_font;
    }
    const QImage& Of(QChar c);
    const QFontMetricsF& metrics() const { return m_metrics; }
    double pad() const { return m_pad; }

private:
    QFont m_font;
    QColor m_colour;
    QFontMetricsF m_metrics;
    double m_pad;
    QHash<QChar, QImage> m_images;
};

std::shared_ptr<Glyphs> GlyphsFor(const QFont& font, const QColor& colour);

// Title at the left and units at the right of an opaque line in `panel`.
QImage Header(QSize pixels, qreal ratio, QPainter::RenderHints hints, const QFont& font,
              const QColor& ink, const QColor& panel, const QString& title, const QString& units);

}  // namespace TextImages
