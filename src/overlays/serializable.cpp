#include "overlays/serializable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/base/fileutils.h"
#include "app/base/graphicscolor.h"

static_assert(std::endian::native == std::endian::little,
              "the container is little-endian and is copied byte for byte");

namespace {

CSerializable::Type* g_firstType = nullptr;

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The rename is only durable once the folder's entry is on disk too.
void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

// ---------------------------------------------------------------- IOStream

CSerializable::IOStream CSerializable::IOStream::ForWriting(const std::string& directory) {
    IOStream s;
    s.m_mode = writing;
    s.m_directory = directory;
    return s;
}

CSerializable::IOStream CSerializable::IOStream::ForReading(std::string bytes,
                                                            const std::string& directory) {
    IOStream s;
    s.m_mode = reading;
    s.m_data = std::move(bytes);
    s.m_directory = directory;
    return s;
}

int64_t CSerializable::IOStream::limit() const {
    if (m_mode == reading && !m_limits.empty()) return m_limits.back();
    return int64_t(m_data.size());
}

bool CSerializable::IOStream::fail() {
    m_mode = closed;
    return false;
}

bool CSerializable::IOStream::refuse() {
    return fail();
}

bool CSerializable::IOStream::fits(int64_t n) {
    if (m_mode != reading) return false;
    if (n < 0 || n > limit() - m_pos) return fail();
    return true;
}

bool CSerializable::IOStream::readBytes(void* p, int64_t n) {
    if (!fits(n)) return false;
    if (n > 0) std::memcpy(p, m_data.data() + m_pos, size_t(n));
    m_pos += n;
    return true;
}

void CSerializable::IOStream::writeBytes(const void* p, size_t n) {
    m_data.append(static_cast<const char*>(p), n);
    m_pos = int64_t(m_data.size());
}

bool CSerializable::IOStream::skip(int64_t n) {
    if (!fits(n)) return false;
    m_pos += n;
    if (n > 0) skipped_data = true;
    return true;
}

template <class T>
bool CSerializable::IOStream::scalar(T& v) {
    if (m_mode == writing) {
        if constexpr (std::is_same_v<T, bool>) {
            const uint8_t byte = v ? 1 : 0;
            writeBytes(&byte, 1);
        } else {
            writeBytes(&v, sizeof v);
        }
        return true;
    }
    if (m_mode != reading) return false;
    if (atEnd()) return true;
    if constexpr (std::is_same_v<T, bool>) {
        uint8_t byte = 0;
        if (!readBytes(&byte, 1)) return false;
        v = byte != 0;
        return true;
    } else {
        return readBytes(&v, sizeof v);
    }
}

bool CSerializable::IOStream::declareheader() {
    uint32_t header = kFileHeader;
    if (m_mode == writing) return scalar(header);
    if (m_mode != reading || remaining() < 4) return fail();
    readBytes(&header, 4);
    return header == kFileHeader || fail();
}

bool CSerializable::IOStream::declare_fblock(void* p, int n) {
    if (n < 0) return m_mode == reading ? refuse() : false;
    if (m_mode == writing) {
        writeBytes(p, size_t(n));
        return true;
    }
    if (m_mode != reading) return false;
    if (atEnd()) return true;
    return readBytes(p, n);
}

bool CSerializable::IOStream::declaremagic(uint32_t magic) {
    uint32_t value = magic;
    if (!scalar(value)) return false;
    return value == magic;
}

bool CSerializable::IOStream::declare_vblock(void* p, int size, int* stored) {
    if (size < 0) return m_mode == reading ? refuse() : false;
    if (m_mode == writing) {
        int32_t n = size;
        scalar(n);
        writeBytes(p, size_t(size));
        if (stored) *stored = size;
        return true;
    }
    if (m_mode != reading) return false;
    if (atEnd()) return true;
    int32_t n = 0;
    if (!readBytes(&n, 4)) return false;
    if (n < 0 || n > remaining()) return refuse();
    const int copied = std::min(n, size);
    readBytes(p, copied);
    if (n > copied) skip(n - copied);
    if (stored) *stored = n;
    return true;
}

bool CSerializable::IOStream::declare_array(void* p, int elementSize, int count) {
    if (elementSize <= 0 || count < 0) return m_mode == reading ? refuse() : false;
    auto* bytes = static_cast<char*>(p);
    if (m_mode == writing) {
        int32_t e = elementSize;
        scalar(e);
        writeBytes(bytes, size_t(elementSize) * size_t(count));
        return true;
    }
    if (m_mode != reading) return false;
    if (atEnd()) return true;
    int32_t stored = 0;
    if (!readBytes(&stored, 4)) return false;
    // An element of no bytes is no element: a count could then be anything.
    if (stored <= 0 || int64_t(stored) * count > remaining()) return refuse();
    // Older elements are shorter: their missing tail keeps what memory held.
    const int copied = std::min(int(stored), elementSize);
    for (int i = 0; i < count; ++i) {
        readBytes(bytes + int64_t(i) * elementSize, copied);
        if (stored > copied) skip(stored - copied);
    }
    return true;
}

bool CSerializable::IOStream::declare(std::string& text) {
    if (m_mode == writing) {
        // Longer texts would make the file unreadable; nothing real is this long.
        int32_t n = int32_t(std::min<size_t>(text.size(), size_t(kMaxStringLength)));
        scalar(n);
        writeBytes(text.data(), size_t(n));
        return true;
    }
    if (m_mode != reading) return false;
    if (atEnd()) return true;
    int32_t n = 0;
    if (!readBytes(&n, 4)) return false;
    if (n < 0 || n > kMaxStringLength || n > remaining()) return refuse();
    text.assign(m_data, size_t(m_pos), size_t(n));
    m_pos += n;
    return true;
}

bool CSerializable::IOStream::declarecolor(GraphicsColor& color) {
    float rgba[4] = {color.redF(), color.greenF(), color.blueF(), color.alphaF()};
    if (m_mode == reading && atEnd()) return true;
    if (!declare_fblock(rgba, sizeof rgba)) return false;
    if (m_mode == reading) color.setRgbF(rgba[0], rgba[1], rgba[2], rgba[3]);
    return true;
}

bool CSerializable::IOStream::declarefilename(std::string& path) {
    if (m_mode == writing) {
        const std::string prefix = m_directory + "/";
        std::string stored = path;
        if (!m_directory.empty() && path.compare(0, prefix.size(), prefix) == 0)
            stored = path.substr(prefix.size());
        return declare(stored);
    }
    if (m_mode == reading && atEnd()) return true;
    std::string stored;
    if (!declare(stored)) return false;
    const bool absolute =
        (!stored.empty() && stored[0] == '/') || (stored.size() >= 2 && stored[1] == ':');
    path =
        (absolute || stored.empty() || m_directory.empty()) ? stored : m_directory + "/" + stored;
    return true;
}

// ---------------------------------------------------------------- Section

CSerializable::Section::Section(IOStream& stream) : m_stream(stream) {
    m_start = stream.m_pos;
    if (stream.m_mode == IOStream::writing) {
        const uint8_t tag = kSectionTag;
        const uint32_t placeholder = 0;
        stream.writeBytes(&tag, 1);
        stream.writeBytes(&placeholder, 4);
        m_open = true;
        return;
    }
    if (stream.m_mode != IOStream::reading) return;
    uint8_t tag = 0;
    uint32_t length = 0;
    if (!stream.readBytes(&tag, 1) || !stream.readBytes(&length, 4)) return;
    // The length covers the header and must stay inside the enclosing section.
    if (tag != kSectionTag || length < 5 || length > kMaxSectionLength ||
        int64_t(length) > stream.limit() - m_start) {
        stream.fail();
        return;
    }
    m_end = m_start + length;
    stream.pushLimit(m_end);
    m_open = true;
}

bool CSerializable::Section::Close() {
    if (!m_open) return false;
    m_open = false;
    if (m_stream.m_mode == IOStream::writing) {
        const uint32_t length = uint32_t(m_stream.m_data.size() - size_t(m_start));
        std::memcpy(m_stream.m_data.data() + m_start + 1, &length, 4);
        return true;
    }
    m_stream.popLimit();
    if (m_stream.m_mode != IOStream::reading) return false;
    if (m_stream.m_pos < m_end) {
        m_stream.m_pos = m_end;
        m_stream.skipped_data = true;
    }
    return true;
}

// ---------------------------------------------------------------- Type registry

CSerializable::Type::Type(uint32_t id, const char* name)
    : m_id(id), m_name(name), m_next(g_firstType) {
    g_firstType = this;
}

CSerializable::Type::~Type() {
    for (Type** link = &g_firstType; *link; link = &(*link)->m_next) {
        if (*link == this) {
            *link = m_next;
            break;
        }
    }
}

const CSerializable::Type* CSerializable::Type::first() {
    return g_firstType;
}

const CSerializable::Type* CSerializable::Type::Find(uint32_t id) {
    for (const Type* t = g_firstType; t; t = t->m_next)
        if (t->m_id == id) return t;
    return nullptr;
}

std::unique_ptr<CSerializable> CSerializable::Type::CreateId(uint32_t id) {
    const Type* type = Find(id);
    return std::unique_ptr<CSerializable>(type ? type->Create() : nullptr);
}

// ---------------------------------------------------------------- records and files

bool CSerializable::WritePolymorphic(IOStream& stream, CSerializable* obj) {
    if (!stream.isWriting() || !obj) return false;
    uint32_t id = obj->GetTypeId();
    uint32_t length = 0;
    stream.scalar(id);
    const size_t lengthAt = stream.m_data.size();
    stream.scalar(length);
    const bool ok = obj->Serialize(stream);
    length = uint32_t(stream.m_data.size() - lengthAt - 4);
    std::memcpy(stream.m_data.data() + lengthAt, &length, 4);
    return ok && stream.ok();
}

std::unique_ptr<CSerializable> CSerializable::ReadPolymorphic(IOStream& stream) {
    if (!stream.isReading() || stream.atEnd()) return nullptr;
    uint32_t id = 0;
    uint32_t length = 0;
    if (!stream.readBytes(&id, 4) || !stream.readBytes(&length, 4)) return nullptr;
    if (int64_t(length) > stream.remaining()) {
        stream.refuse();
        return nullptr;
    }
    if (length < 1) return nullptr;
    const int64_t end = stream.m_pos + length;
    std::unique_ptr<CSerializable> obj = Type::CreateId(id);
    bool ok = false;
    if (obj) {
        // The body can't read past its record.
        stream.pushLimit(end);
        ok = obj->Serialize(stream);
        stream.popLimit();
    }
    if (!stream.ok()) return nullptr;
    if (stream.m_pos < end) {
        stream.m_pos = end;
        stream.skipped_data = true;
    }
    if (!ok) obj.reset();
    return obj;
}

bool CSerializableListCount(CSerializable::IOStream& stream, uint32_t& count) {
    count = 0;
    if (!stream.isReading() || stream.remaining() < 4) return stream.refuse();
    if (!stream.declare(count)) return false;
    if (count > CSerializable::kMaxListCount || int64_t(count) > stream.remaining())
        return stream.refuse();
    return true;
}

bool CSerializable::WriteFile(const std::string& path, uint32_t file_magic, OV_HWND) {
    const std::string folder = folderOf(path);
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
        if (!std::filesystem::is_directory(folder, error)) return false;
    }
    IOStream stream = IOStream::ForWriting(folder);
    stream.declareheader();
    if (file_magic != 0) {
        Section magic(stream);
        stream.declaremagic(file_magic);
    }
    if (!Serialize(stream) || !stream.ok()) return false;
    // The old file is replaced by the rename only, never removed first.
    if (!write_to_file(path, stream.bytes())) return false;
    syncFolder(folder);
    return true;
}

bool CSerializable::WriteFileIfChanged(const std::string& path, uint32_t file_magic, bool& changed,
                                       OV_HWND parent) {
    if (changed && WriteFile(path, file_magic, parent)) changed = false;
    return !changed;
}

bool CSerializable::ReadFile(const std::string& path, uint32_t file_magic, bool* skipped) {
    if (skipped) *skipped = false;
    std::string bytes;
    if (!read_whole_file(path, bytes)) return false;
    IOStream stream = IOStream::ForReading(std::move(bytes), folderOf(path));
    if (!stream.declareheader()) return false;
    if (file_magic != 0) {
        Section magic(stream);
        if (!magic.ok() || !stream.declaremagic(file_magic)) return false;
    }
    const bool ok = Serialize(stream) && stream.ok();
    if (skipped) *skipped = stream.skipped_data;
    return ok;
}

// The inline declare() overloads in the header use these.
template bool CSerializable::IOStream::scalar(bool&);
template bool CSerializable::IOStream::scalar(int8_t&);
template bool CSerializable::IOStream::scalar(uint8_t&);
template bool CSerializable::IOStream::scalar(int16_t&);
template bool CSerializable::IOStream::scalar(uint16_t&);
template bool CSerializable::IOStream::scalar(int32_t&);
template bool CSerializable::IOStream::scalar(uint32_t&);
template bool CSerializable::IOStream::scalar(int64_t&);
template bool CSerializable::IOStream::scalar(uint64_t&);
template bool CSerializable::IOStream::scalar(float&);
template bool CSerializable::IOStream::scalar(double&);
