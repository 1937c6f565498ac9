// CMarkTool: the selection handle of one mark in one map view. Its label
// holds the mark's name and its distance and bearing from the boat, kept up
// to date with every fix; dragging it (Move) moves the mark unless the mark
// is locked. The view's window shows it as a label box with a menu button
// and a drag handle beside the mark.
#pragma once

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "maps/geometry.h"
#include "overlays/overlaytool.h"

class COverlayMark;

class CMarkTool : public COverlayTool, public Listener<CDataGPSPosition> {
public:
    CMarkTool(CKartileView* view, COverlayMark* mark);
    ~CMarkTool() override;

    void OnUpdate(CDataGPSPosition& position) override;
    using COverlayTool::OnUpdate;

    void OnMenu() override;
    void onDraw(QPainter* painter, COverlayObject::CMapping& mapping) override;
    void SetLabel() override;
    void Move(double dx, double dy) override;
    COverlayMark* GetSelectedMark() override;

    // Where the mark is on the view's screen (device pixels); false when off
    // the map.
    bool ScreenPoint(FPoint& point) const override;
    bool isLocked() const override;

    // Shows the menu of a mark (go to, edit, lock, hide, delete...).
    static void ShowMarkMenu(COverlayMark* mark, OV_HWND parent);
};
