#include "overlays/tracktool.h"

#include <QPainter>

#include "app/base/screenresolution.h"
#include "geo/units.h"
#include "maps/simplegrid.h"
#include "mapview/kartileview.h"
#include "overlays/overlaytrack.h"
#include "overlays/trackmanager.h"

CTrackTool::CTrackTool(CKartileView* view, CTrackSection* section, int index)
    : COverlayTool(view, section), m_section(section), m_index(index) {
    SetLabel();
}

void CTrackTool::SelectAt(CKartileView* view, CTrackSection* section, double lat, double lon) {
    if (!section || !section->track) return;
    // Only the tapped section is searched: a whole track may be a million points.
    section->track->SetGridOrigin();
    const CSimpleGrid& grid = section->track->grid;
    double px = 0, py = 0;
    grid.latlon_to_xy(lat, lon, px, py);
    int nearest = 0;
    double best2 = 1e300;
    for (int i = 0; i < section->count; ++i) {
        double x = 0, y = 0;
        grid.latlon_to_xy(section->points[i].lat, section->points[i].lon, x, y);
        const double d2 = (x - px) * (x - px) + (y - py) * (y - py);
        if (d2 < best2) {
            best2 = d2;
            nearest = i;
        }
    }
    new CTrackTool(view, section, nearest);
    section->Dispatch(COverlayObject::kDisplayChanged);
}

bool CTrackTool::isTrackSelected(const COverlayTrack* track) {
    COverlayTool* tool = the_tool;
    if (!tool || !track) return false;
    const CTrackSection* s = tool->GetSelectedTrackSection();
    return s && s->track == track;
}

bool CTrackTool::isLocked() const {
    return !m_section || !m_section->track || m_section->track->locked;
}

void CTrackTool::SetLabel() {
    const COverlayTrack* track = m_section ? m_section->track : nullptr;
    if (!track || m_index >= m_section->count) {
        label.clear();
        return;
    }
    std::string length;
    CUnits::Default->FormatDistance(float(const_cast<COverlayTrack*>(track)->getTotalDistance()),
                                    length);
    label = track->name + "\n" + length;
    const double t = m_section->points[m_index].time;
    if (t <= 0) return;
    std::string clock;
    CUnits::FormatTimeOfDay(t, clock);
    label += "  " + clock;
}

void CTrackTool::MoveTo(double lat, double lon) {
    COverlayTrack* track = m_section ? m_section->track : nullptr;
    if (!track) return;
    track->SetGridOrigin();
    CTrackSection* section = nullptr;
    int index = 0;
    if (!track->FindClosestPoint(track->grid, lat, lon, section, index)) return;
    m_section = section;
    m_index = index;
    section->Dispatch(COverlayObject::kDisplayChanged);
    SetLabel();
}

void CTrackTool::Move(double dx, double dy) {
    FPoint at;
    if (!ScreenPoint(at) || !view()) return;
    double lat = 0, lon = 0;
    if (!view()->ScreenTolatlong(at.x + dx, at.y + dy, lat, lon)) return;
    MoveTo(lat, lon);
    if (m_section) m_section->Dispatch(COverlayObject::kChanged);
}

bool CTrackTool::ScreenPoint(FPoint& point) const {
    if (!m_section || m_index >= m_section->count || !view()) return false;
    double sx = 0, sy = 0;
    const CTrackPoint& p = m_section->points[m_index];
    if (!view()->LatLongToScreen(p.lat, p.lon, sx, sy)) return false;
    point = FPoint(sx, sy);
    return true;
}

void CTrackTool::OnMenu() {
    if (m_section && m_section->track) COverlayTrack::ShowTrackMenu(m_section->track, nullptr);
}

// A dot on the chosen point of the track.
void CTrackTool::onDraw(QPainter* painter, COverlayObject::CMapping&) {
    FPoint at;
    if (!ScreenPoint(at)) return;
    const double r = 6 * graphicsResolution;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(255, 255, 255, 220), 2.5 * graphicsResolution));
    painter->setBrush(QColor(11, 61, 92));
    painter->drawEllipse(QPointF(at.x, at.y), r, r);
    painter->restore();
}
