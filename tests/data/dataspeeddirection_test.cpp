// Which direction is best, with what speed, and the change-of-motion test.
#include "data/dataspeeddirection.h"

#include <gtest/gtest.h>

#include <tuple>

using V = CDataSpeedDirection;

// Course and speed, heading, averaged speed and course, averaging on.
struct Motion {
    float course, speed, heading, averaged_speed, averaged_course;
    bool averaged_on = false;
};

V make(const Motion& m) {
    V v;
    V::use_averaged_direction = m.averaged_on;
    v.set_course(m.course, m.speed);
    v.set_heading(m.heading, 10.0);
    v.set_averaged(m.averaged_speed, m.averaged_course);
    v.evaluate_best_direction();
    V::use_averaged_direction = false;
    return v;
}

TEST(BestDirection, ChosenFromCourseHeadingOrAverage) {
    // Motion, best source, direction, speed.
    const std::tuple<Motion, int, float, float> cases[] = {
        {{90, 5, 45, 0, 999}, V::kCourseOverGround, 90, 5},  // moving
        {{90, 0.2f, 365, 0.4f, 999}, V::kHeading, 5, 0.4f},  // slow: heading, wrapped
        {{90, 0.2f, 900, 0.4f, 999}, V::kNone, 999, 0},      // no heading
        {{999, 0, 900, 0.5f, 180}, V::kNone, 999, 0},        // average, setting off
        {{999, 0, 900, 0.5f, 180, true}, V::kAveragedCourse, 180, 0.5f},
        {{999, 0, 900, 0.05f, 180, true}, V::kNone, 999, 0},  // too slow for a course
        {{999, 3, 900, 0, 999}, V::kNone, 999, 0},            // speed without course
    };
    for (const auto& [m, source, direction, speed] : cases) {
        const V v = make(m);
        EXPECT_EQ(std::tuple(int(v.best_source), v.get_heading(), v.get_speed()),
                  std::tuple(source, direction, speed))
            << m.course << " " << m.speed << " " << m.heading;
    }
}

TEST(BestDirection, ChangeOfMotionComparesVelocityWithTheAverage) {
    const std::pair<Motion, bool> cases[] = {
        {{0, 5, 900, 5, 0}, false},         {{0, 5, 900, 5, 90}, true},  // 7.07 > (5+5+2)/8
        {{0, 5, 900, 4.5f, 0}, false},                                   // 0.5 kn apart < 1.44
        {{0, 5, 900, 2, 0}, true},                                       // 3 kn apart > 1.125
        {{0, 0.8f, 900, 0.4f, 180}, false},                              // opposite, but slow
        {{0, 0.2f, 0, 3, 180}, false},                                   // steering by heading
    };
    for (const auto& [m, changed] : cases)
        EXPECT_EQ(make(m).hasChangedCourseSpd(), changed) << m.speed << " " << m.averaged_speed;
}
