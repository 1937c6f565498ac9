#include "displays/instrumentformat.h"

#include <cmath>

#include "geo/numbertext.h"
#include "geo/units.h"

namespace NDisplayInstruments {

std::string SpeedText(float knots) {
    std::string text;
    CUnits::Default->FormatSpeedValue(knots, text);
    return text;
}

std::string DistanceText(float metres) {
    std::string text;
    CUnits::Default->FormatDistance(metres, text);
    return text;
}

std::string BearingTitle(float degrees) {
    std::string text;
    CUnits::Default->FormatBearing(degrees, text);
    return text;
}

std::string ApparentAngleText(float a) {
    if (a > 180) return stringFormat(">%03d ", int(360 - a + 0.499f));
    return stringFormat(" %03d<", int(a + 0.499f));
}

std::string RudderText(float degrees) {
    const std::string magnitude = stringFormat("%.1f°", std::fabs(degrees));
    return degrees < 0 ? "<<" + magnitude : magnitude + ">>";
}

float AngleFromAxis(float value, float axis) {
    float d = value - axis;
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

std::string AngleFromAxisText(float value, float axis) {
    const float d = AngleFromAxis(value, axis);
    return stringFormat("%c%03d", d >= 0 ? '+' : '-', int(std::fabs(d) + 0.4999f));
}

}  // namespace NDisplayInstruments
