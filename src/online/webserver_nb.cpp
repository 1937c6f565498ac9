#include "online/webserver_nb.h"

#include <errno.h>
#include <unistd.h>

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>

#include "app/base/fileutils.h"
#include "online/networkaccess.h"

namespace {

QUrl serverUrl(const QString& host, bool secure, int port) {
    QUrl url;
    url.setScheme(secure ? "https" : "http");
    url.setHost(host);
    if (port > 0) url.setPort(port);
    return url;
}

}  // namespace

CWebServer_NB::CWebServer_NB(const QString& host, bool, bool secure, int port)
    : m_url(serverUrl(host, secure, port)) {}

CWebServer_NB::~CWebServer_NB() {
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_output) {
        std::fclose(m_output);
        QFile::remove(m_localPath + ".tmp");
    }
}

void CWebServer_NB::SetServer(const QString& host, bool secure, int port) {
    m_url = serverUrl(host, secure, port);
}

QNetworkRequest CWebServer_NB::makeRequest(const QString& serverPath) const {
    QUrl url = m_url;
    url.setPath(serverPath.startsWith('/') ? serverPath : "/" + serverPath);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, applicationAgentString());
    request.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, true);
    request.setTransferTimeout(kTransferTimeoutMs);
    return request;
}

void CWebServer_NB::start(QNetworkReply* reply, Kind kind) {
    m_reply = reply;
    m_kind = kind;
    m_cancelled = false;
    connect(reply, &QNetworkReply::readyRead, this, &CWebServer_NB::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &CWebServer_NB::onFinished);
    connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 received, qint64 total) {
        if (m_progress && m_reply && !m_progress(received, total)) {
            m_cancelled = true;
            m_reply->abort();
        }
    });
}

bool CWebServer_NB::GetFile(const QString& serverPath, const QString& localPath) {
    if (m_reply) return false;
    m_failed = false;
    m_localPath = localPath;
    m_written = 0;
    m_lengthChecked = false;
    const QString tmp = localPath + ".tmp";
    m_output = std::fopen(QFile::encodeName(tmp).constData(), "wb");
    if (!m_output) {
        m_errorText = "Could not open tmp file for writing: " + tmp;
        m_failed = true;
        complete(-1);
        return false;
    }
    QNetworkReply* reply = getGlobalNetworkAccessManager()->get(makeRequest(serverPath));
    if (!reply) {
        m_errorText = "Request failed";
        finishFile(false);
        complete(-1);
        return false;
    }
    start(reply, Kind::File);
    return true;
}

bool CWebServer_NB::ReadPartialFileSlice_NB(const QString& serverPath, int64_t offset, int length,
                                            char* destination) {
    if (m_reply || length <= 0 || offset < 0 || !destination) return false;
    m_failed = false;
    m_destination = destination;
    m_remaining = m_expected = length;
    m_offset = offset;
    m_rangeChecked = false;
    QNetworkRequest request = makeRequest(serverPath);
    request.setRawHeader("Range", QByteArray("bytes=") + QByteArray::number(qint64(offset)) + "-" +
                                      QByteArray::number(qint64(offset + length - 1)));
    QNetworkReply* reply = getGlobalNetworkAccessManager()->get(request);
    if (!reply) {
        m_errorText = "Request failed";
        m_failed = true;
        complete(-1);
        return false;
    }
    start(reply, Kind::Range);
    return true;
}

bool CWebServer_NB::GetSizeOnly(const QString& serverPath, SizeCallback callback) {
    if (m_reply) return false;
    m_failed = false;
    m_sizeCallback = std::move(callback);
    QNetworkReply* reply = getGlobalNetworkAccessManager()->head(makeRequest(serverPath));
    if (!reply) {
        m_errorText = "Request failed";
        m_failed = true;
        if (auto cb = std::move(m_sizeCallback)) cb(-1);
        return false;
    }
    start(reply, Kind::Size);
    return true;
}

void CWebServer_NB::Cancel() {
    if (!m_reply) return;
    m_cancelled = true;
    m_reply->abort();
}

bool CWebServer_NB::RangeReplyMatches(int status, const QByteArray& contentRange, int64_t offset,
                                      int length) {
    if (status != 206 || length <= 0) return false;
    // "bytes <first>-<last>/<total>": the range must start where we asked.
    static const QRegularExpression pattern(
        R"(^\s*bytes\s+(\d{1,18})-(\d{1,18})/(\d{1,18}|\*)\s*$)");
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(contentRange));
    if (!m.hasMatch()) return false;
    const qint64 first = m.captured(1).toLongLong();
    const qint64 last = m.captured(2).toLongLong();
    if (m.captured(3) != "*" && last >= m.captured(3).toLongLong()) return false;
    return first == offset && last >= first && last - first < length;
}

bool CWebServer_NB::rangeReplyIsTheOneAsked() {
    return RangeReplyMatches(m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                             m_reply->rawHeader("Content-Range"), m_offset, m_expected);
}

// A stated length past the limit or the free disk is refused before any
// byte is written; the body may then not grow past it.
bool CWebServer_NB::fileBodyFits() {
    bool known = false;
    const int64_t stated = m_reply->rawHeader("Content-Length").toLongLong(&known);
    const int64_t limit = known ? std::min(stated, m_fileLimit) : m_fileLimit;
    if (!m_lengthChecked) {
        m_lengthChecked = true;
        if (known && stated > m_fileLimit) {
            m_errorText = "The file is larger than allowed";
            return false;
        }
        const int64_t free =
            getFreeDiskSpace(QFile::encodeName(m_localPath + ".tmp").toStdString());
        if (known && free >= 0 && stated > free) {
            m_errorText = "Not enough disk space for the file";
            return false;
        }
    }
    if (m_written + m_reply->bytesAvailable() > limit) {
        m_errorText = known ? "The server sent more than its Content-Length"
                            : "The file is larger than allowed";
        return false;
    }
    return true;
}

void CWebServer_NB::onReadyRead() {
    if (!m_reply) return;
    // An error page's body is nobody's data; the failure is reported on finish.
    if (m_reply->error() != QNetworkReply::NoError ||
        m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400) {
        m_reply->readAll();
        return;
    }
    if (m_kind == Kind::File) {
        if (!fileBodyFits()) {
            m_failed = true;
            m_reply->abort();
            return;
        }
        while (m_reply->bytesAvailable() > 0) {
            const qint64 n = m_reply->read(m_copyBuffer, sizeof m_copyBuffer);
            if (n <= 0) break;
            m_written += n;
            if (std::fwrite(m_copyBuffer, 1, size_t(n), m_output) != size_t(n)) {
                m_errorText = QString::asprintf("Write error: errno %d", errno);
                m_failed = true;
                m_reply->abort();
                return;
            }
        }
    } else if (m_kind == Kind::Range) {
        if (!m_rangeChecked) {
            if (!rangeReplyIsTheOneAsked()) {
                m_errorText = "The server did not send the byte range asked for";
                m_failed = true;
                m_reply->abort();
                return;
            }
            m_rangeChecked = true;
        }
        while (m_remaining > 0 && m_reply->bytesAvailable() > 0) {
            const qint64 n = m_reply->read(m_destination + (m_expected - m_remaining), m_remaining);
            if (n <= 0) break;
            m_remaining -= int(n);
        }
        if (m_reply->bytesAvailable() > 0) m_reply->readAll();  // more than asked: dropped
    } else {
        m_reply->readAll();
    }
}

void CWebServer_NB::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply) return;
    const Kind kind = m_kind;
    // The last bytes may come with the finished signal.
    if (reply->error() == QNetworkReply::NoError && !m_failed) onReadyRead();
    const QNetworkReply::NetworkError error = reply->error();
    if (error != QNetworkReply::NoError) {
        if (error != QNetworkReply::OperationCanceledError && !m_cancelled && !m_failed)
            m_errorText = reply->errorString();
        m_failed = true;
    }
    // A cancel that came as the last bytes arrived still counts.
    if (m_cancelled) m_failed = true;
    if (kind == Kind::Range && !m_failed && !m_rangeChecked && !rangeReplyIsTheOneAsked()) {
        m_errorText = "The server did not send the byte range asked for";
        m_failed = true;
    }
    int64_t size = -1;
    if (kind == Kind::Size && !m_failed) {
        bool ok = false;
        size = reply->rawHeader("Content-Length").toLongLong(&ok);
        if (!ok) {
            size = -1;
            m_failed = true;
            m_errorText = "Request failed";
        }
    }
    m_reply = nullptr;
    m_kind = Kind::None;
    reply->disconnect(this);
    reply->deleteLater();

    switch (kind) {
        case Kind::File:
            finishFile(!m_failed);
            complete(m_failed ? 0 : 1);
            break;
        case Kind::Range:
            complete(m_failed ? -1 : m_expected - m_remaining);
            break;
        case Kind::Size:
            if (auto cb = std::move(m_sizeCallback)) {
                m_inCallback = true;
                cb(size);
                m_inCallback = false;
            }
            break;
        case Kind::None:
            break;
    }
}

void CWebServer_NB::finishFile(bool ok) {
    const QString tmp = m_localPath + ".tmp";
    if (m_output) {
        // The data must be on disk before the rename makes it the file.
        if (std::fflush(m_output) != 0 || ::fsync(fileno(m_output)) != 0) {
            if (ok) m_errorText = QString::asprintf("Write error: errno %d", errno);
            ok = false;
        }
        if (std::fclose(m_output) != 0) ok = false;
        m_output = nullptr;
    }
    const QByteArray from = QFile::encodeName(tmp), to = QFile::encodeName(m_localPath);
    if (ok && ::rename(from.constData(), to.constData()) != 0) {
        m_errorText = QString::asprintf("Write error: errno %d", errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(from.constData());
        m_failed = true;
    }
}

void CWebServer_NB::complete(int result) {
    if (auto cb = std::move(m_completion)) {
        m_completion = nullptr;
        m_inCallback = true;
        cb(result);
        m_inCallback = false;
    }
}

namespace {
std::atomic<int64_t> g_sliceSize{CWebServer_NB_sliced::kSliceSize};
}

void CWebServer_NB_sliced::SetSliceSize(int64_t bytes) {
    g_sliceSize = bytes > 0 ? bytes : kSliceSize;
}

int64_t CWebServer_NB_sliced::sliceSize() {
    return g_sliceSize.load();
}

QString CWebServer_NB_sliced::slicePath(const QString& serverPath, int64_t offset) {
    const int64_t slice = offset / sliceSize();
    return slice == 0 ? serverPath : serverPath + QString(".%1").arg(slice);
}

int CWebServer_NB_sliced::clippedLength(int64_t offset, int length) {
    const int64_t size = sliceSize();
    return int(std::min<int64_t>(length, size - offset % size));
}

int CWebServer_NB_sliced::ReadSlices(const QString& serverPath, int64_t offset, int length,
                                     char* destination) {
    m_slicedPath = serverPath;
    m_start = offset;
    m_length = clippedLength(offset, length);
    if (!ReadPartialFileSlice_NB(slicePath(serverPath, offset), offset % sliceSize(), m_length,
                                 destination))
        return -1;
    return m_length;
}
