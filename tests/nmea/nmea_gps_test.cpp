// The GPS sentences, on hand-made lines and on real receiver logs.
#include <gtest/gtest.h>

#include <QDir>

#include "nmea/nmea_ais.h"
#include "nmea/nmea_dsc.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"
#include "nmea/nmea_povx.h"
#include "nmea/nmea_raw.h"
#include "nmeatestsupport.h"

using namespace nmeatest;
using namespace CNMEA_GPS;

namespace {

// The corpus line `number` (from 1) of a log under corpora/nmea.
std::string logLine(const char* log, int number) {
    const QList<QByteArray> lines = corpusLines(QString("nmea/") + log);
    return lines.value(number - 1).trimmed().toStdString();
}

TEST(NmeaGps, RmcFromRealReceivers) {
    Recorder<RMC> rmc;
    ASSERT_TRUE(dispatch(logLine("bu353-glonass.log", 12)));
    const RMC& gn = *rmc.last;
    EXPECT_TRUE(gn.valid);
    EXPECT_EQ(gn.talker, 'N');
    EXPECT_NEAR(gn.latitude, 55.6865917, 1e-7);
    EXPECT_NEAR(gn.longitude, 37.6214533, 1e-7);
    EXPECT_EQ(gn.time, 1401092051.0);  // 2014-05-26 08:14:11 UTC
    EXPECT_FLOAT_EQ(gn.speed, 0.60f);
    EXPECT_FLOAT_EQ(gn.course, 301.29f);

    ASSERT_TRUE(dispatch(logLine("garmin-10x.log", 15)));
    EXPECT_EQ(rmc.last->talker, 'P');
    EXPECT_NEAR(rmc.last->latitude, 41.7267633, 1e-7);
    EXPECT_NEAR(rmc.last->longitude, -83.63463, 1e-7);
    EXPECT_EQ(rmc.last->time, 1279471807.0);

    // Status V but mode S (simulator) counts as valid; variation west is positive.
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 6)));
    EXPECT_TRUE(rmc.last->valid);
    EXPECT_NEAR(rmc.last->longitude, -77.4408717, 1e-7);
    EXPECT_FLOAT_EQ(rmc.last->magnetic_variation, 10.5f);
    // No fix: status V and mode N.
    ASSERT_TRUE(dispatch(logLine("beidou-bd.log", 30)));
    EXPECT_FALSE(rmc.last->valid);
    EXPECT_EQ(rmc.last->latitude, 0.0);
}

TEST(NmeaGps, RmcRejectsBadDatesTimesPositionsAndNumbers) {
    Recorder<RMC> rmc;
    const std::string good = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,E";
    ASSERT_TRUE(dispatch(withChecksum(good)));
    EXPECT_FLOAT_EQ(rmc.last->magnetic_variation, -3.1f);
    for (const char* bad : {
             "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,300294,,",  // 30 February
             "$GPRMC,253519,A,4807.038,N,01131.000,E,022.4,084.4,230394,,",  // hour 25
             "$GPRMC,123519,A,4807.038,N,01131.000,E,inf,084.4,230394,,",
             "$GPRMC,123519,A,4807.038,N,01131.000,E,1.0,nan,230394,,",
             "$GPRMC,123519,A,4807.038,N,01131.000,E,1e40,1,230394,,",  // float overflow
         })
        EXPECT_FALSE(dispatch(withChecksum(bad))) << bad;
    EXPECT_EQ(rmc.count, 1);

    // A malformed position field gives no position at all, but the time
    // still counts: no-fix placeholders from real receivers.
    for (const char* placeholder :
         {"$GPRMC,000452.981,V,36000.0000,N,72000.0000,E,0.000000,,190120,,",
          "$GPRMC,235946.005,V,8960.000000,N,00000.000000,E,0.000,0.00,050180,,,N",
          "$GPRMC,123519,A,4807.038,N,01131.000,Q,022.4,084.4,230394,,"}) {
        ASSERT_TRUE(dispatch(withChecksum(placeholder))) << placeholder;
        EXPECT_EQ(rmc.last->latitude, 0.0);
        EXPECT_EQ(rmc.last->longitude, 0.0);
    }
    EXPECT_EQ(rmc.last->time, 3920186119.0);  // 2094-03-23 12:35:19: years 0-99 are 20xx
}

TEST(NmeaGps, GgaVtgGsaFromRealReceivers) {
    Recorder<GGA> gga;
    Recorder<VTG> vtg;
    Recorder<GSA> gsa;
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 8)));
    EXPECT_NEAR(gga.last->latitude, 38.9084783, 1e-7);
    EXPECT_NEAR(gga.last->longitude, -77.4408717, 1e-7);
    EXPECT_EQ(gga.last->fix_quality, 8);
    EXPECT_EQ(gga.last->satellites_used, 10);
    EXPECT_FLOAT_EQ(gga.last->hdop, 2.0f);
    EXPECT_FLOAT_EQ(gga.last->altitude, 268.8f);
    EXPECT_EQ(gga.last->talker, 'P');

    ASSERT_TRUE(dispatch(withChecksum("$GNVTG,054.7,T,034.4,M,005.5,N,010.2,K")));
    EXPECT_FLOAT_EQ(vtg.last->course, 54.7f);
    EXPECT_FLOAT_EQ(vtg.last->speed, 5.5f);
    EXPECT_EQ(vtg.last->talker, 'N');

    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 9)));
    EXPECT_EQ(gsa.last->mode, 'A');
    EXPECT_EQ(gsa.last->fix_type, 3);
    const uint8_t prns[12] = {3, 7, 8, 11, 13, 16, 19, 23, 24, 28, 0, 0};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(gsa.last->prn[i], prns[i]) << i;
    EXPECT_FLOAT_EQ(gsa.last->pdop, 3.6f);
    EXPECT_FLOAT_EQ(gsa.last->hdop, 2.0f);
    EXPECT_FLOAT_EQ(gsa.last->vdop, 3.0f);
}

TEST(NmeaGps, GsvRecordsAndMessageNumbers) {
    Recorder<GSV> gsv;
    ASSERT_TRUE(dispatch(logLine("GPSmap-76S.log", 11)));
    const GSV& s = *gsv.last;
    EXPECT_EQ(s.message_count, 3);
    EXPECT_EQ(s.message_number, 2);
    EXPECT_EQ(s.satellites_in_view, 10);
    EXPECT_EQ(s.satellites[0].prn, 13);
    EXPECT_EQ(s.satellites[0].elevation, 38);
    EXPECT_EQ(s.satellites[0].azimuth, 213);
    EXPECT_EQ(s.satellites[0].snr, 45);
    EXPECT_EQ(s.satellites[3].prn, 23);
    EXPECT_EQ(s.satellites[3].snr, 37);

    // Two satellites: the other records are cleared, not left from before.
    ASSERT_TRUE(dispatch(withChecksum("$GPGSV,3,3,10,24,10,030,40,28,05,100,35")));
    EXPECT_EQ(gsv.last->satellites[1].prn, 28);
    EXPECT_EQ(gsv.last->satellites[2].prn, 0);
    EXPECT_EQ(gsv.last->satellites[2].azimuth, 0);
    EXPECT_EQ(gsv.last->satellites[3].snr, 0);

    // Message numbers that would index outside the satellite table.
    EXPECT_FALSE(dispatch(withChecksum("$GPGSV,3,0,10,24,10,030,40")));
    EXPECT_FALSE(dispatch(withChecksum("$GPGSV,3,-1,10,24,10,030,40")));
    EXPECT_FALSE(dispatch(withChecksum("$GPGSV,3,4,10,24,10,030,40")));
    // Out-of-range values saturate instead of wrapping to another satellite.
    ASSERT_TRUE(dispatch(withChecksum("$GPGSV,1,1,01,300,-5,400,-1")));
    EXPECT_EQ(gsv.last->satellites[0].prn, 255);
    EXPECT_EQ(gsv.last->satellites[0].elevation, 0);
    EXPECT_EQ(gsv.last->satellites[0].snr, 0);
}

// Listeners of every registered sentence class.
struct AllListeners {
    Recorder<RMC> rmc;
    Recorder<GGA> gga;
    Recorder<VTG> vtg;
    Recorder<GSA> gsa;
    Recorder<GSV> gsv;
    Recorder<CNMEA_Instruments::MWV> mwv;
    Recorder<CNMEA_Instruments::MWD> mwd;
    Recorder<CNMEA_Instruments::VHW> vhw;
    Recorder<CNMEA_Instruments::HDG> hdg;
    Recorder<CNMEA_Instruments::DPT> dpt;
    Recorder<CNMEA_Instruments::DBT> dbt;
    Recorder<CNMEA_Instruments::MTW> mtw;
    Recorder<CNMEA_Instruments::RPM> rpm;
    Recorder<CNMEA_Instruments::RSA> rsa;
    Recorder<CNMEA_Instruments::XDR> xdr;
    Recorder<CNEMA_AIS::VDM> vdm;
    Recorder<CNEMA_AIS::VDO> vdo;
    Recorder<CNMEA_DSC::DSC> dsc;
    Recorder<CNMEA_DSC::DSE> dse;
    Recorder<NMEA_POVX::SetStartLine> startLine;
    Recorder<NMEA_POVX::SetStartTimer> startTimer;
    Recorder<NMEA_POVX::AcknowledgeNotifications> acknowledge;
};

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
    EXPECT_GT(all.rmc.count, 2500);
    EXPECT_GT(all.gsv.count, 9000);
    EXPECT_GT(all.vdm.count, 1500);
    EXPECT_GT(all.hdg.count, 1000);
    std::printf("corpus: %ld lines, %ld accepted\n", lines, accepted);
}

}  // namespace
