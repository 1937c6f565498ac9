// Rolling minimum and maximum over ten buckets.
#include "data/minmaxrange.h"

#include <gtest/gtest.h>

TEST(MinMaxRange, OneValueHasNoSpreadAndOldBucketsLeave) {
    MinMaxRange r(100);  // buckets of 10 s
    float mn, mx;
    r.SetValue(100, 1000);
    EXPECT_FALSE(r.GetMinMax(mn, mx));  // one value: max == min
    for (int k = 1; k <= 9; ++k) r.SetValue(1, 1000 + 11.0 * k);
    EXPECT_TRUE(r.GetMinMax(mn, mx));
    EXPECT_EQ(mx, 100);
    r.SetValue(1, 1000 + 110.0);  // the tenth new bucket reuses the oldest
    EXPECT_EQ(r.GetMax(), 1);
    r.reset();
    EXPECT_EQ(r.GetMax(), -1e30f);
}
