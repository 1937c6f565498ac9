// Start-up and shutdown of the real program: single instance, profiles,
// clean exits on close requests.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "app/base/apphooks.h"
#include "app/startup.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// The program under test, with its own HOME; stderr collects its debug log.
class Program {
public:
    explicit Program(const QString& home, const QStringList& args = {}) {
        m_process.setProcessEnvironment(isolatedEnvironment(home));
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
    bool waitFor(const QByteArray& text, int timeoutMs = 20000) {
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
    bool finish(int timeoutMs = 20000) {
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

TEST(AppHooks, RunInRegistrationOrderAtTheirPointOnly) {
    static std::vector<int> calls;
    static AppHookRegistration first(AppHook::SaveLayout, [](const AppHookContext&) {
        calls.push_back(1);
    });
    static AppHookRegistration second(AppHook::SaveLayout, [](const AppHookContext& c) {
        calls.push_back(int(c.arguments.size()) + 10);
    });
    calls.clear();
    AppHookContext context;
    context.arguments = QStringList{"a", "b"};
    RunAppHooks(AppHook::SaveLayout, context);
    RunAppHooks(AppHook::LoadMarks, context);
    EXPECT_EQ(calls, (std::vector<int>{1, 12}));
    EXPECT_GE(CountAppHooks(AppHook::SaveLayout), 2);
}

TEST(Program, SecondStartHandsItsCommandLineToTheFirstAndExitsZero) {
    TempDir home;
    Program first(home.path());
    ASSERT_TRUE(first.waitFor("devicePixelRatio:")) << first.log().constData();

    const ProcessResult second = runProcess(orvantaBin(), {"/data/route one.gpx"}, 20000,
                                            isolatedEnvironment(home.path()));
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

TEST(Program, ShutsDownCleanlyOnACloseRequest) {
    for (int sig : {SIGINT, SIGHUP}) {
        TempDir home;
        Program program(home.path());
        ASSERT_TRUE(program.waitFor("devicePixelRatio:")) << program.log().constData();
        program.signal(sig);
        ASSERT_TRUE(program.finish());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.log().constData();
    }
}

TEST(Program, ProfileGivesASeparateDataFolder) {
    TempDir home;
    {
        Program program(home.path(), {"-profile", "sea"});
        ASSERT_TRUE(program.waitFor("devicePixelRatio:")) << program.log().constData();
        program.signal(SIGTERM);
        ASSERT_TRUE(program.finish());
        EXPECT_EQ(program.exitCode(), 0);
    }
    EXPECT_TRUE(QFileInfo(home.file(".local/share/Orvanta/sea")).isDir());
    EXPECT_FALSE(QFileInfo(home.file(".local/share/Orvanta/default")).exists());
    {
        Program program(home.path());
        ASSERT_TRUE(program.waitFor("devicePixelRatio:"));
        program.signal(SIGTERM);
        ASSERT_TRUE(program.finish());
    }
    EXPECT_TRUE(QFileInfo(home.file(".local/share/Orvanta/default")).isDir());
}

TEST(Program, KeepsTheInheritedFileCreationMask) {
    TempDir home;
    QProcessEnvironment env = isolatedEnvironment(home.path());
    // umask 077 from the shell that starts it: the data folder must stay private.
    const ProcessResult r = runProcess(
        "/bin/sh", {"-c", "umask 077; exec \"$0\" & pid=$!; sleep 4; kill -TERM $pid; wait $pid",
                    orvantaBin()},
        30000, env);
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    const QFileInfo data(home.file(".local/share/Orvanta/default"));
    ASSERT_TRUE(data.isDir());
    EXPECT_FALSE(data.permissions() & QFileDevice::ReadOther);
    EXPECT_FALSE(data.permissions() & QFileDevice::WriteOther);
}

}  // namespace
