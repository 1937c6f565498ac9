#include "online/geonamedatabase.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "app/base/stringutils.h"

namespace {

// Upper case of every ISO 8859-1 byte: a-z and the accented small letters
// (0xE0-0xFE but the division sign) fold onto their capitals.
constexpr std::array<unsigned char, 256> makeFold() {
    std::array<unsigned char, 256> t{};
    for (int c = 0; c < 256; ++c) {
        const bool small = (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
        t[size_t(c)] = static_cast<unsigned char>(small ? c - 32 : c);
    }
    return t;
}
constexpr std::array<unsigned char, 256> kFold = makeFold();

inline unsigned char fold(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

int32_t i32At(const char* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

double f64At(const char* p) {
    double v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

bool containsFolded(const char* name, const char* upper) {
    if (!*upper) return true;
    const unsigned char first = static_cast<unsigned char>(*upper);
    for (const char* h = name; *h; ++h) {
        if (fold(*h) != first) continue;
        const char* s = h + 1;
        const char* n = upper + 1;
        while (*n && *s && fold(*s) == static_cast<unsigned char>(*n)) ++s, ++n;
        if (!*n) return true;
    }
    return false;
}

// <0, 0, >0 as strcmp on the folded names.
int compareFolded(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const unsigned char x = fold(*a), y = fold(*b);
        if (x != y || !x) return int(x) - int(y);
    }
}

}  // namespace

std::string upperLatin1(const std::string& latin1) {
    std::string out = latin1;
    for (char& c : out) c = char(fold(c));
    return out;
}

bool CGeoNameDatabase::Open(const std::string& path) {
    Close();
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_error = "Could not open " + path;
        Close();
        return false;
    }
    m_length = size_t(st.st_size);
    if (m_length <= 43) {
        m_error = "The place-name file is too short";
        Close();
        return false;
    }
    void* map = ::mmap(nullptr, m_length, PROT_READ, MAP_PRIVATE, m_fd, 0);
    if (map == MAP_FAILED) {
        m_error = "Could not map the place-name file";
        Close();
        return false;
    }
    m_data = static_cast<const char*>(map);
    m_end = m_data + m_length;
    uint32_t magic;
    std::memcpy(&magic, m_data, 4);
    const int32_t version = i32At(m_data + 4), count = i32At(m_data + 8);
    if (magic != kMagic || version < 0 || version > 1) {
        m_error = magic != kMagic ? "Not a place-name file" : "Unknown place-name file version";
        Close();
        return false;
    }
    // Places start after the categories; a damaged category table leaves the
    // categories before the damage and no places.
    Cursor c = nullptr;
    m_places = m_end;
    for (int i = 0; i < std::clamp(count, 0, kMaxCategories); ++i) {
        c = checked(c ? c + i32At(c) : m_data + kHeaderSize);
        if (!c) break;
        m_categories.push_back(Latin_to_UTF8(categoryName(c)));
        if (i == count - 1) m_places = c + i32At(c);
    }
    if (count <= 0) m_places = m_data + kHeaderSize;
    m_error.clear();
    return true;
}

void CGeoNameDatabase::Close() {
    if (m_data) ::munmap(const_cast<char*>(m_data), m_length);
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_data = m_places = m_end = nullptr;
    m_length = 0;
    m_categories.clear();
    m_index.clear();
    m_indexed = false;
}

CGeoNameDatabase::Cursor CGeoNameDatabase::checked(const char* record) const {
    if (!record || record < m_data || m_end - record < kRecordHeader + 1) return nullptr;
    const int32_t length = i32At(record);
    if (length < kRecordHeader + 1 || length > kMaxRecordLength || length > m_end - record)
        return nullptr;
    const void* nul = std::memchr(record + kRecordHeader, 0, size_t(length - kRecordHeader));
    return nul ? record : nullptr;
}

CGeoNameDatabase::Cursor CGeoNameDatabase::GetNextCategory(Cursor cursor) const {
    if (!m_data || m_categories.empty()) return nullptr;
    if (!cursor) return checked(m_data + kHeaderSize);
    const char* next = cursor + i32At(cursor);
    return next < m_places ? checked(next) : nullptr;
}

CGeoNameDatabase::Cursor CGeoNameDatabase::GetNextEntry(Cursor cursor) const {
    if (!m_data) return nullptr;
    return checked(cursor ? cursor + i32At(cursor) : m_places);
}

CGeoNameDatabase::Cursor CGeoNameDatabase::GetNextMatchingEntry(Cursor cursor, int category,
                                                                const char* upperText) const {
    for (Cursor e = GetNextEntry(cursor); e; e = GetNextEntry(e)) {
        if (category >= 0 && i32At(e + 4) != category) continue;
        if (containsFolded(e + kRecordHeader, upperText)) return e;
    }
    return nullptr;
}

CGeoNameDatabase::Place CGeoNameDatabase::placeAt(Cursor entry) {
    return {i32At(entry + 4), f64At(entry + 8), f64At(entry + 16), entry + kRecordHeader};
}

bool CGeoNameDatabase::damaged() const {
    if (!m_data) return false;
    Cursor last = nullptr;
    for (Cursor e = GetNextEntry(nullptr); e; e = GetNextEntry(e)) last = e;
    const char* stop = last ? last + i32At(last) : m_places;
    return stop != m_end;
}

std::vector<CGeoNameDatabase::Cursor> CGeoNameDatabase::FindPrefix(const std::string& upperText,
                                                                   size_t limit) const {
    if (!m_indexed) {
        m_indexed = true;
        for (Cursor e = GetNextEntry(nullptr); e; e = GetNextEntry(e))
            m_index.push_back(uint32_t(e - m_data));
        std::sort(m_index.begin(), m_index.end(), [this](uint32_t a, uint32_t b) {
            return compareFolded(m_data + a + kRecordHeader, m_data + b + kRecordHeader) < 0;
        });
    }
    std::vector<Cursor> found;
    auto it = std::lower_bound(
        m_index.begin(), m_index.end(), upperText, [this](uint32_t a, const std::string& text) {
            return compareFolded(m_data + a + kRecordHeader, text.c_str()) < 0;
        });
    for (; it != m_index.end() && found.size() < limit; ++it) {
        const char* name = m_data + *it + kRecordHeader;
        size_t i = 0;
        while (i < upperText.size() && fold(name[i]) == static_cast<unsigned char>(upperText[i]))
            ++i;
        if (i < upperText.size()) break;
        found.push_back(m_data + *it);
    }
    return found;
}

std::string GeoNameDatabaseBytes(const std::vector<std::string>& categories,
                                 const std::vector<GeoNameRecord>& places, int version) {
    std::string out;
    auto put32 = [&](int32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto record = [&](int32_t category, double lat, double lon, const std::string& utf8) {
        const std::string name = UTF8_to_Latin(utf8);
        put32(int32_t(CGeoNameDatabase::kRecordHeader + name.size() + 1));
        put32(category);
        out.append(reinterpret_cast<const char*>(&lat), 8);
        out.append(reinterpret_cast<const char*>(&lon), 8);
        out += name;
        out += '\0';
    };
    const uint32_t magic = CGeoNameDatabase::kMagic;
    out.append(reinterpret_cast<const char*>(&magic), 4);
    put32(version);
    put32(int32_t(categories.size()));
    put32(0);
    for (const std::string& c : categories) record(0, 0, 0, c);
    for (const GeoNameRecord& p : places) record(p.category, p.lat, p.lon, p.name);
    return out;
}
