#include "displays/dialitems.h"

#include <algorithm>
#include <cmath>

#include "data/overlaygpsposition.h"
#include "displays/instrumentformat.h"
#include "displays/itemkind.h"
#include "geo/units.h"

namespace {

const CPlainItemKind<99, CItemTrueWindDial> k99("Instruments:Dial True Wind", 4, 200, 200);
const CPlainItemKind<100, CItemAppWindDial> k100("Instruments:Dial App Wind", 4, 200, 200);
const CPlainItemKind<101, CItemBoatSpeedometer> k101("Instruments:Dials:Boat speed", 4, 200, 200);
const CPlainItemKind<102, CItemGPSSpeedometer> k102("GPS:Speedometer", 4, 200, 200);

float speedFactor() {
    const CUnits& u = *CUnits::Default;
    return CUnits::kSpeedFactors[std::clamp(u.speed_unit, 0, CUnits::kSpeedUnits - 1)];
}

float wrap360(float degrees) {
    return std::fmod(std::fmod(degrees, 360.0f) + 360.0f, 360.0f);
}

}  // namespace

// ---------------------------------------------------------------- speedometers

void CSpeedometer::setSpeed(float speed) {
    value = speed;
    Q_EMIT valueChanged();
}

bool ComputeSpeedometerScale(float top, SpeedometerScale& scale) {
    if (!std::isfinite(top) || top <= 0) return false;
    top = std::min(top, kMaxTopSpeed);
    double r = top * 1.3 / 6, major = 1, minor = 0.5;
    while (r > 10) {
        r /= 10;
        major *= 10;
        minor = major * 0.5;
    }
    if (r > 8) {
        major *= 5;
        minor = major;
    } else if (r > 2) {
        major *= 2;
        minor = major * 0.5;
    }
    scale.major = float(major);
    scale.minor = float(minor);
    scale.maximum = float(std::floor(top * 1.3 / major) * major);
    return true;
}

CItemSpeedometerBase::CItemSpeedometerBase(CDisplayView::CItemSettings& settings)
    : CItemComponent(settings) {}

bool CItemSpeedometerBase::setScale(float top) {
    SpeedometerScale scale;
    if (!ComputeSpeedometerScale(top, scale)) return false;
    m_dial.topSpeed = std::min(top, kMaxTopSpeed);
    m_dial.majorStepSize = scale.major;
    m_dial.stepSize = scale.minor;
    m_dial.maxValue = scale.maximum;
    Q_EMIT m_dial.scaleChanged();
    return true;
}

void CItemSpeedometerBase::showKnots(float knots) {
    const float speed = knots * speedFactor();
    if (speed > m_dial.maxValue) setScale(speed);
    m_dial.setSpeed(speed);
}

CItemBoatSpeedometer::CItemBoatSpeedometer(CDisplayView::CItemSettings& settings)
    : CItemSpeedometerBase(settings) {
    m_dial.title = QString("Boat Speed / ") + CUnits::Default->GetSpeedUnit();
    setScale(6);
}

void CItemBoatSpeedometer::OnUpdate(CNMEA_Instruments::VHW& vhw) {
    if (vhw.has_speed) showKnots(vhw.speed_through_water);
}

CItemGPSSpeedometer::CItemGPSSpeedometer(CDisplayView::CItemSettings& settings)
    : CItemSpeedometerBase(settings) {
    m_dial.title = QString("Speed / ") + CUnits::Default->GetSpeedUnit();
    setScale(4);
}

void CItemGPSSpeedometer::OnUpdate(CDataGPSPosition& position) {
    // The scale follows the recent speeds upwards.
    const float recent = position.speed_range.GetMax() * speedFactor();
    if (recent > m_dial.topSpeed) setScale(recent);
    showKnots(position.HasFix() ? position.speed : 0);
}

// ---------------------------------------------------------------- wind dials

CItemTrueWindDial::CItemTrueWindDial(CDisplayView::CItemSettings& settings)
    : CItemComponent(settings) {
    m_dial.title = "True Wind";
    m_dial.trueWind = true;
    m_dial.axis = CDataStartLine::theStartLine.axis;
}

void CItemTrueWindDial::OnUpdate(CDataTrueWind& wind) {
    m_dial.value = wind.damping.angle;
    float low = 0, high = 0;
    // The range is drawn against the axis, which is the dial's up direction.
    if (wind.direction_range.GetMinMax(low, high)) {
        m_dial.range_min = wrap360(low - m_dial.axis);
        m_dial.range_max = wrap360(high - m_dial.axis);
    } else {
        m_dial.range_min = m_dial.range_max = wrap360(m_dial.value - m_dial.axis);
    }
    m_dial.speed = QString::fromStdString(NDisplayInstruments::SpeedText(wind.damping.magnitude));
    Q_EMIT m_dial.valueChanged();
}

void CItemTrueWindDial::OnUpdate(CDataGPSPosition& position) {
    const float heading =
        position.damping.heading < 900 ? position.damping.heading : position.course;
    if (heading >= 900) return;
    m_dial.boat = wrap360(heading - m_dial.axis);
    Q_EMIT m_dial.valueChanged();
}

void CItemTrueWindDial::OnUpdate(CDataStartLine& line) {
    m_dial.axis = line.axis;
    Q_EMIT m_dial.axisChanged();
}

CItemAppWindDial::CItemAppWindDial(CDisplayView::CItemSettings& settings)
    : CItemComponent(settings) {
    m_dial.title = "Apparent Wind";
    if (m_mast->valid) m_dial.mast = m_mast->angle;
}

void CItemAppWindDial::OnUpdate(CNMEA_Instruments::MWV& mwv) {
    if (mwv.reference != 0) return;
    m_dial.value = mwv.wind_angle;
    m_dial.speed = QString::fromStdString(NDisplayInstruments::SpeedText(mwv.wind_speed));
    Q_EMIT m_dial.valueChanged();
}

void CItemAppWindDial::OnUpdate(CMastRotation& mast) {
    m_dial.mast = mast.angle;
    Q_EMIT m_dial.valueChanged();
}
