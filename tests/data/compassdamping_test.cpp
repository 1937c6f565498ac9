// Heading damping and the compass calibration table, on hand-computed values.
#include "data/compassdamping.h"

#include <gtest/gtest.h>

#include "data/compasscalibration.h"

TEST(CompassDamping, StepsOfOneDampedHeading) {
    // Time constant to set (-2: leave it), heading, time, expected heading.
    const float steps[][4] = {
        {-1, 10, 100, 10},     // first heading: taken
        {-2, 20, 102, 20},     // 2 s gap > 1 s default: taken
        {-2, 30, 102.5, 25},   // 0.5 s: half-way
        {-2, 40, 102.5, 40},   // no time passed: taken
        {-2, 50, 101, 50},     // clock stepped back: taken
        {-2, 350, 110, 350},   //
        {-2, 10, 110.5, 0},    // across north the short way
        {-2, 340, 111, 350},   // and back
        {4, 10, 112, 355},     // own constant of 4 s: a quarter of the way
        {0, 100, 112.5, 100},  // constant 0: no damping
    };
    CompassDamping d;
    for (const auto& s : steps) {
        if (s[0] > -2) d.SetTimeConstant(s[0]);
        d.Set(s[1], s[2]);
        EXPECT_NEAR(d.heading, s[3], 1e-4) << "heading " << s[1] << " at " << s[2];
    }
    const float saved = CompassDamping::default_time_const;
    CompassDamping::default_time_const = 2;  // followed while the own constant is negative
    CompassDamping e;
    e.Set(0, 0.0);
    e.Set(40, 1.0);
    EXPECT_FLOAT_EQ(e.heading, 20);
    CompassDamping::default_time_const = saved;
}

TEST(CompassCalibration, InterpolatesAndIsStoredAsTwelveDecimals) {
    CompassCalibration c;
    c.cal[0] = c.cal[12] = 2;
    c.cal[1] = 4;
    c.cal[11] = -2;
    for (auto [in, out] : {std::pair{0.f, 2.f}, {15.f, 18.f}, {375.f, 18.f}, {345.f, 345.f}})
        EXPECT_FLOAT_EQ(c.Adjust(in), out) << in;
    for (int i = 0; i < 12; ++i) c.cal[i] = float(i) - 5.5f;
    CompassCalibration d;
    ASSERT_TRUE(d.FromString(c.ToString()));
    EXPECT_EQ(c.ToString().substr(0, 20), "-5.500000,-4.500000,");
    EXPECT_EQ(std::pair(d.cal[11], d.cal[12]), std::pair(5.5f, d.cal[0]));  // 360 is 0 degrees
    for (const char* bad : {"1,2,3,", "1,2,3,4,5,6,7,8,9,10,11,x,", "1,2,3,4,5,6,7,8,9,10,11,nan,",
                            "1,2,3,4,5,6,7,8,9,10,11,1e300,"})
        EXPECT_FALSE(CompassCalibration().FromString(bad)) << bad;
}
