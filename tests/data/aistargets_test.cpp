// The AIS target manager: classes, colours, hand-worked CPA and TCPA, alarms,
// man-overboard beacons, expiry on the heartbeat, and the AIS corpora.
#include <gtest/gtest.h>

#include <QDir>
#include <cmath>

#include "aistestsupport.h"
#include "overlays/trackmanager.h"

using namespace aistest;
using namespace std::string_literals;

namespace {

constexpr QRgb kGreen = 0xFF00DC00, kRed = 0xFFFF0000, kYellow = 0xFFDCDC00;
constexpr double kNoCPA = float(1e10);  // as the target holds it

// Counts what targets tell their listeners.
struct TargetEvents : Listener<CAISTarget>, Listener<COverlayObject> {
    void OnUpdate(CAISTarget&) override { ++targetUpdates; }
    void OnUpdate(COverlayObject& o) override {
        if (o.type == CAISTarget::kAISTarget && o.last_action == COverlayObject::kRemoved)
            ++removed;
    }
    int targetUpdates = 0;
    int removed = 0;
};

// Encounters worked by hand. The own vessel steers north (000) unless said;
// the target starts x metres east and y north of it. 1 knot = 0.5144445 m/s:
//   5 kn 2.5722, 6 kn 3.0867, 10 kn 5.1444 m/s; 2 nm = 3704 m.
struct Encounter {
    const char* name;
    float ownSpeed;
    double x, y;
    float course, speed;
    int length;  // bow to stern, metres
    bool classB, alarm;
    double tcpa, cpa;
    QRgb colour;
};
const Encounter kEncounters[] = {
    // Closing at 10 kn over 3704 m: 3704 / 5.144445 = 720.0 s, straight on.
    {"head-on, both at 5 kn", 5, 0, 3704, 180, 5, 0, false, true, 720.0, 0, kRed},
    // The same closing speed from a vessel of 100 m: cpa 0 less 100 floors at 0.0001.
    {"2 nm straight in at 10 kn, own stopped", 0, 0, 3704, 180, 10, 100, false, true, 720.0, 0.0001,
     kRed},
    // Relative velocity (-3.0867, -3.0867) from (1852, 1852): 1852 / 3.0867 = 600.0 s, meeting.
    {"crossing from starboard, collision", 6, 1852, 1852, 270, 6, 0, false, true, 600.0, 0, kRed},
    // From (1852, 0): tcpa 1852 / (2 x 3.0867) = 300.0 s at (926, -926): 1309.6 m.
    {"crossing ahead, clear", 6, 1852, 0, 270, 6, 0, false, false, 300.0, 1309.6, kGreen},
    // Overtaking at 3 kn (1.54333 m/s) from 1500 m astern: 971.9 s, 400 m abeam: near.
    {"overtaking 400 m abeam", 5, 400, -1500, 0, 8, 0, false, false, 971.9, 400, kYellow},
    // Pulling away at 3 kn from 1852 m ahead: tcpa -1200 s, no approach.
    {"diverging", 5, 0, 1852, 0, 8, 0, false, false, -1200.0, kNoCPA, kGreen},
    {"stationary target", 5, 0, 1000, 0, 0, 0, false, false, 0, kNoCPA, kGreen},
    {"parallel at the same speed", 5, 100, 0, 0, 5, 0, false, false, 0, kNoCPA, kGreen},
    // Closing at 0.5 kn (0.25722 m/s) over 100 m: 388.8 s, below 1 kn: near, no alarm.
    {"below the minimum closing speed", 5, 0, 100, 0, 4.5f, 0, false, false, 388.8, 0, kYellow},
    // 3704 / 2 / 5.144445... closing at 10 kn over 1852 m: 360.0 s, passing 150 m off.
    {"class B passing 150 m off", 5, 150, 1852, 180, 5, 0, true, false, 360.0, 150, kYellow},
    {"class A passing 150 m off", 5, 150, 1852, 180, 5, 0, false, true, 360.0, 150, kRed},
};

TEST(AisTargets, CpaAndTcpaOfEncounters) {
    uint32_t mmsi = 235000001;
    for (const Encounter& e : kEncounters) {
        SCOPED_TRACE(e.name);
        Fresh fresh;
        ownVessel(0, e.ownSpeed);
        const AisStaticReport stat = vessel(++mmsi, "", 0, e.length / 2, e.length - e.length / 2);
        const AisPositionReport pos = at(mmsi, e.x, e.y, e.course, e.speed);
        if (e.classB) {
            send(AisEncoder::classBStatic(stat, 1));
            send(AisEncoder::classB(pos));
        } else {
            send(AisEncoder::staticData(stat));
            send(AisEncoder::classA(pos));
        }
        const CAISTarget* t = target(mmsi);
        ASSERT_NE(t, nullptr);
        EXPECT_NEAR(t->tcpa, e.tcpa, 0.5);
        EXPECT_NEAR(t->cpa, e.cpa, 1.0);
        EXPECT_NEAR(t->range, std::hypot(e.x, e.y), 1.0);
        EXPECT_EQ(std::tuple(t->alarm, t->colour.rgba(), notification(mmsi) != nullptr),
                  std::tuple(e.alarm, e.colour, e.alarm));
    }
}

TEST(AisTargets, CollisionNotificationNamesTheClassCpaAndMinutes) {
    Fresh fresh;
    ownVessel(0, 5);
    send(AisEncoder::classA(at(235000100, 0, 3704, 180, 5)));
    const auto* n = notification(235000100);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->title + "|" + n->text,
              "AIS collision alert, Class A|Unknown name, CPA 0 m, 12 min");
    // The vessel turns to our course and speed: no closest approach ahead, so
    // the alarm and its notification go.
    send(AisEncoder::classA(at(235000100, 0, 3600, 0, 5)));
    EXPECT_FALSE(target(235000100)->alarm || notification(235000100));
    // Without notifications the alarm still colours the target.
    CAISTargetManager::alarm_beep = false;
    send(AisEncoder::classA(at(235000100, 0, 3500, 180, 5)));
    EXPECT_TRUE(target(235000100)->alarm && !notification(235000100));
}

TEST(AisTargets, ClassesColoursAndTexts) {
    Fresh fresh;
    ownVessel(0, 0);
    struct Case {
        const char* name;
        AisPayload payload;
        uint32_t mmsi;
        const char* classText;
        QRgb colour;
        const char* status;
    };
    auto withStatus = [](AisPositionReport r, int status) {
        r.nav_status = status;
        return AisEncoder::classA(r);
    };
    const AisStaticReport aid = vessel(992351001, "BRAMBLE BANK");
    const Case cases[] = {
        {"at anchor", withStatus(at(235000201, 500, 500, 0, 0), 1), 235000201, "Class A",
         0xFF808080, "At anchor"},
        {"class B", AisEncoder::classB(at(235000204, 800, 0, 90, 5)), 235000204, "Class B",
         0xFF64C864, "n/a"},
        {"aircraft", AisEncoder::aircraft(at(111232506, 900, 0, 90, 120), 300), 111232506,
         "Aircraft", 0xFF6464C8, ""},
        {"aid to navigation", AisEncoder::aidToNavigation(aid, 1, 50.79, -1.21), 992351001,
         "Aid to Navigation", 0xFFA00073, ""},
        {"man overboard beacon", AisEncoder::classA(at(972000001, 20000, 0, 0, 0)), 972000001,
         "Man Overboard", 0xFFFF0000, "Under way using engine"},
        {"EPIRB", AisEncoder::classA(at(974000001, 20000, 100, 0, 0)), 974000001, "EPIRB",
         0xFFFF0000, "Under way using engine"},
        {"SART", AisEncoder::classA(at(970000001, 20000, 200, 0, 0)), 970000001,
         "Search and Rescue Transponder", 0xFFFF0000, "Under way using engine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        send(c.payload);
        const CAISTarget* t = target(c.mmsi);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(std::tuple(std::string(t->class_text), t->colour.rgba(),
                             std::string(t->nav_status_text)),
                  std::tuple(std::string(c.classText), c.colour, std::string(c.status)));
    }
}

TEST(AisTargets, StaticDataAloneIsNotShownUntilAPositionClassifiesIt) {
    Fresh fresh;
    TargetEvents events;
    const AisStaticReport yacht = vessel(235000301, "SEA BREEZE", 36, 8, 4);
    send(AisEncoder::classBStatic(yacht, 0));
    send(AisEncoder::classBStatic(yacht, 1));
    ASSERT_NE(target(235000301), nullptr);
    EXPECT_FALSE(target(235000301)->class_text || target(235000301)->isVisible() ||
                 events.targetUpdates);
    send(AisEncoder::classB(at(235000301, 100, 100, 45, 4)));
    EXPECT_EQ(events.targetUpdates, 1);
    EXPECT_EQ(target(235000301)->details,
              "\"SEA BREEZE\" Type:Sailing, LOA:12m\nClass B MMSI:235000301");
}

// Positions beyond either bound, below as well as above, are refused.
TEST(AisTargets, ImpossiblePositionsLeaveThePositionUnchanged) {
    Fresh fresh;
    send(AisEncoder::classA(at(235000501, 0, 1000, 0, 5)));
    const double lat = target(235000501)->latitude, lon = target(235000501)->longitude;
    // Raw ten-thousandths of a minute: 1 degree = 600000.
    const struct {
        const char* name;
        int32_t lat, lon;
    } cases[] = {{"latitude below -90", -91 * 600000, -1 * 600000},
                 {"longitude below -180", 50 * 600000, -181 * 600000},
                 {"latitude 90", 90 * 600000, -1 * 600000},
                 {"not available", 91 * 600000, 181 * 600000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AisPayload p;
        p.put(1, 6).put(0, 2).put(235000501, 30).put(0, 4).put(0x80, 8).put(50, 10).put(0, 1);
        p.putSigned(c.lon, 28).putSigned(c.lat, 27).put(0, 12).put(511, 9).put(60, 6);
        p.put(0, 25);
        send(p);
        EXPECT_EQ(std::pair(target(235000501)->latitude, target(235000501)->longitude),
                  std::pair(lat, lon));
    }
}

TEST(AisTargets, ManOverboardBeaconBecomesAMarkAndCloseByTheGoto) {
    Fresh fresh;
    ownVessel(0, 0);
    const struct {
        const char* name;
        uint32_t mmsi;
        double y;
        bool mark, gotoIt;
    } cases[] = {{"300 m away", 972000011, 300, true, true},
                 {"2 km away", 972000012, 2000, true, false},
                 {"20 km away", 972000013, 20000, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        send(AisEncoder::classA(at(c.mmsi, 0, c.y, 0, 0)));
        const std::string name = "AIS MOB: " + std::to_string(c.mmsi);
        COverlayMark* mark = CMarkManager::theManager.FindMark(name);
        ASSERT_EQ(mark != nullptr, c.mark);
        EXPECT_EQ(target(c.mmsi)->alarm, c.mark);
        if (!mark) continue;
        EXPECT_EQ(std::tuple(mark->lat, mark->icon, mark->is_goto),
                  std::tuple(target(c.mmsi)->latitude, "X", c.gotoIt));
        const auto* n = notification(c.mmsi);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->title, "AIS Man Overboard");
        EXPECT_NE(n->text.find(" away, bearing "), std::string::npos) << n->text;
    }
    // The beacon drifts: its one mark follows.
    send(AisEncoder::classA(at(972000012, 50, 2050, 0, 0)));
    int marks = 0;
    for (const auto& m : CMarkManager::theManager.marks) marks += m->name == "AIS MOB: 972000012";
    EXPECT_EQ(marks, 1);
    EXPECT_EQ(CMarkManager::theManager.FindMark("AIS MOB: 972000012")->lat,
              target(972000012)->latitude);
}

TEST(AisTargets, LostContactAfterSilenceAndGoneAfterTenMinutes) {
    Fresh fresh;
    TargetEvents events;
    const double t0 = 1.8e9;
    clockAt(t0);
    ownVessel(0, 0);
    send(AisEncoder::classA(at(235000601, 0, 3704, 180, 10)));
    ASSERT_TRUE(target(235000601)->alarm);
    const struct {
        double at;
        const char* status;  // null: gone
        QRgb colour;
    } steps[] = {{300, "Under way using engine", kRed},
                 {420, "Lost contact", 0xFFFFFFFF},
                 {540, "Lost contact", 0xFFFFFFFF},
                 {660, nullptr, 0}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.at);
        clockAt(t0 + s.at);
        expiryCheck();
        const CAISTarget* t = target(235000601);
        ASSERT_EQ(t != nullptr, s.status != nullptr);
        if (!t) continue;
        EXPECT_EQ(std::pair(std::string(t->nav_status_text), t->colour.rgba()),
                  std::pair(std::string(s.status), s.colour));
        if (s.at > 366) {
            EXPECT_EQ(std::tuple(t->state, t->speed, t->alarm, notification(235000601)),
                      std::tuple(CAISTarget::kLostContact, 0.0f, false, nullptr));
        }
    }
    EXPECT_EQ(events.removed, 1);
}

// A selected target that expires takes its selection and tool with it.
TEST(AisTargets, ExpiryClearsTheSelectionAndTool) {
    Fresh fresh;
    const double t0 = 1.8e9;
    clockAt(t0);
    send(AisEncoder::classA(at(235000701, 0, 500, 0, 3)));
    ASSERT_TRUE(target(235000701)->onTap(nullptr, FPoint(), DblPoint()));
    ASSERT_NE(COverlayTool::the_tool, nullptr);
    ASSERT_TRUE(COverlayTool::isSelected(target(235000701)));
    clockAt(t0 + 700);
    expiryCheck();
    EXPECT_FALSE(target(235000701) || CAISTarget::selected_target || COverlayTool::the_tool);
}

TEST(AisTargets, OwnTransponderSetsTheOwnPositionWhenNobodyElseHasAFix) {
    Fresh fresh;
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    own.fix_status = CDataGPSPosition::kNoFix;
    own.fix_owner = nullptr;
    AisPositionReport me = at(235999999, 0, 0, 45, 6);
    auto transmit = [&] {
        for (const std::string& line : AisEncoder::classA(me).sentences("!AIVDO"))
            ASSERT_TRUE(nmeatest::dispatch(line));
    };
    transmit();
    EXPECT_EQ(own.fix_owner, &CAISTargetManager::theManager);
    EXPECT_TRUE(CAISTargetManager::theManager.hasOwnPosition());
    EXPECT_NEAR(own.latitude, kOwnLat, 1e-5);
    EXPECT_NEAR(own.speed, 6, 1e-4);
    // Another producer's fix wins over the transponder.
    own.fix_owner = &own;
    me.latitude += 0.01;
    transmit();
    EXPECT_NEAR(own.latitude, kOwnLat, 1e-5);
    own.fix_status = CDataGPSPosition::kNoFix;
    own.fix_owner = nullptr;
}

TEST(AisTargets, RecordTracksLeavesATrackPerTarget) {
    Fresh fresh;
    CAISTargetManager::record_tracks = true;
    const size_t before = CTrackManager::theManager.tracks.size();
    const double t0 = 1.8e9;
    for (int i = 0; i < 6; ++i) {
        clockAt(t0 + 5 * i);  // a point every 10 s is kept: 3 of the 6
        send(AisEncoder::classA(at(235000801, 10.0 * i, 0, 90, 4)));
    }
    ASSERT_EQ(CTrackManager::theManager.tracks.size(), before + 1);
    COverlayTrack* track = nullptr;
    for (auto& candidate : CTrackManager::theManager.tracks)
        if (candidate->name == "AIS 235000801") track = candidate.get();
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->getTotalPoints(), 3);
    CTrackManager::theManager.DeleteTrack(track);
}

// Every AIS sample of the corpora through the manager: no crash, and every
// target it shows is classified, named by its MMSI and placed on the earth.
TEST(AisTargets, CorpusFilesThroughTheManager) {
    const QDir folder(testsupport::sharedDir() + "/corpora/ais");
    const QStringList files =
        folder.entryList({"*.aivdm", "*.nmea", "*.ais", "*.txt"}, QDir::Files);
    ASSERT_GE(files.size(), 5);
    for (const QString& file : files) {
        SCOPED_TRACE(file.toStdString());
        Fresh fresh;
        ownVessel(90, 5, 37.8, -122.4);
        for (const QByteArray& line : nmeatest::corpusLines("ais/" + file)) {
            const std::string text = line.trimmed().toStdString();
            if (!text.empty() && text[0] != '#') nmeatest::dispatch(text);
        }
        int shown = 0;
        for (const auto& [mmsi, t] : CAISTargetManager::theManager.targets) {
            EXPECT_EQ(t.mmsi_text, std::to_string(mmsi));
            if (!t.class_text) continue;
            ++shown;
            if (t.HasFix()) {
                EXPECT_TRUE(t.latitude >= -90 && t.latitude < 90) << mmsi;
                EXPECT_TRUE(t.longitude >= -180 && t.longitude < 180) << mmsi;
                EXPECT_TRUE(t.cpa >= 0) << mmsi;
            }
        }
        EXPECT_GT(shown, 0);
    }
}

}  // namespace
