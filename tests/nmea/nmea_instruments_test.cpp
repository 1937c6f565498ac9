// Instrument, DSC and proprietary sentences: real instrument lines from the
// corpus logs, the unit and validity rules, and the state carried by pooling.
#include <gtest/gtest.h>

#include "nmea/nmea_dsc.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_povx.h"
#include "nmeatestsupport.h"

using namespace nmeatest;
using namespace CNMEA_Instruments;

namespace {

std::string logLine(const char* log, int number) {
    return corpusLines(QString("nmea/") + log).value(number - 1).trimmed().toStdString();
}

TEST(Instruments, WindFromAWindInstrumentLog) {
    Recorder<MWV> mwv;
    Recorder<MWD> mwd;
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 17)));  // $WIMWV,57.5,R,13.0,N,A
    EXPECT_EQ(mwv.last->reference, 0);
    EXPECT_FLOAT_EQ(mwv.last->wind_angle, 57.5f);
    EXPECT_FLOAT_EQ(mwv.last->wind_speed, 13.0f);
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 18)));  // $WIMWV,96.6,T,11.2,N,A
    EXPECT_EQ(mwv.last->reference, 1);
    EXPECT_FLOAT_EQ(mwv.last->wind_angle, 96.6f);
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 16)));  // $WIMWD,328.2,T,326.8,M,11.2,N,...
    EXPECT_FLOAT_EQ(mwd.last->wind_direction, 328.2f);
    EXPECT_FLOAT_EQ(mwd.last->wind_speed, 11.2f);
}

TEST(Instruments, WindUnitsAndValidity) {
    Recorder<MWV> mwv;
    struct {
        const char* unit;
        float knots;
    } const units[] = {{"M", 19.4384449f}, {"K", 5.399568f}, {"S", 8.689765f}, {"N", 10.0f}};
    for (const auto& u : units) {
        ASSERT_TRUE(dispatch(withChecksum(std::string("$WIMWV,45,R,10,") + u.unit + ",A")));
        EXPECT_NEAR(mwv.last->wind_speed, u.knots, 1e-4) << u.unit;
    }
    EXPECT_FALSE(dispatch(withChecksum("$WIMWV,45,R,10,M,V")));  // status void
    EXPECT_FALSE(dispatch(withChecksum("$WIMWV,45,X,10,N,A")));  // no reference
    EXPECT_FALSE(dispatch(withChecksum("$WIMWV,45,R,10,Q,A")));  // unknown unit
    EXPECT_FALSE(dispatch(withChecksum("$WIMWV,,R,10,N,A")));    // no angle
    EXPECT_FALSE(dispatch(withChecksum("$WIMWV,45,R,inf,N,A")));
    Recorder<MWD> mwd;
    EXPECT_FALSE(dispatch(withChecksum("$WIMWD,328.2,M,326.8,M,11.2,N,5.8,M")));
    EXPECT_FALSE(dispatch(withChecksum("$WIMWD,328.2,T,326.8,M,11.2,K,5.8,M")));
}

TEST(Instruments, WaterSpeedHeadingDepthTemperatureFromLogs) {
    Recorder<VHW> vhw;
    Recorder<HDG> hdg;
    Recorder<DPT> dpt;
    Recorder<DBT> dbt;
    Recorder<MTW> mtw;
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 15)));  // $SDVHW,231.3,T,229.9,M,6.6,N,...
    EXPECT_TRUE(vhw.last->has_speed);
    EXPECT_TRUE(vhw.last->has_magnetic_heading);
    EXPECT_FLOAT_EQ(vhw.last->magnetic_heading, 229.9f);
    EXPECT_FLOAT_EQ(vhw.last->speed_through_water, 6.6f);
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 12)));  // $SDHDG,229.8,,,1.3,E
    EXPECT_FLOAT_EQ(hdg.last->heading, 229.8f);
    EXPECT_FLOAT_EQ(hdg.last->deviation, 0.0f);
    EXPECT_FLOAT_EQ(hdg.last->variation, 1.3f);
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 11)));  // $SDDPT,5.3,0.4,
    EXPECT_FLOAT_EQ(dpt.last->depth, 5.3f);
    EXPECT_FLOAT_EQ(dpt.last->offset_waterline, 0.4f);
    EXPECT_FLOAT_EQ(dpt.last->offset_keel, 0.0f);
    ASSERT_TRUE(dispatch(logLine("bundg_zeus_9.log", 44)));  // $SDDBT,18.0,f,5.4,M,3.0,F
    EXPECT_FLOAT_EQ(dbt.last->depth, 5.4f);
    ASSERT_TRUE(dispatch(logLine("humminbird-M37.log", 17)));  // $INMTW,17.9,C
    EXPECT_FLOAT_EQ(mtw.last->temperature, 17.9f);
    // The same instrument's "no reading" is not 0 degrees.
    EXPECT_FALSE(dispatch(logLine("bundg_zeus_9.log", 13)));  // $SDMTW,,C
    EXPECT_FLOAT_EQ(mtw.last->temperature, 17.9f);
}

TEST(Instruments, SignsOffsetsAndCarriedValues) {
    Recorder<HDG> hdg;
    ASSERT_TRUE(dispatch(withChecksum("$HCHDG,101.1,2.5,W,7.1,W")));
    EXPECT_FLOAT_EQ(hdg.last->deviation, -2.5f);
    EXPECT_FLOAT_EQ(hdg.last->variation, -7.1f);
    Recorder<DPT> dpt;
    ASSERT_TRUE(dispatch(withChecksum("$SDDPT,12.5,-0.5")));
    EXPECT_FLOAT_EQ(dpt.last->offset_keel, 0.5f);
    EXPECT_FLOAT_EQ(dpt.last->offset_waterline, 0.0f);

    // VHW keeps the value a sentence leaves out; with neither it is refused.
    Recorder<VHW> vhw;
    ASSERT_TRUE(dispatch(withChecksum("$VWVHW,,T,200.0,M,5.5,N,10.2,K")));
    ASSERT_TRUE(dispatch(withChecksum("$VWVHW,,T,,M,6.0,N,11.1,K")));
    EXPECT_FALSE(vhw.last->has_magnetic_heading);
    EXPECT_FLOAT_EQ(vhw.last->magnetic_heading, 200.0f);
    EXPECT_FLOAT_EQ(vhw.last->speed_through_water, 6.0f);
    EXPECT_FALSE(dispatch(withChecksum("$VWVHW,,T,,M,,N,,K")));

    // RPM: one engine per sentence, the other keeps its value.
    Recorder<RPM> rpm;
    ASSERT_TRUE(dispatch(withChecksum("$ERRPM,E,1,2200,10.0,A")));
    ASSERT_TRUE(dispatch(withChecksum("$ERRPM,E,2,1800,10.0,A")));
    EXPECT_FLOAT_EQ(rpm.last->rpm1, 2200);
    EXPECT_FLOAT_EQ(rpm.last->rpm2, 1800);
    ASSERT_TRUE(dispatch(withChecksum("$ERRPM,E,3,999,10.0,A")));  // no third engine
    EXPECT_FLOAT_EQ(rpm.last->rpm1, 2200);
    EXPECT_FLOAT_EQ(rpm.last->rpm2, 1800);
    EXPECT_FALSE(dispatch(withChecksum("$ERRPM,E,1,500,10.0,V")));

    // RSA: the first reading is taken directly, then 1.15 % of each change.
    Recorder<RSA> rsa;
    ASSERT_TRUE(dispatch(withChecksum("$AGRSA,10.0,A,,")));
    EXPECT_FLOAT_EQ(rsa.last->smoothed_angle, 10.0f);
    ASSERT_TRUE(dispatch(withChecksum("$AGRSA,20.0,A,,")));
    EXPECT_FLOAT_EQ(rsa.last->rudder_angle, 20.0f);
    EXPECT_NEAR(rsa.last->smoothed_angle, 10.115, 1e-4);
    EXPECT_FALSE(dispatch(withChecksum("$AGRSA,20.0,V,,")));

    Recorder<XDR> xdr;
    ASSERT_TRUE(dispatch(withChecksum("$IIXDR,C,19.5,C,AIRTEMP,P,1.013,B,BARO")));
    EXPECT_EQ(xdr.last->type1, 'C');
    EXPECT_FLOAT_EQ(xdr.last->value1, 19.5f);
    EXPECT_STREQ(xdr.last->name1, "AIRTEMP");
    EXPECT_EQ(xdr.last->type2, 'P');
    EXPECT_STREQ(xdr.last->name2, "BARO");
    ASSERT_TRUE(dispatch(withChecksum("$IIXDR,A,-3.9,D,RUDDER")));
    EXPECT_EQ(xdr.last->type2, 0);
    EXPECT_STREQ(xdr.last->name2, "");
}

TEST(Dsc, CallsAndPositions) {
    Recorder<CNMEA_DSC::DSC> dsc;
    ASSERT_TRUE(dispatch(withChecksum("$CDDSC,12,3380400790,12,06,00,1423108312,2019,,,S,E")));
    const CNMEA_DSC::DSC& d = *dsc.last;
    EXPECT_EQ(d.format_specifier, 12);
    EXPECT_EQ(d.mmsi, 338040079u);
    EXPECT_EQ(d.category, 12);
    EXPECT_EQ(d.nature, 6);
    EXPECT_EQ(d.quadrant, 1);
    EXPECT_NEAR(d.latitude, 42 + 31 / 60.0, 1e-9);
    EXPECT_NEAR(d.longitude, -(83 + 12 / 60.0), 1e-9);
    EXPECT_EQ(d.acknowledgement, 'S');
    EXPECT_TRUE(d.expansion);

    // Quadrant 2: south and east.
    ASSERT_TRUE(dispatch(withChecksum("$CDDSC,12,3380400790,12,06,00,2423108312,2019,,,S,")));
    EXPECT_LT(dsc.last->latitude, 0);
    EXPECT_GT(dsc.last->longitude, 0);
    EXPECT_FALSE(dsc.last->expansion);
    // Nine or eleven characters, a letter, or an impossible quadrant: no position.
    for (const char* field :
         {"142310831", "14231083120", "1423A08312", "9999999999", "1953108312"}) {
        ASSERT_TRUE(dispatch(
            withChecksum(std::string("$CDDSC,12,3380400790,12,06,00,") + field + ",2019,,,S,")))
            << field;
        EXPECT_EQ(dsc.last->latitude, -999) << field;
        EXPECT_EQ(dsc.last->longitude, -999) << field;
    }
    // An address that is no ten-digit number refuses the call.
    EXPECT_FALSE(dispatch(withChecksum("$CDDSC,12,33804007X0,12,06,00,1423108312,2019,,,S,")));
    EXPECT_FALSE(dispatch(withChecksum("$CDDSC,12,338040079,12,06,00,1423108312,2019,,,S,")));
}

TEST(Dsc, ExpansionData) {
    Recorder<CNMEA_DSC::DSE> dse;
    ASSERT_TRUE(dispatch(withChecksum("$CDDSE,1,1,A,3380400790,00,45894494,02,0123,03,2705")));
    const CNMEA_DSC::DSE& e = *dse.last;
    EXPECT_EQ(e.total, 1);
    EXPECT_EQ(e.number, 1);
    EXPECT_EQ(e.mmsi, 338040079u);
    EXPECT_EQ(e.flags,
              CNMEA_DSC::DSE::kEnhancedPosition | CNMEA_DSC::DSE::kSpeed | CNMEA_DSC::DSE::kCourse);
    EXPECT_EQ(e.enhanced_lat, 4589);
    EXPECT_EQ(e.enhanced_lon, 4494);
    EXPECT_FLOAT_EQ(e.speed, 12.3f);
    EXPECT_FLOAT_EQ(e.course, 270.5f);
    // Malformed position data and unknown codes set nothing.
    ASSERT_TRUE(dispatch(withChecksum("$CDDSE,2,2,A,3380400790,00,4589449,07,1234")));
    EXPECT_EQ(dse.last->flags, 0);
}

TEST(Povx, RaceStartSentencesAreValidated) {
    Recorder<NMEA_POVX::SetStartLine> line;
    Recorder<NMEA_POVX::SetStartTimer> timer;
    Recorder<NMEA_POVX::AcknowledgeNotifications> ack;
    ASSERT_TRUE(
        dispatch(withChecksum("$POVX,SetStartLine,45.123456,13.654321,45.124000,13.660000")));
    EXPECT_DOUBLE_EQ(line.last->left_lat, 45.123456);
    EXPECT_DOUBLE_EQ(line.last->right_lon, 13.66);
    ASSERT_TRUE(dispatch(withChecksum("$POVX,SetStartTimer,1765000000,5")));
    EXPECT_EQ(timer.last->start_time, 1765000000.0);
    EXPECT_EQ(timer.last->period, 5);
    ASSERT_TRUE(dispatch(withChecksum("$POVX,ACKALLALERTS")));
    EXPECT_EQ(ack.count, 1);

    for (const char* bad : {"$POVX,SetStartLine,95,13,45,13", "$POVX,SetStartLine,45,181,45,13",
                            "$POVX,SetStartLine,45,13,nan,13", "$POVX,SetStartLine,45,13,45,-inf",
                            "$POVX,SetStartTimer,inf,5"})
        EXPECT_FALSE(dispatch(withChecksum(bad))) << bad;
    EXPECT_EQ(line.count, 1);
    EXPECT_EQ(timer.count, 1);
}

}  // namespace
