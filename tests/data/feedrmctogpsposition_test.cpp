// The position feed: talker arbitration, RMC as the position authority,
// fix status from GGA, satellites from GSV, and where two logs end.
#include <gtest/gtest.h>

#include <tuple>

#include "data/owngpstestsupport.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"

namespace {

using owngps::send;

class PositionFeed : public ::testing::Test {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    CFeedRMC_to_GPSPosition& feed = CFeedRMC_to_GPSPosition::theFeed;
};

using PositionUpdates = nmeatest::Recorder<CDataGPSPosition>;

TEST_F(PositionFeed, CombinedTalkerWinsAndZeroZeroOnlySetsTheTime) {
    PositionUpdates updates;
    send("$GPRMC,120000,A,0000.0000,N,00000.0000,E,0.0,0.0,060624,,");
    EXPECT_EQ(p.latitude, 999);
    EXPECT_DOUBLE_EQ(p.time, 1717675200.0);  // 2024-06-06 12:00:00 UTC
    send("$GPRMC,120000,A,5130.0000,N,00010.0000,W,5.0,90.0,060624,,");
    EXPECT_EQ(feed.preferred_position_talker, 'P');
    send("$GNRMC,120001,A,5130.0000,N,00011.0000,W,5.0,90.0,060624,,");
    EXPECT_EQ(feed.preferred_position_talker, 'N');
    // GP and GL are ignored now that GN leads.
    send("$GPRMC,120002,A,5131.0000,N,00012.0000,W,5.0,90.0,060624,,");
    send("$GLRMC,120002,A,5132.0000,N,00012.0000,W,5.0,90.0,060624,,");
    EXPECT_NEAR(p.latitude + p.longitude, 51.5 - 11.0 / 60, 1e-9);
    EXPECT_EQ(std::tuple(updates.count, p.fix_owner, p.course), std::tuple(2, &feed, 90.0f));
}

TEST_F(PositionFeed, GgaGivesFixQualityAndMovesThePositionOnlyBeforeRmc) {
    send("$GPGGA,120000,5130.0000,N,00010.0000,W,4,12,0.8,45.5,M,47.0,M,,");
    EXPECT_EQ(std::tuple(p.fix_status, p.fix_owner, p.accuracy),
              std::tuple(CDataGPSPosition::kRTK, feed.ggaIdentity(), 0.8f));
    send("$GPRMC,120001,A,5131.0000,N,00010.0000,W,0.0,0.0,060624,,");
    EXPECT_EQ(p.fix_status, CDataGPSPosition::kRTK);  // a better status from GGA stays
    send("$GPGGA,120002,5140.0000,N,00010.0000,W,1,12,0.8,45.5,M,47.0,M,,");
    EXPECT_NEAR(p.latitude, 51 + 31.0 / 60, 1e-9);  // RMC is the authority now
    CNoConnection simulator;
    simulator.simulated = true;
    send("$GPRMC,120004,A,5131.0000,N,00010.0000,W,0.0,0.0,060624,,", &simulator);
    EXPECT_EQ(p.fix_status, CDataGPSPosition::kSimulated);
    send("$GPRMC,120005,V,5131.0000,N,00010.0000,W,0.0,0.0,060624,,,N");
    EXPECT_EQ(p.fix_status, CDataGPSPosition::kNoFix);
}

TEST_F(PositionFeed, GsvFillsTheSatelliteTableAndDispatchesWithTheLastMessage) {
    nmeatest::Recorder<CDataGPSSatelliteSignals> signals;
    send("$GPGSA,A,3,05,09,,,,,,,,,,,1.5,0.8,1.2");
    send("$GPGSV,3,1,11,01,10,100,30,02,20,200,31,03,30,300,32,04,40,040,33");
    send("$GPGSV,3,2,11,05,50,050,34,06,60,060,35,07,70,070,36,08,80,080,37");
    const int early = signals.count;
    send("$GPGSV,3,3,11,09,15,150,38,10,25,250,39,11,35,350,40");
    EXPECT_EQ(std::pair(early, signals.count), std::pair(0, 1));
    const auto& s = feed.satellites;
    EXPECT_EQ(std::tuple(s.in_view, s.used, s.satellites[8].used, s.satellites[10].azimuth,
                         s.satellites[11].prn),
              std::tuple(11, 2, 1, 350, 0));
}

TEST_F(PositionFeed, HeadingIsCalibratedThenMadeTrue) {
    CompassCalibration& cal = COverlayGPSPosition::compass_cal;
    cal.cal[3] = cal.cal[4] = 2;  // +2 degrees from 90 to 120
    send("$HCHDG,100.0,,,,");
    COverlayGPSPosition::compass_cal = CompassCalibration();
    const float variation = CUnits::Default ? CUnits::Default->magnetic_variation : 0.0f;
    EXPECT_NEAR(p.damping.heading, 102.0 + variation, 1e-3);
}

// Two logs end where their last fix says (worked out by hand from their
// last RMC); the sentence tests run every log through the feed.
TEST_F(PositionFeed, LogsEndWhereTheirLastFixSays) {
    const std::tuple<const char*, double, double> logs[] = {
        // $GPRMC,214424,V,4023.9621,N,00339.1630,W,10.8,0.0,140605,2.5,W,S (mode S: valid)
        {"garmin-geko201.log", 40 + 23.9621 / 60, -(3 + 39.1630 / 60)},
        // $GNRMC,001052.00,A,4404.14081,N,12118.85894,W,... (the last RMC is cut short)
        {"ublox-8.log", 44 + 4.14081 / 60, -(121 + 18.85894 / 60)},
    };
    for (auto [file, latitude, longitude] : logs) {
        owngps::resetOwnPosition();
        for (QByteArray line : nmeatest::corpusLines(QString("nmea/") + file))
            CNMEASentence::DispatchSentence(line.replace('\0', ' ').data(), nullptr);
        EXPECT_NEAR(p.latitude, latitude, 1e-7) << file;
        EXPECT_NEAR(p.longitude, longitude, 1e-7) << file;
    }
}

}  // namespace
