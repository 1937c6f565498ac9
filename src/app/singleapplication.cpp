#include "app/singleapplication.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalSocket>

namespace {

// Messages are framed by a 32-bit big-endian length.
constexpr quint32 kMaxMessage = 1 << 20;

}  // namespace

QString SingleApplication::serverName() {
    const QByteArray home =
        QCryptographicHash::hash(QDir::homePath().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QString("orvanta-%1-%2").arg(::getuid()).arg(QString::fromLatin1(home.left(12)));
}

SingleApplication::SingleApplication(int& argc, char** argv, int timeoutMs)
    : QGuiApplication(argc, argv) {
    const QString name = serverName();
    {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(timeoutMs)) {
            m_secondary = true;
            return;
        }
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // Nobody answered, so the socket is left over from a crash.
        QLocalServer::removeServer(name);
        if (!m_server->listen(name))
            qWarning("Single-instance server could not listen: %s",
                     qPrintable(m_server->errorString()));
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleApplication::acceptConnection);
}

SingleApplication::~SingleApplication() {
    if (m_server) m_server->close();
}

bool SingleApplication::sendMessage(const QByteArray& message, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs)) return false;
    QByteArray frame;
    QDataStream(&frame, QIODevice::WriteOnly) << quint32(message.size());
    frame += message;
    socket.write(frame);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return true;
}

void SingleApplication::acceptConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            const QByteArray data = socket->peek(socket->bytesAvailable());
            if (data.size() < 4) return;
            quint32 length = 0;
            QDataStream(data) >> length;
            if (length > kMaxMessage) {
                socket->abort();
                return;
            }
            if (quint32(data.size()) < 4 + length) return;  // wait for the rest
            socket->read(4);
            const QByteArray message = socket->read(length);
            socket->disconnectFromServer();
            Q_EMIT receivedMessage(message);
        });
    }
}
