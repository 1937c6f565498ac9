#include "data/velocitydamping.h"

#include <cmath>

#include "data/fasttrig.h"

VelocityDamping::VelocityDamping(float timeConstantSeconds) : time_constant(0), rate(10.0) {
    SetTimeConstant(timeConstantSeconds);
}

void VelocityDamping::SetTimeConstant(float seconds) {
    time_constant = seconds;
    rate = seconds > 0.1f ? 1.0 / seconds : 10.0;
}

void VelocityDamping::Set(float angle_, float speed, double time) {
    float s = 0, c = 0;
    fast_sin_cos(int(std::lround(angle_)), s, c);
    SetXY(s * speed, c * speed, time);
}

void VelocityDamping::SetXY(float newX, float newY, double time) {
    const float dt = float(time - last_time);
    if (dt > 0 && dt <= time_constant) {
        x += (newX - x) * dt * rate;
        y += (newY - y) * dt * rate;
    } else {
        x = newX;
        y = newY;
    }
    magnitude = float(std::hypot(x, y));
    if (magnitude > 0.1f) {
        unit_x = float(x / magnitude);
        unit_y = float(y / magnitude);
        angle = float(fast_atan2(unit_y, unit_x));
    } else {
        unit_x = unit_y = 0;
        angle = 0;
    }
    last_time = time;
}
