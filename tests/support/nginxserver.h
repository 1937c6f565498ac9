// A real nginx serving a folder on 127.0.0.1 at a free port, for tests of
// whole-file, range and size requests. Started by the test, stopped with it.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class NginxServer {
public:
    // extraLocations is raw nginx configuration placed in the server block.
    explicit NginxServer(const QString& root, const QString& extraLocations = {});
    ~NginxServer();

    bool running() const { return m_port > 0; }
    int port() const { return m_port; }
    QString error() const { return m_error; }
    QString log() const;  // the error log, for failure messages
    void stop();

    static bool available();  // nginx is installed

private:
    QTemporaryDir m_work;
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

// A free TCP port on 127.0.0.1 (bound and released).
int freeLoopbackPort();

}  // namespace testsupport
