// Rolling minimum and maximum over ten buckets.
#include "data/minmaxrange.h"

#include <gtest/gtest.h>

TEST(MinMaxRange, EmptyHasNoSpread) {
    MinMaxRange r(100);
    float mn, mx;
    EXPECT_FALSE(r.GetMinMax(mn, mx));
    EXPECT_EQ(mn, 1e30f);
    EXPECT_EQ(mx, -1e30f);
    r.SetValue(4, 1000);
    EXPECT_FALSE(r.GetMinMax(mn, mx));  // one value: max == min
    r.SetValue(6, 1001);
    EXPECT_TRUE(r.GetMinMax(mn, mx));
    EXPECT_EQ(mn, 4);
    EXPECT_EQ(mx, 6);
}

TEST(MinMaxRange, OldValuesLeaveAfterTenBuckets) {
    MinMaxRange r(100);  // buckets of 10 s
    r.SetValue(100, 1000);
    for (int k = 1; k <= 9; ++k) {
        r.SetValue(1, 1000 + 11.0 * k);
        EXPECT_EQ(r.GetMax(), 100) << k;
    }
    r.SetValue(1, 1000 + 110.0);  // the tenth new bucket reuses the oldest
    EXPECT_EQ(r.GetMax(), 1);
    EXPECT_EQ(r.GetMin(), 1);
}

TEST(MinMaxRange, ValuesWithinOnePeriodShareABucket) {
    MinMaxRange r(100);
    r.SetValue(5, 1000);
    for (int i = 1; i <= 10; ++i) r.SetValue(float(i), 1000 + i);  // all within 10 s
    r.SetRangeTime(1000);  // longer buckets from now on, history kept
    for (int k = 1; k <= 9; ++k) r.SetValue(50, 1010 + 101.0 * k);
    EXPECT_EQ(r.GetMin(), 1);
    r.reset();
    EXPECT_EQ(r.GetMax(), -1e30f);
}
