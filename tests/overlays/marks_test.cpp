// Marks as the user keeps them: names from templates, the marks file and its
// damage, and the proximity and anchor alarms
// on positions replayed from a log, with no go-to display anywhere.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "app/base/deviceservices.h"
#include "data/owngpstestsupport.h"
#include "nmea/nmeasimulation.h"
#include "overlays/gototestsupport.h"
#include "overlays/markmanager.h"
#include "overlays/nametemplate.h"

namespace {

CMarkManager& manager = CMarkManager::theManager;

std::string nameFor(const std::string& nameTemplate, std::vector<std::string> names) {
    std::vector<const std::string*> inUse;
    for (const std::string& n : names) inUse.push_back(&n);
    return NameFromTemplate(nameTemplate, inUse, 0);
}

TEST(MarkNames, FromTemplates) {
    struct Case {
        const char* nameTemplate;
        std::vector<std::string> names;
        const char* expected;
    } cases[] = {
        {"P#", {}, "P1"},
        {"P#", {"P1", "P2", "P7"}, "P8"},
        {"P#", {"P1", "P10", "Park"}, "P11"},  // Park reads as 0
        {"Camp", {"Camp"}, "Camp"},            // no '#': every mark alike
        {"Drop Mark #", {"Drop Mark 2", "P9"}, "Drop Mark 3"},
        {"#-#", {"#-4"}, "#-5"},  // the last '#' counts
        {"P#", {"P99999999999999999999"}, "P1000000000"},
        {"%%#", {"%3"}, "%4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameFor(c.nameTemplate, c.names), c.expected) << c.nameTemplate;
}

class Marks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        manager.ClearAll();
    }
    void TearDown() override {
        manager.ClearAll();
        // The file test changes the template.
        manager.default_mark.icon = CMarkManager::default_mark_icon;
        manager.default_mark.alarm_radius = 0;
    }
    std::string path() const { return dir.filePath("marks.ovtf").toStdString(); }

    QTemporaryDir dir;
};

TEST_F(Marks, NumberingCountsOnlyLiveMarks) {
    COverlayMark* p1 = manager.CreateNewMark(nullptr, 50, -1);
    COverlayMark* p2 = manager.CreateNewMark(nullptr, 50.1, -1);
    EXPECT_EQ(p2->name, "P2");
    manager.DeleteMark(p2);
    manager.DeleteMark(p1);  // two tombstones stay for the sync
    EXPECT_EQ(manager.marks.size(), 2u);
    EXPECT_EQ(manager.CreateNewMark(nullptr, 50.2, -1)->name, "P1");
    EXPECT_EQ(manager.CreateNewMark(nullptr, 91, -1), nullptr);
}

TEST_F(Marks, TheFileKeepsEveryFieldTheTemplateAndTheDestination) {
    manager.default_mark.icon = "Anchor";
    manager.default_mark.alarm_radius = 40;
    COverlayMark* a = manager.CreateNewMark(nullptr, 50.123456789, -1.987654321);
    COverlayMark* b = manager.CreateNewMark(nullptr, -33.5, 151.25);
    b->setLocked(true);
    manager.SetGoto(b);
    manager.marks_changed = true;
    ASSERT_TRUE(manager.SaveIfNeeded(path()));
    EXPECT_FALSE(manager.marks_changed);
    const uint64_t idA = a->object_id, idB = b->object_id;

    manager.default_mark.icon = "Dot";
    ASSERT_TRUE(manager.LoadFromFile(path()));
    ASSERT_EQ(manager.marks.size(), 2u);
    const COverlayMark& ra = *manager.marks[0];
    EXPECT_EQ(ra.name, "P1");
    EXPECT_EQ(ra.lat, 50.123456789);
    EXPECT_EQ(ra.icon, "Anchor");
    EXPECT_EQ(ra.alarm_radius, 40);
    EXPECT_EQ(ra.object_id, idA);
    EXPECT_TRUE(manager.marks[1]->locked);
    EXPECT_EQ(manager.marks[1]->object_id, idB);
    EXPECT_EQ(manager.go_to.mark, manager.marks[1].get());  // navigation resumes
    EXPECT_EQ(manager.default_mark.icon, "Anchor");         // the template came back too
}

TEST_F(Marks, DamagedFilesKeepWhatCameBefore) {
    for (int i = 0; i < 3; ++i) manager.CreateNewMark(nullptr, 50 + i * 0.01, -1);
    manager.marks_changed = true;
    ASSERT_TRUE(manager.SaveIfNeeded(path()));
    QFile file(QString::fromStdString(path()));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    // The third mark's section tag sits before its name's length and text.
    const qsizetype name = bytes.indexOf("P3");
    ASSERT_GT(name, 9);
    bytes[name - 9] = 0;
    file.seek(0);
    file.write(bytes);
    file.close();
    manager.LoadFromFile(path());
    EXPECT_EQ(manager.marks.size(), 2u);
    EXPECT_EQ(manager.default_mark.name, "P#");  // a lost template is the built-in one
    EXPECT_FALSE(manager.LoadFromFile(dir.filePath("missing").toStdString()));
    EXPECT_TRUE(manager.marks.empty());
}

// ---------------------------------------------------------------- alarms

const CUserNotifications::Notification* alarmShown() {
    for (const auto& n : CUserNotifications::instance().notifications())
        if (n.title.find("alarm") != std::string::npos) return &n;
    return nullptr;
}

TEST(MarkAlarmRule, InnerAndAlarmRadii) {
    struct Case {
        float inner, radius;
        double distance;
        bool alarm;
    } cases[] = {
        {0, 100, 99, true},    {0, 100, 100, false},  // proximity: inside only
        {30, 1000, 29, false}, {30, 1000, 30, true},  // anchor: out of the swing
        {30, 100, 500, true},                         // dragged far beyond: still
        {0, 0, 1, false},                             // no alarm radius, no alarm
    };
    for (const Case& c : cases) {
        COverlayMark mark;
        mark.lat = 50, mark.lon = -1;
        mark.inner_radius = c.inner, mark.alarm_radius = c.radius;
        EXPECT_EQ(CMarkAlarms::InAlarm(mark, c.distance), c.alarm)
            << c.inner << "/" << c.radius << " at " << c.distance;
    }
}

class AnchorWatch : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        ASSERT_TRUE(dir.isValid());
    }
    void TearDown() override {
        owngps::resetOwnPosition();
        for (auto n : CUserNotifications::instance().notifications())
            CUserNotifications::instance().cancel(n.id);
    }
    // A log of a boat drifting east from the anchor, 10 m a second.
    std::string driftLog(int seconds) {
        const std::string path = dir.filePath("drift.nmea").toStdString();
        FILE* f = std::fopen(path.c_str(), "w");
        for (int s = 0; s < seconds; ++s)
            std::fprintf(f, "%s\r\n",
                         nmeatest::withChecksum(field.rmc(10.0 * s, 0, s, "A", 90, 19)).c_str());
        std::fclose(f);
        return path;
    }

    QTemporaryDir dir;
    gototest::MarkField field{50.75, -1.3};
};

TEST_F(AnchorWatch, ADraggingAnchorAlarmsOnEveryFixWithoutAGotoDisplay) {
    COverlayMark* anchor = field.add("Anchor", 0, 0);
    anchor->inner_radius = 45;
    anchor->alarm_radius = 60;
    // Nothing navigates to the anchor and no page shows it.
    ASSERT_EQ(manager.go_to.mark, nullptr);
    CNMEASimulation::filename = driftLog(12);
    CNMEASimulation replay;
    ASSERT_TRUE(replay.Open());
    // Each step of the replay is one position, as each heartbeat second gives.
    for (int s = 0; s < 5; ++s) replay.OnHeartbeat();  // 0..40 m: swinging
    EXPECT_EQ(alarmShown(), nullptr);
    replay.OnHeartbeat();  // 50 m
    ASSERT_NE(alarmShown(), nullptr);
    EXPECT_EQ(alarmShown()->title, "Anchor alarm");
    EXPECT_NE(alarmShown()->text.find("Anchor is "), std::string::npos);
    for (int s = 0; s < 4; ++s) replay.OnHeartbeat();  // 90 m: beyond the radius, worse
    ASSERT_NE(alarmShown(), nullptr);
    EXPECT_TRUE(anchor->alarm_showing);

    // Acknowledged, it stays quiet while the boat is still out...
    CUserNotifications::instance().cancel(alarmShown()->id);
    replay.OnHeartbeat();
    EXPECT_EQ(alarmShown(), nullptr);
    replay.Close();
    // ...and comes back once the boat has swung in and out again.
    ASSERT_TRUE(owngps::send(field.rmc(5, 0, 100)));
    EXPECT_FALSE(anchor->alarm_showing);
    ASSERT_TRUE(owngps::send(field.rmc(80, 0, 101)));
    EXPECT_NE(alarmShown(), nullptr);
}

TEST_F(AnchorWatch, ProximityAlarmsStopWhenTurnedOffOrDeleted) {
    COverlayMark* rock = field.add("Rock", 0, 0);
    rock->alarm_radius = 100;
    ASSERT_TRUE(owngps::send(field.rmc(0, 50, 1)));
    ASSERT_NE(alarmShown(), nullptr);
    EXPECT_EQ(alarmShown()->title, "Mark proximity alarm");
    manager.DeleteMark(rock);
    EXPECT_EQ(alarmShown(), nullptr);

    COverlayMark* shoal = field.add("Shoal", 0, 0);
    shoal->alarm_radius = 100;
    CMarkManager::notifications = false;
    ASSERT_TRUE(owngps::send(field.rmc(0, 50, 2)));
    CMarkManager::notifications = true;
    EXPECT_EQ(alarmShown(), nullptr);
}

}  // namespace
