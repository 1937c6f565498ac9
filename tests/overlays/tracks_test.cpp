// Tracks as they are recorded and kept: the recording filter point by point,
// sections of 64 points, statistics against figures worked out here from the
// voyage's own legs, the tracks file and its damage, editing, and the
// simulator's own track.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>

#include "data/distancetostart.h"
#include "data/owngpstestsupport.h"
#include "maps/simplegrid.h"
#include "overlays/overlayfiles.h"
#include "overlays/trackmanager.h"

namespace {

CTrackManager& manager = CTrackManager::theManager;
constexpr double kLat0 = 50.0, kLon0 = -1.0;
constexpr double kT0 = 1717675200;  // 2024-06-06 12:00 UTC

// Positions in metres east (x) and north (y) of one origin.
struct Field {
    CSimpleGrid grid{kLat0, kLon0};

    // A fix moving at `knots` on `course`, with `averagedCourse` as the
    // course the boat held so far (a different one is a change of course).
    CDataGPSPosition fix(double x, double y, double t, float course = 0, float knots = 5,
                         float averagedCourse = 0) const {
        CDataGPSPosition p;
        grid.xy_to_latlon(x, y, p.latitude, p.longitude);
        p.time = kT0 + t;
        p.fix_status = CDataGPSPosition::kGPSFix;
        p.set_course(course, knots);
        p.set_averaged(knots, averagedCourse);
        p.evaluate_best_direction();
        return p;
    }
};

class Tracks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        owngps::resetOwnPosition();
        manager.ClearAll();
        CTrackManager::doRecordTrack = true;
    }
    void TearDown() override {
        CTrackManager::doRecordTrack = false;
        manager.ClearAll();
        manager.tracks_changed = false;
    }
    std::string path() const { return dir.filePath("tracks.ovtf").toStdString(); }
    void feed(CDataGPSPosition p) { manager.OnUpdate(p); }
    int points() const {
        return manager.tracks.empty() ? 0 : manager.tracks.back()->getTotalPoints();
    }

    QTemporaryDir dir;
    Field field;
};

TEST_F(Tracks, TheRecordingFilterPointByPoint) {
    // Each case: the kept point at (0, 0, t 0), then one more point.
    struct Case {
        const char* name;
        double x, y, t;
        float course, averaged;
        bool kept;
    } cases[] = {
        {"steady, 3 m and 2 s", 0, 3, 2, 0, 0, false},
        {"steady, 25 m but 10 s", 0, 25, 10, 0, 0, false},
        {"steady, 21 s but 15 m", 0, 15, 21, 0, 0, false},
        {"steady, 25 m and 21 s", 0, 25, 21, 0, 0, true},
        {"turned, 3 m and 2 s", 3, 0, 2, 90, 0, true},
        {"turned, 2.5 m and 2 s", 2.5, 0, 2, 90, 0, false},
        {"turned, 5 m and 1.5 s", 5, 0, 1.5, 90, 0, false},
        {"turned, 2.9 m and 1.9 s", 2.95, 0, 1.95, 90, 0, true},
        {"steady, 30 m after 6 h", 0, 30, 21600, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        manager.ClearAll();
        feed(field.fix(0, 0, 0));
        ASSERT_EQ(manager.tracks.size(), 1u);
        feed(field.fix(c.x, c.y, c.t, c.course, 5, c.averaged));
        EXPECT_EQ(manager.tracks.size(), 1u);
        EXPECT_EQ(points(), c.kept ? 2 : 1);
    }
}

// Two minutes before a race start the start gets a track of its own.
TEST_F(Tracks, TheApproachingStartOpensANewTrackNamedForIt) {
    CTrackManager::doRecordTrack = false;
    StartApproaching start{1800000000, "Start at 10:40"};
    Listener<StartApproaching>::Dispatch(start);
    EXPECT_TRUE(CTrackManager::isRecording());
    ASSERT_NE(manager.GetActiveTrack(), nullptr);
    EXPECT_EQ(manager.GetActiveTrack()->name, "Start at 10:40");
    EXPECT_TRUE(manager.tracks_changed);
}

TEST_F(Tracks, AGapOfMoreThanSixHoursStartsANamedTrack) {
    manager.default_track.name = "T#";
    feed(field.fix(0, 0, 0));
    feed(field.fix(0, 100, 7 * 3600));
    ASSERT_EQ(manager.tracks.size(), 2u);
    EXPECT_EQ(manager.tracks[0]->name + manager.tracks[1]->name, "T1T2");
    EXPECT_EQ(manager.tracks[1]->getTotalPoints(), 1);
}

TEST_F(Tracks, AClockSteppingBackIsAGapAndRecordingGoesOn) {
    feed(field.fix(0, 0, 1000));
    feed(field.fix(0, 30, 1030));
    ASSERT_EQ(points(), 2);
    feed(field.fix(0, 60, 400));  // the clock went back ten minutes
    EXPECT_EQ(points(), 3);
    feed(field.fix(0, 90, 430));  // and recording follows the new clock
    EXPECT_EQ(points(), 4);
    EXPECT_GE(manager.tracks.back()->moving_time, 0);
}

TEST_F(Tracks, The65thPointOpensASectionStartingWithThe64th) {
    for (int i = 0; i < 65; ++i) feed(field.fix(0, 25.0 * i, 21.0 * i));
    const COverlayTrack& track = *manager.tracks.back();
    ASSERT_EQ(track.sections.size(), 2u);
    EXPECT_EQ(
        std::tuple(track.sections[0]->count, track.sections[1]->count, track.getTotalPoints()),
        std::tuple(64, 2, 66));
    EXPECT_EQ(track.sections[1]->points[0].lat, track.sections[0]->points[63].lat);
}

TEST_F(Tracks, StoppingATrackOfOnePointDeletesIt) {
    manager.startTrackRecording();
    feed(field.fix(0, 0, 0));
    manager.stopTrackRecording();
    EXPECT_TRUE(manager.tracks.empty() || manager.tracks.back()->deleted);
    EXPECT_EQ(manager.GetActiveTrack(), nullptr);
}

TEST_F(Tracks, PauseAndResumeJoinTheGapWithOneSegment) {
    manager.startTrackRecording();
    feed(field.fix(0, 0, 0));
    feed(field.fix(0, 30, 25));
    manager.ResumeOrPauseRecording();  // pause
    EXPECT_FALSE(CTrackManager::doRecordTrack);
    feed(field.fix(0, 60, 50));  // not recorded while paused
    EXPECT_EQ(points(), 2);
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    field.grid.xy_to_latlon(0, 500, own.latitude, own.longitude);
    own.time = kT0 + 400;
    own.fix_status = CDataGPSPosition::kGPSFix;
    // Another vessel's wake heard while paused is not where recording resumes.
    auto wake = std::make_unique<COverlayTrack>();
    wake->other_vessel = true;
    COverlayTrack* other = manager.AddTrack(std::move(wake));
    manager.ResumeOrPauseRecording();  // resume at the boat's place
    EXPECT_TRUE(CTrackManager::doRecordTrack);
    EXPECT_EQ(points(), 3);
    EXPECT_EQ(manager.tracks.size(), 2u);
    EXPECT_EQ(other->getTotalPoints(), 0);
    // With only a wake there, resuming starts a track of our own.
    manager.ResumeOrPauseRecording();  // pause
    manager.ClearAll();
    wake = std::make_unique<COverlayTrack>();
    wake->other_vessel = true;
    other = manager.AddTrack(std::move(wake));
    manager.ResumeOrPauseRecording();
    EXPECT_TRUE(CTrackManager::doRecordTrack);
    EXPECT_EQ(manager.tracks.size(), 2u);
    EXPECT_NE(manager.GetActiveTrack(), other);
    EXPECT_EQ(other->getTotalPoints(), 0);
}

// A voyage of legs at known speeds, with a spike and a stop; the figures
// are summed here from the legs, not read back from the recorder.
TEST_F(Tracks, StatisticsOfAVoyageMatchTheLegs) {
    struct Leg {
        double east, north;  // metres per step
        double seconds;      // per step
        int steps;
    } legs[] = {
        {0, 60, 20, 40},     // 3 m/s north
        {0, 0, 30, 10},      // stopped 300 s
        {80, 0, 20, 50},     // 4 m/s east
        {-30, -30, 15, 20},  // 2.83 m/s south-west
    };
    auto track = std::make_unique<COverlayTrack>();
    double x = 0, y = 0, t = 0, distance = 0, moving = 0;
    auto add = [&] {
        CTrackPoint p;
        field.grid.xy_to_latlon(x, y, p.lat, p.lon);
        p.time = kT0 + t;
        p.setAltitude(-9999);
        track->addPoint(p, false);
    };
    add();
    for (const Leg& leg : legs)
        for (int i = 0; i < leg.steps; ++i) {
            x += leg.east;
            y += leg.north;
            t += leg.seconds;
            const double d = std::hypot(leg.east, leg.north);
            distance += d;
            if (d / leg.seconds > 0.447) moving += leg.seconds;
            add();
        }
    double movingTime = 0, maxSpeed = 0;
    const double total = track->getStats(movingTime, maxSpeed);
    EXPECT_NEAR(total, distance, distance * 0.002);
    EXPECT_NEAR(maxSpeed, 4.0, 4.0 * 0.002);
    EXPECT_EQ(std::tuple(movingTime, track->getElapsedTime(), track->getStoppedTime()),
              std::tuple(moving, t, 300.0));

    // One bad fix far off is a spike and never the maximum.
    auto spiked = std::make_unique<COverlayTrack>();
    for (int i = 0; i < 10; ++i) {
        CTrackPoint p;
        field.grid.xy_to_latlon(0, 60.0 * i + (i == 5 ? 900 : 0), p.lat, p.lon);
        p.time = kT0 + 20.0 * i;
        spiked->addPoint(p, false);
    }
    spiked->getStats(movingTime, maxSpeed);
    EXPECT_LT(maxSpeed, 10);
}

TEST_F(Tracks, AscentAndDescentBetweenPointsTwentyMetresApart) {
    auto track = std::make_unique<COverlayTrack>();
    // Up 10 m a step for 5 steps, then down 4 m a step for 5, 30 m apart.
    const double heights[] = {100, 110, 120, 130, 140, 150, 146, 142, 138, 134, 130};
    for (int i = 0; i < 11; ++i) {
        CTrackPoint p;
        field.grid.xy_to_latlon(0, 30.0 * i, p.lat, p.lon);
        p.time = kT0 + 10.0 * i;
        p.setAltitude(float(heights[i]));
        track->addPoint(p, false);
    }
    double up = 0, down = 0, top = 0;
    ASSERT_TRUE(track->getAltitudeMetrics(up, down, top));
    EXPECT_EQ(std::tuple(up, down, top), std::tuple(50.0, 20.0, 150.0));

    auto flat = std::make_unique<COverlayTrack>();
    CTrackPoint p;
    p.setAltitude(-9999);
    flat->addPoint(p, false);
    flat->addPoint(p, false);
    EXPECT_FALSE(flat->getAltitudeMetrics(up, down, top));
}

TEST_F(Tracks, SimplifyingKeepsTheEndsAndTheCorners) {
    auto track = std::make_unique<COverlayTrack>();
    // 100 points on a straight line north, then 100 east: an L.
    for (int i = 0; i < 200; ++i) {
        CTrackPoint p;
        const double x = i < 100 ? 0 : 10.0 * (i - 99);
        const double y = i < 100 ? 10.0 * i : 990;
        field.grid.xy_to_latlon(x, y, p.lat, p.lon);
        p.time = kT0 + i;
        track->addPoint(p, false);
    }
    const double before = track->getTotalDistance();
    ASSERT_TRUE(track->CompactData(1.0));
    EXPECT_LT(track->getTotalPoints(), 40);
    EXPECT_NEAR(track->getTotalDistance(), before, 0.5);
    for (const auto& s : track->sections) EXPECT_LE(s->count, CTrackSection::kMaxPoints);
}

TEST_F(Tracks, SplittingAndJoining) {
    for (int i = 0; i < 100; ++i) feed(field.fix(0, 25.0 * i, 21.0 * i));
    COverlayTrack* first = manager.tracks.back().get();
    const int total = first->getTotalPoints();
    CTrackSection* at = first->sections[1].get();
    COverlayTrack* second = manager.SplitTrack(first, at, 10);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->name, first->name + "-split");
    EXPECT_EQ(first->getTotalPoints() + second->getTotalPoints(), total + 1);
    EXPECT_EQ(first->lastPoint()->lat, second->firstPoint()->lat);

    EXPECT_FALSE(first->JoinTrack(*first));  // never with itself
    EXPECT_FALSE(first->deleted);
    ASSERT_TRUE(manager.JoinTracks(first, second));
    EXPECT_TRUE(second->deleted);
    // End and start coincide: no point is added.
    EXPECT_EQ(first->getTotalPoints(), total + 1);
}

TEST_F(Tracks, TheFileKeepsTracksAndTheTemplate) {
    manager.default_track.line_width = 3.5f;
    manager.default_track.color = GraphicsColor(10, 20, 30);
    for (int i = 0; i < 70; ++i) feed(field.fix(0, 25.0 * i, 21.0 * i));
    manager.tracks.back()->comment = "Round the island";
    manager.tracks.back()->line_style = 2;
    const uint64_t id = manager.tracks.back()->object_id;
    ASSERT_TRUE(manager.SaveIfNeeded(path()));
    EXPECT_FALSE(manager.tracks_changed);

    manager.default_track.line_width = 1;
    ASSERT_TRUE(manager.LoadFromFile(path()));
    ASSERT_EQ(manager.tracks.size(), 1u);
    const COverlayTrack& t = *manager.tracks[0];
    EXPECT_EQ(t.getTotalPoints(), 71);
    EXPECT_EQ(t.comment, "Round the island");
    EXPECT_EQ(t.line_style, 2);
    EXPECT_EQ(t.object_id, id);
    EXPECT_EQ(t.created, kT0);
    EXPECT_EQ(t.sections[1]->track, &t);
    EXPECT_EQ(manager.default_track.line_width, 3.5f);
}

TEST_F(Tracks, ASectionCountOutsideZeroTo64FailsItsTrack) {
    for (int32_t bad : {65, -1}) {
        SCOPED_TRACE(bad);
        manager.ClearAll();
        feed(field.fix(0, 0, 0));
        feed(field.fix(0, 25, 21));
        manager.tracks.push_back(std::make_unique<COverlayTrack>());
        manager.tracks.back()->name = "second";
        manager.tracks.back()->addPoint(CTrackPoint{}, false);
        manager.tracks_changed = true;
        ASSERT_TRUE(manager.SaveIfNeeded(path()));
        QFile file(QString::fromStdString(path()));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        // The first track's only section: tag, length, then its count of 2.
        const QByteArray count("\x02\x00\x00\x00\x20\x00\x00\x00", 8);
        const qsizetype at = bytes.indexOf(count);
        ASSERT_GT(at, 0);
        std::memcpy(bytes.data() + at, &bad, 4);
        file.seek(0);
        file.write(bytes);
        file.close();
        manager.LoadFromFile(path());
        ASSERT_EQ(manager.tracks.size(), 1u);
        EXPECT_EQ(manager.tracks[0]->name, "second");
    }
}

TEST_F(Tracks, TheSimulationDeletesOnlyItsOwnTrack) {
    CTrackManager::doRecordTrack = false;
    manager.startTrackRecording();
    feed(field.fix(0, 0, 0));
    feed(field.fix(0, 25, 21));
    COverlayTrack* mine = manager.tracks.back().get();
    manager.StartSimulation();
    ASSERT_EQ(manager.tracks.size(), 2u);
    COverlayTrack* simulation = manager.tracks.back().get();
    EXPECT_EQ(simulation->name, "Simulation");
    EXPECT_TRUE(simulation->do_not_sync);
    CDataGPSPosition p = field.fix(0, 50, 42);
    p.fix_status = CDataGPSPosition::kSimulated;
    feed(p);
    // The user's track, though first and named alike, is left alone.
    mine->name = "Simulation";
    manager.StartSimulation();  // the file rewound
    EXPECT_FALSE(mine->deleted);
    EXPECT_TRUE(simulation->deleted);
    manager.EndSimulation();
    int live = 0;
    for (const auto& t : manager.tracks) live += t->deleted ? 0 : 1;
    EXPECT_EQ(live, 1);
    EXPECT_FALSE(mine->deleted);
    EXPECT_TRUE(CTrackManager::doRecordTrack);
}

}  // namespace
