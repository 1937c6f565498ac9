// The satellite table of the live position.
#include "data/datagpssatellitesignals.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(SatelliteSignals, EntriesAreRangeChecked) {
    CDataGPSSatelliteSignals s;
    EXPECT_TRUE(s.SetSatellite(23, 200, 300, false, 95, 400));
    for (int index : {24, -1}) EXPECT_FALSE(s.SetSatellite(index, 7, 30, false, 10, 10));
    EXPECT_FALSE(s.SetSatellite(3, 0, 30, false, 10, 10));  // PRN 0 is no satellite
    EXPECT_EQ(std::tuple(s.CountListed(), s.satellites[23].strength, s.satellites[23].elevation),
              std::tuple(1, 255, 90));
}
