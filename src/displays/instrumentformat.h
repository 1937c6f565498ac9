// Formatting shared by the instrument, race and axis items: values in the
// user's units (CUnits::Default) and the texts of angles.
#pragma once

#include <string>

namespace NDisplayInstruments {

std::string SpeedText(float knots);
std::string DistanceText(float metres);
std::string BearingTitle(float degrees);  // the axis as the user reads bearings

// Apparent wind angle from the bow: ">060 " for 300°, " 045<" for 45°.
std::string ApparentAngleText(float degrees);
// Rudder: "<<3.4°" to port (negative), "5.0°>>" to starboard or amidships.
std::string RudderText(float degrees);
// An angle against the axis: "+020", "-020" (d brought into -180..180).
std::string AngleFromAxisText(float value, float axis);
// d = value - axis brought into -180..180.
float AngleFromAxis(float value, float axis);

}  // namespace NDisplayInstruments
