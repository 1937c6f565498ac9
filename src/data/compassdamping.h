// CompassDamping: first-order damping of a heading, taken the short way
// round north (350 -> 10 passes through 0, never 180).
//
// With time constant T (seconds) and a new heading h at time t, dt after the
// previous one: when 0 < dt <= T the damped heading moves dt/T of the way
// to h; otherwise (first heading, long gap, clock step back) it takes h.
#pragma once

struct CompassDamping {
    // Used while time_const is negative; the own-position settings keep it
    // ("compass_damping_time_const", seconds).
    static float default_time_const;

    float rate = 0;                   // 1 / time constant, 1/s (0 when the constant is 0)
    float time_const = -1;            // seconds; negative = default_time_const
    float heading = 999;              // degrees true, [0, 360); 999 = none
    double time_of_last_heading = 0;  // seconds since 1970

    // value in degrees, [0, 360); time in seconds.
    void Set(float value, double time);
    void SetTimeConstant(float seconds);  // negative = follow the default
};

// Brings degrees into [0, 360) and into [-180, 180].
float WrapDegrees360(float degrees);
float WrapDegrees180(float degrees);
