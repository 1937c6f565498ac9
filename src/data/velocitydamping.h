// VelocityDamping: a first-order low-pass filter of a velocity, kept as
// east and north components so that directions average without wrapping.
//
// Each sample moves the damped vector towards itself by dt / time constant
// (dt since the previous sample); a first sample, a step back in time or a
// gap longer than the time constant restarts from the sample. The bearing
// of the result is resolved to whole degrees by fast_atan2.
// Units: the sample's speed unit (knots for wind), degrees true, seconds.
#pragma once

class VelocityDamping {
public:
    explicit VelocityDamping(float timeConstantSeconds = 10.0f);

    // rate = 1 / time constant; 10 when the time constant is 0.1 s or less.
    void SetTimeConstant(float seconds);
    // A sample as a direction (degrees, whole degrees used) and a speed.
    void Set(float angle, float speed, double time);
    // A sample as components (east, north).
    void SetXY(float x, float y, double time);

    float time_constant;
    double rate;
    double x = 0, y = 0;
    float unit_x = 0, unit_y = 0;  // 0, 0 when the magnitude is 0.1 or less
    double last_time = 0;
    float angle = 0;  // degrees true 0..359; 0 when the magnitude is 0.1 or less
    float magnitude = 0;
};
