// Non-blocking plain-file client of a web server: a whole file into a local
// file, a byte range into memory, or only a file's size. A call starts the
// transfer and returns; the completion callback follows on the main thread,
// exactly once per request. One request at a time per object; the callback
// is taken out before it is called, so it may start the next request.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>
#include <cstdint>
#include <cstdio>
#include <functional>

class QNetworkReply;
class QNetworkRequest;

class CWebServer_NB : public QObject {
public:
    // 1 success, 0 failure (GetFile); bytes received or -1 (range reads).
    using Completion = std::function<void(int result)>;
    // (received, total); returning false aborts the transfer.
    using Progress = std::function<bool(int64_t received, int64_t total)>;
    using SizeCallback = std::function<void(int64_t size)>;

    CWebServer_NB(const QString& host, bool unused = false, bool secure = false, int port = 0);
    ~CWebServer_NB() override;

    void SetServer(const QString& host, bool secure, int port);
    void SetCompletion(Completion callback) { m_completion = std::move(callback); }
    void SetProgress(Progress callback) { m_progress = std::move(callback); }

    // Downloads through "<localPath>.tmp", flushed, synced and renamed over
    // localPath on success; on failure neither the target nor the ".tmp" is
    // left changed or behind. A body longer than the file limit, or than its
    // Content-Length, or a Content-Length the disk has no room for, fails.
    bool GetFile(const QString& serverPath, const QString& localPath);
    static constexpr int64_t kDefaultFileLimit = int64_t(16) << 30;
    void SetFileLimit(int64_t bytes) { m_fileLimit = bytes > 0 ? bytes : kDefaultFileLimit; }

    // Whether a reply (status, Content-Range) is the byte range asked for:
    // a 206 whose range starts at `offset` and ends within `length` bytes.
    static bool RangeReplyMatches(int status, const QByteArray& contentRange, int64_t offset,
                                  int length);

    // Reads `length` bytes from 64-bit `offset` into destination. Only a 206
    // reply whose Content-Range starts at `offset` counts: a server that
    // ignores Range gives -1, never the start of the file. The result is the
    // number of bytes received, which may be fewer than asked.
    bool ReadPartialFileSlice_NB(const QString& serverPath, int64_t offset, int length,
                                 char* destination);

    // HEAD request: the callback gets Content-Length, or -1 on failure.
    bool GetSizeOnly(const QString& serverPath, SizeCallback callback);

    // Abandons the transfer in flight; it completes as a failure and the
    // error text stays as it was.
    void Cancel();

    bool busy() const { return m_reply != nullptr; }
    bool failed() const { return m_failed; }
    const QString& errorText() const { return m_errorText; }
    const QUrl& url() const { return m_url; }

private:
    enum class Kind { None, File, Range, Size };

    QNetworkRequest makeRequest(const QString& serverPath) const;
    void start(QNetworkReply* reply, Kind kind);
    void onReadyRead();
    void onFinished();
    void finishFile(bool ok);
    void complete(int result);
    bool rangeReplyIsTheOneAsked();
    bool fileBodyFits();

    QUrl m_url;
    QString m_errorText;
    bool m_failed = false;
    bool m_cancelled = false;
    bool m_inCallback = false;
    Kind m_kind = Kind::None;
    QNetworkReply* m_reply = nullptr;

    QString m_localPath;
    FILE* m_output = nullptr;
    int64_t m_fileLimit = kDefaultFileLimit;
    int64_t m_written = 0;
    bool m_lengthChecked = false;
    char m_copyBuffer[8192];

    char* m_destination = nullptr;
    int m_remaining = 0;
    int m_expected = 0;
    int64_t m_offset = 0;
    bool m_rangeChecked = false;

    Progress m_progress;
    Completion m_completion;
    SizeCallback m_sizeCallback;
};

// Server files over 2 GiB are stored as slices of exactly 2^31 bytes: the
// first under the file's own name, the next as "<name>.1", "<name>.2"...
class CWebServer_NB_sliced : public CWebServer_NB {
public:
    using CWebServer_NB::CWebServer_NB;

    static constexpr int64_t kSliceSize = int64_t(1) << 31;
    // The slice size of every sliced read in the process: kSliceSize unless
    // set otherwise (by tests and tools, for small files laid out in slices).
    static void SetSliceSize(int64_t bytes);
    static int64_t sliceSize();

    // The slice a read at `offset` goes to, the offset inside it, and the
    // length clipped at the slice's end.
    static QString slicePath(const QString& serverPath, int64_t offset);
    static int clippedLength(int64_t offset, int length);

    // Starts the read of the part that fits in one slice; returns the length
    // asked for (the caller continues with the rest), or -1 when it could not start.
    int ReadSlices(const QString& serverPath, int64_t offset, int length, char* destination);

private:
    QString m_slicedPath;
    int64_t m_start = 0;
    int m_length = 0;
};
