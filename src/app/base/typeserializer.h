// CTypeSerializer: a symmetric typed binary stream. The same declaring code
// writes (mode 1) or reads (mode 2); mode 0 lets only the direct put/get
// calls through. Subclasses supply the bytes (files here, buffers, and the
// binary web requests).
//
// Encoding, little-endian as in memory, no padding:
//   magic, int32, double...  the bytes of the value as in memory
//   sized block              int32 length L, then L bytes
//   string, wide (default)   int32 count N, then N 16-bit units, each byte
//                            sign-extended (0x80 -> 0xFF80); reading keeps
//                            the low byte
//   string, narrow           int32 count N, then N bytes
// Lengths read from a stream are checked: a string above 100,000
// characters or a block above 1,000,000 bytes is refused, and so is a
// negative length; the call returns false and transfers nothing more.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>

class CTypeSerializer {
public:
    enum { kModeNone = 0, kModeWrite = 1, kModeRead = 2 };
    static constexpr int kMaxStringLength = 100000;  // characters
    static constexpr int kMaxSizedBlock = 1000000;   // bytes

    CTypeSerializer() = default;
    CTypeSerializer(const CTypeSerializer&) = delete;
    CTypeSerializer& operator=(const CTypeSerializer&) = delete;

    // The byte transport. Both transfer the whole block or clear `ok`.
    virtual bool put_data(const void* data, int n) = 0;
    virtual bool get_data(void* data, int n) = 0;
    virtual ~CTypeSerializer() = default;

    // By mode: write, read, or (mode 0) nothing. They return ok.
    bool declare(void* data, int n);
    bool declare(std::string& text);
    template <class T>
    requires(std::is_arithmetic_v<T> || std::is_enum_v<T>) bool declare(T& value) {
        return declare(&value, int(sizeof value));
    }
    // A sized block; when reading, n is the capacity on entry and the bytes
    // filled on return.
    bool declaresize(void* data, int& n);
    // Writes the magic, or reads one and returns whether it matched (a
    // mismatch leaves `ok` set: the caller decides).
    bool declaremagic(int magic);

    // Direct transfers, whatever the mode.
    bool put(const std::string& text);
    bool get(std::string& text);
    // Reads a string into buf: at most len bytes, always terminated.
    bool getstr(char* buf, int len);
    bool putsize(const void* data, int n);
    bool getsize(void* data, int& n);
    bool put(const void* data, int n);  // raw
    bool get(void* data, int n);        // raw

    int mode = kModeNone;
    bool ok = true;
    bool wide_strings = true;
    int count = 0;  // bytes transferred or attempted

private:
    bool getLength(int& n, int max);
};

// Writes a file ("wb").
class CTypeFileOut : public CTypeSerializer {
public:
    explicit CTypeFileOut(const std::string& path);
    ~CTypeFileOut() override;
    bool put_data(const void* data, int n) override;
    bool get_data(void* data, int n) override;
    bool Close();  // false when the file could not be written in full

private:
    FILE* m_file = nullptr;
};

// Reads a file ("rb").
class CTypeFileIn : public CTypeSerializer {
public:
    explicit CTypeFileIn(const std::string& path);
    ~CTypeFileIn() override;
    bool put_data(const void* data, int n) override;
    bool get_data(void* data, int n) override;
    void Close();

private:
    FILE* m_file = nullptr;
};

// Writes into memory; bytes() is the stream so far.
class CTypeBufferOut : public CTypeSerializer {
public:
    CTypeBufferOut() { mode = kModeWrite; }
    bool put_data(const void* data, int n) override;
    bool get_data(void* data, int n) override;
    const std::string& bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// Reads from memory that outlives the reader.
class CTypeBufferIn : public CTypeSerializer {
public:
    CTypeBufferIn(const void* data, size_t size);
    explicit CTypeBufferIn(const std::string& bytes) : CTypeBufferIn(bytes.data(), bytes.size()) {}
    bool put_data(const void* data, int n) override;
    bool get_data(void* data, int n) override;
    size_t remaining() const { return m_size - m_pos; }

private:
    const unsigned char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};
