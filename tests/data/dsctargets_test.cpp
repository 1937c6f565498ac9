// DSC calls: assembly with their expansion, marks and distress
// notifications, calls without a position, and the bound on pending calls.
#include <gtest/gtest.h>

#include "aistestsupport.h"

using namespace aistest;
using nmeatest::withChecksum;
using namespace std::string_literals;

namespace {

// $CDDSC,format,address,category,nature,comm,position,time,,,ack,E
std::string dsc(int format, uint32_t mmsi, int nature, const char* position, bool expansion) {
    char body[160];
    std::snprintf(body, sizeof body, "$CDDSC,%02d,%09u0,12,%02d,00,%s,1230,,,S,%s", format, mmsi,
                  nature, position, expansion ? "E" : "");
    return withChecksum(body);
}

// $CDDSE,total,number,A,address,00,enhanced position,03,course
std::string dse(uint32_t mmsi, const char* enhanced, const char* course = "0") {
    char body[160];
    std::snprintf(body, sizeof body, "$CDDSE,1,1,A,%09u0,00,%s,03,%s", mmsi, enhanced, course);
    return withChecksum(body);
}

struct Calls : Listener<CDSCTarget> {
    void OnUpdate(CDSCTarget& call) override { heard.push_back(call); }
    std::vector<CDSCTarget> heard;
};

TEST(DscTargets, DistressCallsBecomeMarksAndNotifications) {
    Fresh fresh;
    // Own position in the eastern Solent; the calls' quadrant 1 is north-west,
    // 50 47'N 1 12'W is 370 m north of it, 50 48'N 2.2 km.
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    own.set_latlon(50.78, -1.20);
    const struct {
        const char* name;
        uint32_t mmsi;
        int format, nature;
        const char* position;
        const char* text;  // start of the notification; null = none
        bool gotoIt;
    } cases[] = {
        {"fire, 2.2 km off", 232000001, 12, 0, "1504800112", "Fire\n", false},
        {"man overboard alongside", 232000002, 12, 10, "1504700112", "Man overboard\n", true},
        {"code past the table", 232000003, 12, 12, "1504800112", "Distress code 12\n", false},
        {"routine call", 232000004, 20, 0, "1504800112", nullptr, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(nmeatest::dispatch(dsc(c.format, c.mmsi, c.nature, c.position, false)));
        COverlayMark* mark = CMarkManager::theManager.FindMark("DSC:" + std::to_string(c.mmsi));
        ASSERT_NE(mark, nullptr);
        EXPECT_EQ(std::pair(mark->icon, mark->is_goto), std::pair("X"s, c.gotoIt));
        const auto* n = notification(-static_cast<long long>(c.mmsi));
        ASSERT_EQ(n != nullptr, c.text != nullptr);
        if (!n) continue;
        EXPECT_EQ(n->title, "DSC Distress Call");
        EXPECT_TRUE(n->text.starts_with(c.text) && n->text.ends_with(" away")) << n->text;
    }
    own.latitude = own.longitude = 999;
}

TEST(DscTargets, ExpansionRefinesThePositionAndCompletesTheCall) {
    Fresh fresh;
    Calls calls;
    ASSERT_TRUE(nmeatest::dispatch(dsc(12, 232000011, 6, "1504700112", true)));
    EXPECT_TRUE(calls.heard.empty());
    // 0.5 minute (5000 ten-thousandths) more each way; west negative.
    ASSERT_TRUE(nmeatest::dispatch(dse(232000011, "50005000", "1234")));
    ASSERT_EQ(calls.heard.size(), 1u);
    const CDSCTarget& call = calls.heard[0];
    EXPECT_NEAR(call.latitude, 50 + 47.5 / 60, 1e-9);
    EXPECT_NEAR(call.longitude, -(1 + 12.5 / 60), 1e-9);
    EXPECT_EQ(std::pair(call.course, call.nature), std::pair(123.4f, 6));
    EXPECT_TRUE(CDSCTargetManager::theManager.pending.empty());
    // An expansion nobody waits for changes nothing.
    ASSERT_TRUE(nmeatest::dispatch(dse(232000012, "50005000")));
    EXPECT_EQ(calls.heard.size(), 1u);
}

// A call without a position keeps its mark where it was, and still warns.
TEST(DscTargets, CallWithoutPositionKeepsTheMarkAndNotifies) {
    Fresh fresh;
    ASSERT_TRUE(nmeatest::dispatch(dsc(12, 232000021, 1, "1504700112", false)));
    COverlayMark* mark = CMarkManager::theManager.FindMark("DSC:232000021");
    ASSERT_NE(mark, nullptr);
    const double lat = mark->lat, lon = mark->lon;
    notificationsCleared();
    CMarkManager::theManager.marks_changed = false;
    for (const char* position : {"", "9999999999"}) {
        SCOPED_TRACE(position);
        ASSERT_TRUE(nmeatest::dispatch(dsc(12, 232000021, 5, position, false)));
        EXPECT_EQ(std::tuple(mark->lat, mark->lon, CMarkManager::theManager.marks_changed),
                  std::tuple(lat, lon, false));
        const auto* n = notification(-232000021);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->text, "Sinking");
    }
    // A first call without a position leaves no mark at all.
    ASSERT_TRUE(nmeatest::dispatch(dsc(12, 232000022, 5, "", false)));
    EXPECT_EQ(CMarkManager::theManager.FindMark("DSC:232000022"), nullptr);
    EXPECT_NE(notification(-232000022), nullptr);
}

// Calls whose expansion never comes are handed on after a while, and no
// more than a bounded number wait.
TEST(DscTargets, PendingCallsExpireAndAreBounded) {
    Fresh fresh;
    Calls calls;
    const double t0 = 1.8e9;
    clockAt(t0);
    ASSERT_TRUE(nmeatest::dispatch(dsc(12, 232000031, 3, "1504700112", true)));
    clockAt(t0 + CDSCTargetManager::kPendingSeconds + 1);
    ASSERT_TRUE(nmeatest::dispatch(dsc(20, 232000032, 0, "1504700112", true)));
    ASSERT_EQ(calls.heard.size(), 1u);
    EXPECT_EQ(std::pair(calls.heard[0].mmsi, calls.heard[0].nature), std::pair(232000031u, 3));
    // A flood of forged calls in one second.
    for (uint32_t i = 0; i < 1000; ++i)
        ASSERT_TRUE(nmeatest::dispatch(dsc(20, 233000000 + i, 0, "1504700112", true)));
    EXPECT_EQ(CDSCTargetManager::theManager.pending.size(), CDSCTargetManager::kMaxPending);
    EXPECT_EQ(calls.heard.size(), 1u);
}

}  // namespace
