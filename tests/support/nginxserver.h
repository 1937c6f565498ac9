// A real nginx serving a folder on 127.0.0.1 at a free port, for tests of
// whole-file, range and size requests. Started by the test, stopped with it.
// The process is forked by a helper that the test process forks before
// main(), while it has one thread, so tests that run threads can start
// servers without forking themselves (see nginxserver.cpp).
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class NginxServer {
public:
    // extraLocations is raw nginx configuration placed in the server block.
    explicit NginxServer(const QString& root, const QString& extraLocations = {});
    ~NginxServer() { stop(); }

    bool running() const { return m_port > 0; }
    int port() const { return m_port; }
    QString error() const { return m_error; }
    QString log() const;  // the error log, for failure messages
    void stop();

    static bool available();  // nginx is installed

private:
    QTemporaryDir m_work;
    int m_pid = 0;
    int m_port = 0;
    QString m_error;
};

}  // namespace testsupport
