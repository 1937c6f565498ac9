// The GPS items showing real RMC, GGA, GSA, GSV and HDG sentences passed
// through the sentence layer, the odometer and its file.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <cmath>
#include <tuple>

#include "../data/owngpstestsupport.h"
#include "displays/odometerdisplay.h"
#include "displaytestsupport.h"
#include "support/testsupport.h"

using displaytest::ShownPage;

namespace {

constexpr int kCOG = 41, kSOG = 42, kPosition = 43, kAccuracy = 44, kAltitude = 45, kTime = 46,
              kCompass = 47, kTimeSeconds = 68, kSatellites = 76, kOdometer = 118;

class GpsItems : public ::testing::Test {
protected:
    void SetUp() override { owngps::resetOwnPosition(); }
    void TearDown() override { owngps::resetOwnPosition(); }
};

TEST_F(GpsItems, ShowRealSentencesWithAndWithoutAFix) {
    ShownPage shown(
        {kCOG, kSOG, kPosition, kAccuracy, kAltitude, kCompass, kTimeSeconds, kSatellites});
    EXPECT_EQ(shown.text(kPosition)->value(), "Not Available");
    EXPECT_EQ(shown.text(kCompass)->value(), "---");

    // The heading first, while the magnetic variation is still 0 (a fix recomputes it).
    owngps::send("$HCHDG,100.0,,,,");
    EXPECT_EQ(shown.text(kCompass)->value(), "100");
    owngps::send("$GPGGA,123456,5130.0000,N,00010.0000,W,1,08,0.8,45.5,M,47.0,M,,");
    owngps::send("$GPRMC,123457,A,5130.0000,N,00010.0000,W,5.5,123.4,060624,,");
    owngps::send("$GPGSA,A,3,05,09,,,,,,,,,,,1.5,0.8,1.2");
    owngps::send("$GPGSV,3,1,11,01,10,100,30,02,20,200,31,03,30,300,32,04,40,040,33");
    owngps::send("$GPGSV,3,2,11,05,50,050,34,06,60,060,35,07,70,070,36,08,80,080,37");
    owngps::send("$GPGSV,3,3,11,09,15,150,38,10,25,250,39,11,35,350,40");

    const std::tuple<int, const char*, const char*, const char*> cases[] = {
        {kCOG, "Course", "123", "\xC2\xB0T"},
        {kSOG, "Speed", "5.5", "kts"},
        {kAccuracy, "GPS Accuracy", "0.87", "yds"},
        {kAltitude, "Alt (GPS)", "46", "m"},
        {kCompass, "Compass", "100", "\xC2\xB0T"},
        {kSatellites, "Sats Used/View/dBH", "2/11/38", ""},
    };
    for (const auto& [kind, title, value, units] : cases)
        shown.expectShows(kind, title, value, units);
    // The position reads back as the sentence's position.
    double lat = 0, lon = 0;
    const std::string position = shown.text(kPosition)->value();
    std::string oneLine = position;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    ASSERT_TRUE(CUnits::Default->ScanPosition(oneLine.c_str(), lat, lon)) << position;
    EXPECT_LT(std::hypot(lat - 51.5, lon + 10.0 / 60), 1e-5);
    // Local time differs from UTC by whole hours here: minutes and seconds agree.
    const std::string time = shown.text(kTimeSeconds)->value();
    ASSERT_EQ(time.size(), 8u) << time;
    EXPECT_EQ(time.substr(3), "34:57");
    // Without a fix the accuracy is an estimate and the last speed stays.
    owngps::send("$GPRMC,123459,V,5130.0000,N,00010.0000,W,0.0,0.0,060624,,,N");
    EXPECT_EQ(shown.text(kAccuracy)->title(), "Est Pos Accuracy");
    EXPECT_EQ(shown.text(kSOG)->value(), "5.5");
}

TEST(Odometer, FileNamesStayInTheDataFolder) {
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"plain", "Odometer", "Odometer"},
        {"climbing out", "../../etc/passwd", "______etc_passwd"},
        {"parent only", "..", "__"},
        {"absolute", "/tmp/x", "_tmp_x"},
        {"backslashes", "a\\b", "a_b"},
        {"blanks at the ends", "  Trip log  ", "Trip log"},
        {"empty", "", "Odometer"},
        {"very long", std::string(300, 'a'), std::string(64, 'a')},
    };
    for (const auto& [name, given, safe] : cases)
        EXPECT_EQ(NDisplayGPS::OdometerDisplay::SafeFileName(given), safe) << name;
}

double g_travelled = 0;

class OdometerFiles : public ::testing::Test {
protected:
    void SetUp() override {
        NDisplayGPS::OdometerDisplay::directory = dir.path().toStdString();
        NDisplayGPS::OdometerDisplay::totalDistance = [] { return g_travelled; };
        g_travelled = 0;
    }
    void TearDown() override {
        NDisplayGPS::OdometerDisplay::directory.clear();
        NDisplayGPS::OdometerDisplay::totalDistance = savedTotal;
    }
    testsupport::TempDir dir;
    double (*savedTotal)() = NDisplayGPS::OdometerDisplay::totalDistance;
};

TEST_F(OdometerFiles, APausedOdometerKeepsItsReadingAndRenamesSafely) {
    {
        ShownPage shown({kOdometer});
        auto* odo = shown.item<NDisplayGPS::OdometerDisplay>(kOdometer);
        ASSERT_NE(odo, nullptr);
        g_travelled = 1000;
        ASSERT_TRUE(odo->onEditMenu("Reset Odometer"));
        g_travelled = 1000 + 1852;
        odo->Show();
        EXPECT_EQ((std::array<std::string, 3>{odo->title(), odo->value(), odo->units()}),
                  (std::array<std::string, 3>{"Odometer", "1.00", "NM"}));
        ASSERT_TRUE(odo->onEditMenu("Pause Odometer"));
        g_travelled = 9000;
        odo->Show();
        EXPECT_EQ(odo->value(), "|1.00|");
    }
    ShownPage again({kOdometer});
    auto* odo = again.item<NDisplayGPS::OdometerDisplay>(kOdometer);
    ASSERT_NE(odo, nullptr);
    EXPECT_TRUE(odo->paused() && odo->value() == "|1.00|") << odo->value();
    odo->Resume();
    g_travelled = 9000 + 1852;
    odo->Show();
    EXPECT_EQ(odo->value(), "2.00");
    // A name from an imported page cannot climb out of the data folder.
    odo->Rename("../escape");
    odo->Reset();
    EXPECT_TRUE(QFileInfo::exists(dir.file("___escape.odo")));
    EXPECT_FALSE(QFileInfo::exists(dir.path() + "/../escape.odo"));
    EXPECT_EQ(odo->title(), "../escape");
}

}  // namespace
