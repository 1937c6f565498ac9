// CMapPackageDownload: fetches every file a map package lists into the
// package's folder, or repairs the copies already there. Six range clients
// run side by side, each on one 1 MiB chunk at a time; a chunk whose local
// bytes already sum to the package's checksum is not fetched.
//
// What it guarantees, whatever the package or the server does:
// - files are written only under the package's folder (names are checked
//   when the package is read, and the folder each file lands in is checked
//   again after links are resolved);
// - every received chunk is checked against its checksum; a chunk that fails
//   is asked for again, 1 s apart, three more times, then its file fails
//   while the other files go on;
// - a file is built in "<name>.part" (a copy of the old file when there is
//   one), cut to its size and renamed over the old file only when every
//   chunk is right, so a failed update leaves the old map as it was and a
//   file that already matches is not touched at all;
// - free space for the files is checked before anything is written;
// - the completion callback runs exactly once, from the event loop (never
//   inside Start), for a bad package too, with errorMessage() saying why.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "online/mappackage.h"

class CProgressDialogData;

class CMapPackageDownload : public QObject {
public:
    using Completion = std::function<void(bool ok)>;

    static constexpr int kJobs = 6;
    static constexpr int kRetries = 3;
    static constexpr int kRetryDelayMs = 1000;
    // Left free on the disk beyond what the files need.
    static constexpr int64_t kDiskReserve = int64_t(4) << 20;

    CMapPackageDownload(const std::string& packagePath, Completion completion,
                        std::shared_ptr<CProgressDialogData> progress = {});
    ~CMapPackageDownload() override;

    void Start();
    // Stops the transfers; the download completes, not ok.
    void Cancel();

    bool finished() const { return m_finished; }
    bool ok() const { return m_ok; }
    // The collected error texts, one per line.
    std::string errorMessage() const;
    const MapPackage& package() const { return m_package; }
    std::string localBase() const { return m_base; }
    int requestsSent() const { return m_requests; }
    int chunksFetched() const { return m_fetched; }
    int chunksPresent() const { return m_present; }
    // Files renamed into place, full paths.
    const std::vector<std::string>& filesWritten() const { return m_written; }

    // Set by the application model: close the open maps that a download may
    // replace, and open them again afterwards. Both run once per download
    // that reaches the transfer stage.
    static std::function<void()> closeAllMapsPendingDownload;
    static std::function<void()> reopenAllMapsAfterDownload;

private:
    struct FileWork;
    struct Job;

    bool checkFreeSpace();
    bool takeChunk(Job& job);
    std::shared_ptr<FileWork> openFile(size_t index);
    bool useTemporaryCopy(FileWork& file);
    void startJob(Job& job);
    bool chunkIsPresent(Job& job);
    void request(Job& job);
    void onChunkArrived(Job& job, int received);
    void retryOrFail(Job& job, const std::string& why);
    void chunkSettled(Job& job, bool stored);
    void finishFile(FileWork& file);
    void fail(const std::string& message);
    void finishIfIdle();
    void finish();

    std::string m_packagePath, m_base, m_canonicalBase;
    MapPackage m_package;
    QString m_host;
    int m_port = 0;
    Completion m_completion;
    std::shared_ptr<CProgressDialogData> m_progress;
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::vector<std::shared_ptr<FileWork>> m_open;
    std::shared_ptr<FileWork> m_current;
    size_t m_nextFile = 0;
    int64_t m_nextChunk = 0;
    bool m_started = false, m_transferring = false;
    bool m_ok = true, m_cancelled = false, m_finishing = false, m_finished = false;
    std::vector<std::string> m_errors;
    std::vector<std::string> m_written;
    int m_requests = 0, m_fetched = 0, m_present = 0;
};
