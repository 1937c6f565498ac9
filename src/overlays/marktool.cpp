#include "overlays/marktool.h"

#include <QPainter>
#include <cmath>

#include "app/base/screenresolution.h"
#include "data/overlaygpsposition.h"
#include "geo/units.h"
#include "maps/simplegrid.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/markmenu.h"
#include "overlays/overlaymark.h"

CMarkTool::CMarkTool(CKartileView* view, COverlayMark* mark) : COverlayTool(view, mark) {
    SetLabel();
}

CMarkTool::~CMarkTool() = default;

COverlayMark* CMarkTool::GetSelectedMark() {
    return static_cast<COverlayMark*>(selected());
}

bool CMarkTool::isLocked() const {
    const auto* mark = static_cast<const COverlayMark*>(selected());
    return !mark || mark->isLocked();
}

void CMarkTool::OnUpdate(CDataGPSPosition&) {
    SetLabel();
}

void CMarkTool::SetLabel() {
    const COverlayMark* mark = GetSelectedMark();
    if (!mark) {
        label.clear();
        return;
    }
    label = mark->name;
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (!own.HasPosition() || !mark->HasPosition()) return;
    CSimpleGrid grid(own.latitude, own.longitude);
    double x = 0, y = 0;
    grid.latlon_to_xy(mark->lat, mark->lon, x, y);
    std::string distance, bearing;
    CUnits::Default->FormatDistance(float(std::hypot(x, y)), distance);
    double degrees = std::atan2(x, y) * 180.0 / M_PI;
    if (degrees < 0) degrees += 360;
    CUnits::Default->FormatBearing(degrees, bearing);
    label += "\n" + distance + "  " + bearing;
}

bool CMarkTool::ScreenPoint(FPoint& point) const {
    const auto* mark = static_cast<const COverlayMark*>(selected());
    if (!mark || !mark->HasPosition() || !view()) return false;
    double sx = 0, sy = 0;
    if (!view()->LatLongToScreen(mark->lat, mark->lon, sx, sy)) return false;
    point = FPoint(sx, sy);
    return true;
}

void CMarkTool::Move(double dx, double dy) {
    COverlayMark* mark = GetSelectedMark();
    FPoint at;
    if (!mark || mark->isLocked() || !ScreenPoint(at)) return;
    double lat = 0, lon = 0;
    if (!view()->ScreenTolatlong(at.x + dx, at.y + dy, lat, lon)) return;
    if (!(lat >= -90 && lat <= 90)) return;
    mark->lat = lat;
    mark->lon = lon;
    if (COverlayRoute* route = mark->route) {
        // The line, its legs and the route file follow the waypoint.
        route->SetModifiedNow();
        CMarkManager::theManager.routes_changed = true;
        route->Dispatch(COverlayObject::kChanged);
    } else {
        mark->SetModifiedNow();
        CMarkManager::theManager.marks_changed = true;
        mark->Dispatch(COverlayObject::kChanged);
    }
    SetLabel();
}

void CMarkTool::OnMenu() {
    ShowMarkMenu(GetSelectedMark(), nullptr);
}

void CMarkTool::ShowMarkMenu(COverlayMark* mark, OV_HWND parent) {
    if (mark) CMenuTree::Show(parent, BuildMarkMenu(*mark, parent));
}

// A ring round the selected mark, so that it stands out among the others.
void CMarkTool::onDraw(QPainter* painter, COverlayObject::CMapping& mapping) {
    if (mapping.screen_points.empty()) return;
    const DblPoint& p = mapping.screen_points.front();
    const double r = 22 * graphicsResolution;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(QColor(255, 255, 255, 220), 5 * graphicsResolution));
    painter->drawEllipse(QPointF(p.x, p.y), r, r);
    painter->setPen(QPen(QColor(11, 61, 92), 2.5 * graphicsResolution));
    painter->drawEllipse(QPointF(p.x, p.y), r, r);
    painter->restore();
}
