// The track items on a track recorded from RMC sentences through the
// sentence layer: values shown at once, averages only after 10 s, "---"
// without altitudes, and the logging buttons following the recording state.
#include <gtest/gtest.h>

#include <tuple>

#include "../data/owngpstestsupport.h"
#include "../overlays/gototestsupport.h"
#include "displays/trackitems.h"
#include "displaytestsupport.h"
#include "overlays/trackmanager.h"

using displaytest::ShownPage;

namespace {

constexpr int kButton = 50, kDistance = 51, kMoving = 52, kElapsed = 53, kStopped = 54,
              kAvgMoving = 55, kMaxSpeed = 56, kResume = 117, kAvgOverall = 128, kAscent = 130,
              kDescent = 131;

CTrackManager& tracks = CTrackManager::theManager;

class TrackItems : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        tracks.ClearAll();
        CTrackManager::doRecordTrack = false;
    }
    void TearDown() override {
        CTrackManager::doRecordTrack = false;
        tracks.ClearAll();
        tracks.tracks_changed = false;
        owngps::resetOwnPosition();
    }
    // Due north at 5 knots: 5 * 1852 / 3600 m a second.
    void sail(int second) {
        const double y = second * 5 * 1852.0 / 3600;
        owngps::send(field.rmc(0, y, second, "A", 0, 5));
    }
    gototest::MarkField field{50.0, -4.0};
};

TEST_F(TrackItems, AVoyageAtFiveKnots) {
    ShownPage shown({kDistance, kMoving, kElapsed, kStopped, kAvgMoving, kMaxSpeed, kAvgOverall,
                     kAscent, kDescent});
    tracks.startTrackRecording();
    sail(0);
    sail(8);
    // Eight seconds on: too short a time to average over.
    shown.expectShows(kAvgMoving, "Moving Avg", "---");
    shown.expectShows(kAvgOverall, "Track Avg", "---");
    for (int s = 30; s <= 600; s += 30) sail(s);
    const std::tuple<int, const char*, const char*> cases[] = {
        {kDistance, "Distance", "0.83"},  // 5 knots for 10 minutes
        {kElapsed, "Elapsed", "10:00"},    {kAvgMoving, "Moving Avg", "5.0"},
        {kAvgOverall, "Track Avg", "5.0"}, {kMaxSpeed, "Max Speed", "5.0"},
        {kAscent, "Ascent", "---"},  // RMC gives no altitude
        {kDescent, "Descent", "---"},
    };
    for (const auto& [kind, title, value] : cases) shown.expectShows(kind, title, value);
    EXPECT_EQ(shown.text(kDistance)->units(), "NM");
    EXPECT_EQ(shown.text(kMoving)->value(), shown.text(kElapsed)->value());
}

TEST_F(TrackItems, TheButtonsFollowTheRecordingState) {
    ShownPage shown({kButton, kResume, kDistance});
    auto* button = shown.item<CDisplayView::CItemButton>(kButton);
    auto* resume = shown.item<CDisplayView::CItemButton>(kResume);
    ASSERT_TRUE(button && resume);
    const std::tuple<const char*, bool, const char*, const char*> steps[] = {
        {"before", false, "Start Logging", "Resume Logging"},
        {"start", true, "Stop Logging", "Pause Logging"},
        {"pause", false, "Start Logging", "Resume Logging"},
        {"resume", true, "Stop Logging", "Pause Logging"},
        {"stop", false, "Start Logging", "Resume Logging"},
    };
    for (const auto& [step, recording, label, resumeLabel] : steps) {
        SCOPED_TRACE(step);
        const std::string s = step;
        if (s == "start" || s == "stop") button->onClick();
        if (s == "pause" || s == "resume") resume->onClick();
        if (s == "start") {
            sail(0);
            sail(30);
        }
        EXPECT_EQ(CTrackManager::isRecording(), recording);
        EXPECT_EQ(button->label(), label);
        EXPECT_EQ(resume->label(), resumeLabel);
        EXPECT_EQ(button->icon(), recording ? "stop_recording.svg" : "record.svg");
    }
    // The menu of a text item offers the other state.
    EXPECT_EQ(shown.text(kDistance)->editMenus(), std::vector<std::string>{"Start Logging"});
}

}  // namespace
