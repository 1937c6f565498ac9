// The race start items on a shown page: the countdown's titles and ticks,
// the distance and early/late texts, and the buttons that write the start.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/distancetostart.h"
#include "data/overlaygpsposition.h"
#include "displays/displaytestsupport.h"
#include "displays/quick/racedialogs.h"
#include "displays/raceitems.h"

namespace {

using displaytest::ShownPage;

struct RaceItems : ::testing::Test {
    QTemporaryDir settings;
    CDataStartTimer savedTimer = CDataStartTimer::theStartTime;
    CDataStartLine savedLine = CDataStartLine::theStartLine;
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;

    void SetUp() override {
        PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
        CDataStartTimer::theStartTime = CDataStartTimer();
        CDataStartLine::theStartLine = CDataStartLine();
        CDataStartLine::theStartLine.Changed();
        own.latitude = own.longitude = 999;
        own.fix_status = CDataGPSPosition::kNoFix;
    }
    void TearDown() override {
        CDataStartTimer::theStartTime = savedTimer;
        CDataStartLine::theStartLine = savedLine;
        CDataStartLine::theStartLine.Changed();
        own.latitude = own.longitude = 999;
        own.fix_status = CDataGPSPosition::kNoFix;
        PersistantData::SetFolders("", "");
    }
    // The heartbeat's clock held just after a whole second, as on a tick.
    void holdClock() { Listener<CHeartbeat>::pDatasource->timestamp = 1800000000.05; }
    void startIn(double seconds) {
        CDataStartTimer::theStartTime.time_of_start = std::floor(CHeartbeat::Timestamp()) + seconds;
        CDataStartTimer::theStartTime.Changed();
    }
    void fixAt(double lat, double lon) {
        own.latitude = lat;
        own.longitude = lon;
        own.time = CHeartbeat::Timestamp();
        own.fix_status = CDataGPSPosition::kSimulated;
        own.set_course(0, 5);
        own.evaluate_best_direction();
        CDataDistanceToStart::theDistanceToStart.Compute();
    }
};

TEST_F(RaceItems, CountdownTitlesBeforeAndAfterTheStart) {
    ShownPage shown({84, 89, 90});
    holdClock();
    shown.expectShows(84, "Time till start", "---");
    struct Case {
        double startIn;
        const char* title;
        const char* value;
    };
    const Case cases[] = {
        {75, "Time to start", "1:15"},
        {300, "Time to start", "5:00"},
        {-5, "Time since start", "+5s"},
        {-75, "Time since start", "+1:15"},
    };
    for (const Case& c : cases) {
        startIn(c.startIn);
        shown.expectShows(84, c.title, c.value, "");
    }
    CDataStartTimer::theStartTime.ClearStart();
    shown.expectShows(84, "Time till start", "---");
    // No position: the line's items stay empty.
    shown.expectShows(89, "Distance to Line", "");
    EXPECT_EQ(shown.text(90)->value(), "");
}

// Keeps the heartbeat's data source alive so that a tick time can be set.
struct Idle : CHeartbeat::Counter {
    Idle() : Counter(100000) {}
    void OnHeartbeat() override {}
};

TEST_F(RaceItems, CountdownRedrawsOnTheFirstTickOfEachSecond) {
    Idle idle;
    struct Case {
        double clock;              // when the page is shown
        std::vector<int> redrawn;  // pulses after which the countdown is new
    };
    const Case cases[] = {
        {1000.25, {8, 18, 28}},
        {1000.0, {10, 20, 30}},
        {1000.95, {1, 11, 21}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clock);
        Listener<CHeartbeat>::pDatasource->timestamp = c.clock;
        ShownPage shown({84});
        auto* timer = shown.item<NDisplayRace::DisplayStartTimer>(84);
        ASSERT_NE(timer, nullptr);
        // A start that moves on every pulse: the value is new only where the item redrew.
        std::vector<int> redrawn;
        std::string last = timer->value();
        for (int k = 1; k <= 30; ++k) {
            CDataStartTimer::theStartTime.time_of_start =
                std::floor(CHeartbeat::Timestamp()) + 1000 + 100 * k;
            CHeartbeat::Pulse();
            if (timer->value() != last) redrawn.push_back(k);
            last = timer->value();
        }
        EXPECT_EQ(redrawn, c.redrawn);
    }
}

TEST_F(RaceItems, PingsMakeTheLineAndTheDistanceFollows) {
    ShownPage shown({84, 89, 90, 91, 92, 93});
    holdClock();
    auto* left = shown.item<NDisplayRace::DisplayStartPingLeft>(92);
    auto* right = shown.item<NDisplayRace::DisplayStartPingRight>(91);
    auto* start = shown.item<NDisplayRace::DisplayStartCountdown>(93);
    ASSERT_TRUE(left && right && start);
    EXPECT_EQ(left->label(), "Ping Left");
    EXPECT_EQ(right->label(), "Ping Right");
    EXPECT_EQ(start->label(), "Start");
    EXPECT_EQ(left->editMenus(), std::vector<std::string>{"Timer Settings"});

    // No position: a ping changes nothing.
    left->onClick();
    EXPECT_FALSE(CDataStartLine::theStartLine.HasLeft());

    // Left end pinged, right end not yet: no distance.
    fixAt(50.77, -1.3029);  // about 205 m west of the right end
    left->onClick();
    shown.expectShows(89, "Distance to Line", "");
    fixAt(50.77, -1.30);
    right->onClick();
    EXPECT_DOUBLE_EQ(CDataStartLine::theStartLine.right_lon, -1.30);

    // 0.1' south of the line (185 m), sailing north at 5 knots, the start in 10 minutes.
    CDataStartTimer::theStartTime.period_minutes = 10;
    start->onClick();
    EXPECT_EQ(CDataStartTimer::theStartTime.time_of_start, 1800000600);
    fixAt(50.77 - 0.1 / 60, -1.301);
    EXPECT_EQ(shown.text(89)->value(), "0.10");
    EXPECT_EQ(shown.text(89)->units(), "NM");
    shown.expectShows(90, "Early (s)", "-528");  // 185.4 m at 2.572 m/s: 72 s, 527.9 s early

    // Beyond the line: a negative distance and no early/late.
    fixAt(50.77 + 0.1 / 60, -1.301);
    EXPECT_EQ(shown.text(89)->value(), "-0.10");
    EXPECT_EQ(shown.text(90)->value(), "");
}

TEST_F(RaceItems, DialogsOpenFromTheMenusAndWriteTheStartData) {
    displaytest::OnePage layout;
    layout.page->AddItem(84, 0, 0, 20, 40);
    layout.set->AddNewPage()->AddItem(99, 0, 0, 20, 20);
    CRaceDialogs dialogs;
    dialogs.setLayout(&layout.arrangement);
    QSignalSpy timerAsked(&dialogs, &CRaceDialogs::timerDialogRequested);
    QSignalSpy axisAsked(&dialogs, &CRaceDialogs::axisDialogRequested);
    ShownPage shown({84, 109});
    EXPECT_TRUE(shown.item<CDisplayView::CItem>(84)->onEditMenu("Timer Settings"));
    EXPECT_TRUE(shown.item<CDisplayView::CItem>(109)->onEditMenu("Set Axis"));
    EXPECT_EQ(timerAsked.count(), 1);
    EXPECT_EQ(axisAsked.count(), 1);

    // OK with a period, a new track and the second page for the start.
    dialogs.applyTimer(10, true, 1);
    const CDataStartTimer& timer = CDataStartTimer::theStartTime;
    EXPECT_EQ(timer.period_minutes, 10);
    EXPECT_TRUE(timer.new_track_at_start);
    EXPECT_EQ(timer.after_start_page[0], 99);
    QVariantMap fields = dialogs.timerFields();
    EXPECT_EQ(fields["pages"].toStringList().size(), 2);
    EXPECT_EQ(fields["afterStartPage"].toInt(), 1);
    dialogs.applyTimer(10, false, -1);
    EXPECT_EQ(dialogs.timerFields()["afterStartPage"].toInt(), -1);

    // The axis typed as true, then as magnetic with 3° west variation.
    CUnits& units = *CUnits::Default;
    EXPECT_TRUE(dialogs.applyAxis(0, 250));
    EXPECT_EQ(CDataStartLine::theStartLine.axis, 250);
    shown.expectShows(109, "Course Axis", "250°T");
    units.bearing_mode = 1;
    units.magnetic_variation = -3;
    EXPECT_TRUE(dialogs.applyAxis(0, 250));
    EXPECT_EQ(CDataStartLine::theStartLine.axis, 247);
    units.bearing_mode = 0;
    units.magnetic_variation = 0;
    // No heading and no course: nothing to take the axis from.
    own.damping = CompassDamping();
    own.set_course(999, 0);
    EXPECT_FALSE(dialogs.applyAxis(1, 0));
    EXPECT_FALSE(dialogs.applyAxis(3, 0));
    EXPECT_FALSE(dialogs.applyAxis(7, 0));
    EXPECT_EQ(CDataStartLine::theStartLine.axis, 247);
}

}  // namespace
