#include "support/testsupport.h"

#include <signal.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QQuickItem>

namespace testsupport {

TempDir::TempDir() : m_dir(QDir::tempPath() + "/orvanta-test-XXXXXX") {}

QString sourceDir() {
    return QStringLiteral(ORVANTA_SOURCE_DIR);
}
QString sharedDir() {
    return QFileInfo(QStringLiteral(ORVANTA_SHARED_DIR)).absoluteFilePath();
}
QString orvantaBin() {
    return QStringLiteral(ORVANTA_BIN);
}
QString ovtoolBin() {
    return QStringLiteral(OVTOOL_BIN);
}

ProcessResult runProcess(const QString& program, const QStringList& args, int timeoutMs,
                         const QProcessEnvironment& env, const QByteArray& stdinData) {
    ProcessResult result;
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForStarted(10000)) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    if (!stdinData.isEmpty()) process.write(stdinData);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        result.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    return result;
}

QProcessEnvironment isolatedEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_QUICK_CONTROLS_STYLE", "Basic");
    if (!home.isEmpty()) {
        QDir().mkpath(home + "/tmp");
        QDir().mkpath(home + "/runtime");
        QFile::setPermissions(home + "/runtime", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ExeOwner);
        env.insert("HOME", home);
        env.insert("TMPDIR", home + "/tmp");
        env.insert("XDG_RUNTIME_DIR", home + "/runtime");
        env.remove("XDG_DATA_HOME");
        env.remove("XDG_CACHE_HOME");
        env.remove("XDG_CONFIG_HOME");
        env.remove("TEMP");
    }
    return env;
}

ProcessResult runOvtool(const QStringList& args, const QString& home, int timeoutMs) {
    return runProcess(ovtoolBin(), args, timeoutMs, isolatedEnvironment(home));
}

RunningProgram::RunningProgram(const QString& program, const QStringList& args,
                               const QProcessEnvironment& env,
                               const std::function<void()>& inChild) {
    m_process.setProcessEnvironment(env);
    if (inChild) m_process.setChildProcessModifier(inChild);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program, args);
}

RunningProgram::~RunningProgram() {
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool RunningProgram::waitFor(const QByteArray& text, int timeoutMs) {
    for (QDeadlineTimer deadline(timeoutMs); !m_log.contains(text) && !deadline.hasExpired();) {
        const bool running = m_process.state() != QProcess::NotRunning;
        if (running) m_process.waitForReadyRead(100);
        m_log += m_process.readAll();
        if (!running) break;
    }
    return m_log.contains(text);
}

bool RunningProgram::finish(int timeoutMs) {
    const bool done = m_process.waitForFinished(timeoutMs);
    m_log += m_process.readAll();
    return done;
}

void RunningProgram::signal(int sig) {
    ::kill(pid_t(m_process.processId()), sig);
}

bool RunningProgram::exitedCleanly() const {
    return m_process.state() == QProcess::NotRunning &&
           m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QQuickItem* findItem(QQuickItem* root, const QString& name) {
    if (!root || !root->isVisible()) return nullptr;
    if (root->objectName() == name) return root;
    for (QQuickItem* child : root->childItems())
        if (QQuickItem* found = findItem(child, name)) return found;
    return nullptr;
}

}  // namespace testsupport
