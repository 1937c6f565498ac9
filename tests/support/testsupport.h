// Fixtures shared by the test programs: temporary folders, paths of the
// built programs and of the shared corpora, and running a real process.
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

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

// Writes bytes to a file, creating folders; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);
QByteArray readFile(const QString& path);

}  // namespace testsupport
