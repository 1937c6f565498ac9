// CompassCalibration: corrections of a compass sensor's heading, in degrees,
// at 0, 30, ..., 360 degrees, interpolated linearly between them.
//
// Stored as twelve decimals, each followed by ',' (the correction at 360
// degrees is the one at 0).
#pragma once

#include <string>

class CompassCalibration {
public:
    static constexpr int kPoints = 13;

    // The sensor heading plus the interpolated correction (degrees).
    float Adjust(float heading) const;

    std::string ToString() const;
    // False, and the table unchanged, unless twelve finite numbers are found.
    bool FromString(const std::string& text);

    float cal[kPoints] = {};
};
