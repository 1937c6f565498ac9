// The race start data: distance to the line and early/late against hand
// worked cases, the moments announced before and at the start, the time
// correction, and the start shared with other devices by $POVX sentences.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/base/persistantdata.h"
#include "data/distancetostart.h"
#include "data/feedstartinfo.h"
#include "data/owngpstestsupport.h"
#include "nmea/nmea_raw.h"

namespace {

constexpr double kRightLat = 50.77, kRightLon = -1.30;
constexpr double kStart = 1800000000;  // 2027-01-15

// A line 200 m long running west from the right end, approached from the
// south; the boat placed by metres east and north of the right end.
struct RaceFixture : ::testing::Test {
    CSimpleGrid grid{kRightLat, kRightLon};
    QTemporaryDir settings;
    CDataStartTimer savedTimer = CDataStartTimer::theStartTime;
    CDataStartLine savedLine = CDataStartLine::theStartLine;

    void SetUp() override {
        PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
        PersistantData::LoadAll("orvanta");  // received values are saved from now on
        owngps::resetOwnPosition();
        CDataDistanceToStart::theDistanceToStart.seconds_to_start = CDataDistanceToStart::kNoStart;
        CDataStartTimer::theStartTime = CDataStartTimer();
        setLine(-200, 0);
    }
    void TearDown() override {
        owngps::resetOwnPosition();
        CDataStartTimer::theStartTime = savedTimer;
        CDataStartLine::theStartLine = savedLine;
        CDataStartLine::theStartLine.Changed();
        PersistantData::SetFolders("", "");
    }
    void setLine(double leftEast, double leftNorth) {
        CDataStartLine& line = CDataStartLine::theStartLine;
        line.right_lat = kRightLat;
        line.right_lon = kRightLon;
        grid.xy_to_latlon(leftEast, leftNorth, line.left_lat, line.left_lon);
        line.Changed();
    }
    // A simulated fix (the clock correction stays as it is).
    void boatAt(double east, double north, float course, float knots, double time) {
        COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
        grid.xy_to_latlon(east, north, own.latitude, own.longitude);
        own.time = time;
        own.fix_status = CDataGPSPosition::kSimulated;
        own.set_course(course, knots);
        own.evaluate_best_direction();
        CDataDistanceToStart::theDistanceToStart.Compute();
    }
};

TEST_F(RaceFixture, DistanceAndEarlyLateWorkedByHand) {
    struct Case {
        const char* name;
        double east, north;
        float course, knots;
        double secondsToStart, distance;
        bool earlyLateValid;
        double earlyLate;
    };
    // At 6 knots the boat closes at 3.0867 m/s, at 5 knots at 2.5722 m/s.
    const Case cases[] = {
        {"on the line", -100, 0, 0, 6, 100, 0, false, 0},
        {"50 m short, 6 kn", -100, -50, 0, 6, 100, 50, true, -83.8},
        {"50 m short, 5 kn", -100, -50, 0, 5, 100, 50, true, -80.56},
        {"600 m short, 6 kn: late", -100, -600, 0, 6, 100, 600, true, 94.38},
        {"beyond the line", -100, 50, 0, 6, 100, -50, false, 0},
        {"beside the left end", -300, -50, 0, 6, 100, 50, true, -83.8},
        {"beside the right end", 80, -50, 0, 6, 100, 50, true, -83.8},
        {"sailing away", -100, -50, 180, 6, 100, 50, false, 0},
        {"along the line", -100, -50, 90, 6, 100, 50, false, 0},
        {"start over an hour away", -100, -50, 0, 6, 4000, 50, false, 0},
        {"start already past", -100, -50, 0, 6, -5, 50, false, 0},
    };
    const CDataDistanceToStart& d = CDataDistanceToStart::theDistanceToStart;
    CDataStartTimer::theStartTime.time_of_start = kStart;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boatAt(c.east, c.north, c.course, c.knots, kStart - c.secondsToStart);
        EXPECT_EQ(std::tuple(d.seconds_to_start, d.distance_valid, d.early_late_valid),
                  std::tuple(c.secondsToStart, true, c.earlyLateValid));
        EXPECT_NEAR(d.distance_to_line, c.distance, 0.05);
        EXPECT_NEAR(c.earlyLateValid ? d.early_late : 0, c.earlyLate, 0.05);
    }
}

TEST_F(RaceFixture, UnusableLinesAndNoPositionGiveNothing) {
    struct Case {
        const char* name;
        double leftEast, leftNorth;
        bool rightSet;
    };
    const Case cases[] = {
        {"4 m line", -4, 0, true},
        {"12 km line", -12000, 0, true},
        {"right end not pinged", -200, 0, false},
    };
    const CDataDistanceToStart& d = CDataDistanceToStart::theDistanceToStart;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setLine(c.leftEast, c.leftNorth);
        if (!c.rightSet) {
            CDataStartLine::theStartLine.right_lat = CDataStartLine::theStartLine.right_lon = 0;
            CDataStartLine::theStartLine.Changed();
        }
        boatAt(-100, -50, 0, 6, kStart - 100);
        EXPECT_FALSE(d.distance_valid || d.early_late_valid);
    }
    setLine(-200, 0);
    owngps::resetOwnPosition();
    EXPECT_FALSE(CDataDistanceToStart::theDistanceToStart.Compute() || d.distance_valid);
}

TEST_F(RaceFixture, NewTrackAnnouncedOnceAtTwoMinutesAndPageAtTheStart) {
    nmeatest::Recorder<StartApproaching> approaching(
        [](StartApproaching& a) { EXPECT_EQ(a.track_name.rfind("Start at ", 0), 0u); });
    int32_t shownKind = 0;
    nmeatest::Recorder<StartReached> reached(
        [&](StartReached& r) { shownKind = r.page_signature[1]; });
    CDataStartTimer& timer = CDataStartTimer::theStartTime;
    timer.time_of_start = kStart;
    timer.new_track_at_start = true;
    for (double before = 125; before >= 115; before -= 1) boatAt(-100, -500, 0, 6, kStart - before);
    EXPECT_EQ(approaching.count, 1);
    EXPECT_EQ(reached.count, 0);  // no page chosen for the start
    const int32_t page[5] = {84, 99, 89, 0, 0};
    timer.SetAfterStartPage(page);
    for (double before = 3; before >= -3; before -= 1) boatAt(-100, -10, 0, 6, kStart - before);
    ASSERT_EQ(reached.count, 1);
    EXPECT_EQ(shownKind, 99);
    EXPECT_EQ(approaching.count, 1);
    // A start already past when the first fix comes switches nothing.
    CDataDistanceToStart::theDistanceToStart.seconds_to_start = CDataDistanceToStart::kNoStart;
    boatAt(-100, 10, 0, 6, kStart + 600);
    EXPECT_EQ(reached.count, 1);

    // Without the new-track choice nothing is announced.
    timer.new_track_at_start = false;
    for (double before = 125; before >= 115; before -= 1) boatAt(-100, -500, 0, 6, kStart - before);
    EXPECT_EQ(approaching.count, 1);
}

TEST(TimestampCorrection, TakenOnlyFromPlausibleTimesBeyondTheJitter) {
    const double saved = CDataSource::timestamp_correction;
    const double now = 1800000000;
    struct Case {
        const char* name;
        double fix;
        bool taken;
        double correction;
    };
    const Case cases[] = {
        {"first plausible fix 10 s ahead", now + 10, true, 10},
        {"within the jitter", now + 10.3, false, 10},
        {"a fix without a date (1970)", 43200, false, 10},
        {"year 2200", 7258118400, false, 10},
        {"a real step", now - 2, true, -2},
    };
    CDataSource::timestamp_correction = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(UpdateTimestampCorrection(c.fix, now), c.taken);
        EXPECT_DOUBLE_EQ(CDataSource::timestamp_correction, c.correction);
    }
    CDataSource::timestamp_correction = saved;
}

// What the program sends as generated sentences.
struct Sent : Listener<CNMEA_Raw> {
    std::vector<std::string> lines;
    void OnUpdate(CNMEA_Raw& raw) override {
        if (!raw.source) lines.push_back(raw.text);
    }
};

TEST_F(RaceFixture, LocalChangesAreSentAndReceivedOnesStoredWithoutEcho) {
    Sent sent;
    CDataStartTimer& timer = CDataStartTimer::theStartTime;
    timer.time_of_start = kStart;
    timer.Changed();
    ASSERT_EQ(sent.lines.size(), 1u);
    EXPECT_EQ(sent.lines[0], nmeatest::withChecksum("$POVX,SetStartTimer,1800000000,5") + "\r\n");
    sent.lines.clear();
    CDataStartLine::theStartLine.Changed();
    ASSERT_EQ(sent.lines.size(), 1u);
    EXPECT_EQ(sent.lines[0].rfind("$POVX,SetStartLine,50.770", 0), 0u) << sent.lines[0];

    sent.lines.clear();
    nmeatest::Recorder<CDataStartTimer> timers;
    nmeatest::Recorder<CDataStartLine> lines;
    const QString file =
        QString::fromStdString(PersistantData::Filename(PersistantData::AppName()));
    // Received: taken, saved, not sent back; the same values again change
    // nothing and save nothing.
    for (const char* sentence : {"$POVX,SetStartTimer,1800000600,10",
                                 "$POVX,SetStartLine,50.771000,-1.290000,50.770000,-1.280000"}) {
        SCOPED_TRACE(sentence);
        for (bool again : {false, true}) {
            QFile::remove(file);
            ASSERT_TRUE(owngps::send(sentence));
            EXPECT_EQ(QFile::exists(file), !again);
        }
        EXPECT_TRUE(sent.lines.empty());
    }
    EXPECT_EQ(std::tuple(timer.time_of_start, timer.period_minutes, timers.count),
              std::tuple(1800000600.0, 10, 1));
    EXPECT_EQ(std::pair(CDataStartLine::theStartLine.left_lon, lines.count), std::pair(-1.29, 1));
}

TEST(StartTimer, TimeOfDayAlreadyPastIsTomorrow) {
    const double now = 1800000000;
    const double later = CDataStartTimer::NextTimeOfDay(now, 23, 59, 59);
    const double earlier = CDataStartTimer::NextTimeOfDay(now, 0, 0, 0);  // past today
    for (double next : {later, earlier}) EXPECT_TRUE(next > now && next - now <= 86400) << next;
    // The time of day itself is kept.
    EXPECT_EQ(CDataStartTimer::NextTimeOfDay(earlier - 1, 0, 0, 0), earlier);
}

}  // namespace
