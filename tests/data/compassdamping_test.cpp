// Heading damping and the compass calibration table, on hand-computed values.
#include "data/compassdamping.h"

#include <gtest/gtest.h>

#include "data/compasscalibration.h"

TEST(CompassDamping, LongGapTakesTheHeadingShortGapMovesPartWay) {
    CompassDamping d;  // follows the default of 1 s
    d.Set(10, 100.0);
    EXPECT_FLOAT_EQ(d.heading, 10);
    d.Set(20, 102.0);  // 2 s > 1 s: taken directly
    EXPECT_FLOAT_EQ(d.heading, 20);
    d.Set(30, 102.5);  // 0.5 s: half-way
    EXPECT_FLOAT_EQ(d.heading, 25);
    d.Set(40, 102.5);  // no time passed: taken directly
    EXPECT_FLOAT_EQ(d.heading, 40);
    d.Set(50, 101.0);  // clock stepped back: taken directly
    EXPECT_FLOAT_EQ(d.heading, 50);
}

TEST(CompassDamping, CrossesNorthTheShortWay) {
    CompassDamping d;
    d.Set(350, 0.0);
    d.Set(10, 0.5);
    EXPECT_NEAR(d.heading, 0, 1e-4);  // 350 + 20/2, wrapped
    d.Set(10, 1.0);
    EXPECT_FLOAT_EQ(d.heading, 5);
    d.Set(340, 1.5);  // back across north: 5 - 25/2
    EXPECT_FLOAT_EQ(d.heading, 352.5);
}

TEST(CompassDamping, OwnTimeConstantAndZeroConstant) {
    CompassDamping d;
    d.SetTimeConstant(4);
    d.Set(0, 10.0);
    d.Set(80, 11.0);  // a quarter of the way
    EXPECT_FLOAT_EQ(d.heading, 20);
    d.SetTimeConstant(0);  // no damping at all
    d.Set(100, 11.5);
    EXPECT_FLOAT_EQ(d.heading, 100);
}

TEST(CompassDamping, FollowsTheDefaultWhileNegative) {
    const float saved = CompassDamping::default_time_const;
    CompassDamping::default_time_const = 2;
    CompassDamping d;
    d.Set(0, 0.0);
    d.Set(40, 1.0);
    EXPECT_FLOAT_EQ(d.heading, 20);
    EXPECT_FLOAT_EQ(d.rate, 0.5f);
    CompassDamping::default_time_const = saved;
}

TEST(CompassCalibration, InterpolatesBetweenThirtyDegreePoints) {
    CompassCalibration c;
    c.cal[0] = 2;
    c.cal[1] = 4;
    c.cal[11] = -2;
    c.cal[12] = 2;
    EXPECT_FLOAT_EQ(c.Adjust(0), 2);
    EXPECT_FLOAT_EQ(c.Adjust(15), 18);  // 15 + (15*4 + 15*2) / 30
    EXPECT_FLOAT_EQ(c.Adjust(30), 34);
    EXPECT_FLOAT_EQ(c.Adjust(375), 18);   // wrapped first
    EXPECT_FLOAT_EQ(c.Adjust(345), 345);  // -2 and 2 cancel half-way
    EXPECT_FLOAT_EQ(c.Adjust(-15), 345);
}

TEST(CompassCalibration, StoredAsTwelveDecimals) {
    CompassCalibration c;
    for (int i = 0; i < 12; ++i) c.cal[i] = float(i) - 5.5f;
    const std::string text = c.ToString();
    EXPECT_EQ(text.substr(0, 20), "-5.500000,-4.500000,");
    CompassCalibration d;
    ASSERT_TRUE(d.FromString(text));
    for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(d.cal[i], c.cal[i]);
    EXPECT_FLOAT_EQ(d.cal[12], d.cal[0]);  // 360 degrees is 0 degrees

    CompassCalibration e;
    EXPECT_FALSE(e.FromString("1,2,3,"));
    EXPECT_FALSE(e.FromString("1,2,3,4,5,6,7,8,9,10,11,x,"));
    EXPECT_FALSE(e.FromString("1,2,3,4,5,6,7,8,9,10,11,nan,"));
    EXPECT_FLOAT_EQ(e.cal[0], 0);
    EXPECT_TRUE(e.FromString("1,2,3,4,5,6,7,8,9,10,11,12"));  // last comma optional
    EXPECT_FLOAT_EQ(e.cal[11], 12);
}
