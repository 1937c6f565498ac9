// Whole-degree bearings of vectors against the library's atan2.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/fasttrig.h"

TEST(FastAtan2, EveryBearingIsWithinOneDegreeAndOfAnyLength) {
    for (int tenth = 0; tenth < 3600; ++tenth) {
        const double bearing = tenth / 10.0;
        const double r = bearing * std::numbers::pi / 180;
        for (double length : {1.0, 0.01, 2500.0}) {
            const int got = fast_atan2(float(length * std::cos(r)), float(length * std::sin(r)));
            ASSERT_GE(got, 0);
            ASSERT_LT(got, 360);
            const double error = std::fabs(got - bearing);
            ASSERT_LE(std::min(error, 360 - error), 1.0) << bearing << " length " << length;
        }
    }
    EXPECT_EQ(fast_atan2(0, 0), 0);  // no direction at all
    EXPECT_EQ(fast_atan2(NAN, 1), 0);
}
