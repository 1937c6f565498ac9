#include "displays/gpsitems.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <vector>

#include "data/overlaygpsposition.h"
#include "displays/itemkind.h"
#include "geo/units.h"

namespace NDisplayGPS {
namespace {

const CPlainItemKind<41, COG> cogType("GPS: Course over Ground");
const CPlainItemKind<42, SOG> sogType("GPS: Speed over Ground");
const CPlainItemKind<43, Position> positionType("GPS: Position");
const CPlainItemKind<44, Status> statusType("GPS: Accuracy");
const CPlainItemKind<45, Altitude> altitudeType("GPS: Altitude");
const CPlainItemKind<46, Time> timeType("GPS: Time");
const CPlainItemKind<47, CompassHeading> compassType("Sensors:Compass Heading");
const CPlainItemKind<48, AvgCourse> avgCourseType("GPS: Average Course");
const CPlainItemKind<49, AvgSpeed> avgSpeedType("GPS: Average Speed");
const CPlainItemKind<68, TimeSeconds> timeSecondsType("GPS: 24h Time with seconds");
const CPlainItemKind<76, NumSatellites> satellitesType("GPS: Satellites");

const CUnits& userUnits() {
    return *CUnits::Default;
}

std::string format(void (CUnits::*f)(float, std::string&) const, float v) {
    std::string text;
    (userUnits().*f)(v, text);
    return text;
}

std::string bearing(double degrees) {
    if (degrees >= 900) return "---";
    std::string text;
    userUnits().FormatBearingValue(degrees, text);
    return text;
}

}  // namespace

PositionTextItem::PositionTextItem(CDisplayView::CItemSettings& settings) : CItemText(settings) {}

// The constructors show the latest values at once rather than blank until
// the next fix.
#define ORVANTA_GPS_CONSTRUCTOR(Name)                                                \
    Name::Name(CDisplayView::CItemSettings& settings) : PositionTextItem(settings) { \
        Show(COverlayGPSPosition::theLatestPosition);                                \
    }
ORVANTA_GPS_CONSTRUCTOR(COG)
ORVANTA_GPS_CONSTRUCTOR(SOG)
ORVANTA_GPS_CONSTRUCTOR(Position)
ORVANTA_GPS_CONSTRUCTOR(Status)
ORVANTA_GPS_CONSTRUCTOR(Altitude)
ORVANTA_GPS_CONSTRUCTOR(Time)
ORVANTA_GPS_CONSTRUCTOR(AvgCourse)
ORVANTA_GPS_CONSTRUCTOR(AvgSpeed)
ORVANTA_GPS_CONSTRUCTOR(TimeSeconds)
#undef ORVANTA_GPS_CONSTRUCTOR

void COG::Show(const CDataGPSPosition& p) {
    SetTitleUnits("Course", userUnits().GetBearingUnit());
    SetValue(bearing(p.course));
}

void SOG::Show(const CDataGPSPosition& p) {
    SetTitleUnits("Speed", userUnits().GetSpeedUnit());
    // Without a fix the last speed stays.
    if (!p.HasFix() && !value().empty()) return;
    SetValue(p.HasFix() ? format(&CUnits::FormatSpeedValue, p.speed) : "---");
}

std::string PositionLines(const std::string& text, double width, double height) {
    if (text.size() <= 9 || width >= 3.5 * height) return text;
    const size_t blank = text.find(' ', text.size() * 3 / 8);
    if (blank == std::string::npos) return text;
    std::string lines = text;
    lines[blank] = '\n';
    return lines;
}

void Position::Show(const CDataGPSPosition& p) {
    SetTitleUnits("Position", "");
    if (p.latitude > 90) {
        SetValue("Not Available");
        return;
    }
    std::string text;
    userUnits().FormatPosition(p.latitude, p.longitude, text);
    double w = 0, h = 0;
    if (window()) window()->GetSize(w, h);
    SetValue(PositionLines(text, w, h));
}

void Status::Show(const CDataGPSPosition& p) {
    std::string value, unit;
    if (p.accuracy != 0) userUnits().FormatDistance(p.accuracy, value, unit);
    SetTitleUnits(p.HasFix() ? "GPS Accuracy" : "Est Pos Accuracy", unit);
    SetValue(value);
}

void Altitude::Show(const CDataGPSPosition& p) {
    static const char* const kTitles[] = {"Alt (disabled)", "Alt (baro)", "Alt (GPS)",
                                          "Alt (blend)", "Elevation"};
    const int mode = std::clamp(int(p.mode), 0, 4);
    SetTitleUnits(kTitles[mode], userUnits().GetDepthUnit());
    SetValue(format(&CUnits::FormatDepthValue, float(p.altitude)));
}

void SplitTimeOfDay(const std::string& formatted, std::string& title, std::string& value) {
    title = "Time";
    value = formatted;
    if (value.size() < 2) return;
    std::string marker = value.substr(value.size() - 2);
    std::transform(marker.begin(), marker.end(), marker.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    if (marker != "AM" && marker != "PM") return;
    value.resize(value.size() - 2);
    if (!value.empty() && value.back() == ' ') value.pop_back();
    title = "Time: " + marker;
}

void Time::Show(const CDataGPSPosition& p) {
    std::string formatted, title, value;
    if (p.time > 0)
        CUnits::FormatTimeOfDay(p.time, formatted);
    else
        formatted = "--:--";
    SplitTimeOfDay(formatted, title, value);
    SetTitleUnits(title, "");
    SetValue(value);
}

void TimeSeconds::Show(const CDataGPSPosition& p) {
    std::string text = "--:--";
    if (p.time > 0) CUnits::Get24hTime(p.time, text);
    SetTitleUnits("Time", "");
    SetValue(text);
}

void AvgCourse::Show(const CDataGPSPosition& p) {
    SetTitleUnits("Avg Course", userUnits().GetBearingUnit());
    SetValue(bearing(p.averaged_course));
}

void AvgSpeed::Show(const CDataGPSPosition& p) {
    SetTitleUnits("Avg Speed", userUnits().GetSpeedUnit());
    SetValue(format(&CUnits::FormatSpeedValue, p.averaged_speed));
}

CompassHeading::CompassHeading(CDisplayView::CItemSettings& settings) : CItemText(settings) {
    OnUpdate(COverlayGPSPosition::theLatestPosition);
}

void CompassHeading::OnUpdate(CDataSpeedDirection& d) {
    SetTitleUnits("Compass", userUnits().GetBearingUnit());
    SetValue(bearing(d.damping.heading));
}

NumSatellites::NumSatellites(CDisplayView::CItemSettings& settings) : CItemText(settings) {
    SetTitleUnits("Sats Used/View/dBH", "");
    SetValue("---");
}

int NumSatellites::SignalMean(const CDataGPSSatelliteSignals& s) {
    std::vector<int> strengths;
    for (const auto& satellite : s.satellites)
        if (satellite.prn != 0 && satellite.strength > 0) strengths.push_back(satellite.strength);
    if (strengths.empty()) return 0;
    std::sort(strengths.begin(), strengths.end(), std::greater<int>());
    const size_t n = std::min<size_t>(5, strengths.size());
    int sum = 0;
    for (size_t i = 0; i < n; ++i) sum += strengths[i];
    return sum / int(n);
}

void NumSatellites::OnUpdate(CDataGPSSatelliteSignals& s) {
    SetValue(std::to_string(s.used) + "/" + std::to_string(s.in_view) + "/" +
             std::to_string(SignalMean(s)));
}

}  // namespace NDisplayGPS
