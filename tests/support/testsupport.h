// Fixtures shared by the test programs: temporary folders, paths of the
// built programs and of the shared corpora, and running a real process.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

class QQuickItem;

namespace testsupport {

// A fresh folder removed with the object; path() has no trailing "/".
class TempDir {
public:
    TempDir();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QByteArray filePath(const QString& name) const { return file(name).toUtf8(); }

private:
    QTemporaryDir m_dir;
};

QString sourceDir();  // the repository root
QString sharedDir();  // ../shared beside the repository (corpora, data)
QString orvantaBin();
QString ovtoolBin();

struct ProcessResult {
    int exitCode = -1;
    bool crashed = false;
    bool timedOut = false;
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end (or kills it after timeoutMs).
ProcessResult runProcess(const QString& program, const QStringList& args, int timeoutMs = 30000,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
                         const QByteArray& stdinData = {});

// ovtool with the given arguments, in an environment whose HOME is `home`
// when given (so settings and data stay inside a test folder).
ProcessResult runOvtool(const QStringList& args, const QString& home = {}, int timeoutMs = 60000);

// The environment for a program under test: offscreen, its own HOME and TMPDIR.
QProcessEnvironment isolatedEnvironment(const QString& home);

// A program left running while the test talks to it, stdout and stderr
// merged into one log; killed when the object goes if still running.
class RunningProgram {
public:
    RunningProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env,
                   const std::function<void()>& inChild = {});
    ~RunningProgram();
    // Waits until the log holds `text`; false when the program ends or time runs out first.
    bool waitFor(const QByteArray& text, int timeoutMs = 60000);
    bool finish(int timeoutMs = 60000);  // waits for the end
    void signal(int sig);
    bool exitedCleanly() const;  // a normal exit with status 0
    const QByteArray& log() const { return m_log; }

private:
    QProcess m_process;
    QByteArray m_log;
};

// Writes bytes to a file, creating folders; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

// The visible item of that name anywhere below root (popups included).
QQuickItem* findItem(QQuickItem* root, const QString& name);

}  // namespace testsupport
