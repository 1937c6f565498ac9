// A binary request to a CGI program of the web service, and its reply.
//
// The request is built by putting typed values in order (the typed
// serializer), the reply is read by getting them in the same order inside
// the completion callback. Single use: construct with new, put, Send; the
// client deletes itself after its callback returns.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <functional>

#include "app/base/typeserializer.h"

class QNetworkReply;

class CWebBinaryCGI_NB : public QObject, public CTypeSerializer {
public:
    using Callback = std::function<void(CWebBinaryCGI_NB* client, bool ok)>;

    enum { kStateReady = 1, kStateReplied = 2 };

    CWebBinaryCGI_NB(const QString& host, const QString& cgiPath, bool unused = false,
                     bool secure = false, int port = 0);
    ~CWebBinaryCGI_NB() override;

    // Appends to the request; a negative n means a zero-terminated string.
    bool put_data(const void* data, int n) override;
    // Takes the next n reply bytes; false, copying nothing, when fewer remain.
    bool get_data(void* data, int n) override;

    // Posts the request; callback(this, ok) follows once.
    bool Send(Callback callback);
    // Sends a local file's bytes as the request; callback(ok) follows once.
    bool SendFile(const QString& path, std::function<void(bool ok)> callback);

    // Replies are held in memory: one longer than this fails the exchange.
    static constexpr qsizetype kDefaultReplyLimit = 16 << 20;
    void SetReplyLimit(qsizetype bytes) { m_replyLimit = bytes > 0 ? bytes : kDefaultReplyLimit; }
    // Takes bytes as the reply, to be read with get_data (Send does this
    // with what the server sent); false when they exceed the reply limit.
    bool TakeReply(const QByteArray& bytes);

    int state() const { return m_state; }
    bool replyOk() const { return m_ok; }
    const QUrl& url() const { return m_url; }
    qsizetype bytesLeft() const { return m_buffer.size() - m_readPosition; }

private:
    void onFinished();

    QUrl m_url;
    int m_state = kStateReady;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_buffer;
    qsizetype m_readPosition = 0;
    Callback m_callback;
    bool m_ok = false;
    bool m_tooLong = false;
    qsizetype m_replyLimit = kDefaultReplyLimit;
};
