#include "app/base/typeserializer.h"

#include <cstdint>
#include <cstring>

namespace {

// Strings are moved in pieces so a failure part-way keeps what came before.
constexpr int kStringChunk = 1024;
constexpr int kDiscardChunk = 1024;

}  // namespace

// ---- direct transfers

bool CTypeSerializer::put(const void* data, int n) {
    if (!ok) return false;
    if (n < 0) {
        ok = false;
        return false;
    }
    count += n;
    if (n > 0 && !put_data(data, n)) ok = false;
    return ok;
}

bool CTypeSerializer::get(void* data, int n) {
    if (!ok) return false;
    if (n < 0) {
        ok = false;
        return false;
    }
    count += n;
    if (n > 0 && !get_data(data, n)) ok = false;
    return ok;
}

bool CTypeSerializer::getLength(int& n, int max) {
    int32_t length = 0;
    n = 0;
    if (!get(&length, 4)) return false;
    if (length < 0 || length > max) return false;  // damaged or hostile stream
    n = length;
    return true;
}

bool CTypeSerializer::put(const std::string& text) {
    if (text.size() > size_t(INT32_MAX / 2)) {
        ok = false;
        return false;
    }
    const int32_t n = int32_t(text.size());
    if (!put(&n, 4)) return false;
    if (!wide_strings) return put(text.data(), n);
    int16_t units[kStringChunk];
    for (int done = 0; done < n; done += kStringChunk) {
        const int k = std::min(kStringChunk, n - done);
        for (int i = 0; i < k; ++i) units[i] = int16_t(int8_t(text[size_t(done + i)]));
        if (!put(units, k * 2)) return false;
    }
    return ok;
}

bool CTypeSerializer::get(std::string& text) {
    text.clear();
    int n = 0;
    if (!getLength(n, kMaxStringLength)) return false;
    if (!wide_strings) {
        text.resize(size_t(n));
        if (get(text.data(), n)) return true;
        text.clear();
        return false;
    }
    int16_t units[kStringChunk];
    text.reserve(size_t(n));
    for (int done = 0; done < n; done += kStringChunk) {
        const int k = std::min(kStringChunk, n - done);
        if (!get(units, k * 2)) return false;
        for (int i = 0; i < k; ++i) text += char(units[i] & 0xff);
    }
    return true;
}

bool CTypeSerializer::getstr(char* buf, int len) {
    std::string text;
    const bool result = get(text);
    if (buf && len > 0) {
        std::strncpy(buf, text.c_str(), size_t(len));
        buf[len - 1] = 0;
    }
    return result;
}

bool CTypeSerializer::putsize(const void* data, int n) {
    if (n < 0) {
        ok = false;
        return false;
    }
    const int32_t length = n;
    return put(&length, 4) && put(data, n);
}

bool CTypeSerializer::getsize(void* data, int& n) {
    const int capacity = n < 0 ? 0 : n;
    int length = 0;
    n = 0;
    if (!getLength(length, kMaxSizedBlock)) return false;
    if (length <= capacity) {
        n = length;
        return get(data, length);
    }
    // Too long for the caller: keep the start, step over the rest.
    n = capacity;
    if (!get(data, capacity)) return false;
    char discard[kDiscardChunk];
    for (int left = length - capacity; left > 0; left -= kDiscardChunk)
        if (!get(discard, std::min(left, kDiscardChunk))) return false;
    return true;
}

// ---- by mode

bool CTypeSerializer::declare(void* data, int n) {
    if (mode == kModeWrite) return put(data, n);
    if (mode == kModeRead) return get(data, n);
    return true;
}

bool CTypeSerializer::declare(std::string& text) {
    if (mode == kModeWrite) return put(text);
    if (mode == kModeRead) return get(text) && ok;
    return true;
}

bool CTypeSerializer::declaresize(void* data, int& n) {
    if (mode == kModeWrite) return putsize(data, n);
    if (mode == kModeRead) return getsize(data, n) && ok;
    return true;
}

bool CTypeSerializer::declaremagic(int magic) {
    if (mode == kModeWrite) {
        const int32_t m = magic;
        return put(&m, 4);
    }
    if (mode == kModeRead) {
        int32_t m = 0;
        return get(&m, 4) && m == magic;
    }
    return true;
}

// ---- files

CTypeFileOut::CTypeFileOut(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {
    mode = kModeWrite;
    ok = m_file != nullptr;
}

CTypeFileOut::~CTypeFileOut() {
    Close();
}

bool CTypeFileOut::put_data(const void* data, int n) {
    if (!m_file || std::fwrite(data, 1, size_t(n), m_file) != size_t(n)) ok = false;
    return ok;
}

bool CTypeFileOut::get_data(void*, int) {
    ok = false;
    return false;
}

bool CTypeFileOut::Close() {
    if (m_file) {
        if (std::fclose(m_file) != 0) ok = false;
        m_file = nullptr;
    }
    return ok;
}

CTypeFileIn::CTypeFileIn(const std::string& path) : m_file(std::fopen(path.c_str(), "rb")) {
    mode = kModeRead;
    ok = m_file != nullptr;
}

CTypeFileIn::~CTypeFileIn() {
    Close();
}

bool CTypeFileIn::put_data(const void*, int) {
    ok = false;
    return false;
}

bool CTypeFileIn::get_data(void* data, int n) {
    if (!ok || !m_file) return false;
    if (std::fread(data, 1, size_t(n), m_file) != size_t(n)) ok = false;
    return ok;
}

void CTypeFileIn::Close() {
    if (m_file) std::fclose(m_file);
    m_file = nullptr;
}

// ---- memory

bool CTypeBufferOut::put_data(const void* data, int n) {
    m_bytes.append(static_cast<const char*>(data), size_t(n));
    return true;
}

bool CTypeBufferOut::get_data(void*, int) {
    ok = false;
    return false;
}

CTypeBufferIn::CTypeBufferIn(const void* data, size_t size)
    : m_data(static_cast<const unsigned char*>(data)), m_size(data ? size : 0) {
    mode = kModeRead;
}

bool CTypeBufferIn::put_data(const void*, int) {
    ok = false;
    return false;
}

bool CTypeBufferIn::get_data(void* data, int n) {
    if (!ok) return false;
    if (size_t(n) > m_size - m_pos) {
        m_pos = m_size;
        ok = false;
        return false;
    }
    std::memcpy(data, m_data + m_pos, size_t(n));
    m_pos += size_t(n);
    return true;
}
