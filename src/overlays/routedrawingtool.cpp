#include "overlays/routedrawingtool.h"

#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/overlayroute.h"

CRouteDrawingTool::CRouteDrawingTool(CKartileView* view, COverlayRoute* route, const FPoint& start)
    : COverlayTool(view, route), m_pointer(start) {}

COverlayRoute* CRouteDrawingTool::GetSelectedRoute() {
    return static_cast<COverlayRoute*>(selected());
}

void CRouteDrawingTool::Move(double dx, double dy) {
    COverlayRoute* route = GetSelectedRoute();
    if (!route || !view()) return;
    m_pending = FPoint(m_pending.x + dx, m_pending.y + dy);
    const double moved2 = m_pending.x * m_pending.x + m_pending.y * m_pending.y;
    if (moved2 <= view()->clickPrecision2) return;
    m_pointer = FPoint(m_pointer.x + m_pending.x, m_pointer.y + m_pending.y);
    m_pending = FPoint();
    double lat = 0, lon = 0;
    if (!view()->ScreenTolatlong(m_pointer.x, m_pointer.y, lat, lon) || !(lat >= -90 && lat <= 90))
        return;
    COverlayMark* wp =
        route->AddWaypoint(lat, lon, CMarkManager::theManager.insertion_point, false);
    wp->Dispatch(COverlayObject::kDisplayChanged);
}
