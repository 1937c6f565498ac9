#include "support/stubhttpserver.h"

#include <QTcpSocket>

namespace testsupport {

QByteArray StubHttpServer::Request::header(const QByteArray& name) const {
    for (const auto& h : headers)
        if (h.first.compare(name, Qt::CaseInsensitive) == 0) return h.second;
    return {};
}

StubHttpServer::StubHttpServer(Handler handler) : m_handler(std::move(handler)) {
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, &StubHttpServer::onConnection);
}

QByteArray StubHttpServer::reply(int status, const QByteArray& body, const QByteArray& type) {
    return "HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: " + type +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

StubHttpServer::Handler StubHttpServer::sending(const QByteArray& reply, bool close) {
    return [reply, close](const Request&, QTcpSocket* socket) {
        socket->write(reply);
        if (close) socket->disconnectFromHost();
    };
}

void StubHttpServer::onConnection() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            *buffer += socket->readAll();
            const qsizetype end = buffer->indexOf("\r\n\r\n");
            if (end < 0) return;
            Request request;
            const QList<QByteArray> lines = buffer->left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.path = first.value(1);
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon > 0)
                    request.headers.append(
                        {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
            }
            const qsizetype length = request.header("Content-Length").toLongLong();
            if (buffer->size() < end + 4 + length) return;  // body still coming
            request.body = buffer->mid(end + 4, length);
            buffer->clear();
            ++m_requests;
            m_handler(request, socket);
        });
    }
}

}  // namespace testsupport
