// Best direction, its speed and heading, and the change-of-motion test.
#include "data/dataspeeddirection.h"

#include <gtest/gtest.h>

namespace {

struct AveragedDirection {
    explicit AveragedDirection(bool on) : saved(CDataSpeedDirection::use_averaged_direction) {
        CDataSpeedDirection::use_averaged_direction = on;
    }
    ~AveragedDirection() { CDataSpeedDirection::use_averaged_direction = saved; }
    bool saved;
};

}  // namespace

TEST(BestDirection, CourseOverGroundWhenMoving) {
    CDataSpeedDirection v;
    v.set_heading(45, 10.0);
    v.set_course(90, 5);
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kCourseOverGround);
    EXPECT_FLOAT_EQ(v.get_heading(), 90);
    EXPECT_FLOAT_EQ(v.get_speed(), 5);
    EXPECT_NEAR(v.best_sin, 1, 1e-6);
    EXPECT_NEAR(v.best_cos, 0, 1e-6);
}

TEST(BestDirection, HeadingWhenSlowThenNothing) {
    CDataSpeedDirection v;
    v.set_course(90, 0.2f);  // above 0.1 so stored, but not above 0.3
    v.set_heading(365, 10.0);
    v.averaged_speed = 0.4f;
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kHeading);
    EXPECT_FLOAT_EQ(v.get_heading(), 5);  // wrapped before damping
    EXPECT_FLOAT_EQ(v.get_speed(), 0.4f);
    v.set_heading(900, 11.0);
    EXPECT_FLOAT_EQ(v.damping.heading, 999);
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kNone);
    EXPECT_FLOAT_EQ(v.get_heading(), 999);
    EXPECT_FLOAT_EQ(v.get_speed(), 0);
    EXPECT_EQ(v.best_sin, 0);
}

TEST(BestDirection, AveragedCourseOnlyWhenTheSettingIsOn) {
    CDataSpeedDirection v;
    v.set_averaged(0.5f, 180);
    {
        AveragedDirection off(false);
        v.evaluate_best_direction();
        EXPECT_EQ(v.best_source, CDataSpeedDirection::kNone);
    }
    AveragedDirection on(true);
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kAveragedCourse);
    EXPECT_FLOAT_EQ(v.get_heading(), 180);
    EXPECT_NEAR(v.best_cos, -1, 1e-6);
    v.set_averaged(0.05f, 180);  // too slow to have a course
    EXPECT_FLOAT_EQ(v.averaged_course, 999);
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kNone);
}

TEST(BestDirection, StandingStillClearsTheCourseDirection) {
    CDataSpeedDirection v;
    v.set_course(90, 0.05f);
    EXPECT_EQ(v.speed, 0);
    EXPECT_EQ(v.course_sin, 0);
    EXPECT_FLOAT_EQ(v.course, 90);
    v.set_course(999, 3);  // a speed without a course gives no direction
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kNone);
}

TEST(ChangedCourseSpeed, ComparesVelocityWithTheAverage) {
    CDataSpeedDirection v;
    v.set_course(0, 5);
    v.set_averaged(5, 0);
    v.evaluate_best_direction();
    EXPECT_FALSE(v.hasChangedCourseSpd());
    v.set_averaged(5, 90);  // |(0,5)-(5,0)| = 7.07 > (5+5+2)/8
    EXPECT_TRUE(v.hasChangedCourseSpd());
    v.set_averaged(4.5f, 0);  // 0.5 knots apart < 1.44
    EXPECT_FALSE(v.hasChangedCourseSpd());
    v.set_averaged(2, 0);  // 3 knots apart > 1.125
    EXPECT_TRUE(v.hasChangedCourseSpd());
}

TEST(ChangedCourseSpeed, OnlyWhenMovingOnCourseOverGround) {
    CDataSpeedDirection v;
    v.set_course(0, 0.8f);
    v.set_averaged(0.4f, 180);  // opposite, but slow
    v.evaluate_best_direction();
    EXPECT_FALSE(v.hasChangedCourseSpd());
    v.set_course(0, 0.2f);
    v.set_heading(0, 1.0);
    v.set_averaged(3, 180);
    v.evaluate_best_direction();
    EXPECT_EQ(v.best_source, CDataSpeedDirection::kHeading);
    EXPECT_FALSE(v.hasChangedCourseSpd());
}
