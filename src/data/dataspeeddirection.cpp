#include "data/dataspeeddirection.h"

#include <cmath>

bool CDataSpeedDirection::use_averaged_direction = false;

namespace {

constexpr float kDegToRad = float(M_PI / 180.0);

}  // namespace

float CDataSpeedDirection::get_speed() const {
    switch (best_source) {
        case kCourseOverGround:
            return speed;
        case kHeading:
        case kAveragedCourse:
            return averaged_speed;
        default:
            return 0;
    }
}

float CDataSpeedDirection::get_heading() const {
    switch (best_source) {
        case kCourseOverGround:
            return course;
        case kHeading:
            return damping.heading;
        case kAveragedCourse:
            return averaged_course;
        default:
            return 999;
    }
}

void CDataSpeedDirection::evaluate_best_direction() {
    // A course field left empty by the receiver gives no direction, however fast.
    if (speed > 0.3f && course < 900) {
        best_source = kCourseOverGround;
        best_sin = course_sin;
        best_cos = course_cos;
    } else if (damping.heading < 900) {
        best_source = kHeading;
        best_sin = heading_sin;
        best_cos = heading_cos;
    } else if (averaged_speed > 0.1f && use_averaged_direction && averaged_course < 900) {
        best_source = kAveragedCourse;
        best_sin = averaged_sin;
        best_cos = averaged_cos;
    } else {
        best_source = kNone;
        best_sin = best_cos = 0;
    }
}

bool CDataSpeedDirection::hasChangedCourseSpd() const {
    if (best_source != kCourseOverGround) return false;
    if (!(averaged_speed > 0.5f || speed > 1.0f)) return false;
    const float dx = speed * best_sin - averaged_speed * averaged_sin;
    const float dy = speed * best_cos - averaged_speed * averaged_cos;
    return std::hypot(dx, dy) > (speed + averaged_speed + 2.0f) / 8.0f;
}

void CDataSpeedDirection::set_course(float course_, float speed_) {
    course = course_;
    if (speed_ > 0.1f && course_ < 900) {
        speed = speed_;
        course_sin = std::sin(course_ * kDegToRad);
        course_cos = std::cos(course_ * kDegToRad);
    } else {
        speed = speed_ > 0.1f ? speed_ : 0.0f;
        course_sin = course_cos = 0;
    }
}

void CDataSpeedDirection::set_heading(float heading, double time) {
    if (!(heading < 900)) {
        damping.heading = 999;
        heading_sin = heading_cos = 0;
        return;
    }
    damping.Set(WrapDegrees360(heading), time);
    heading_sin = std::sin(damping.heading * kDegToRad);
    heading_cos = std::cos(damping.heading * kDegToRad);
}

void CDataSpeedDirection::set_averaged(float speed_, float course_) {
    averaged_speed = speed_;
    if (speed_ > 0.1f && course_ < 900) {
        averaged_course = WrapDegrees360(course_);
        averaged_sin = std::sin(averaged_course * kDegToRad);
        averaged_cos = std::cos(averaged_course * kDegToRad);
    } else {
        averaged_course = 999;
        averaged_sin = averaged_cos = 0;
    }
}
