#include "support/nginxserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace testsupport {

namespace {
const char kNginx[] = "/usr/sbin/nginx";
}

int freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
    return probe.serverPort();
}

bool NginxServer::available() { return QFileInfo(kNginx).isExecutable(); }

NginxServer::NginxServer(const QString& root, const QString& extraLocations) {
    if (!available()) {
        m_error = "nginx is not installed";
        return;
    }
    const QString work = m_work.path();
    for (int attempt = 0; attempt < 5 && m_port == 0; ++attempt) {
        const int port = freeLoopbackPort();
        const QString config =
            QString(R"(daemon off;
master_process off;
worker_processes 1;
pid %1/nginx.pid;
error_log %1/error.log info;
events { worker_connections 64; }
http {
    access_log %1/access.log;
    client_body_temp_path %1/body;
    proxy_temp_path %1/proxy;
    fastcgi_temp_path %1/fastcgi;
    uwsgi_temp_path %1/uwsgi;
    scgi_temp_path %1/scgi;
    default_type application/octet-stream;
    sendfile on;
    server {
        listen 127.0.0.1:%2;
        root %3;
        %4
    }
}
)")
                .arg(work)
                .arg(port)
                .arg(root, extraLocations);
        QFile file(work + "/nginx.conf");
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            m_error = "cannot write the nginx configuration";
            return;
        }
        file.write(config.toUtf8());
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(kNginx, {"-p", work, "-c", work + "/nginx.conf", "-e", work + "/error.log"});
        if (!m_process.waitForStarted(5000)) {
            m_error = m_process.errorString();
            return;
        }
        // Ready when it accepts a connection.
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 5000 && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            if (socket.waitForConnected(200)) {
                m_port = port;
                break;
            }
            QThread::msleep(50);
        }
        if (m_port == 0) {
            m_error = "nginx did not start: " + QString::fromUtf8(m_process.readAll()) + log();
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
}

NginxServer::~NginxServer() { stop(); }

void NginxServer::stop() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }
    m_port = 0;
}

QString NginxServer::log() const {
    QFile file(m_work.path() + "/error.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace testsupport
