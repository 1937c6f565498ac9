// The Qt Quick side of one item: CDisplayItemWindow paints a live item
// (text sized to the item, several lines, a drawing, an image or a button),
// and QuickItemWindow is the window interface over any Qt Quick item, also
// the map's.
#pragma once

#include <QImage>
#include <QPointer>
#include <QQuickPaintedItem>
#include <memory>

#include "displays/displayview.h"

namespace TextImages {
class Glyphs;
}

class CDisplayItemWindow : public QQuickPaintedItem {
    Q_OBJECT
public:
    CDisplayItemWindow(CDisplayView::CItem& item, QQuickItem* parent);
    void paint(QPainter* painter) override;
    void setClickable(bool clickable);
    // Repaints what the item's change needs.
    void refresh();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    CDisplayView::CItemDraw* pointerItem() const;
    void paintText(QPainter& p, const CDisplayView::CItemText& item);
    void paintLines(QPainter& p, const std::string& text);
    void paintButton(QPainter& p, const CDisplayView::CItemButton& button);
    void paintImage(QPainter& p);

    // The value's font size is worked out again only when its length or the
    // item's size changes, not on every new value.
    double valueSize(const QString& value, const QFont& font, double w, double h);

    // Large text is drawn from images of its characters made once per font:
    // glyphs this large are not cached by the raster engine, and rendering
    // them anew ten times a second would cost more than the rest of a page.
    void drawLargeText(QPainter& p, const QRectF& box, const QString& text, const QFont& font,
                       const QColor& colour);

    // The title and units line changes far less often than the value: it is
    // kept as an image and laid out again only when its text or size changes.
    void drawHeader(QPainter& p, const QRectF& box, const QFont& font, const QString& title,
                    const QString& units);

    CDisplayView::CItem& m_item;
    bool m_pressed = false;
    QImage m_header;
    QFont m_headerFont;
    QString m_headerTitle, m_headerUnits;
    std::shared_ptr<TextImages::Glyphs> m_glyphs;
    QRect m_valueArea;  // of the last paint, below the header
    QSizeF m_paintedSize;
    qsizetype m_sizedLength = -1;
    double m_sizedW = 0, m_sizedH = 0, m_sized = 0;
};

class QuickItemWindow : public CDisplayView::IWindow {
public:
    explicit QuickItemWindow(QQuickItem* item) : m_item(item) {}
    ~QuickItemWindow() override;
    void Invalidate() override;
    void Move(double x, double y, double w, double h) override;
    void GetSize(double& w, double& h) override;
    void SetLayer(int layer) override;
    QQuickItem* item() const { return m_item; }

private:
    QPointer<QQuickItem> m_item;
};
