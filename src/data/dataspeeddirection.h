// CDataSpeedDirection: speed, course, heading and the best direction of a
// moving object (the own position, AIS targets).
//
// Speeds are knots, directions degrees true clockwise from north; 999 (any
// value of 900 or more) means none. Sines and cosines are of those
// directions. The best direction is the one the display and the vectors use:
//   source 3  course over ground, when moving faster than 0.3 knots
//   source 1  the damped compass heading, when there is one
//   source 2  the averaged course, when faster than 0.1 knots on average and
//             "use_averaged_direction" is on
//   source 0  none (sine and cosine 0)
#pragma once

#include <cstdint>

#include "data/compassdamping.h"
#include "data/minmaxrange.h"

class CDataSpeedDirection {
public:
    enum BestSource : int32_t {
        kNone = 0,
        kHeading = 1,
        kAveragedCourse = 2,
        kCourseOverGround = 3
    };

    // The own-position settings keep it ("use_averaged_direction").
    static bool use_averaged_direction;

    float get_speed() const;    // knots, by the best-direction source
    float get_heading() const;  // degrees, by the best-direction source; 999 = none
    void evaluate_best_direction();
    // Moving (source 3, faster than 1 knot or 0.5 knots on average) and the
    // velocity differs from the averaged one by more than
    // (speed + averaged speed + 2) / 8 knots.
    bool hasChangedCourseSpd() const;

    // Course over ground and speed; below 0.1 knots the speed counts as 0
    // and the course gives no direction.
    void set_course(float course, float speed);
    // A compass heading at a time (seconds); 900 or more means none.
    void set_heading(float heading, double time);
    // The averaged speed and course; course 999 when too slow to tell.
    void set_averaged(float speed, float course);

    float speed = 0;              // over ground, knots
    float course = 999;           // over ground, degrees
    float averaged_speed = 0;     // knots
    float averaged_course = 999;  // degrees
    CompassDamping damping;       // the damped compass heading
    float best_sin = 0, best_cos = 0;
    int32_t best_source = kNone;
    float averaged_sin = 0, averaged_cos = 0;
    float heading_sin = 0, heading_cos = 0;
    float course_sin = 0, course_cos = 0;
    MinMaxRange speed_range{300.0f};  // recent averaged speeds
};
