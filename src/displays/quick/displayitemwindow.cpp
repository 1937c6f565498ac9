#include "displays/quick/displayitemwindow.h"

#include <QFontMetricsF>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QQuickWindow>
#include <algorithm>
#include <cmath>

#include "displays/frameworkitems.h"
#include "displays/quick/textimages.h"

namespace {

const QColor kInk(11, 61, 92);
const QColor kFaint(53, 86, 107);
const QColor kPanel(244, 246, 248);
// Text larger than this many pixels is drawn from cached character images.
constexpr int kLargeText = 48;

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// `at` moved onto whole device pixels: an image placed between pixels is
// resampled, row by row across the GUI thread pool, on every frame.
QPointF onPixels(const QPainter& p, QPointF at) {
    const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    return QPointF(std::round(at.x() * ratio) / ratio, std::round(at.y() * ratio) / ratio);
}

// The largest pixel size (at most `cap`) at which `s` fits the box.
double fittingSize(const QString& s, const QFont& base, double w, double h, double cap) {
    if (s.isEmpty() || w <= 0 || h <= 0) return std::max(1.0, std::min(cap, h));
    QFont f = base;
    f.setPixelSize(100);
    const QFontMetricsF m(f);
    double widest = 1;
    int lines = 0;
    for (const QString& line : s.split('\n')) {
        widest = std::max(widest, m.horizontalAdvance(line));
        ++lines;
    }
    const double byWidth = 100 * w / widest;
    const double byHeight = 100 * h / (m.height() * lines);
    return std::max(1.0, std::min({byWidth, byHeight, cap}));
}

}  // namespace

CDisplayItemWindow::CDisplayItemWindow(CDisplayView::CItem& item, QQuickItem* parent)
    : QQuickPaintedItem(parent), m_item(item) {
    setAntialiasing(true);
    // Text items cover every pixel of their whole-pixel rectangle, so the
    // renderer copies them instead of blending them over what lies below.
    const auto kind = item.kind();
    if (kind == CDisplayView::CItem::kText || kind == CDisplayView::CItem::kMultilineText) {
        setOpaquePainting(true);
        setFillColor(kPanel);  // the scene fills the painted area with it first
    }
}

void CDisplayItemWindow::refresh() {
    // A new value under the same title and units repaints only the value's part.
    if (m_item.kind() == CDisplayView::CItem::kText && !m_valueArea.isEmpty() &&
        size() == m_paintedSize) {
        const auto& t = static_cast<const CDisplayView::CItemText&>(m_item);
        if (text(t.title()) == m_headerTitle && text(t.units()) == m_headerUnits) {
            update(m_valueArea);
            return;
        }
    }
    update();
}

void CDisplayItemWindow::setClickable(bool clickable) {
    setAcceptedMouseButtons(clickable ? Qt::LeftButton : Qt::NoButton);
}

void CDisplayItemWindow::paint(QPainter* painter) {
    switch (m_item.kind()) {
        case CDisplayView::CItem::kText:
            paintText(*painter, static_cast<const CDisplayView::CItemText&>(m_item));
            break;
        case CDisplayView::CItem::kMultilineText:
            paintLines(*painter,
                       static_cast<const CDisplayView::CItemMultilineText&>(m_item).value());
            break;
        case CDisplayView::CItem::kDraw:
            static_cast<CDisplayView::CItemDraw&>(m_item).Paint(*painter, width(), height());
            break;
        case CDisplayView::CItem::kButton:
            paintButton(*painter, static_cast<const CDisplayView::CItemButton&>(m_item));
            break;
        case CDisplayView::CItem::kImage:
            paintImage(*painter);
            break;
        default:
            break;
    }
}

// Title and units on a line at the top, the value as large as fits below.
void CDisplayItemWindow::paintText(QPainter& p, const CDisplayView::CItemText& item) {
    const double w = width(), h = height();
    const double pad = std::max(2.0, h * 0.04);
    QFont f = p.font();
    f.setPixelSize(int(std::clamp(h * 0.16, 8.0, 28.0)));
    const QRectF top(pad, pad, w - 2 * pad, f.pixelSize() * 1.3);
    drawHeader(p, top, f, text(item.title()), text(item.units()));
    const QRectF body(pad, top.bottom(), w - 2 * pad, h - top.bottom() - pad);
    // The whole width below the header: large glyphs may reach into the padding.
    m_valueArea = QRectF(0, top.bottom(), w, h - top.bottom()).toAlignedRect();
    m_paintedSize = size();
    const QString value = text(item.value());
    f.setBold(true);
    f.setPixelSize(int(valueSize(value, f, body.width(), body.height())));
    drawLargeText(p, body, value, f, kInk);
}

void CDisplayItemWindow::drawHeader(QPainter& p, const QRectF& box, const QFont& font,
                                    const QString& title, const QString& units) {
    const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (box.size() * ratio).toSize();
    if (m_header.size() != pixels || m_header.devicePixelRatio() != ratio || font != m_headerFont ||
        title != m_headerTitle || units != m_headerUnits) {
        // Opaque on the panel's colour, so that drawing it is a copy.
        m_header =
            TextImages::Header(pixels, ratio, p.renderHints(), font, kFaint, kPanel, title, units);
        m_headerFont = font;
        m_headerTitle = title;
        m_headerUnits = units;
    }
    p.drawImage(onPixels(p, box.topLeft()), m_header);
}

double CDisplayItemWindow::valueSize(const QString& value, const QFont& font, double w, double h) {
    if (value.size() != m_sizedLength || w != m_sizedW || h != m_sizedH) {
        // Sized for the widest digits so that the size holds while digits change.
        QString widest = value;
        for (QChar& c : widest)
            if (c.isDigit()) c = QLatin1Char('8');
        m_sized = fittingSize(widest, font, w, h, h * 0.9);
        m_sizedLength = value.size();
        m_sizedW = w;
        m_sizedH = h;
    }
    return m_sized;
}

void CDisplayItemWindow::drawLargeText(QPainter& p, const QRectF& box, const QString& s,
                                       const QFont& font, const QColor& colour) {
    if (font.pixelSize() <= kLargeText || s.contains('\n')) {
        p.setFont(font);
        p.setPen(colour);
        p.drawText(box, Qt::AlignCenter, s);
        return;
    }
    if (!m_glyphs || !m_glyphs->matches(font, colour))
        m_glyphs = TextImages::GlyphsFor(font, colour);
    // Placed on whole pixels and without resampling, each character is a copy.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QFontMetricsF& m = m_glyphs->metrics();
    const double pad = m_glyphs->pad();
    double width = 0;
    for (QChar c : s) width += m.horizontalAdvance(c);
    double x = box.left() + (box.width() - width) / 2;
    const double y = box.top() + (box.height() - m.height()) / 2;
    for (QChar c : s) {
        p.drawImage(onPixels(p, QPointF(x - pad, y)), m_glyphs->Of(c));
        x += m.horizontalAdvance(c);
    }
}

void CDisplayItemWindow::paintLines(QPainter& p, const std::string& value) {
    const double w = width(), h = height();
    const QString s = text(value);
    QFont f = p.font();
    f.setPixelSize(int(fittingSize(s, f, w * 0.94, h * 0.94, std::max(10.0, h * 0.2))));
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(w * 0.03, h * 0.03, w * 0.94, h * 0.94), Qt::AlignLeft | Qt::AlignTop, s);
}

void CDisplayItemWindow::paintButton(QPainter& p, const CDisplayView::CItemButton& button) {
    const double w = width(), h = height();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    p.setBrush(m_pressed ? kInk : kPanel);
    p.drawRoundedRect(QRectF(1, 1, w - 2, h - 2), 8, 8);
    QFont f = p.font();
    f.setBold(true);
    const QString label = text(button.label());
    f.setPixelSize(int(fittingSize(label, f, w * 0.8, h * 0.7, h * 0.6)));
    p.setFont(f);
    p.setPen(m_pressed ? Qt::white : (button.enabled() ? kInk : kFaint));
    p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, label);
}

void CDisplayItemWindow::paintImage(QPainter& p) {
    const auto& image = static_cast<const CDVStaticImageBase&>(m_item);
    QString path = text(image.imagePath());
    if (path.startsWith("qrc:")) path = path.mid(3);
    QImage picture(path);
    if (picture.isNull()) picture = QImage(":/appicon.png");
    if (picture.isNull()) return;
    const QSize box{int(width()), int(height())};
    const QImage scaled = picture.scaled(
        box, image.scaleToFill() ? Qt::KeepAspectRatioByExpanding : Qt::KeepAspectRatio,
        Qt::SmoothTransformation);
    p.setClipRect(QRect(QPoint(0, 0), box));
    p.drawImage(
        QPointF((box.width() - scaled.width()) / 2.0, (box.height() - scaled.height()) / 2.0),
        scaled);
}

void CDisplayItemWindow::mousePressEvent(QMouseEvent* event) {
    m_pressed = true;
    if (auto* draw = pointerItem())
        draw->onPointer(event->position().x(), event->position().y(), true);
    update();
    event->accept();
}

void CDisplayItemWindow::mouseMoveEvent(QMouseEvent* event) {
    if (auto* draw = pointerItem())
        draw->onPointer(event->position().x(), event->position().y(), false);
}

CDisplayView::CItemDraw* CDisplayItemWindow::pointerItem() const {
    if (m_item.kind() != CDisplayView::CItem::kDraw) return nullptr;
    auto* draw = static_cast<CDisplayView::CItemDraw*>(&m_item);
    return draw->takesPointer() ? draw : nullptr;
}

void CDisplayItemWindow::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = contains(event->position());
    m_pressed = false;
    update();
    if (inside && m_item.kind() == CDisplayView::CItem::kButton)
        static_cast<CDisplayView::CItemButton&>(m_item).onClick();
}

QuickItemWindow::~QuickItemWindow() {
    if (!m_item) return;
    // Out of the scene at once: until it is deleted it must take no input.
    m_item->setVisible(false);
    m_item->setParentItem(nullptr);
    m_item->deleteLater();
}

void QuickItemWindow::Invalidate() {
    if (auto* painted = qobject_cast<CDisplayItemWindow*>(m_item.data()))
        painted->refresh();
    else if (m_item)
        m_item->update();
}

void QuickItemWindow::Move(double x, double y, double w, double h) {
    if (!m_item) return;
    // Edges on whole device pixels: an opaque item then leaves no half-covered
    // column for the page below to show through.
    const QQuickWindow* window = m_item->window();
    const double ratio = window ? window->effectiveDevicePixelRatio() : 1.0;
    const auto snap = [ratio](double v) { return std::round(v * ratio) / ratio; };
    const double left = snap(x), top = snap(y);
    m_item->setPosition(QPointF(left, top));
    m_item->setSize(QSizeF(std::max(0.0, snap(x + w) - left), std::max(0.0, snap(y + h) - top)));
}

void QuickItemWindow::GetSize(double& w, double& h) {
    w = m_item ? m_item->width() : 0;
    h = m_item ? m_item->height() : 0;
}

void QuickItemWindow::SetLayer(int layer) {
    if (m_item) m_item->setZ(layer);
}
