#include "displays/gotoitems.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>

#include "app/base/timeutils.h"
#include "data/fasttrig.h"
#include "data/overlaygpsposition.h"
#include "displays/itemkind.h"
#include "geo/units.h"
#include "overlays/markmanager.h"
#include "overlays/overlaymark.h"
#include "overlays/overlayroute.h"

namespace NDisplayGoto {
namespace {

const CPlainItemKind<22, Distance> distanceType("Goto:Distance");
const CPlainItemKind<23, Bearing> bearingType("Goto:Bearing");
const CPlainItemKind<24, Angle> angleType("Goto:Turn Angle");
const CPlainItemKind<25, CrossTrack> crossTrackType("Goto:CrossTrack");
const CPlainItemKind<26, Arrow> arrowType("Goto:Arrow", 4, 300, 300);
const CPlainItemKind<57, EstTimeToGo> timeToGoType("Goto:Time to Next WP");
const CPlainItemKind<58, EstTimeOfArrival> etaType("Goto:ETA Next WP");
const CPlainItemKind<59, DistanceToEnd> distanceToEndType("Goto:Dist to Route End");
const CPlainItemKind<60, EstTimeToEnd> timeToEndType("Goto:Time to Route End");
const CPlainItemKind<61, ETAatEnd> etaAtEndType("Goto:ETA End of Route");
const CPlainItemKind<62, VMGParallelLeg> vmgLegType("Goto:VMG Parallel to Leg");
const CPlainItemKind<63, VMGtoMark> vmgMarkType("Goto:VMG Towards Mark");
const CPlainItemKind<64, NextTurn> nextTurnType("Goto:Turn after Mark");
const CPlainItemKind<66, WaypointName> waypointNameType("Goto:Waypoint name");
const CPlainItemKind<97, ComingUp> comingUpType("Goto:Coming Up");
const CPlainItemKind<114, PercentageToEnd> percentageType("Goto:% Along Route");

const CUnits& userUnits() {
    return *CUnits::Default;
}

CDataGotoMark& liveState() {
    return CMarkManager::theManager.go_to;
}

const COverlayGPSPosition& own() {
    return COverlayGPSPosition::theLatestPosition;
}

bool active(const CDataGotoMark& go) {
    return go.mark != nullptr;
}

std::string name(const CDataGotoMark& go) {
    return go.mark ? go.mark->name : std::string();
}

// The last waypoint of a followed route, else the destination itself.
std::string endName(const CDataGotoMark& go) {
    if (go.route && !go.route->waypoints.empty()) return go.route->waypoints.back()->name;
    return name(go);
}

const COverlayMark* afterDestinationOf(const CDataGotoMark& go, const COverlayMark* wp) {
    return go.route ? go.route->getWaypointAfter(wp) : nullptr;
}

// The waypoint after the destination on a followed route, or null.
const COverlayMark* afterDestination(const CDataGotoMark& go) {
    return go.route ? go.route->getWaypointAfter(go.mark) : nullptr;
}

std::string elapsed(double seconds) {
    if (seconds == 0) return "---";
    std::string text;
    CUnits::FormatElapsedTime(seconds, text);
    return text;
}

std::string arrival(double seconds) {
    if (seconds == 0) return "--:--";
    std::string text;
    CUnits::FormatTimeOfDay(GetTimeNow() + seconds, text);
    return text;
}

// Knots along a direction of unit vector (x east, y north).
std::string speedAlong(double component) {
    std::string text;
    userUnits().FormatSpeedValue(float(own().speed * component), text);
    return text;
}

bool movingWithFix() {
    return own().HasFix() && (own().course_sin != 0 || own().course_cos != 0);
}

}  // namespace

std::string TurnText(double bearing, double heading) {
    int t = int(bearing - heading);
    while (t > 180) t -= 360;
    while (t < -180) t += 360;
    char text[32];
    if (t < 0)
        std::snprintf(text, sizeof text, "<%d\u00B0", -t);
    else
        std::snprintf(text, sizeof text, "%d\u00B0>", t);
    return text;
}

CGotoTextItemWithMenu::CGotoTextItemWithMenu(CDisplayView::CItemSettings& settings)
    : CItemText(settings) {}

void CGotoTextItemWithMenu::ShowLatest() {
    Show(liveState());
}

std::vector<std::string> CGotoTextItemWithMenu::editMenus() const {
    if (!active(liveState())) return {};
    return {"Cancel Go To"};
}

bool CGotoTextItemWithMenu::onEditMenu(const std::string& entry) {
    if (entry != "Cancel Go To") return false;
    CMarkManager::theManager.CancelNavigation();
    return true;
}

#define ORVANTA_GOTO_CONSTRUCTOR(Name)                                                    \
    Name::Name(CDisplayView::CItemSettings& settings) : CGotoTextItemWithMenu(settings) { \
        ShowLatest();                                                                     \
    }
ORVANTA_GOTO_CONSTRUCTOR(Distance)
ORVANTA_GOTO_CONSTRUCTOR(Bearing)
ORVANTA_GOTO_CONSTRUCTOR(CrossTrack)
ORVANTA_GOTO_CONSTRUCTOR(EstTimeToGo)
ORVANTA_GOTO_CONSTRUCTOR(EstTimeOfArrival)
ORVANTA_GOTO_CONSTRUCTOR(DistanceToEnd)
ORVANTA_GOTO_CONSTRUCTOR(ETAatEnd)
ORVANTA_GOTO_CONSTRUCTOR(VMGParallelLeg)
ORVANTA_GOTO_CONSTRUCTOR(VMGtoMark)
ORVANTA_GOTO_CONSTRUCTOR(NextTurn)
ORVANTA_GOTO_CONSTRUCTOR(WaypointName)
ORVANTA_GOTO_CONSTRUCTOR(PercentageToEnd)
#undef ORVANTA_GOTO_CONSTRUCTOR

// Before the first update the generic title is the longer one.
EstTimeToEnd::EstTimeToEnd(CDisplayView::CItemSettings& settings)
    : CGotoTextItemWithMenu(settings) {
    SetTitleUnits("Time to End", "");
}

void Distance::Show(const CDataGotoMark& go) {
    if (!active(go)) {
        SetTitleUnits("Dist to WP", "");
        SetValue("");
        return;
    }
    std::string value, unit;
    userUnits().FormatDistance(go.distance, value, unit);
    SetTitleUnits("Dist: " + name(go), unit);
    SetValue(value);
}

void Bearing::Show(const CDataGotoMark& go) {
    if (!active(go)) {
        SetTitleUnits("Bearing to WP", "");
        SetValue("");
        return;
    }
    std::string value;
    userUnits().FormatBearingValue(go.bearing, value);
    SetTitleUnits(name(go) + " bears", userUnits().GetBearingUnit());
    SetValue(value);
}

Angle::Angle(CDisplayView::CItemSettings& settings) : CGotoTextItemWithMenu(settings) {
    ShowLatest();
}

void Angle::Show(const CDataGotoMark& go) {
    SetTitleUnits(active(go) ? "Turn to " + name(go) : "Turn", "");
    const float heading = own().get_heading();
    if (!active(go) || go.bearing >= 900 || heading >= 900)
        SetValue("");
    else
        SetValue(TurnText(go.bearing, heading));
}

void Angle::OnUpdate(CDataSpeedDirection&) {
    ShowLatest();
}

void CrossTrack::Show(const CDataGotoMark& go) {
    SetTitleUnits("X-Track", "");
    if (!active(go)) {
        SetValue("");
        return;
    }
    std::string value, unit;
    userUnits().FormatDistance(std::fabs(go.cross_track), value, unit);
    if (go.cross_track < 0) value = "<" + value;
    if (go.cross_track > 0) value += ">";
    SetTitleUnits("X-Track", unit);
    SetValue(value);
}

void EstTimeToGo::Show(const CDataGotoMark& go) {
    SetTitleUnits(active(go) ? "Time: " + name(go) : "Time to WP", "");
    SetValue(active(go) ? elapsed(go.time_to_next_WP()) : "");
}

void EstTimeOfArrival::Show(const CDataGotoMark& go) {
    SetTitleUnits(active(go) ? "ETA: " + name(go) : "ETA Next WP", "");
    SetValue(active(go) ? arrival(go.time_to_next_WP()) : "");
}

void DistanceToEnd::Show(const CDataGotoMark& go) {
    if (!active(go)) {
        SetTitleUnits("Dist to End", "");
        SetValue("");
        return;
    }
    std::string value, unit;
    userUnits().FormatDistance(go.distance + go.distance_after, value, unit);
    SetTitleUnits("Dist: " + endName(go), unit);
    SetValue(value);
}

void EstTimeToEnd::Show(const CDataGotoMark& go) {
    SetTitleUnits(active(go) ? "Time: " + endName(go) : "Time to ...", "");
    if (!active(go)) return SetValue("");
    const double first = go.time_to_next_WP();
    SetValue(first == 0 ? "---" : elapsed(first + go.additional_time_after_WP()));
}

void ETAatEnd::Show(const CDataGotoMark& go) {
    SetTitleUnits(active(go) ? "ETA: " + endName(go) : "ETA at End", "");
    if (!active(go)) return SetValue("");
    const double first = go.time_to_next_WP();
    SetValue(first == 0 ? "--:--" : arrival(first + go.additional_time_after_WP()));
}

void VMGParallelLeg::Show(const CDataGotoMark& go) {
    SetTitleUnits("VMG // Leg", userUnits().GetSpeedUnit());
    if (!active(go) || !movingWithFix()) return SetValue("");
    SetValue(speedAlong(go.component_parallel_to_leg(own().course_sin, own().course_cos)));
}

void VMGtoMark::Show(const CDataGotoMark& go) {
    SetTitleUnits("VMG to WP", userUnits().GetSpeedUnit());
    if (!active(go) || !movingWithFix()) return SetValue("");
    SetValue(speedAlong(go.to_mark.x * own().course_sin + go.to_mark.y * own().course_cos));
}

// The turn for the leg after the destination, from where the boat heads now.
void NextTurn::Show(const CDataGotoMark& go) {
    SetTitleUnits("Turn After WP", "");
    const COverlayMark* after = active(go) ? afterDestination(go) : nullptr;
    const float heading = own().get_heading();
    if (!after || !own().HasFix() || heading >= 900) return SetValue("");
    double x = 0, y = 0;
    go.grid.latlon_to_xy(after->lat, after->lon, x, y);
    x -= go.pos_x;
    y -= go.pos_y;
    if (std::hypot(x, y) <= 5) return SetValue("");
    SetValue(TurnText(fast_atan2(y, x), heading));
}

void WaypointName::Show(const CDataGotoMark& go) {
    SetTitleUnits("Waypoint", "");
    SetValue(name(go));
}

void PercentageToEnd::Show(const CDataGotoMark& go) {
    SetTitleUnits("% Along Route", "");
    const double total = go.route ? go.route->TotalLengthofSegments() : 0;
    if (!active(go) || total <= 1) return SetValue("");
    const double remaining =
        go.distance_after - go.component_parallel_to_leg(float(go.pos_x), float(go.pos_y));
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", int((total - remaining) / total * 100));
    SetValue(text);
}

// ---------------------------------------------------------------- arrow

Arrow::Arrow(CDisplayView::CItemSettings& settings) : CItemDraw(settings) {
    m_bearing = liveState().mark ? liveState().bearing : 999;
    m_heading = own().get_heading();
}

void Arrow::OnUpdate(CDataGotoMark& go) {
    m_bearing = go.mark ? go.bearing : 999;
    invalidate();
}

void Arrow::OnUpdate(CDataSpeedDirection& d) {
    const float heading = d.get_heading();
    if (heading >= 900) return;
    m_heading = heading;
    invalidate();
}

bool Arrow::direction(double& degrees) const {
    if (m_bearing >= 900) return false;
    degrees = m_heading < 900 ? m_bearing - m_heading : m_bearing;
    return true;
}

void Arrow::Paint(QPainter& painter, double w, double h) {
    double degrees = 0;
    if (!direction(degrees)) return;
    const double r = std::min(w, h) * 0.42;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(w / 2, h / 2);
    painter.rotate(degrees);
    QPainterPath arrow;
    arrow.moveTo(0, -r);
    arrow.lineTo(r * 0.45, -r * 0.35);
    arrow.lineTo(r * 0.15, -r * 0.35);
    arrow.lineTo(r * 0.15, r);
    arrow.lineTo(-r * 0.15, r);
    arrow.lineTo(-r * 0.15, -r * 0.35);
    arrow.lineTo(-r * 0.45, -r * 0.35);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(11, 61, 92), std::max(1.0, r / 40)));
    painter.setBrush(QColor(230, 120, 20));
    painter.drawPath(arrow);
    painter.restore();
}

// ---------------------------------------------------------------- coming up

ComingUp::ComingUp(CDisplayView::CItemSettings& settings) : CItemMultilineText(settings) {
    OnUpdate(liveState());
}

void ComingUp::OnUpdate(CDataGotoMark& go) {
    if (!go.mark) return SetValue("Coming up...");
    std::string text;
    // The destination, then the waypoints after it with their distances.
    double along = go.distance;
    for (const COverlayMark* wp = go.mark; wp; wp = afterDestinationOf(go, wp)) {
        if (wp != go.mark)
            along += go.route->getDistanceUpToWaypoint(wp) -
                     go.route->getDistanceUpToWaypoint(go.route->getWaypointBefore(wp));
        if (wp->name.empty()) continue;
        std::string distance;
        userUnits().FormatDistance(float(along), distance);
        if (!text.empty()) text += "\n";
        text += distance + ": " + wp->name;
        if (!wp->comment.empty()) text += "\n(" + wp->comment + ")";
    }
    SetValue(text);
}

}  // namespace NDisplayGoto
