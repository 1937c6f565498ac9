// A small Windows-style file interface over POSIX, so that file-format code
// keeps one vocabulary: handles, CreateFileA, ReadFile, SetFilePointer,
// MapViewOfFile. A handle is a file descriptor; the invalid handle is -1.
// No function here throws; failure is the return value.
#pragma once

#include <cstddef>
#include <cstdint>

using HANDLE = int;
constexpr HANDLE INVALID_HANDLE_VALUE = -1;

// Access values of CreateFileA.
constexpr uint32_t FILE_ACCESS_WRITE = 1;  // write-only, created and truncated
constexpr uint32_t FILE_ACCESS_READ = 2;   // read-only
constexpr uint32_t FILE_ACCESS_READ_WRITE = 3;  // read-write, created when missing

// Whence values of SetFilePointer.
constexpr int FILE_BEGIN = 0;
constexpr int FILE_CURRENT = 1;
constexpr int FILE_END = 2;

// Opens a file; share, security, creation, flags and template are accepted
// for the callers' sake and ignored. New files get mode 0666 less the umask.
HANDLE CreateFileA(const char* path, uint32_t access, uint32_t share = 0, void* security = nullptr,
                   uint32_t creation = 0, uint32_t flags = 0, void* templateFile = nullptr);

// One read; *count gets the bytes read. True when more than 0 bytes came.
bool ReadFile(HANDLE h, void* buffer, uint32_t length, uint32_t* count, void* overlapped = nullptr);

// Writes the whole block (retrying short writes); *count gets the bytes
// written. True only when all `length` bytes were written.
bool WriteFile(HANDLE h, const void* buffer, uint32_t length, uint32_t* count,
               void* overlapped = nullptr);

// 64-bit seek: the offset is (*high << 32 | low) when high is given, else the
// signed low part. Returns the new position, or -1 on failure.
int64_t SetFilePointer(HANDLE h, int32_t low, int32_t* high, int whence);
int64_t SetFilePointer32(HANDLE h, int64_t offset, int whence = FILE_BEGIN);

bool CloseHandle(HANDLE h);
bool FlushFileBuffers(HANDLE h);  // fsync

// Maps `length` bytes from `offset` read-only and private; null on failure.
// The offset need not be page-aligned.
const void* MapViewOfFile(HANDLE h, uint32_t access, uint32_t offsetHigh, uint32_t offsetLow,
                          size_t length);
void UnmapViewOfFile(const void* address, size_t length);

bool DeleteFileA(const char* path);
bool MoveFileA(const char* oldPath, const char* newPath);
