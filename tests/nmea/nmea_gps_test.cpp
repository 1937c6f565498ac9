// The GPS sentences, on hand-made lines and on real receiver logs.
#include <gtest/gtest.h>

#include <QDir>
#include <tuple>

#include "nmeatestsupport.h"

using namespace nmeatest;
using namespace CNMEA_GPS;

namespace {

TEST(NmeaGps, RmcFromRealReceivers) {
    Recorder<RMC> rmc;
    // Log, line, valid, talker, latitude, longitude, time.
    const std::tuple<const char*, int, bool, char, double, double, double> cases[] = {
        {"bu353-glonass.log", 12, true, 'N', 55.6865917, 37.6214533, 1401092051},  // 2014-05-26
        {"garmin-10x.log", 15, true, 'P', 41.7267633, -83.63463, 1279471807},
        {"GPSmap-76S.log", 6, true, 'P', 38.9084783, -77.4408717, 0},  // status V, mode S
        {"beidou-bd.log", 30, false, 'N', 0, 0, 0},                    // no fix: V and N
    };
    for (auto [log, line, valid, talker, latitude, longitude, time] : cases) {
        SCOPED_TRACE(log);
        ASSERT_TRUE(dispatch(logLine(log, line)));
        EXPECT_EQ(std::tuple(rmc.last->valid, rmc.last->talker, time ? rmc.last->time : 0),
                  std::tuple(valid, talker, time));
        EXPECT_NEAR(rmc.last->latitude, latitude, 1e-7);
        EXPECT_NEAR(rmc.last->longitude, longitude, 1e-7);
    }
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 6)));
    EXPECT_FLOAT_EQ(rmc.last->magnetic_variation, 10.5f);  // west is positive
}

TEST(NmeaGps, RmcRejectsBadDatesTimesAndNumbersAndDropsBadPositions) {
    Recorder<RMC> rmc;
    const std::pair<const char*, bool> cases[] = {
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,300294,,", false},  // 30 February
        {"$GPRMC,253519,A,4807.038,N,01131.000,E,022.4,084.4,230394,,", false},  // hour 25
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,inf,084.4,230394,,", false},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,1.0,nan,230394,,", false},
        {"$GPRMC,123519,A,4807.038,N,01131.000,E,1e40,1,230394,,", false},  // float overflow
        // Malformed positions (no-fix placeholders of real receivers) give
        // no position, but the time still counts.
        {"$GPRMC,000452.981,V,36000.0000,N,72000.0000,E,0.000000,,190120,,", true},
        {"$GPRMC,235946.005,V,8960.000000,N,00000.000000,E,0.000,0.00,050180,,,N", true},
        {"$GPRMC,123519,A,4807.038,N,01131.000,Q,022.4,084.4,230394,,", true},
    };
    for (auto [body, accepted] : cases) {
        ASSERT_EQ(dispatch(withChecksum(body)), accepted) << body;
        EXPECT_TRUE(!accepted || rmc.last->latitude + rmc.last->longitude == 0) << body;
    }
    EXPECT_EQ(rmc.last->time, 3920186119.0);  // 2094-03-23 12:35:19: years 0-99 are 20xx
}

TEST(NmeaGps, GgaVtgGsaGsvFromRealReceivers) {
    Recorder<GGA> gga;
    Recorder<VTG> vtg;
    Recorder<GSA> gsa;
    Recorder<GSV> gsv;
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 8)));
    EXPECT_NEAR(gga.last->latitude, 38.9084783, 1e-7);
    EXPECT_EQ(std::tuple(gga.last->fix_quality, gga.last->satellites_used, gga.last->altitude),
              std::tuple(8, 10, 268.8f));
    ASSERT_TRUE(dispatch(withChecksum("$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K")));
    EXPECT_EQ(std::tuple(vtg.last->course, vtg.last->speed), std::tuple(54.7f, 5.5f));
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 9)));
    const uint8_t prns[12] = {3, 7, 8, 11, 13, 16, 19, 23, 24, 28, 0, 0};
    EXPECT_TRUE(std::equal(prns, prns + 12, gsa.last->prn));
    EXPECT_EQ(std::tuple(gsa.last->pdop, gsa.last->hdop, gsa.last->vdop),
              std::tuple(3.6f, 2.0f, 3.0f));
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 11)));
    const auto& sat = gsv.last->satellites[3];
    EXPECT_EQ(std::tuple(gsv.last->message_number, sat.prn, sat.snr), std::tuple(2, 23, 37));
    // Two satellites: the other records are cleared, not left from before.
    ASSERT_TRUE(dispatch(withChecksum("$GPGSV,3,3,10,24,10,030,40,28,05,100,35")));
    EXPECT_EQ(gsv.last->satellites[2].prn + gsv.last->satellites[3].snr, 0);
    // Message numbers that would index outside the satellite table.
    for (const char* number : {"0", "-1", "4"})
        EXPECT_FALSE(
            dispatch(withChecksum(std::string("$GPGSV,3,") + number + ",10,24,10,030,40")));
    // Out-of-range values saturate instead of wrapping to another satellite.
    ASSERT_TRUE(dispatch(withChecksum("$GPGSV,1,1,01,300,-5,400,-1")));
    EXPECT_EQ(gsv.last->satellites[0].prn, 255);
    EXPECT_EQ(gsv.last->satellites[0].elevation + gsv.last->satellites[0].snr, 0);
}

TEST(NmeaGps, EveryCorpusLogGoesThroughDispatch) {
    AllListeners all;
    const QStringList logs =
        QDir(testsupport::sharedDir() + "/corpora/nmea").entryList({"*.log"}, QDir::Files);
    ASSERT_GE(logs.size(), 100);
    long lines = 0, accepted = 0;
    for (const QString& log : logs) {
        for (QByteArray line : corpusLines("nmea/" + log)) {
            if (line.endsWith('\r')) line.chop(1);
            ++lines;
            if (dispatch(line.toStdString())) ++accepted;
        }
    }
    // Most lines are accepted; binary, comment and cut lines are not.
    EXPECT_GT(accepted, lines / 2);
    EXPECT_TRUE(all.rmc.count > 2500 && all.gsv.count > 9000 && all.vdm.count > 1500 &&
                all.hdg.count > 1000)
        << all.rmc.count << " " << all.gsv.count << " " << all.vdm.count << " " << all.hdg.count;
}

}  // namespace
