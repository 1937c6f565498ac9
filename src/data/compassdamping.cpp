#include "data/compassdamping.h"

#include <cmath>

float CompassDamping::default_time_const = 1.0f;

float WrapDegrees360(float degrees) {
    if (!std::isfinite(degrees)) return degrees;
    float d = std::fmod(degrees, 360.0f);
    if (d < 0) d += 360.0f;
    return d >= 360.0f ? 0.0f : d;
}

float WrapDegrees180(float degrees) {
    const float d = WrapDegrees360(degrees);
    return d > 180.0f ? d - 360.0f : d;
}

void CompassDamping::SetTimeConstant(float seconds) {
    time_const = seconds;
    rate = seconds > 0 ? 1.0f / seconds : 0.0f;
}

void CompassDamping::Set(float value, double time) {
    const double dt = time - time_of_last_heading;
    float constant = time_const;
    if (constant < 0) {
        constant = default_time_const;
        rate = constant > 0 ? 1.0f / constant : 0.0f;
    }
    // Without a damped heading yet there is nothing to move from.
    if (dt > 0 && dt <= constant && heading < 900) {
        const float d = WrapDegrees180(value - heading);
        heading = WrapDegrees360(heading + float(dt) * rate * d);
    } else {
        heading = value;
    }
    time_of_last_heading = time;
}
