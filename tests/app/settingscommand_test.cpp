// ovtool settings against real files in a private HOME, and the save that
// survives being killed: a real ovtool process is killed with SIGKILL in the
// middle of saving, many times, and orvanta.ini must always be whole.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <chrono>

#include "app/base/attributes.h"
#include "support/testsupport.h"

using testsupport::runOvtool;
using testsupport::TempDir;

namespace {

const QString kUnits = "CDefaultUnits:units";  // an int setting in 0..5

QString iniPath(const TempDir& home, const QString& profile = "default") {
    return home.path() + "/.local/share/Orvanta/" + profile + "/orvanta.ini";
}

CAttributes readIni(const QString& path) {
    CAttributes a;
    a.AddFile(path.toStdString());
    return a;
}

}  // namespace

TEST(SettingsCommand, SetGetAndListThroughThePersistors) {
    TempDir home;
    auto r = runOvtool({"settings", "set", kUnits, "3"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "CDefaultUnits:units=3\n");
    EXPECT_EQ(readIni(iniPath(home)).Get(kUnits.toStdString()), "0x3");

    r = runOvtool({"settings", "get", kUnits}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3\n");

    r = runOvtool({"settings", "list"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("\nCDefaultUnits:units=3\n"));
}

TEST(SettingsCommand, RefusesUnknownKeysAndBadValuesWithoutWriting) {
    TempDir home;
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "2"}, home.path()).exitCode, 0);
    const QByteArray before = testsupport::readFile(iniPath(home));

    auto r = runOvtool({"settings", "set", kUnits, "99"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("not a valid value")) << r.err.constData();
    r = runOvtool({"settings", "set", kUnits, "two"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    r = runOvtool({"settings", "set", "NoSuchThing:field", "1"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("no setting NoSuchThing:field"));
    r = runOvtool({"settings", "get", "CDefaultUnits:nothing"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(runOvtool({"settings", "get"}, home.path()).exitCode, 2);
    EXPECT_EQ(runOvtool({"settings", "list", "--profile"}, home.path()).exitCode, 2);

    EXPECT_EQ(testsupport::readFile(iniPath(home)), before);
}

TEST(SettingsCommand, ProfileKeepsItsOwnSettings) {
    TempDir home;
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "4", "--profile", "sea"}, home.path()).exitCode,
              0);
    EXPECT_EQ(readIni(iniPath(home, "sea")).Get(kUnits.toStdString()), "0x4");
    EXPECT_FALSE(QFile::exists(iniPath(home)));
    EXPECT_EQ(runOvtool({"settings", "get", kUnits, "--profile", "sea"}, home.path()).out, "4\n");
}

TEST(SettingsCommand, ForeignKeysSurviveASet) {
    TempDir home;
    ASSERT_TRUE(testsupport::writeFile(iniPath(home), "Elsewhere:kept=a+b\n"));
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "1"}, home.path()).exitCode, 0);
    EXPECT_EQ(readIni(iniPath(home)).Get("Elsewhere:kept"), "a b");
}

// SIGKILL lands at random points of real ovtool processes that save a large
// settings file; after every kill the file is the old one or the new one.
TEST(SettingsCommand, KillDuringSaveNeverLeavesAPartialFile) {
    TempDir home;
    const QString ini = iniPath(home);
    // Large enough that reading and writing it is a good share of the run.
    QByteArray filler;
    for (int i = 0; i < 20000; ++i)
        filler += "Filler:key" + QByteArray::number(i) + "=" + QByteArray(90, 'f') + "\n";
    ASSERT_TRUE(testsupport::writeFile(ini, filler));
    const QProcessEnvironment env = testsupport::isolatedEnvironment(home.path());

    // One run to the end, to learn how long a whole run takes here.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "0"}, home.path()).exitCode, 0);
    const int fullMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count());
    // Every key the file holds now: the filler and the units persistor's fields.
    const size_t keys = readIni(ini).Count();
    ASSERT_GT(keys, 20000u);

    int interruptedSaves = 0, completed = 0, runMs = fullMs;
    const int kRuns = 40;
    for (int run = 1; run <= kRuns; ++run) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(testsupport::ovtoolBin(), {"settings", "set", kUnits, QString::number(run % 6)});
        ASSERT_TRUE(p.waitForStarted(10000));
        // Kill anywhere in a run on every fourth run; otherwise near its end,
        // where the file is written; following how long runs take right now.
        const int from = run % 4 == 1 ? 0 : runMs * 6 / 10;
        const int delay = from + int(QRandomGenerator::global()->bounded(runMs - from + 1));
        QElapsedTimer timer;
        timer.start();
        if (!p.waitForFinished(delay)) {
            p.kill();  // SIGKILL
            p.waitForFinished(10000);
        } else {
            ++completed;
            runMs = int(timer.elapsed());
        }
        if (QFile::exists(ini + ".tmp")) ++interruptedSaves;
        // Counted once: the next save would only reuse it.
        if (run < kRuns) QFile::remove(ini + ".tmp");

        const QByteArray bytes = testsupport::readFile(ini);
        ASSERT_FALSE(bytes.isEmpty()) << "run " << run;
        ASSERT_TRUE(bytes.endsWith('\n')) << "run " << run;
        const CAttributes a = readIni(ini);
        ASSERT_EQ(a.Count(), keys) << "run " << run;  // nothing lost, nothing torn
        ASSERT_EQ(a.Get("Filler:key19999"), std::string(90, 'f'));
        const int units = a.GetInt(kUnits.toStdString(), -1);
        ASSERT_TRUE(units >= 0 && units <= 5) << "run " << run;
    }
    std::printf("kill loop: %d runs, %d killed mid-save (a .tmp left), %d finished; run %d ms\n",
                kRuns, interruptedSaves, completed, fullMs);
    RecordProperty("interrupted_saves", interruptedSaves);

    // A leftover temporary file doesn't stop the next save.
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "5"}, home.path()).exitCode, 0);
    EXPECT_EQ(readIni(ini).GetInt(kUnits.toStdString(), -1), 5);
    EXPECT_FALSE(QFile::exists(ini + ".tmp"));
}
