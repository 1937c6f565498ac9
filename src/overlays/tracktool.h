// CTrackTool: the selection of one track in one map view, shown at a point
// of the track with the track's name, length and the time of that point.
// Dragging slides it along the track to the point nearest the pointer.
#pragma once

#include "overlays/overlaytool.h"

class COverlayTrack;
class CTrackSection;

class CTrackTool : public COverlayTool {
public:
    CTrackTool(CKartileView* view, CTrackSection* section, int index);

    void OnMenu() override;
    void SetLabel() override;
    void Move(double dx, double dy) override;
    void onDraw(QPainter* painter, COverlayObject::CMapping& mapping) override;
    CTrackSection* GetSelectedTrackSection() override { return m_section; }
    int selectedIndex() const { return m_index; }
    bool ScreenPoint(FPoint& point) const override;
    bool isLocked() const override;

    // Selects the track of a tapped section at its point nearest (lat, lon).
    static void SelectAt(CKartileView* view, CTrackSection* section, double lat, double lon);
    static bool isTrackSelected(const COverlayTrack* track);
    // Slides the tool to the track point nearest (lat, lon).
    void MoveTo(double lat, double lon);

private:
    CTrackSection* m_section;
    int m_index;
};
