#include "app/base/fileutils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utime.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "app/base/fileio.h"
#include "app/base/stringutils.h"
#include "app/base/timeutils.h"

namespace {

bool statPath(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0;
}

double modificationTime(const struct stat& st) {
    return double(st.st_mtim.tv_sec) + double(st.st_mtim.tv_nsec / 1000000) / 1000.0;
}

bool writeAll(HANDLE h, const char* data, size_t size) {
    while (size > 0) {
        const uint32_t chunk = uint32_t(std::min<size_t>(size, 1 << 30));
        uint32_t written = 0;
        if (!WriteFile(h, data, chunk, &written)) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Bytes read, 0 at the end, -1 on an error. ReadFile gives false for the end
// and an error alike, and a copy must not take a failed read for the end.
ssize_t readChunk(HANDLE h, char* buffer, size_t size) {
    ssize_t n;
    do {
        n = ::read(h, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::vector<std::string> listEntries(const std::string& dir, bool wantDirs, const char* pattern) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return names;
    while (struct dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (!statPath(dir + "/" + name, st)) continue;
        if (wantDirs ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) continue;
        if (pattern && !pattern_match_ignorecase(name.c_str(), pattern)) continue;
        names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

bool read_whole_file(const std::string& path, std::string& out) {
    out.clear();
    HANDLE h = CreateFileA(path.c_str(), FILE_ACCESS_READ);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buffer[65536];
    ssize_t n;
    while ((n = readChunk(h, buffer, sizeof buffer)) > 0) out.append(buffer, size_t(n));
    const bool ok = n == 0;
    CloseHandle(h);
    if (!ok) out.clear();
    return ok;
}

std::string read_first_line(const std::string& path) {
    std::string text;
    if (!read_whole_file(path, text)) return {};
    const size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

bool write_to_file(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".tmp";
    HANDLE h = CreateFileA(tmp.c_str(), FILE_ACCESS_WRITE);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = writeAll(h, text.data(), text.size()) && FlushFileBuffers(h);
    if (!CloseHandle(h) || !ok || !rename(tmp, path)) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool touchFile(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_ACCESS_READ_WRITE);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return ::utime(path.c_str(), nullptr) == 0;
}

int64_t getFileSize(const std::string& path) {
    struct stat st;
    return statPath(path, st) ? int64_t(st.st_size) : -1;
}

double getLastWriteTime(const std::string& path) {
    struct stat st;
    return statPath(path, st) ? modificationTime(st) : 0;
}

bool getLastWriteTimeAndSize(const std::string& path, double& time, int64_t& size) {
    struct stat st;
    if (!statPath(path, st)) return false;
    time = modificationTime(st);
    size = int64_t(st.st_size);
    return true;
}

bool fileIsOlder(const std::string& path, double seconds) {
    struct stat st;
    return !statPath(path, st) || GetTimeNow() - modificationTime(st) > seconds;
}

bool fileWrittenWithin(const std::string& path, double seconds) {
    struct stat st;
    return statPath(path, st) && GetTimeNow() - modificationTime(st) <= seconds;
}

std::vector<std::string> listDirectory(const std::string& dir, const char* pattern) {
    return listEntries(dir, false, pattern);
}

std::vector<std::string> listSubDirectories(const std::string& dir) {
    return listEntries(dir, true, nullptr);
}

bool deleteDirectorySingleLevel(const std::string& dir) {
    bool ok = true;
    for (const std::string& name : listDirectory(dir))
        if (::unlink((dir + "/" + name).c_str()) != 0) ok = false;
    return ok;
}

int64_t getDirectorySizeSingleLevel(const std::string& dir) {
    int64_t total = 0;
    for (const std::string& name : listDirectory(dir))
        total += std::max<int64_t>(0, getFileSize(dir + "/" + name));
    return total;
}

int64_t getFreeDiskSpace(const std::string& path) {
    struct statvfs st;
    if (::statvfs(path.c_str(), &st) != 0) return -1;
    return int64_t(st.f_bavail) * int64_t(st.f_frsize);
}

bool CopyFile(const std::string& from, const std::string& to) {
    HANDLE in = CreateFileA(from.c_str(), FILE_ACCESS_READ);
    if (in == INVALID_HANDLE_VALUE) return false;
    const std::string tmp = to + ".tmp";
    HANDLE out = CreateFileA(tmp.c_str(), FILE_ACCESS_WRITE);
    if (out == INVALID_HANDLE_VALUE) {
        CloseHandle(in);
        return false;
    }
    bool ok = true;
    char buffer[65536];
    ssize_t n = 0;
    while (ok && (n = readChunk(in, buffer, sizeof buffer)) > 0)
        ok = writeAll(out, buffer, size_t(n));
    ok = ok && n == 0;
    CloseHandle(in);
    ok = ok && FlushFileBuffers(out);
    ok = CloseHandle(out) && ok && rename(tmp, to);
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

bool rename(const std::string& from, const std::string& to) {
    return MoveFileA(from.c_str(), to.c_str());
}

namespace {

// The uncompressed size a gzip file states in its last four bytes (modulo
// 2^32, and only of its last member): a first estimate for the disk check.
int64_t statedGzipSize(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), FILE_ACCESS_READ);
    if (h == INVALID_HANDLE_VALUE) return 0;
    unsigned char trailer[4] = {};
    const bool ok = ::lseek(h, -4, SEEK_END) >= 0 && readChunk(h, (char*)trailer, 4) == 4;
    CloseHandle(h);
    if (!ok) return 0;
    return int64_t(trailer[0]) | int64_t(trailer[1]) << 8 | int64_t(trailer[2]) << 16 |
           int64_t(trailer[3]) << 24;
}

// Room on the destination's disk for `more` bytes, keeping the reserve.
bool diskHasRoom(const std::string& destination, int64_t more) {
    const size_t slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash + 1);
    const int64_t free = getFreeDiskSpace(folder);
    return free < 0 || free >= more + kGUnzipDiskReserve;
}

}  // namespace

bool GUnzipFile(const std::string& source, const std::string& destination, int64_t maxBytes) {
    // A stated size past the cap or the free space is refused before writing.
    const int64_t stated = statedGzipSize(source);
    if (stated > maxBytes || !diskHasRoom(destination, stated)) return false;
    gzFile in = gzopen(source.c_str(), "rb");
    if (!in) return false;
    const std::string tmp = destination + ".tmp";
    HANDLE out = CreateFileA(tmp.c_str(), FILE_ACCESS_WRITE);
    if (out == INVALID_HANDLE_VALUE) {
        gzclose(in);
        return false;
    }
    // The stated size may lie: the cap and the disk are checked as data comes.
    constexpr int64_t kDiskCheckEvery = int64_t(16) << 20;
    bool ok = true;
    int64_t written = 0, nextDiskCheck = kDiskCheckEvery;
    char buffer[10000];
    for (;;) {
        const int n = gzread(in, buffer, sizeof buffer);
        if (n < 0) {
            ok = false;  // corrupt stream
            break;
        }
        if (n == 0) break;
        written += n;
        if (written > maxBytes) {
            ok = false;
            break;
        }
        if (written >= nextDiskCheck) {
            nextDiskCheck += kDiskCheckEvery;
            if (!diskHasRoom(destination, kDiskCheckEvery)) {
                ok = false;
                break;
            }
        }
        if (!writeAll(out, buffer, size_t(n))) {
            ok = false;
            break;
        }
    }
    // zlib passes non-gzip input through unchanged; that is not a gzip file.
    if (gzdirect(in)) ok = false;
    // gzclose reports a stream cut short (missing trailer or CRC mismatch).
    if (gzclose(in) != Z_OK) ok = false;
    ok = ok && FlushFileBuffers(out);
    ok = CloseHandle(out) && ok && rename(tmp, destination);
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

std::string format_filesize(const std::string& path) {
    const int64_t size = getFileSize(path);
    return size < 0 ? std::string() : FormatDataSize(size);
}

const char* mime_type_from_extension(const char* extension) {
    static const struct {
        const char* extension;
        const char* type;
    } kTypes[] = {{"gpx", "application/gpx+xml"},
                  {"txt", "text/plain"},
                  {"dvtf", "application/vnd.orvanta.dvtf"},
                  {"pstf", "application/vnd.orvanta.pstf"},
                  {"ktl", "application/vnd.orvanta.ktl"}};
    if (extension)
        for (const auto& t : kTypes)
            if (_tcsicmp(extension, t.extension) == 0) return t.type;
    return "*/*";
}
