// Start-up and shutdown of the real program: single instance, profiles,
// clean exits on close requests.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include "app/base/apphooks.h"
#include "app/startup.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// The program under test, with its own HOME; stderr collects its debug log.
class Program {
public:
    explicit Program(const QString& home, const QStringList& args = {}, mode_t mask = 022) {
        m_process.setProcessEnvironment(isolatedEnvironment(home));
        m_process.setChildProcessModifier([mask] { ::umask(mask); });
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(orvantaBin(), args);
    }
    ~Program() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    // Waits until the log holds `text`.
    bool waitFor(const QByteArray& text, int timeoutMs = 60000) {
        QElapsedTimer timer;
        timer.start();
        while (!m_log.contains(text)) {
            if (timer.elapsed() > timeoutMs || m_process.state() == QProcess::NotRunning) {
                m_log += m_process.readAll();
                return m_log.contains(text);
            }
            m_process.waitForReadyRead(100);
            m_log += m_process.readAll();
        }
        return true;
    }
    bool finish(int timeoutMs = 60000) {
        const bool done = m_process.waitForFinished(timeoutMs);
        m_log += m_process.readAll();
        return done;
    }
    void signal(int sig) { ::kill(pid_t(m_process.processId()), sig); }
    int exitCode() const { return m_process.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return m_process.exitStatus(); }
    const QByteArray& log() const { return m_log; }

private:
    QProcess m_process;
    QByteArray m_log;
};

TEST(ArgumentList, ProfilePairsAreTakenOut) {
    QString profile;
    EXPECT_EQ(BuildArgumentList({"/bin/orvanta", "-profile", "sea"}, &profile),
              QStringList{"/bin/orvanta"});
    EXPECT_EQ(profile, "sea");
    profile.clear();
    EXPECT_EQ(BuildArgumentList({"/bin/orvanta", "a.gpx", "-profile"}, &profile),
              (QStringList{"/bin/orvanta", "a.gpx"}));
    EXPECT_TRUE(profile.isEmpty());
    EXPECT_EQ(BuildArgumentList({"/bin/orvanta", "x", "-profile", "p", "y"}, &profile),
              (QStringList{"/bin/orvanta", "x", "y"}));
    EXPECT_EQ(profile, "p");
}

// The written list is the order only while no step has two users, whose
// order among themselves would be the link order again.
TEST(AppHooks, EveryStepHasAtMostOneUser) {
    for (int step = 0; step < int(AppHook::Count); ++step)
        EXPECT_LE(CountAppHooks(AppHook(step)), 1) << "step " << step;
}

TEST(Program, SecondStartHandsItsCommandLineToTheFirstAndExitsZero) {
    TempDir home;
    Program first(home.path());
    ASSERT_TRUE(first.waitFor("devicePixelRatio:")) << first.log().constData();

    const ProcessResult second =
        runProcess(orvantaBin(), {"/data/route one.gpx"}, 60000, isolatedEnvironment(home.path()));
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_FALSE(second.crashed);
    EXPECT_TRUE(second.err.contains("App already running.")) << second.err.constData();
    const QByteArray expected =
        "Command line from another instance: " + orvantaBin().toUtf8() + " /data/route one.gpx";
    EXPECT_TRUE(first.waitFor(expected)) << first.log().constData();

    first.signal(SIGTERM);
    ASSERT_TRUE(first.finish());
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
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
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.log().constData();
        const QFileInfo data(home.file(QString(".local/share/Orvanta/") + run.folder));
        ASSERT_TRUE(data.isDir());
        EXPECT_FALSE(data.permissions() & (QFileDevice::ReadOther | QFileDevice::WriteOther));
        // The default profile's folder appears only with the second run.
        EXPECT_EQ(QFileInfo(home.file(".local/share/Orvanta/default")).exists(),
                  run.args.isEmpty());
    }
}

}  // namespace
