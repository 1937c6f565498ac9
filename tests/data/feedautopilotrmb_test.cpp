// The autopilot sentence built from go-to updates.
#include <gtest/gtest.h>

#include "data/feedautopilotrmb.h"
#include "data/owngpstestsupport.h"
#include "nmea/nmea_raw.h"

namespace {

class Sent : public Listener<CNMEA_Raw> {
public:
    void OnUpdate(CNMEA_Raw& raw) override { lines.emplace_back(raw.text); }
    std::vector<std::string> lines;
};

TEST(AutopilotRMB, FormatsTheGotoStateAndFlagsANewDestination) {
    owngps::resetOwnPosition();
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    p.fix_status = CDataGPSPosition::kGPSFix;
    p.set_course(90, 6);  // east at 6 knots
    p.evaluate_best_direction();
    int home = 0, away = 0;
    CFeed_AutopilotRMB::Goto go;
    go.mark = &home;
    go.name = "Home port-2";
    go.latitude = 51.5;
    go.longitude = -0.125;
    go.distance = 3704;  // 2 nm
    go.bearing = 60;
    go.cross_track = -18.52;
    go.to_mark[0] = 0.8f;  // mostly east
    go.to_mark[1] = 0.6f;
    CFeed_AutopilotRMB feed;
    EXPECT_FALSE(feed.OnGotoUpdate(go));  // nobody listens: nothing formatted
    Sent sent;
    ASSERT_TRUE(feed.OnGotoUpdate(go));
    ASSERT_EQ(sent.lines.size(), 1u);
    EXPECT_EQ(sent.lines[0].substr(0, sent.lines[0].find('*')),
              "$ECRMB,A,0.01000,L,X,HOMEPO,51.5000000,N,0.1250000,W,2.00000,60.0,4.80,V,A");
    EXPECT_EQ(sent.lines[0].substr(sent.lines[0].size() - 2), "\r\n");
    go.mark = &away;
    go.name = "b";
    go.cross_track = 0;
    ASSERT_TRUE(feed.OnGotoUpdate(go));
    EXPECT_NE(sent.lines[1].find(",R,X,B,"), std::string::npos);
    EXPECT_NE(sent.lines[1].find(",A,A*"), std::string::npos);  // the destination changed
    go.mark = nullptr;
    EXPECT_FALSE(feed.OnGotoUpdate(go));
    EXPECT_EQ(sent.lines.size(), 2u);
    p.fix_status = CDataGPSPosition::kNoFix;
}

}  // namespace
