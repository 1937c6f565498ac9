// CRouteDrawingTool: a freehand stroke over the map while a route is built.
// It holds the route as the selection for the length of the stroke; each
// movement of the pointer by more than the click radius lays down an
// unnamed shaping point there. The route thins them when the stroke ends.
#pragma once

#include "maps/geometry.h"
#include "overlays/overlaytool.h"

class CRouteDrawingTool : public COverlayTool {
public:
    CRouteDrawingTool(CKartileView* view, COverlayRoute* route, const FPoint& start);

    void Move(double dx, double dy) override;  // screen pixels
    COverlayRoute* GetSelectedRoute() override;

private:
    FPoint m_pointer;  // screen point of the last waypoint laid down
    FPoint m_pending;  // movement since then
};
