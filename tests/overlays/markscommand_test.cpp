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

int marks(const QString& home, QStringList args, const char* profile = "sea") {
    return runOvtool(QStringList{"marks"} + args + QStringList{"--profile", profile}, home)
        .exitCode;
}

QJsonArray listMarks(const QString& home) {
    const ProcessResult r = runOvtool({"marks", "list", "--profile", "sea"}, home);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return QJsonDocument::fromJson(r.out).array();
}

TEST(MarksCommand, AddsListsNavigatesAndDeletesInTheProfilesFile) {
    TempDir home;
    ASSERT_EQ(
        marks(home.path(), {"add", "Hamble \"Point\"", "50.8466", "-1.3127", "--icon", "Anchor"}),
        0);
    ASSERT_EQ(marks(home.path(), {"add", "Calshot", "50.8183", "-1.3063"}), 0);
    QJsonArray listed = listMarks(home.path());
    ASSERT_EQ(listed.size(), 2);
    const QJsonObject first = listed[0].toObject();
    EXPECT_EQ(first["name"].toString(), "Hamble \"Point\"");
    EXPECT_DOUBLE_EQ(first["lat"].toDouble(), 50.8466);
    EXPECT_EQ(first["icon"].toString(), "Anchor");
    EXPECT_TRUE(first["ovid"].toString().startsWith("ovid:"));
    EXPECT_EQ(listMarks(home.path())[0].toObject()["ovid"], first["ovid"]);  // a lasting identity

    EXPECT_EQ(marks(home.path(), {"goto", "Calshot"}), 0);
    EXPECT_TRUE(listMarks(home.path())[1].toObject()["goto"].toBool());
    EXPECT_EQ(marks(home.path(), {"delete", first["ovid"].toString()}), 0);
    listed = listMarks(home.path());
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].toObject()["name"].toString(), "Calshot");
    // Other profiles have marks of their own.
    EXPECT_EQ(runOvtool({"marks", "list"}, home.path()).out.trimmed(), "[\n]");

    EXPECT_EQ(marks(home.path(), {"delete", "Nowhere"}), 1);
    EXPECT_EQ(marks(home.path(), {"add", "Bad", "91", "0"}), 2);
}

TEST(MarksCommand, RefusesChangesWhileTheProgramRunsWithTheProfile) {
    TempDir home;
    ASSERT_EQ(marks(home.path(), {"add", "Before", "50.8", "-1.3"}), 0);
    RunningProgram program(orvantaBin(), {"-profile", "sea"}, isolatedEnvironment(home.path()));
    ASSERT_TRUE(program.waitFor("devicePixelRatio")) << program.log().constData();

    const ProcessResult refused =
        runOvtool({"marks", "add", "During", "50.9", "-1.3", "--profile", "sea"}, home.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("running with this profile")) << refused.err.constData();
    EXPECT_EQ(listMarks(home.path()).size(), 1);  // reading is fine
    // Another profile is not the program's.
    EXPECT_EQ(marks(home.path(), {"add", "Elsewhere", "1", "1"}, "lake"), 0);

    program.signal(SIGTERM);
    ASSERT_TRUE(program.finish());
    EXPECT_EQ(marks(home.path(), {"add", "After", "50.9", "-1.3"}), 0);
    const QJsonArray listed = listMarks(home.path());
    ASSERT_EQ(listed.size(), 2);  // what the program saved at exit, and the new one
    EXPECT_EQ(listed[0].toObject()["name"].toString(), "Before");
}

}  // namespace
