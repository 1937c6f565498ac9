#include "mapview/globallatlonghighlight.h"

#include <QPainter>

#include "mapview/kartileview.h"

void CGlobalLatLongHighlight::Show(double lat, double lon) {
    if (s_shown && lat == s_lat && lon == s_lon) return;
    s_shown = true;
    s_lat = lat;
    s_lon = lon;
    ++s_generation;
}

void CGlobalLatLongHighlight::Clear() {
    if (!s_shown) return;
    s_shown = false;
    ++s_generation;
}

void CGlobalLatLongHighlight::Draw(QPainter& painter, const CKartileView& view) {
    double x, y;
    if (!s_shown || !view.LatLongToScreen(s_lat, s_lon, x, y)) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 6));
    painter.drawEllipse(QPointF(x, y), 11, 11);
    painter.setPen(QPen(QColor(214, 40, 40), 3));
    painter.drawEllipse(QPointF(x, y), 11, 11);
    painter.setBrush(QColor(214, 40, 40));
    painter.drawEllipse(QPointF(x, y), 3, 3);
    painter.restore();
}
