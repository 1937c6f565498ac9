// The live position record: fix status from GGA, satellites, and its
// delivery through the data source.
#include "data/datagpsposition.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/datagpssatellitesignals.h"
#include "app/base/datasource.h"

TEST(GPSPosition, FixStatusFromGGAQuality) {
    const int expected[] = {0, 1, 2, 6, 5, 5, 4, 7, 3};
    for (int q = 0; q <= 8; ++q)
        EXPECT_EQ(CDataGPSPosition::FixStatusFromGGAQuality(q), expected[q]);
    EXPECT_EQ(CDataGPSPosition::FixStatusFromGGAQuality(9), -1);
    EXPECT_EQ(CDataGPSPosition::FixStatusFromGGAQuality(-1), -1);
}

TEST(GPSPosition, StartsWithoutPositionFixOrAltitude) {
    CDataGPSPosition p;
    EXPECT_FALSE(p.HasFix());
    EXPECT_FALSE(p.HasPosition());
    EXPECT_EQ(p.altitude, -9999);
    EXPECT_FLOAT_EQ(p.get_heading(), 999);
    p.latitude = -33.9;
    p.longitude = 151.2;
    EXPECT_TRUE(p.HasPosition());
    p.latitude = 90.5;
    EXPECT_FALSE(p.HasPosition());
}

TEST(GPSPosition, ListenersReceiveTheRecordInAttachmentOrder) {
    struct Probe : Listener<CDataGPSPosition> {
        Probe(std::vector<int>& log, int id) : log(log), id(id) {}
        void OnUpdate(CDataGPSPosition& p) override {
            log.push_back(id);
            lat = p.latitude;
        }
        std::vector<int>& log;
        int id;
        double lat = 0;
    };
    std::vector<int> log;
    CDataGPSPosition p;
    p.latitude = 54.5;
    {
        Probe a(log, 1), b(log, 2);
        Listener<CDataGPSPosition>::Dispatch(p);
        EXPECT_EQ(log, (std::vector<int>{1, 2}));
        EXPECT_EQ(b.lat, 54.5);
    }
    // Gone listeners hear nothing (the mark manager listens for the whole run).
    Listener<CDataGPSPosition>::Dispatch(p);
    EXPECT_EQ(log.size(), 2u);
}

TEST(SatelliteSignals, EntriesAreRangeChecked) {
    CDataGPSSatelliteSignals s;
    EXPECT_TRUE(s.SetSatellite(0, 5, 40, true, 45, 270));
    EXPECT_TRUE(s.SetSatellite(23, 200, 300, false, 95, 400));
    EXPECT_FALSE(s.SetSatellite(24, 7, 30, false, 10, 10));
    EXPECT_FALSE(s.SetSatellite(-1, 7, 30, false, 10, 10));
    EXPECT_FALSE(s.SetSatellite(3, 0, 30, false, 10, 10));
    EXPECT_EQ(s.CountListed(), 2);
    EXPECT_EQ(s.satellites[0].azimuth, 270);
    EXPECT_EQ(s.satellites[0].used, 1);
    EXPECT_EQ(s.satellites[23].strength, 255);
    EXPECT_EQ(s.satellites[23].elevation, 90);
    s.Clear();
    EXPECT_EQ(s.CountListed(), 0);
}
