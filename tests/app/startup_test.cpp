// Start-up and shutdown of the real program: single instance, profiles,
// clean exits on close requests.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QFileInfo>

#include "../mapview/testmap.h"
#include "app/base/apphooks.h"
#include "app/startup.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// The program under test with its own HOME and file creation mask.
class Program : public RunningProgram {
public:
    explicit Program(const QString& home, const QStringList& args = {}, mode_t mask = 022)
        : RunningProgram(orvantaBin(), args, isolatedEnvironment(home), [mask] { ::umask(mask); }) {
    }
};

TEST(ArgumentList, ProfilePairsAreTakenOut) {
    const struct {
        QStringList args, rest;
        const char* profile;
    } cases[] = {
        {{"/bin/orvanta", "-profile", "sea"}, {"/bin/orvanta"}, "sea"},
        {{"/bin/orvanta", "a.gpx", "-profile"}, {"/bin/orvanta", "a.gpx"}, ""},
        {{"/bin/orvanta", "x", "-profile", "p", "y"}, {"/bin/orvanta", "x", "y"}, "p"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QString profile;
        EXPECT_EQ(BuildArgumentList(c.args, &profile), c.rest);
        EXPECT_EQ(profile, c.profile);
    }
}

// The written list is the order only while no step has two users, whose
// order among themselves would be the link order again.
TEST(AppHooks, EveryStepHasAtMostOneUser) {
    for (int step = 0; step < int(AppHook::Count); ++step)
        EXPECT_LE(CountAppHooks(AppHook(step)), 1) << "step " << step;
}

// The first start opens its file; a second start hands its command line over
// and exits 0, and the first opens that file too, spaces in its name and all.
TEST(Program, SecondStartHandsItsFilesToTheFirstAndExitsZero) {
    TempDir home;
    const std::string map = makeTestMap(home.file("chart.ktl"), 256);
    ASSERT_TRUE(writeFile(home.file("my notes.doc"), "minutes"));
    Program first(home.path(), {QString::fromStdString(map)});
    ASSERT_TRUE(first.waitFor("Opening map file " + QByteArray::fromStdString(map)))
        << first.log().constData();

    const ProcessResult second = runProcess(orvantaBin(), {home.file("my notes.doc"), "route one.gpx"},
                                            60000, isolatedEnvironment(home.path()));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_FALSE(second.crashed);
    EXPECT_TRUE(second.err.contains("App already running.")) << second.err.constData();
    EXPECT_TRUE(first.waitFor("Command line from another instance: " + orvantaBin().toUtf8() + " " +
                              home.filePath("my notes.doc") + " route one.gpx"))
        << first.log().constData();
    EXPECT_TRUE(first.waitFor("Opening unknown file " + home.filePath("my notes.doc")));

    first.signal(SIGTERM);
    ASSERT_TRUE(first.finish());
    EXPECT_TRUE(first.exitedCleanly());
    EXPECT_TRUE(first.log().contains("Orvanta exits with status 0"));
}

// A profile of its own, a close request by SIGINT or SIGHUP, and the
// inherited umask kept: the data folder of a 077 start stays private.
TEST(Program, ProfileCloseRequestsAndTheInheritedFileCreationMask) {
    TempDir home;
    const struct {
        QStringList args;
        int signal;
        const char* folder;
    } runs[] = {{{"-profile", "sea"}, SIGINT, "sea"}, {{}, SIGHUP, "default"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.folder);
        Program program(home.path(), run.args, 077);
        ASSERT_TRUE(program.waitFor("devicePixelRatio:")) << program.log().constData();
        program.signal(run.signal);
        ASSERT_TRUE(program.finish());
        EXPECT_TRUE(program.exitedCleanly()) << program.log().constData();
        const QFileInfo data(home.file(QString(".local/share/Orvanta/") + run.folder));
        ASSERT_TRUE(data.isDir());
        EXPECT_FALSE(data.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther));
        // The default profile's folder appears only with the second run.
        EXPECT_EQ(QFileInfo(home.file(".local/share/Orvanta/default")).exists(),
                  run.args.isEmpty());
    }
}

}  // namespace
