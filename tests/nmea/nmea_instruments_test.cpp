// Instrument, DSC and proprietary sentences: real instrument lines from the
// corpus logs, the unit and validity rules, and the state carried by pooling.
#include <gtest/gtest.h>

#include <tuple>

#include "nmeatestsupport.h"

using namespace nmeatest;

namespace {

TEST(Instruments, ReadingsFromInstrumentLogs) {
    AllListeners all;
    for (int line : {17, 18, 16, 15, 12, 11, 44})
        ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", line))) << line;
    EXPECT_EQ(all.mwv.count, 2);  // $WIMWV,57.5,R,13.0,N,A then $WIMWV,96.6,T,11.2,N,A
    EXPECT_EQ(std::tuple(all.mwv.last->reference, all.mwv.last->wind_angle), std::tuple(1, 96.6f));
    // $WIMWD,328.2,T,326.8,M,11.2,N; $SDVHW,231.3,T,229.9,M,6.6,N; $SDHDG,229.8,,,1.3,E
    EXPECT_EQ(std::tuple(all.mwd.last->wind_direction, all.mwd.last->wind_speed,
                         all.vhw.last->magnetic_heading, all.vhw.last->speed_through_water,
                         all.hdg.last->heading, all.hdg.last->variation),
              std::tuple(328.2f, 11.2f, 229.9f, 6.6f, 229.8f, 1.3f));
    // $SDDPT,5.3,0.4, and $SDDBT,18.0,f,5.4,M,3.0,F
    EXPECT_EQ(std::tuple(all.dpt.last->depth, all.dpt.last->offset_waterline, all.dbt.last->depth),
              std::tuple(5.3f, 0.4f, 5.4f));
    ASSERT_TRUE(dispatch(logLine("humminbird-M37.log", 17)));  // $INMTW,17.9,C
    // The other instrument's "no reading" is not 0 degrees.
    EXPECT_FALSE(dispatch(logLine("bundg_zeus_9.log", 13)));  // $SDMTW,,C
    EXPECT_FLOAT_EQ(all.mtw.last->temperature, 17.9f);
}

TEST(Instruments, SentencesBreakingTheirRulesAreRefused) {
    AllListeners all;
    // Wind: status void, no reference, an unknown unit, no angle, an infinite
    // speed; true wind not true or not in knots; neither heading nor speed;
    // RPM and rudder void; DSC addresses not a number or of nine digits;
    // start lines and times out of range.
    for (const char* body :
         {"$WIMWV,45,R,10,M,V", "$WIMWV,45,X,10,N,A", "$WIMWV,45,R,10,Q,A", "$WIMWV,,R,10,N,A",
          "$WIMWV,45,R,inf,N,A", "$WIMWD,328.2,M,326.8,M,11.2,N,5.8,M",
          "$WIMWD,328.2,T,326.8,M,11.2,K,5.8,M", "$VWVHW,,T,,M,,N,,K", "$ERRPM,E,1,500,10.0,V",
          "$AGRSA,20.0,V,,", "$CDDSC,12,33804007X0,12,06,00,1423108312,2019,,,S,",
          "$CDDSC,12,338040079,12,06,00,1423108312,2019,,,S,", "$POVX,SetStartLine,95,13,45,13",
          "$POVX,SetStartLine,45,181,45,13", "$POVX,SetStartLine,45,13,nan,13",
          "$POVX,SetStartTimer,inf,5"})
        EXPECT_FALSE(dispatch(withChecksum(body))) << body;
}

TEST(Instruments, UnitsSignsAndValuesCarriedBetweenSentences) {
    AllListeners all;
    // Metres a second, kilometres an hour, statute miles an hour, knots.
    for (auto [unit, knots] :
         {std::pair{"M", 19.4384449f}, {"K", 5.399568f}, {"S", 8.689765f}, {"N", 10.0f}}) {
        ASSERT_TRUE(dispatch(withChecksum(std::string("$WIMWV,45,R,10,") + unit + ",A")));
        EXPECT_NEAR(all.mwv.last->wind_speed, knots, 1e-4) << unit;
    }
    for (const char* body :
         {"$HCHDG,101.1,2.5,W,7.1,W", "$SDDPT,12.5,-0.5", "$VWVHW,,T,200.0,M,5.5,N,10.2,K",
          "$VWVHW,,T,,M,6.0,N,11.1,K", "$ERRPM,E,1,2200,10.0,A", "$ERRPM,E,2,1800,10.0,A",
          "$ERRPM,E,3,999,10.0,A", "$AGRSA,10.0,A,,", "$IIXDR,C,19.5,C,AIRTEMP,P,1.013,B,BARO"})
        ASSERT_TRUE(dispatch(withChecksum(body))) << body;
    // The pooled RSA keeps the readings of earlier tests: forget them.
    all.rsa.last->smoothing_factor = 0;
    for (const char* body : {"$AGRSA,10.0,A,,", "$AGRSA,20.0,A,,"})
        ASSERT_TRUE(dispatch(withChecksum(body))) << body;
    // HDG: west is negative; DPT: a negative offset is to the keel; VHW keeps
    // the heading the second sentence left out; RPM: one engine a sentence,
    // the other keeps its value, no third engine.
    EXPECT_EQ(
        std::tuple(all.hdg.last->deviation, all.hdg.last->variation, all.dpt.last->offset_keel,
                   all.dpt.last->offset_waterline, all.vhw.last->has_magnetic_heading,
                   all.vhw.last->magnetic_heading, all.vhw.last->speed_through_water,
                   all.rpm.last->rpm1, all.rpm.last->rpm2, all.xdr.last->value1),
        std::tuple(-2.5f, -7.1f, 0.5f, 0.0f, false, 200.0f, 6.0f, 2200.0f, 1800.0f, 19.5f));
    // RSA: the first reading is taken directly, then 1.15 % of each change.
    EXPECT_NEAR(all.rsa.last->smoothed_angle, 10.115, 1e-4);
    EXPECT_STREQ(all.xdr.last->name2, "BARO");
    ASSERT_TRUE(dispatch(withChecksum("$IIXDR,A,-3.9,D,RUDDER")));
    EXPECT_STREQ(all.xdr.last->name2, "");
}

TEST(Dsc, CallsPositionsAndExpansion) {
    AllListeners all;
    const auto at = [&](const std::string& field) {
        EXPECT_TRUE(
            dispatch(withChecksum("$CDDSC,12,3380400790,12,06,00," + field + ",2019,,,S,E")));
        return std::pair(all.dsc.last->latitude, all.dsc.last->longitude);
    };
    // Quadrant 1 is north and west, 2 south and east.
    for (auto [field, sign] : {std::pair("1423108312", 1), {"2423108312", -1}}) {
        const auto [lat, lon] = at(field);
        EXPECT_NEAR(lat, sign * (42 + 31 / 60.0), 1e-9) << field;
        EXPECT_NEAR(lon, -sign * (83 + 12 / 60.0), 1e-9) << field;
    }
    for (const char* field : {"142310831", "14231083120", "1423A08312", "9999999999", "1953108312"})
        EXPECT_EQ(at(field), std::pair(-999.0, -999.0)) << field;
    EXPECT_EQ(std::tuple(all.dsc.last->mmsi, all.dsc.last->nature, all.dsc.last->expansion),
              std::tuple(338040079u, 6, true));

    ASSERT_TRUE(dispatch(withChecksum("$CDDSE,1,1,A,3380400790,00,45894494,02,0123,03,2705")));
    const CNMEA_DSC::DSE& e = *all.dse.last;
    EXPECT_EQ(e.flags,
              CNMEA_DSC::DSE::kEnhancedPosition | CNMEA_DSC::DSE::kSpeed | CNMEA_DSC::DSE::kCourse);
    EXPECT_EQ(std::tuple(e.enhanced_lat * 10000 + e.enhanced_lon, e.speed, e.course),
              std::tuple(45894494, 12.3f, 270.5f));
    // Malformed position data and unknown codes set nothing.
    ASSERT_TRUE(dispatch(withChecksum("$CDDSE,2,2,A,3380400790,00,4589449,07,1234")));
    EXPECT_EQ(all.dse.last->flags, 0);
}

TEST(Povx, RaceStartSentences) {
    AllListeners all;
    ASSERT_TRUE(
        dispatch(withChecksum("$POVX,SetStartLine,45.123456,13.654321,45.124000,13.660000")));
    ASSERT_TRUE(dispatch(withChecksum("$POVX,SetStartTimer,1765000000,5")));
    ASSERT_TRUE(dispatch(withChecksum("$POVX,ACKALLALERTS")));
    EXPECT_EQ(std::tuple(all.startLine.last->left_lat, all.startLine.last->right_lon,
                         all.startTimer.last->start_time, all.startTimer.last->period,
                         all.acknowledge.count),
              std::tuple(45.123456, 13.66, 1765000000.0, 5, 1));
}

}  // namespace
