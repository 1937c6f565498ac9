#include "maps/multithreadedslicedfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

CMultiThreadedSlicedFile::~CMultiThreadedSlicedFile() {
    Close();
}

bool CMultiThreadedSlicedFile::Open(const std::string& path, bool writable, Layout layoutIfNew) {
    Close();
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fill(m_fds, m_fds + kMaxSlices, -1);
    m_fdsReady = true;
    m_error = 0;
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
        m_layout = S_ISDIR(st.st_mode) ? Layout::Folder : Layout::Plain;
    } else if (!writable) {
        m_error = errno;
        return false;
    } else {
        m_layout = layoutIfNew;
        if (m_layout == Layout::Folder && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
            m_error = errno;
            return false;
        }
    }
    m_path = path;
    m_writable = writable;
    // Slice 0 (or the file) must open in the asked mode for the file to count as open.
    if (descriptor(0) < 0) {
        const int error = m_error;
        m_path.clear();
        m_error = error;
        return false;
    }
    return true;
}

void CMultiThreadedSlicedFile::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fdsReady)
        for (int& fd : m_fds) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
    m_path.clear();
    m_writable = false;
}

int CMultiThreadedSlicedFile::descriptor(int slice) {
    if (slice < 0 || slice >= kMaxSlices || m_path.empty()) {
        m_error = EINVAL;
        return -1;
    }
    if (m_layout == Layout::Plain && slice > 0) {
        m_error = EINVAL;
        return -1;
    }
    if (m_fds[slice] >= 0) return m_fds[slice];
    const std::string name =
        m_layout == Layout::Folder ? m_path + "/" + std::to_string(slice) : m_path;
    const int flags = m_writable ? O_RDWR | O_CREAT : O_RDONLY;
    const int fd = ::open(name.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        m_error = errno;
        return -1;
    }
    m_fds[slice] = fd;
    return fd;
}

int64_t CMultiThreadedSlicedFile::transfer(bool write, uint64_t offset, void* buffer,
                                           uint64_t length) {
    auto* p = static_cast<uint8_t*>(buffer);
    uint64_t done = 0;
    const uint64_t sliceSize = m_layout == Layout::Folder ? uint64_t(1) << kSliceBits : 0;
    while (done < length) {
        const uint64_t at = offset + done;
        const int slice = sliceSize ? int(std::min<uint64_t>(at >> kSliceBits, kMaxSlices)) : 0;
        const int fd = descriptor(slice);
        if (fd < 0) return -1;
        const uint64_t inSlice = sliceSize ? at & (sliceSize - 1) : at;
        uint64_t n = length - done;
        if (sliceSize) n = std::min(n, sliceSize - inSlice);
        n = std::min<uint64_t>(n, 1u << 30);
        const ssize_t r = write ? ::pwrite(fd, p + done, n, off_t(inSlice))
                                : ::pread(fd, p + done, n, off_t(inSlice));
        if (r < 0) {
            if (errno == EINTR) continue;
            m_error = errno;
            return -1;
        }
        if (r == 0) break;  // end of the data
        done += uint64_t(r);
    }
    return int64_t(done);
}

int64_t CMultiThreadedSlicedFile::LockedRead(uint64_t offset, void* buffer, uint64_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return transfer(false, offset, buffer, length);
}

int64_t CMultiThreadedSlicedFile::LockedWrite(uint64_t offset, const void* buffer,
                                              uint64_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_writable) {
        m_error = EBADF;
        return -1;
    }
    return transfer(true, offset, const_cast<void*>(buffer), length);
}

int64_t CMultiThreadedSlicedFile::LockedWrite2(uint64_t offset, const void* a, uint64_t lengthA,
                                               const void* b, uint64_t lengthB) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_writable) {
        m_error = EBADF;
        return -1;
    }
    const int64_t first = transfer(true, offset, const_cast<void*>(a), lengthA);
    if (first != int64_t(lengthA)) return first;
    const int64_t second = transfer(true, offset + lengthA, const_cast<void*>(b), lengthB);
    return second < 0 ? -1 : first + second;
}

int64_t CMultiThreadedSlicedFile::endOfData() {
    if (m_layout == Layout::Plain) {
        const int fd = descriptor(0);
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
        return st.st_size;
    }
    int last = 0;
    struct stat st;
    for (int s = 1; s < kMaxSlices; ++s) {
        if (::stat((m_path + "/" + std::to_string(s)).c_str(), &st) != 0) break;
        last = s;
    }
    const int fd = descriptor(last);
    if (fd < 0 || ::fstat(fd, &st) != 0) return -1;
    return (int64_t(last) << kSliceBits) + st.st_size;
}

int64_t CMultiThreadedSlicedFile::AllocAtEnd2(uint64_t length) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_writable) {
        m_error = EBADF;
        return -1;
    }
    int64_t end = endOfData();
    if (end < 0) return -1;
    if (m_layout == Layout::Folder) {
        const uint64_t sliceSize = uint64_t(1) << kSliceBits;
        if (length > sliceSize) {
            m_error = EINVAL;
            return -1;
        }
        if ((uint64_t(end) & (sliceSize - 1)) + length > sliceSize)
            end = int64_t((uint64_t(end) >> kSliceBits) + 1) << kSliceBits;
        if ((uint64_t(end) >> kSliceBits) >= uint64_t(kMaxSlices)) {
            m_error = EINVAL;
            return -1;
        }
    }
    // Extend the file now so the next allocation starts after this one.
    const uint8_t zero = 0;
    if (length > 0 &&
        transfer(true, uint64_t(end) + length - 1, const_cast<uint8_t*>(&zero), 1) != 1)
        return -1;
    return end;
}
