// Fixtures for the connection tests: real transports on loopback only.
// A socat pseudo-terminal pair stands in for a serial cable, a QTcpServer
// on 127.0.0.1 for a TCP NMEA server, and the event loop plus heartbeat
// ticks are pumped until a condition holds.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <functional>

#include "app/base/heartbeat.h"
#include "nmea/nmea_raw.h"
#include "nmea/nmeatestsupport.h"
#include "nmea/tcpipconnection.h"

namespace conntest {

// Runs the event loop, and a heartbeat tick every 100 ms, until done()
// holds or timeoutMs pass; returns done().
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 30000,
                      bool heartbeat = true) {
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (heartbeat && clock.elapsed() - lastTick >= 100) {
            lastTick = clock.elapsed();
            CHeartbeat::Pulse();
        }
        QThread::msleep(2);
    }
    return true;
}

// Two linked pseudo-terminals made by socat, named `a` and `b` inside dir:
// what is written to one comes out of the other. The test uses a, raw.
class PtyPair {
public:
    explicit PtyPair(const QString& dir) : a(dir + "/a"), b(dir + "/b") {
        process.start("socat",
                      {"-d", "-d", "pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
        if (pumpUntil([this] { return ready(); }, 30000, false))
            fd = ::open(a.toUtf8().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~PtyPair() {
        if (fd >= 0) ::close(fd);
        process.terminate();
        process.waitForFinished(2000);
    }
    bool ready() const { return QFileInfo::exists(a) && QFileInfo::exists(b); }
    bool send(const QByteArray& bytes) {
        for (qsizetype done = 0, n; fd >= 0 && done < bytes.size();
             done += std::max<qsizetype>(n, 0))
            if ((n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done))) <= 0)
                QThread::msleep(1);
        return fd >= 0;
    }
    QByteArray receive() {
        char buffer[512];
        QByteArray out;
        for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
            out.append(buffer, n);
        return out;
    }

    QString a, b;

private:
    QProcess process;
    int fd = -1;
};

// A TCP NMEA server on 127.0.0.1 that sends what the test gives it to
// every client, reads what clients send, and can close them.
class LoopbackServer {
public:
    LoopbackServer() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* c = server.nextPendingConnection()) clients.append(c);
        });
    }
    int port() const { return server.serverPort(); }
    bool waitForClient() {
        return pumpUntil([this] { return !clients.isEmpty(); });
    }
    void send(const QByteArray& bytes) {
        for (QTcpSocket* c : clients) c->write(bytes), c->flush();
    }
    QByteArray received() {
        QByteArray out;
        for (QTcpSocket* c : clients) out += c->readAll();
        return out;
    }

    QTcpServer server;
    QList<QTcpSocket*> clients;
};

// Opens connection to server and waits until both ends see it.
inline bool connectTo(CTCPIPConnection& connection, LoopbackServer& server) {
    connection.Setup("127.0.0.1", server.port(), false);
    return connection.Open() && server.waitForClient() &&
           pumpUntil([&] { return connection.isConnected(); });
}

// Sends a sentence as the program makes one (checksum, CR LF, source null).
inline bool sendGenerated(const char* body) {
    CNMEA_Raw raw;
    std::snprintf(raw.text, sizeof raw.text, "%s", body);
    return raw.AddChecksumAndDispatch();
}

// Ends the NMEA debug log and returns what it holds.
inline QByteArray finishDebugLog() {
    CDataConnection::stopDebug(nullptr);
    return testsupport::readFile(QString::fromStdString(CDataConnection::DebugLogPath()));
}

// n valid RMC lines, one a second from 12:00:00, moving north.
inline QByteArray rmcLines(int n, const char* end = "\r\n") {
    QByteArray out;
    for (int i = 0; i < n; ++i) {
        char body[120];
        std::snprintf(body, sizeof body,
                      "$GPRMC,12%02d%02d.00,A,5130.%04d,N,00007.5000,W,5.0,0.0,060624,,,A",
                      (i / 60) % 60, i % 60, i % 10000);
        out += QByteArray::fromStdString(nmeatest::withChecksum(body)) + end;
    }
    return out;
}

}  // namespace conntest
