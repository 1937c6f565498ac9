// One logical file with 64-bit offsets, kept either as a single plain file
// or as a folder of slice files "0", "1", ... "99" (mode 0644), where logical
// offset o lives in slice o >> 32 at position o & 0xFFFFFFFF. Every transfer
// runs under one mutex, so decoder threads and the downloader can share it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

class CMultiThreadedSlicedFile {
public:
    static constexpr int kMaxSlices = 100;
    static constexpr int kSliceBits = 32;

    enum class Layout { Plain, Folder };

    CMultiThreadedSlicedFile() = default;
    ~CMultiThreadedSlicedFile();
    CMultiThreadedSlicedFile(const CMultiThreadedSlicedFile&) = delete;
    CMultiThreadedSlicedFile& operator=(const CMultiThreadedSlicedFile&) = delete;

    // An existing folder is read as slices, an existing file as a plain file;
    // a missing path is created with `layoutIfNew` when writable. False (and
    // lastError set) when the path cannot be used.
    bool Open(const std::string& path, bool writable, Layout layoutIfNew = Layout::Folder);
    void Close();
    bool isOpen() const { return !m_path.empty(); }
    bool writable() const { return m_writable; }
    Layout layout() const { return m_layout; }

    // Bytes transferred (fewer at the end of the data), or -1 with lastError()
    // set; a slice number above 99 is EINVAL.
    int64_t LockedRead(uint64_t offset, void* buffer, uint64_t length);
    int64_t LockedWrite(uint64_t offset, const void* buffer, uint64_t length);
    // Two buffers back to back, as one transfer under the mutex.
    int64_t LockedWrite2(uint64_t offset, const void* a, uint64_t lengthA, const void* b,
                         uint64_t lengthB);
    // Reserves `length` bytes at the end of the last slice (the next slice
    // when they would cross its end) and returns their logical offset, or -1.
    int64_t AllocAtEnd2(uint64_t length);

    int lastError() const { return m_error; }

private:
    int descriptor(int slice);  // opened on first use; -1 on failure
    int64_t transfer(bool write, uint64_t offset, void* buffer, uint64_t length);
    int64_t endOfData();

    std::mutex m_mutex;
    std::string m_path;
    Layout m_layout = Layout::Plain;
    bool m_writable = false;
    int m_fds[kMaxSlices];
    bool m_fdsReady = false;
    int m_error = 0;
};
