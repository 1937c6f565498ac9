#include "displays/instrumentitems.h"

#include "app/base/barometer.h"
#include "displays/instrumentformat.h"
#include "displays/itemkind.h"
#include "geo/numbertext.h"
#include "geo/units.h"

namespace NDisplayInstruments {
namespace {

const CPlainItemKind<33, BoatSpeed> k33("Instruments:Boat Speed");
const CPlainItemKind<34, ApparentWindAngle> k34("Instruments:Apparent Wind Angle");
const CPlainItemKind<35, ApparentWindSpeed> k35("Instruments:Apparent Wind Speed");
const CPlainItemKind<36, WaterDepth> k36("Instruments:Depth of water");
const CPlainItemKind<78, WaterTemperature> k78("Instruments:Water Temperature");
const CPlainItemKind<80, RudderAngle> k80("Instruments:Rudder Angle");
const CPlainItemKind<81, AverageRudderAngle> k81("Instruments:Average Rudder Angle");
const CPlainItemKind<82, EngineRPM> k82("Instruments:Engine RPM");
const CPlainItemKind<86, TrueWindDirection> k86("Instruments:True Wind Direction");
const CPlainItemKind<87, TrueWindSpeed> k87("Instruments:True Wind Speed");
const CPlainItemKind<112, TrueWindRange> k112("Instruments:True Wind Range");
const CPlainItemKind<113, TrueWindGust> k113("Instruments:True Wind Gust");

const CUnits& userUnits() {
    return *CUnits::Default;
}

std::string depthText(float metres) {
    std::string text;
    userUnits().FormatDepthValue(metres, text);
    return text;
}

}  // namespace

BoatSpeed::BoatSpeed(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Boat Speed", userUnits().GetSpeedUnit()) {}
void BoatSpeed::Show(const CNMEA_Instruments::VHW& vhw) {
    if (vhw.has_speed) SetValue(SpeedText(vhw.speed_through_water));
}

WaterDepth::WaterDepth(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Depth", userUnits().GetDepthUnit()) {}
void WaterDepth::Show(const CNMEA_Instruments::DBT& dbt) {
    SetValue(depthText(dbt.depth));
}
void WaterDepth::OnUpdate(CNMEA_Instruments::DPT& dpt) {
    SetValue(depthText(dpt.depth + dpt.offset_waterline - dpt.offset_keel));
}

WaterTemperature::WaterTemperature(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Water Temp", userUnits().GetTemperatureUnit()) {}
void WaterTemperature::Show(const CNMEA_Instruments::MTW& mtw) {
    std::string text;
    userUnits().FormatTemperatureValue(mtw.temperature, text);
    SetValue(text);
}

ApparentWindAngle::ApparentWindAngle(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Wind app", "") {}
void ApparentWindAngle::Show(const CNMEA_Instruments::MWV& mwv) {
    if (mwv.reference == 0) SetValue(ApparentAngleText(mwv.wind_angle));
}

ApparentWindSpeed::ApparentWindSpeed(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "App Wind", userUnits().GetSpeedUnit()) {}
void ApparentWindSpeed::Show(const CNMEA_Instruments::MWV& mwv) {
    if (mwv.reference == 0) SetValue(SpeedText(mwv.wind_speed));
}

TrueWindDirection::TrueWindDirection(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Wind Direction (°T)", "") {}
void TrueWindDirection::Show(const CDataTrueWind& wind) {
    SetValue(stringFormat("%03d", int(wind.damping.angle + 0.499f)));
}

TrueWindSpeed::TrueWindSpeed(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "True Wind", userUnits().GetSpeedUnit()) {}
void TrueWindSpeed::Show(const CDataTrueWind& wind) {
    SetValue(SpeedText(wind.damping.magnitude));
}

// The dispatch carries theTrueWind; the range shown is the average's.
TrueWindRange::TrueWindRange(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Avg True Wind", userUnits().GetSpeedUnit()) {}
void TrueWindRange::Show(const CDataTrueWind&) {
    float low = 0, high = 0;
    if (CDataTrueWind::theAverageTrueWind.speed_range.GetMinMax(low, high))
        SetValue(SpeedText(low) + "-" + SpeedText(high));
}

TrueWindGust::TrueWindGust(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "True Wind Gust", userUnits().GetSpeedUnit()) {}
void TrueWindGust::Show(const CDataTrueWind& wind) {
    SetValue(SpeedText(wind.speed_range.GetMax()));
}

RudderAngle::RudderAngle(CDisplayView::CItemSettings& s) : SourceTextItem(s, "Rudder", "") {}
void RudderAngle::Show(const CNMEA_Instruments::RSA& rsa) {
    SetValue(RudderText(rsa.rudder_angle));
}

AverageRudderAngle::AverageRudderAngle(CDisplayView::CItemSettings& s)
    : SourceTextItem(s, "Avg Rudder", "") {}
void AverageRudderAngle::Show(const CNMEA_Instruments::RSA& rsa) {
    SetValue(RudderText(rsa.smoothed_angle));
}

EngineRPM::EngineRPM(CDisplayView::CItemSettings& s) : SourceTextItem(s, "RPM", "") {}
void EngineRPM::Show(const CNMEA_Instruments::RPM& rpm) {
    SetValue(stringFormat("%.0f", rpm.rpm1));
}

}  // namespace NDisplayInstruments

namespace NDisplayBarometer {
namespace {
const CPlainItemKind<95, Pressure> k95("Sensors:Barometric Pressure");
}  // namespace

Pressure::Pressure(CDisplayView::CItemSettings& s) : CItemText(s) {
    SetTitleUnits("Barometer", "mBar");
    Show();
}

void Pressure::Show() {
    const double hPa = GetBarometricPressure();
    SetValue(hPa > 0 ? stringFormat("%.0f", hPa) : "-");
}

}  // namespace NDisplayBarometer
