// ovtool marks against a profile's marks file, and its refusal to change
// them while the program runs with that profile.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "support/testsupport.h"

namespace {

using namespace testsupport;

QJsonArray listMarks(const QString& home) {
    const ProcessResult r = runOvtool({"marks", "list", "--profile", "sea"}, home);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return QJsonDocument::fromJson(r.out).array();
}

TEST(MarksCommand, AddsListsNavigatesAndDeletesInTheProfilesFile) {
    TempDir home;
    ASSERT_EQ(runOvtool({"marks", "add", "Hamble \"Point\"", "50.8466", "-1.3127", "--icon",
                         "Anchor", "--profile", "sea"},
                        home.path())
                  .exitCode,
              0);
    ASSERT_EQ(runOvtool({"marks", "add", "Calshot", "50.8183", "-1.3063", "--profile", "sea"},
                        home.path())
                  .exitCode,
              0);
    QJsonArray marks = listMarks(home.path());
    ASSERT_EQ(marks.size(), 2);
    const QJsonObject first = marks[0].toObject();
    EXPECT_EQ(first["name"].toString(), "Hamble \"Point\"");
    EXPECT_DOUBLE_EQ(first["lat"].toDouble(), 50.8466);
    EXPECT_EQ(first["icon"].toString(), "Anchor");
    EXPECT_TRUE(first["ovid"].toString().startsWith("ovid:"));
    EXPECT_EQ(listMarks(home.path())[0].toObject()["ovid"], first["ovid"]);  // a lasting identity

    EXPECT_EQ(runOvtool({"marks", "goto", "Calshot", "--profile", "sea"}, home.path()).exitCode, 0);
    EXPECT_TRUE(listMarks(home.path())[1].toObject()["goto"].toBool());
    EXPECT_EQ(
        runOvtool({"marks", "delete", first["ovid"].toString(), "--profile", "sea"}, home.path())
            .exitCode,
        0);
    marks = listMarks(home.path());
    ASSERT_EQ(marks.size(), 1);
    EXPECT_EQ(marks[0].toObject()["name"].toString(), "Calshot");
    // Other profiles have marks of their own.
    EXPECT_EQ(runOvtool({"marks", "list"}, home.path()).out.trimmed(), "[\n]");

    const ProcessResult missing =
        runOvtool({"marks", "delete", "Nowhere", "--profile", "sea"}, home.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(
        runOvtool({"marks", "add", "Bad", "91", "0", "--profile", "sea"}, home.path()).exitCode, 2);
}

TEST(MarksCommand, RefusesChangesWhileTheProgramRunsWithTheProfile) {
    TempDir home;
    ASSERT_EQ(runOvtool({"marks", "add", "Before", "50.8", "-1.3", "--profile", "sea"}, home.path())
                  .exitCode,
              0);
    RunningProgram program(orvantaBin(), {"-profile", "sea"}, isolatedEnvironment(home.path()));
    ASSERT_TRUE(program.waitFor("devicePixelRatio")) << program.log().constData();

    const ProcessResult refused =
        runOvtool({"marks", "add", "During", "50.9", "-1.3", "--profile", "sea"}, home.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("running with this profile")) << refused.err.constData();
    EXPECT_EQ(listMarks(home.path()).size(), 1);  // reading is fine
    // Another profile is not the program's.
    EXPECT_EQ(runOvtool({"marks", "add", "Elsewhere", "1", "1", "--profile", "lake"}, home.path())
                  .exitCode,
              0);

    program.signal(SIGTERM);
    ASSERT_TRUE(program.finish());
    EXPECT_EQ(runOvtool({"marks", "add", "After", "50.9", "-1.3", "--profile", "sea"}, home.path())
                  .exitCode,
              0);
    const QJsonArray marks = listMarks(home.path());
    ASSERT_EQ(marks.size(), 2);  // what the program saved at exit, and the new one
    EXPECT_EQ(marks[0].toObject()["name"].toString(), "Before");
}

}  // namespace
