#include "app/base/fileio.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>

HANDLE CreateFileA(const char* path, uint32_t access, uint32_t, void*, uint32_t, uint32_t, void*) {
    if (!path) return INVALID_HANDLE_VALUE;
    int flags;
    if (access == FILE_ACCESS_READ)
        flags = O_RDONLY;
    else if (access == FILE_ACCESS_WRITE)
        flags = O_WRONLY | O_CREAT | O_TRUNC;
    else
        flags = O_RDWR | O_CREAT;
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? INVALID_HANDLE_VALUE : fd;
}

bool ReadFile(HANDLE h, void* buffer, uint32_t length, uint32_t* count, void*) {
    ssize_t n;
    do {
        n = ::read(h, buffer, length);
    } while (n < 0 && errno == EINTR);
    if (count) *count = n > 0 ? uint32_t(n) : 0;
    return n > 0;
}

bool WriteFile(HANDLE h, const void* buffer, uint32_t length, uint32_t* count, void*) {
    const char* p = static_cast<const char*>(buffer);
    uint32_t done = 0;
    while (done < length) {
        ssize_t n = ::write(h, p + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += uint32_t(n);
    }
    if (count) *count = done;
    return done == length && length > 0;
}

int64_t SetFilePointer(HANDLE h, int32_t low, int32_t* high, int whence) {
    int64_t offset = high ? int64_t((uint64_t(uint32_t(*high)) << 32) | uint32_t(low)) : low;
    return SetFilePointer32(h, offset, whence);
}

int64_t SetFilePointer32(HANDLE h, int64_t offset, int whence) {
    int w = whence == FILE_CURRENT ? SEEK_CUR : whence == FILE_END ? SEEK_END : SEEK_SET;
    off_t r = ::lseek(h, off_t(offset), w);
    return r < 0 ? -1 : int64_t(r);
}

bool CloseHandle(HANDLE h) { return h >= 0 && ::close(h) == 0; }

bool FlushFileBuffers(HANDLE h) { return h >= 0 && ::fsync(h) == 0; }

const void* MapViewOfFile(HANDLE h, uint32_t, uint32_t offsetHigh, uint32_t offsetLow,
                          size_t length) {
    if (h < 0 || length == 0) return nullptr;
    const uint64_t offset = (uint64_t(offsetHigh) << 32) | offsetLow;
    const uint64_t page = uint64_t(::sysconf(_SC_PAGESIZE));
    const uint64_t base = offset - offset % page;
    const size_t lead = size_t(offset - base);
    void* p = ::mmap(nullptr, length + lead, PROT_READ, MAP_PRIVATE, h, off_t(base));
    if (p == MAP_FAILED) return nullptr;
    return static_cast<const char*>(p) + lead;
}

void UnmapViewOfFile(const void* address, size_t length) {
    if (!address) return;
    const uintptr_t page = uintptr_t(::sysconf(_SC_PAGESIZE));
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    const uintptr_t base = a - a % page;
    ::munmap(reinterpret_cast<void*>(base), length + (a - base));
}

bool DeleteFileA(const char* path) { return path && ::unlink(path) == 0; }

bool MoveFileA(const char* oldPath, const char* newPath) {
    return oldPath && newPath && ::rename(oldPath, newPath) == 0;
}
