// A tiny HTTP endpoint on 127.0.0.1 inside the test process, for behaviour a
// real server won't show on demand: stalls, deaths mid-transfer, echoes.
// It answers through the test's own event loop.
#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <functional>

class QTcpSocket;

namespace testsupport {

class StubHttpServer : public QObject {
public:
    struct Request {
        QByteArray method, path;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        QByteArray header(const QByteArray& name) const;
    };
    // Gets the request and the connection; writes what it likes and may close.
    using Handler = std::function<void(const Request&, QTcpSocket*)>;

    explicit StubHttpServer(Handler handler);
    int port() const { return m_server.serverPort(); }
    int requests() const { return m_requests; }

    // A handler that writes `reply` to every request, then closes if asked.
    static Handler sending(const QByteArray& reply, bool close = true);
    // A complete reply with Content-Length.
    static QByteArray reply(int status, const QByteArray& body,
                            const QByteArray& contentType = "application/octet-stream");

private:
    void onConnection();
    QTcpServer m_server;
    Handler m_handler;
    int m_requests = 0;
};

}  // namespace testsupport
