// CGeoNameDatabase: a read-only place-name file (".ovnm"), mapped whole.
//
// Layout, little-endian:
//   0 uint32 magic 0x6187FEB2 | 4 int32 version 0 or 1 | 8 int32 category
//   count C | 12 four bytes not read | 16 C category records | place records
//   to the end of the file.
// Every record starts with its own int32 length. A place record: 4 int32
// category index (negative: none), 8 double latitude, 16 double longitude,
// 24 name, ISO 8859-1, NUL-terminated. A category record: its name at 24.
//
// Nothing in the file is trusted: a record must be at least 25 bytes, at
// most kMaxRecordLength, lie inside the file and hold the NUL of its name.
// Walking stops at the first record that does not, keeping the ones before
// it. A file that fails to open is left on the disk as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CGeoNameDatabase {
public:
    static constexpr uint32_t kMagic = 0x6187FEB2;
    static constexpr int kHeaderSize = 16;
    static constexpr int kRecordHeader = 24;  // the name starts here
    static constexpr int kMaxRecordLength = 4096;
    static constexpr int kMaxCategories = 10000;

    // A place as the search reports it; the name is UTF-8.
    struct Place {
        int category = -1;
        double lat = 0, lon = 0;
        const char* latinName = nullptr;  // inside the mapping
    };
    using Cursor = const char*;  // a record in the mapping; null: none

    CGeoNameDatabase() = default;
    ~CGeoNameDatabase() { Close(); }
    CGeoNameDatabase(const CGeoNameDatabase&) = delete;
    CGeoNameDatabase& operator=(const CGeoNameDatabase&) = delete;

    // False for a missing or unreadable file, one of 43 bytes or less, a
    // wrong magic or a version above 1; `error()` says which.
    bool Open(const std::string& path);
    void Close();
    bool isOpen() const { return m_data != nullptr; }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }

    // Null starts at the first; the result is null after the last (or at
    // the first record that is not sound).
    Cursor GetNextCategory(Cursor cursor) const;
    Cursor GetNextEntry(Cursor cursor) const;
    // The next place after `cursor` in `category` (any, when negative) whose
    // name holds `upperText` (upper case) in any case; "" matches all.
    Cursor GetNextMatchingEntry(Cursor cursor, int category, const char* upperText) const;

    static Place placeAt(Cursor entry);
    static const char* categoryName(Cursor category) { return category + kRecordHeader; }

    // The category names, in table order, UTF-8.
    const std::vector<std::string>& categories() const { return m_categories; }
    // Whether a walk over the places stopped at a record that is not sound.
    bool damaged() const;

    // Places whose name starts with `upperText`, through a sorted index made
    // on first use; at most `limit`, in name order.
    std::vector<Cursor> FindPrefix(const std::string& upperText, size_t limit) const;

private:
    Cursor checked(const char* record) const;

    int m_fd = -1;
    const char* m_data = nullptr;
    size_t m_length = 0;
    const char* m_places = nullptr;
    const char* m_end = nullptr;
    std::vector<std::string> m_categories;
    std::string m_path, m_error;
    mutable std::vector<uint32_t> m_index;  // place offsets by folded name
    mutable bool m_indexed = false;
};

// One place record, for tests, tools and the demo data.
struct GeoNameRecord {
    std::string name;  // UTF-8
    int category = -1;
    double lat = 0, lon = 0;
};
// The bytes of a database; names are written as ISO 8859-1 (characters it
// lacks become '?').
std::string GeoNameDatabaseBytes(const std::vector<std::string>& categories,
                                 const std::vector<GeoNameRecord>& places, int version = 1);
// Upper case of Latin-1 text, as the search compares it.
std::string upperLatin1(const std::string& latin1);
