// Stored objects and the tagged, sectioned binary container of the ".ovtf"
// files (marks, routes, tracks, the last position) and of the page files.
//
// Encoding, all numbers little-endian, texts without terminator:
//   file      uint32 0x73ACF249, then [magic section], then the object
//   section   byte 0xBE, uint32 length counted from the tag byte (so >= 5),
//             then fields and nested sections
//   record    uint32 type id, uint32 length of the body that follows, body
//   list      uint32 count, then each element's body with no header
// One Serialize body both reads and writes. A reader that reaches the end of
// a section leaves the remaining fields at their defaults (older files), and
// skips what a section holds beyond the fields it knows (newer files).
//
// Damaged input never makes the reader trust a length: a section shorter than
// its header or longer than the section around it, a negative size, an array
// element of no bytes, or a count larger than the bytes left closes the
// stream, and every later read fails. What was read before that point stays.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class GraphicsColor;
using OV_HWND = void*;

class CSerializable {
public:
    class IOStream;
    class Section;
    class Type;

    static constexpr uint32_t kFileHeader = 0x73ACF249;
    static constexpr uint8_t kSectionTag = 0xBE;
    static constexpr uint32_t kBaseTypeId = 0xFFFFFFFF;
    static constexpr uint32_t kMaxSectionLength = 1000000000;
    static constexpr int32_t kMaxStringLength = 1000000;
    static constexpr uint32_t kMaxListCount = 10000000;

    virtual ~CSerializable() = default;
    virtual bool Serialize(IOStream& stream) = 0;
    virtual uint32_t GetTypeId() const { return kBaseTypeId; }
    bool IsType(uint32_t id) const { return GetTypeId() == id; }

    // Whole file: header, a section holding file_magic (none when 0), then
    // Serialize. Written into "<path>.tmp", flushed, fsynced and renamed over
    // path, so path holds either the old file or the new one, never a part.
    bool WriteFile(const std::string& path, uint32_t file_magic, OV_HWND parent = nullptr);
    // For a manager's changed flag: writes only when changed is set, and
    // clears it only when the file was written, so a failed save is tried
    // again at the next chance and nothing is lost. True when nothing is left
    // to save.
    bool WriteFileIfChanged(const std::string& path, uint32_t file_magic, bool& changed,
                            OV_HWND parent = nullptr);
    // False for a missing file, a wrong header or magic, or a failed read.
    // skipped is set when the file held data this program does not know.
    bool ReadFile(const std::string& path, uint32_t file_magic, bool* skipped = nullptr);

    // Polymorphic record of obj (a base record when obj is null).
    static bool WritePolymorphic(IOStream& stream, CSerializable* obj);
    // The object of the next record, made by the type registry; null for an
    // unknown id or a body that fails to read. The stream always ends up
    // after the record.
    static std::unique_ptr<CSerializable> ReadPolymorphic(IOStream& stream);
};

class CSerializable::IOStream {
public:
    enum Mode { closed = 0, writing = 1, reading = 2 };

    IOStream() = default;
    // A stream that writes into memory; directory makes file names relative.
    static IOStream ForWriting(const std::string& directory = {});
    // A stream that reads bytes (a whole file or a sync payload), starting
    // at the first byte.
    static IOStream ForReading(std::string bytes, const std::string& directory = {});

    Mode mode() const { return m_mode; }
    bool isReading() const { return m_mode == reading; }
    bool isWriting() const { return m_mode == writing; }
    bool ok() const { return m_mode != closed; }
    void Close() { m_mode = closed; }

    const std::string& bytes() const { return m_data; }
    int64_t position() const { return m_pos; }
    // End of the innermost open section (or record body), or of the data.
    int64_t limit() const;
    int64_t remaining() const { return limit() - m_pos; }
    // Reading: no field of the current section is left.
    bool atEnd() const { return m_pos >= limit(); }
    const std::string& directory() const { return m_directory; }

    // File header; false (and closed) when reading other bytes.
    bool declareheader();

    // Fields. Reading at the end of the section keeps the value and
    // succeeds; a field that crosses the end closes the stream.
    bool declare_fblock(void* p, int n);
    bool declaremagic(uint32_t magic);  // int32 equal to magic (absent counts as equal)
    // int32 size S, then S bytes. Writing stores `size` bytes; reading fills
    // min(S, size) bytes, skips the rest and reports S in *stored.
    bool declare_vblock(void* p, int size, int* stored = nullptr);
    // int32 element size E, then count elements of E bytes. Reading copies
    // min(E, elementSize) bytes of each and steps by elementSize in memory.
    bool declare_array(void* p, int elementSize, int count);
    bool declare(std::string& text);          // int32 length (0..1,000,000), bytes
    bool declarecolor(GraphicsColor& color);  // float32 r, g, b, a in 0..1
    // A path kept relative to the file's own folder when it lies inside it.
    bool declarefilename(std::string& path);

    bool declare(bool& v) { return scalar(v); }  // one byte, 0 or 1
    bool declare(int8_t& v) { return scalar(v); }
    bool declare(uint8_t& v) { return scalar(v); }
    bool declare(int16_t& v) { return scalar(v); }
    bool declare(uint16_t& v) { return scalar(v); }
    bool declare(int32_t& v) { return scalar(v); }
    bool declare(uint32_t& v) { return scalar(v); }
    bool declare(int64_t& v) { return scalar(v); }
    bool declare(uint64_t& v) { return scalar(v); }
    bool declare(float& v) { return scalar(v); }
    bool declare(double& v) { return scalar(v); }

    // Reading: moves forward n bytes within the section, marking skipped_data.
    bool skip(int64_t n);
    // Closes the stream because a stored size or count can't be honoured;
    // returns false.
    bool refuse();

    // Set when a reader met data it does not know (newer file).
    bool skipped_data = false;

private:
    friend class CSerializable::Section;
    friend class CSerializable;

    template <class T>
    bool scalar(T& v);
    bool readBytes(void* p, int64_t n);
    void writeBytes(const void* p, size_t n);
    bool fail();
    // Reading: n bytes fit before the limit, else the stream closes.
    bool fits(int64_t n);
    void pushLimit(int64_t end) { m_limits.push_back(end); }
    void popLimit() { m_limits.pop_back(); }

    Mode m_mode = closed;
    std::string m_data;
    int64_t m_pos = 0;
    std::vector<int64_t> m_limits;  // reading: ends of the open sections
    std::string m_directory;
};

// A section, open for the life of the object. Reading: a bad tag or length
// closes the stream. Closing on read skips fields the reader did not know.
class CSerializable::Section {
public:
    explicit Section(IOStream& stream);
    ~Section() { Close(); }
    Section(const Section&) = delete;
    Section& operator=(const Section&) = delete;

    bool ok() const { return m_open && m_stream.ok(); }
    bool Close();

private:
    IOStream& m_stream;
    int64_t m_start = 0;
    int64_t m_end = 0;
    bool m_open = false;
};

// The registry of stored types: each static cType object (declared next to
// the class it makes) links itself in at construction.
class CSerializable::Type {
public:
    Type(uint32_t id, const char* name);
    virtual ~Type();
    Type(const Type&) = delete;
    Type& operator=(const Type&) = delete;

    virtual CSerializable* Create() const = 0;

    uint32_t id() const { return m_id; }
    const char* name() const { return m_name; }
    const Type* next() const { return m_next; }

    static const Type* first();
    static const Type* Find(uint32_t id);
    // A new object of that type, or null when no type has the id.
    static std::unique_ptr<CSerializable> CreateId(uint32_t id);

private:
    uint32_t m_id;
    const char* m_name;
    Type* m_next;
};

// The usual registration: `static const CSerializableType<CFoo> cType(20, "foo");`
template <class T>
class CSerializableType : public CSerializable::Type {
public:
    using CSerializable::Type::Type;
    CSerializable* Create() const override { return new T; }
};

// Reads a list count: refused above 10,000,000 or above the bytes left
// (every element takes at least one byte).
bool CSerializableListCount(CSerializable::IOStream& stream, uint32_t& count);

// Object list of a manager: uint32 count, then every element's Serialize.
// Reading replaces the list; elements that fail to read are dropped.
template <class T>
class CSerializableDeclareStatic {
public:
    using List = std::vector<std::unique_ptr<T>>;
    explicit CSerializableDeclareStatic(List& list) : m_list(list) {}

    bool Serialize(CSerializable::IOStream& stream) {
        if (stream.isWriting()) {
            uint32_t count = uint32_t(m_list.size());
            stream.declare(count);
            for (auto& element : m_list) element->Serialize(stream);
            return stream.ok();
        }
        m_list.clear();
        if (!stream.ok()) return false;
        if (stream.atEnd()) return true;
        uint32_t count = 0;
        if (!CSerializableListCount(stream, count)) return false;
        for (uint32_t i = 0; i < count; ++i) {
            const int64_t before = stream.position();
            auto element = std::make_unique<T>();
            const bool read = element->Serialize(stream);
            if (!stream.ok()) return false;
            // An element that takes no bytes would let a count build empty objects.
            if (stream.position() == before) return stream.refuse();
            if (read) m_list.push_back(std::move(element));
        }
        return true;
    }

private:
    List& m_list;
};
