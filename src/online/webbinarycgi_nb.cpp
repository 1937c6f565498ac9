#include "online/webbinarycgi_nb.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <cstring>

#include "online/networkaccess.h"

CWebBinaryCGI_NB::CWebBinaryCGI_NB(const QString& host, const QString& cgiPath, bool, bool secure,
                                   int port) {
    m_url.setScheme(secure ? "https" : "http");
    m_url.setHost(host);
    if (port > 0) m_url.setPort(port);
    m_url.setPath(cgiPath);
    mode = kModeWrite;
}

CWebBinaryCGI_NB::~CWebBinaryCGI_NB() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool CWebBinaryCGI_NB::put_data(const void* data, int n) {
    if (n < 0) n = int(std::strlen(static_cast<const char*>(data)));
    m_buffer.append(static_cast<const char*>(data), n);
    return true;
}

bool CWebBinaryCGI_NB::get_data(void* data, int n) {
    if (n < 0 || m_buffer.size() - m_readPosition < n) {
        ok = false;
        return false;
    }
    std::memcpy(data, m_buffer.constData() + m_readPosition, size_t(n));
    m_readPosition += n;
    return true;
}

bool CWebBinaryCGI_NB::Send(Callback callback) {
    if (m_reply) return false;
    m_callback = std::move(callback);
    QNetworkRequest request(m_url);
    request.setHeader(QNetworkRequest::UserAgentHeader, applicationAgentString());
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/binary"));
    request.setTransferTimeout(kTransferTimeoutMs);
    m_reply = getGlobalNetworkAccessManager()->post(request, m_buffer);
    m_tooLong = false;
    connect(m_reply, &QNetworkReply::finished, this, &CWebBinaryCGI_NB::onFinished);
    // A stated or received length past the limit ends the exchange early.
    connect(m_reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (m_reply && (received > m_replyLimit || total > m_replyLimit)) {
            m_tooLong = true;
            m_reply->abort();
        }
    });
    return true;
}

bool CWebBinaryCGI_NB::SendFile(const QString& path, std::function<void(bool)> callback) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // Reported like any failed exchange: through the callback, once.
        m_ok = false;
        deleteLater();
        if (callback) callback(false);
        return false;
    }
    m_buffer = file.readAll();
    return Send([cb = std::move(callback)](CWebBinaryCGI_NB*, bool ok) {
        if (cb) cb(ok);
    });
}

bool CWebBinaryCGI_NB::TakeReply(const QByteArray& bytes) {
    m_state = kStateReplied;
    m_readPosition = 0;
    mode = kModeRead;
    ok = true;
    if (bytes.size() > m_replyLimit) {
        m_buffer.clear();
        return false;
    }
    m_buffer = bytes;
    return true;
}

void CWebBinaryCGI_NB::onFinished() {
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    m_buffer.clear();
    m_ok = reply->error() == QNetworkReply::NoError && !m_tooLong;
    const QByteArray bytes = m_ok ? reply->read(m_replyLimit + 1) : QByteArray();
    if (!TakeReply(bytes)) m_ok = false;
    reply->disconnect(this);
    reply->deleteLater();
    Callback callback = std::move(m_callback);
    m_callback = nullptr;
    if (callback) callback(this, m_ok);
    deleteLater();
}
