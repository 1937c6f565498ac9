// Wind arithmetic against hand-worked cases: true wind from the apparent
// wind and the boat's motion, the damping of the true wind objects, and
// the whole-degree sine table.
#include <gtest/gtest.h>

#include "data/datatruewind.h"
#include "data/fasttrig.h"

namespace {

TEST(TrueWind, FromApparentWindAndBoatSpeedWorkedByHand) {
    struct Case {
        const char* name;
        float apparentAngle, apparentSpeed, boatSpeed;
        float angle, speed;
    };
    const Case cases[] = {
        {"head wind partly the boat's own", 0, 10, 6, 0, 4},
        {"beam apparent wind: true wind abaft the beam", 90, 10, 10, 135, 14.142f},
        {"following wind at 6 knots", 180, 4, 6, 180, 10},
        {"boat at rest", 45, 10, 0, 45, 10},
        {"to port", 315, 10, 0, 315, 10},
        {"apparent wind 30 off the bow at 12, boat 6", 30, 12, 6, 53.79f, 7.436f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TrueWindRelative t =
            TrueWindFromApparent(c.apparentAngle, c.apparentSpeed, c.boatSpeed);
        EXPECT_NEAR(t.angle, c.angle, 0.05);
        EXPECT_NEAR(t.speed, c.speed, 0.01);
    }
    EXPECT_EQ(TrueWindFromApparent(0, 6, 6).speed, 0);  // only the boat's motion
}

TEST(TrueWind, TwoSamplesFiveSecondsApartMoveHalfWayAndAFactorOfFiveOver300) {
    CDataTrueWind wind(10, 600), average(300, 1800);
    for (CDataTrueWind* w : {&wind, &average}) {
        w->Add(0, 10, 1000);
        w->Add(90, 20, 1005);
    }
    EXPECT_NEAR(wind.damping.x, 10, 1e-4);
    EXPECT_NEAR(wind.damping.y, 5, 1e-4);
    EXPECT_NEAR(wind.damping.magnitude, 11.18, 0.005);
    EXPECT_EQ(wind.damping.angle, 64);  // the smallest whole degree reaching sin 0.894
    EXPECT_NEAR(average.damping.x, 20.0 * 5 / 300, 1e-4);
    EXPECT_NEAR(average.damping.y, 10 - 10.0 * 5 / 300, 1e-4);
    float low = 0, high = 0;
    ASSERT_TRUE(wind.speed_range.GetMinMax(low, high));
    EXPECT_EQ(low, 10);
    EXPECT_NEAR(high, 11.18, 0.005);

    // A gap over the time constant restarts from the sample.
    wind.Add(180, 8, 1020);
    EXPECT_NEAR(wind.damping.y, -8, 1e-4);
    EXPECT_EQ(wind.damping.angle, 180);
    // A calm has no direction.
    wind.Add(0, 0.05f, 1040);
    EXPECT_EQ(std::pair(wind.damping.angle, wind.damping.unit_x), std::pair(0.0f, 0.0f));
}

TEST(FastTrig, SineAndCosineOfWholeDegrees) {
    struct Case {
        int degrees;
        float sine, cosine;
    };
    const Case cases[] = {
        {0, 0, 1},    {30, 0.5f, 0.866f}, {90, 1, 0},  {135, 0.7071f, -0.7071f}, {180, 0, -1},
        {270, -1, 0}, {-90, -1, 0},       {450, 1, 0}, {359, -0.0175f, 0.9998f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        float s = 9, co = 9;
        fast_sin_cos(c.degrees, s, co);
        EXPECT_NEAR(s, c.sine, 1e-3);
        EXPECT_NEAR(co, c.cosine, 1e-3);
    }
}

}  // namespace
