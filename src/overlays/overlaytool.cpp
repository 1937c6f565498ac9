#include "overlays/overlaytool.h"

COverlayTool* COverlayTool::the_tool = nullptr;

COverlayTool::COverlayTool(CKartileView* view, COverlayObject* selected)
    : m_view(view), m_selected(selected) {
    delete the_tool;
    the_tool = this;
}

COverlayTool::~COverlayTool() {
    if (the_tool == this) the_tool = nullptr;
}

void COverlayTool::OnUpdate(COverlayObject& object) {
    if (&object != m_selected) return;
    // The object is going away: never touch it again.
    if (object.last_action == COverlayObject::kRemoved) {
        m_selected = nullptr;
        return;
    }
    SetLabel();
}

void COverlayTool::Deselect() {
    COverlayTool* tool = the_tool;
    the_tool = nullptr;
    delete tool;
    OverlaySelectionCleared cleared;
    Listener<OverlaySelectionCleared>::Dispatch(cleared);
}

bool COverlayTool::isSelected(const COverlayObject* object) {
    return the_tool && object && the_tool->m_selected == object;
}

void COverlayTool::UsingView(CKartileView* view) {
    if (the_tool && the_tool->m_view != view) Deselect();
}
