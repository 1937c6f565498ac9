#include "displays/axisitems.h"

#include <cmath>

#include "data/fasttrig.h"
#include "displays/instrumentformat.h"
#include "displays/itemkind.h"
#include "geo/numbertext.h"
#include "maps/simplegrid.h"

namespace NDisplayAxis {

const char* const kSetAxis = "Set Axis";

namespace {

const CPlainItemKind<105, TrueWind_from_axis> k105("Instruments:Axis:True Wind Dir vs Axis");
const CPlainItemKind<106, Heading_from_axis> k106("Instruments:Axis:Heading vs Axis");
const CPlainItemKind<107, Line_Bias_from_axis> k107("Instruments:Timer:Start Line Bias vs Axis");
const CPlainItemKind<108, Line_Bias_from_wind> k108(
    "Instruments:Timer:Start-Line Bias vs True Wind");
const CPlainItemKind<109, CDispAxis> k109("Instruments:Axis:Axis");
const CPlainItemKind<110, COG_from_axis> k110("Instruments:Axis:COG vs Axis");
const CPlainItemKind<134, CDispVMGAlongAxis> k134("Instruments:Axis:VMG along Axis");

float axisNow() {
    return CDataStartLine::theStartLine.axis;
}

bool validLatLon(double lat, double lon) {
    return lat != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
}

}  // namespace

CAxisTextItem::CAxisTextItem(CDisplayView::CItemSettings& settings) : CItemText(settings) {}

bool CAxisTextItem::onEditMenu(const std::string& entry) {
    if (entry != kSetAxis) return false;
    CDataStartTimer::showAxisDialog(window());
    return true;
}

bool CAxisTextItem::titleForAxis(const char* prefix, const char* units) {
    const float axis = axisNow();
    if (axis == m_axis) return false;
    m_axis = axis;
    SetTitleUnits(prefix + NDisplayInstruments::BearingTitle(axis), units);
    return true;
}

// ---------------------------------------------------------------- angles

TrueWind_from_axis::TrueWind_from_axis(CDisplayView::CItemSettings& settings)
    : CAxisTextItem(settings) {
    updateTitle();
    SetValue("---");
}

void TrueWind_from_axis::OnUpdate(CDataTrueWind& wind) {
    SetValue(NDisplayInstruments::AngleFromAxisText(wind.damping.angle, m_axis));
}

Heading_from_axis::Heading_from_axis(CDisplayView::CItemSettings& settings)
    : CAxisTextItem(settings) {
    updateTitle();
    SetValue("---");
}

void Heading_from_axis::updateTitle() {
    titleForAxis("Heading vs ");
}

void Heading_from_axis::OnUpdate(CDataSpeedDirection& motion) {
    const float heading = motion.damping.heading;
    SetValue(heading < 900 ? NDisplayInstruments::AngleFromAxisText(heading, m_axis) : "---");
}

COG_from_axis::COG_from_axis(CDisplayView::CItemSettings& settings) : CAxisTextItem(settings) {
    updateTitle();
    SetValue("---");
}

void COG_from_axis::updateTitle() {
    titleForAxis("COG vs ");
}

void COG_from_axis::OnUpdate(CDataSpeedDirection& motion) {
    const float course = motion.course;
    SetValue(course >= 0 && course < 900 ? NDisplayInstruments::AngleFromAxisText(course, m_axis)
                                         : "---");
}

CDispAxis::CDispAxis(CDisplayView::CItemSettings& settings) : CAxisTextItem(settings) {
    SetTitleUnits("Course Axis", "");
    updateTitle();
}

void CDispAxis::updateTitle() {
    const float axis = axisNow();
    if (axis == m_axis) return;
    m_axis = axis;
    SetValue(NDisplayInstruments::BearingTitle(axis));
}

CDispVMGAlongAxis::CDispVMGAlongAxis(CDisplayView::CItemSettings& settings)
    : CAxisTextItem(settings) {
    updateTitle();
    SetValue("---");
}

void CDispVMGAlongAxis::updateTitle() {
    if (titleForAxis("VMG to ", CUnits::Default->GetSpeedUnit()))
        fast_sin_cos(int(std::lround(m_axis)), m_sin, m_cos);
}

void CDispVMGAlongAxis::OnUpdate(CDataSpeedDirection& motion) {
    if (!(motion.course < 900)) {
        SetValue("---");
        return;
    }
    const float vmg = motion.speed * (m_sin * motion.course_sin + m_cos * motion.course_cos);
    SetValue(NDisplayInstruments::SpeedText(vmg));
}

// ---------------------------------------------------------------- line bias

bool StartLineGeometry(const CDataStartLine& line, LineGeometry& g) {
    g = LineGeometry();
    if (!validLatLon(line.left_lat, line.left_lon) || !validLatLon(line.right_lat, line.right_lon))
        return false;
    const CSimpleGrid frame(line.right_lat, line.right_lon);
    if (!frame.IsValid()) return false;
    frame.latlon_to_xy(line.left_lat, line.left_lon, g.x, g.y);
    const double length = std::hypot(g.x, g.y);
    if (!(length >= 5 && length <= 10000)) return false;
    g.bearing = float(fast_atan2(float(-g.x / length), float(g.y / length)));
    return true;
}

std::string LineBiasText(const LineGeometry& line, float reference, float ux, float uy,
                         bool clampToZero) {
    if (line.bearing >= 900) return "---";
    float a = NDisplayInstruments::AngleFromAxis(line.bearing, reference);
    float s = float(line.x * ux + line.y * uy);
    char marker = '<';
    if (s < 0) {
        marker = '>';
        s = -s;
        a = -a;
    }
    if (clampToZero && a < 0) a = 0;
    std::string distance;
    CUnits::Default->FormatDistance(s, distance);
    return stringFormat("%c%s%c%.0f°", marker, distance.c_str(), marker, a);
}

Line_Bias_from_axis::Line_Bias_from_axis(CDisplayView::CItemSettings& settings)
    : CAxisTextItem(settings) {
    updateTitle();
}

void Line_Bias_from_axis::updateTitle() {
    m_axis = axisNow();
    SetTitleUnits("Start Line vs " + NDisplayInstruments::BearingTitle(m_axis), "");
    LineGeometry line;
    if (!StartLineGeometry(CDataStartLine::theStartLine, line)) {
        SetValue("---");
        return;
    }
    float s = 0, c = 0;
    fast_sin_cos(int(std::lround(m_axis)), s, c);
    SetValue(LineBiasText(line, m_axis, s, c, false));
}

Line_Bias_from_wind::Line_Bias_from_wind(CDisplayView::CItemSettings& settings)
    : CItemText(settings) {
    SetTitleUnits("Start Line vs True Wind", "");
    OnUpdate(CDataStartLine::theStartLine);
}

void Line_Bias_from_wind::OnUpdate(CDataStartLine& line) {
    StartLineGeometry(line, m_line);
    OnUpdate(CDataTrueWind::theTrueWind);
}

void Line_Bias_from_wind::OnUpdate(CDataTrueWind& wind) {
    const VelocityDamping& d = wind.damping;
    if (m_line.bearing >= 900 || d.magnitude <= 0.1f) {
        SetValue("---");
        return;
    }
    SetValue(LineBiasText(m_line, d.angle, d.unit_x, d.unit_y, true));
}

}  // namespace NDisplayAxis
