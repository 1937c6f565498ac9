#include "online/mappackagedownload.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/base/fileutils.h"
#include "online/progressdialogdata.h"
#include "online/webserver_nb.h"

std::function<void()> CMapPackageDownload::closeAllMapsPendingDownload;
std::function<void()> CMapPackageDownload::reopenAllMapsAfterDownload;

namespace {

std::string systemError() {
    return std::strerror(errno);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The size of a plain file, -1 for anything else.
int64_t plainFileSize(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return st.st_size;
}

bool readFully(int fd, char* data, int length, int64_t offset) {
    int done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, data + done, size_t(length - done), offset + done);
        if (n <= 0) return false;
        done += int(n);
    }
    return true;
}

bool writeFully(int fd, const char* data, int length, int64_t offset) {
    int done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd, data + done, size_t(length - done), offset + done);
        if (n <= 0) return false;
        done += int(n);
    }
    return true;
}

std::string megabytes(int64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

}  // namespace

// One file of the package while its chunks are checked and fetched.
struct CMapPackageDownload::FileWork {
    const MapPackageEntry* entry = nullptr;
    std::string finalPath, tempPath;
    int fd = -1;
    bool usingTemp = false;  // fd is the ".part" copy, not the old file
    int outstanding = 0;     // chunks taken and not yet settled
    bool allTaken = false, failed = false, done = false;
};

struct CMapPackageDownload::Job : public CWebServer_NB {
    using CWebServer_NB::CWebServer_NB;
    std::vector<char> buffer = std::vector<char>(size_t(kPackageChunkSize));
    std::shared_ptr<FileWork> file;
    int64_t offset = 0;
    int length = 0;
    uint32_t expected = 0;
    int retries = 0;
    bool inFlight = false;  // a request or a retry is pending
};

CMapPackageDownload::CMapPackageDownload(const std::string& packagePath, Completion completion,
                                         std::shared_ptr<CProgressDialogData> progress)
    : m_packagePath(packagePath),
      m_completion(std::move(completion)),
      m_progress(std::move(progress)) {}

CMapPackageDownload::~CMapPackageDownload() {
    for (auto& job : m_jobs) job->SetCompletion({});
    for (auto& file : m_open)
        if (file->fd >= 0) ::close(file->fd);
    if (m_progress) m_progress->onCancel = nullptr;
}

std::string CMapPackageDownload::errorMessage() const {
    std::string text;
    for (const std::string& e : m_errors) text += (text.empty() ? "" : "\n") + e;
    return text;
}

void CMapPackageDownload::Start() {
    if (m_started) return;
    m_started = true;
    const QFileInfo info(QString::fromStdString(m_packagePath));
    m_base = info.absolutePath().toStdString() + "/";
    m_canonicalBase = info.canonicalPath().toStdString();
    std::string error;
    if (!ReadMapPackage(m_packagePath, m_package, error) || m_canonicalBase.empty()) {
        fail(error.empty() ? "Could not read the package " + m_packagePath : error);
        return finishIfIdle();
    }
    const QString host = QString::fromStdString(m_package.host);
    const qsizetype colon = host.lastIndexOf(':');
    m_host = colon > 0 ? host.left(colon) : host;
    m_port = colon > 0 ? host.mid(colon + 1).toInt() : 0;
    if (!checkFreeSpace()) return finishIfIdle();

    m_transferring = true;
    if (closeAllMapsPendingDownload) closeAllMapsPendingDownload();
    if (m_progress) {
        m_progress->onCancel = [this] { Cancel(); };
        m_progress->Start(int(m_package.totalChunks()));
    }
    for (int i = 0; i < kJobs; ++i)
        m_jobs.push_back(std::make_unique<Job>(m_host, false, false, m_port));
    for (auto& job : m_jobs) startJob(*job);
    finishIfIdle();
}

bool CMapPackageDownload::checkFreeSpace() {
    // A replaced file needs room for its copy beside the old one; files are
    // worked on nearly one after another, so the largest such copy counts.
    int64_t needed = kDiskReserve, largestCopy = 0;
    for (const MapPackageEntry& e : m_package.files) {
        const int64_t existing = plainFileSize(m_base + e.name);
        if (existing < 0)
            needed += e.size;
        else
            largestCopy = std::max(largestCopy, e.size);
    }
    needed += largestCopy;
    const int64_t free = getFreeDiskSpace(m_base);
    if (free >= 0 && free < needed) {
        fail("Not enough free space for the maps: " + megabytes(needed) + " needed, " +
             megabytes(free) + " free");
        return false;
    }
    return true;
}

// ---------------------------------------------------------------- files

std::shared_ptr<CMapPackageDownload::FileWork> CMapPackageDownload::openFile(size_t index) {
    auto file = std::make_shared<FileWork>();
    file->entry = &m_package.files[index];
    file->finalPath = m_base + file->entry->name;
    file->tempPath = file->finalPath + ".part";
    const QString folder = QFileInfo(QString::fromStdString(file->finalPath)).absolutePath();
    QDir().mkpath(folder);
    // A link inside the folder could still lead out of it.
    const std::string real = QFileInfo(folder).canonicalFilePath().toStdString();
    if (real != m_canonicalBase && real.rfind(m_canonicalBase + "/", 0) != 0) {
        fail("The package names a file outside its folder: " + file->entry->name);
        return nullptr;
    }
    if (isDirectory(file->tempPath) || plainFileSize(file->tempPath) >= 0)
        ::unlink(file->tempPath.c_str());
    const int64_t existing = plainFileSize(file->finalPath);
    if (existing == file->entry->size) {
        file->fd = ::open(file->finalPath.c_str(), O_RDONLY | O_CLOEXEC);
    } else if (existing >= 0) {
        if (!useTemporaryCopy(*file)) return nullptr;
    } else {
        file->fd = ::open(file->tempPath.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        file->usingTemp = true;
    }
    if (file->fd < 0) {
        fail("Failed to open local file: " + systemError());
        return nullptr;
    }
    m_open.push_back(file);
    return file;
}

bool CMapPackageDownload::useTemporaryCopy(FileWork& file) {
    if (file.usingTemp) return true;
    if (file.fd >= 0) ::close(file.fd);
    file.fd = -1;
    file.usingTemp = true;
    if (!CopyFile(file.finalPath, file.tempPath)) {
        fail("Local file write error: could not copy " + file.entry->name);
        return false;
    }
    file.fd = ::open(file.tempPath.c_str(), O_RDWR | O_CLOEXEC);
    if (file.fd < 0) {
        fail("Failed to open local file: " + systemError());
        return false;
    }
    return true;
}

void CMapPackageDownload::finishFile(FileWork& file) {
    if (file.done) return;
    file.done = true;
    const bool good = !file.failed && m_ok;
    bool renamed = false;
    if (good && file.usingTemp) {
        if (::ftruncate(file.fd, file.entry->size) != 0 || ::fsync(file.fd) != 0) {
            fail("Local file write error: " + systemError());
        } else {
            // A folder standing where the map goes is inside the package's
            // folder (checked on opening): its files go, then the folder.
            if (isDirectory(file.finalPath)) {
                deleteDirectorySingleLevel(file.finalPath);
                ::rmdir(file.finalPath.c_str());
            }
            renamed = ::rename(file.tempPath.c_str(), file.finalPath.c_str()) == 0;
            if (!renamed) fail("Could not put " + file.entry->name + " in place: " + systemError());
        }
    }
    if (file.fd >= 0) ::close(file.fd);
    file.fd = -1;
    if (file.usingTemp && !renamed) ::unlink(file.tempPath.c_str());
    if (renamed) m_written.push_back(file.finalPath);
    std::erase_if(m_open, [&](const auto& f) { return f.get() == &file; });
}

// ---------------------------------------------------------------- jobs

bool CMapPackageDownload::takeChunk(Job& job) {
    while (m_ok && !m_cancelled) {
        if (m_current && !m_current->allTaken && !m_current->failed) {
            const MapPackageEntry& entry = *m_current->entry;
            job.file = m_current;
            job.offset = m_nextChunk * kPackageChunkSize;
            job.length = int(std::min(kPackageChunkSize, entry.size - job.offset));
            job.expected = entry.checksums[size_t(m_nextChunk)];
            job.retries = 0;
            ++m_current->outstanding;
            if (++m_nextChunk == int64_t(entry.checksums.size())) m_current->allTaken = true;
            return true;
        }
        if (m_current) {
            m_current->allTaken = true;
            if (m_current->outstanding == 0) finishFile(*m_current);
            m_current.reset();
        }
        if (m_nextFile >= m_package.files.size()) return false;
        m_current = openFile(m_nextFile++);
        m_nextChunk = 0;
    }
    return false;
}

void CMapPackageDownload::startJob(Job& job) {
    while (takeChunk(job)) {
        if (!chunkIsPresent(job)) {
            if (!job.file->usingTemp && !useTemporaryCopy(*job.file)) {
                chunkSettled(job, false);
                break;
            }
            request(job);
            return;
        }
        ++m_present;
        chunkSettled(job, true);
    }
}

bool CMapPackageDownload::chunkIsPresent(Job& job) {
    return readFully(job.file->fd, job.buffer.data(), job.length, job.offset) &&
           chunkChecksum(job.buffer.data(), size_t(job.length)) == job.expected;
}

void CMapPackageDownload::request(Job& job) {
    job.inFlight = true;
    if (m_cancelled || !m_ok) return onChunkArrived(job, -1);
    ++m_requests;
    auto arrived = std::make_shared<bool>(false);
    job.SetCompletion([this, &job, arrived](int received) {
        *arrived = true;
        onChunkArrived(job, received);
    });
    const QString path = QString::fromStdString(m_package.folder + job.file->entry->name);
    if (!job.ReadPartialFileSlice_NB(path, job.offset, job.length, job.buffer.data()) && !*arrived)
        onChunkArrived(job, -1);
}

void CMapPackageDownload::onChunkArrived(Job& job, int received) {
    job.inFlight = false;
    if (m_cancelled || !m_ok) {
        chunkSettled(job, false);
        return finishIfIdle();
    }
    if (received != job.length) {
        retryOrFail(job, job.failed() ? job.errorText().toStdString() : "the reply was cut short");
        return;
    }
    if (chunkChecksum(job.buffer.data(), size_t(job.length)) != job.expected) {
        retryOrFail(job, "a chunk does not match its checksum");
        return;
    }
    if (!writeFully(job.file->fd, job.buffer.data(), job.length, job.offset)) {
        fail("Local file write error: " + systemError());
        chunkSettled(job, false);
        return finishIfIdle();
    }
    ++m_fetched;
    chunkSettled(job, true);
    startJob(job);
    finishIfIdle();
}

void CMapPackageDownload::retryOrFail(Job& job, const std::string& why) {
    if (job.retries < kRetries && !m_cancelled) {
        ++job.retries;
        job.inFlight = true;
        QTimer::singleShot(kRetryDelayMs, this, [this, &job] { request(job); });
        return;
    }
    if (!job.file->failed)
        m_errors.push_back("Could not download " + job.file->entry->name + ": " + why);
    job.file->failed = true;
    chunkSettled(job, false);
    startJob(job);
    finishIfIdle();
}

void CMapPackageDownload::chunkSettled(Job& job, bool stored) {
    if (m_progress && !m_progress->finished()) m_progress->Advance(stored);
    std::shared_ptr<FileWork> file = std::move(job.file);
    if (!file) return;
    // The current file is finished by takeChunk when it moves past it.
    if (--file->outstanding == 0 && file != m_current) finishFile(*file);
}

// ---------------------------------------------------------------- end

void CMapPackageDownload::fail(const std::string& message) {
    if (m_ok || message != "Cancelled") m_errors.push_back(message);
    m_ok = false;
    for (auto& job : m_jobs)
        if (job->busy()) job->Cancel();
}

void CMapPackageDownload::Cancel() {
    if (m_finishing || m_cancelled) return;
    m_cancelled = true;
    fail("Cancelled");
    finishIfIdle();
}

void CMapPackageDownload::finishIfIdle() {
    if (m_finishing) return;
    for (auto& job : m_jobs)
        if (job->inFlight) return;
    if (m_ok && (m_current || m_nextFile < m_package.files.size())) return;
    m_finishing = true;
    if (m_current && m_current->outstanding == 0) finishFile(*m_current);
    m_current.reset();
    while (!m_open.empty()) finishFile(*m_open.front());
    if (!m_errors.empty()) m_ok = false;  // a file failed while the others went on
    // Delivered from the event loop: the owner may delete this object in it.
    QTimer::singleShot(0, this, [this] { finish(); });
}

void CMapPackageDownload::finish() {
    if (m_finished) return;
    if (m_transferring && reopenAllMapsAfterDownload) reopenAllMapsAfterDownload();
    m_finished = true;
    if (m_progress) {
        m_progress->onCancel = nullptr;
        m_progress->Finish(m_ok, errorMessage());
    }
    Completion completion = std::move(m_completion);
    if (completion) completion(m_ok);
}
