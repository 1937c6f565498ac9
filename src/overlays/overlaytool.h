// The selection on the map: at most one overlay object is selected at a
// time, held by the one live tool (COverlayTool::the_tool). The mark, track
// and route-drawing tools derive from it; the QML item COverlayToolItem shows
// its label, menu button and drag handle.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "overlays/overlayobject.h"

class COverlayMark;
class COverlayRoute;
class CTrackSection;

// Dispatched when the selection goes, so that whatever marked a point for
// the selected object (the profile's click point) lets it go too.
struct OverlaySelectionCleared {};

class COverlayTool : public Listener<COverlayObject> {
public:
    // Becomes the_tool, replacing (and destroying) any tool before it.
    COverlayTool(CKartileView* view, COverlayObject* selected);

    // The selected object changed: refresh the label; gone: forget it.
    void OnUpdate(COverlayObject& object) override;
    ~COverlayTool() override;
    virtual void OnMenu() {}
    virtual void onDraw(QPainter*, COverlayObject::CMapping&) {}
    virtual void SetLabel() {}
    virtual void Move(double dx, double dy) {
        (void)dx;
        (void)dy;
    }  // screen pixels
    virtual void onRelease() {}
    virtual COverlayMark* GetSelectedMark() { return nullptr; }
    virtual COverlayRoute* GetSelectedRoute() { return nullptr; }
    virtual CTrackSection* GetSelectedTrackSection() { return nullptr; }
    // Where the tool's handle sits on the view's screen (device pixels);
    // false when off the map.
    virtual bool ScreenPoint(FPoint& point) const {
        (void)point;
        return false;
    }
    virtual bool isLocked() const { return false; }

    COverlayObject* selected() const { return m_selected; }
    CKartileView* view() const { return m_view; }

    static void Deselect();
    static bool isSelected(const COverlayObject* object);
    // The selection belongs to one view; another view taking over drops it.
    static void UsingView(CKartileView* view);

    static COverlayTool* the_tool;

    std::string label;

protected:
    COverlayTool(const COverlayTool&) = delete;
    COverlayTool& operator=(const COverlayTool&) = delete;

private:
    CKartileView* m_view;
    COverlayObject* m_selected;
};
