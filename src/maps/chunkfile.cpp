#include "maps/chunkfile.h"

#include <algorithm>
#include <cstring>

#include "app/base/fileutils.h"
#include "maps/huffmanencoding.h"

namespace {

struct StoredRows {
    uint16_t row[CChunkFile::kChunkSide];
    StoredRows() {
        for (int k = 0; k < CChunkFile::kChunkSide; ++k) {
            int r = 0;
            for (int b = 0; b < 10; ++b) r |= ((k >> b) & 1) << (9 - b);
            row[k] = uint16_t(r);
        }
    }
};

// Index 1 with a line of index 0 along the top row and the two leftmost
// columns: a chunk that has not arrived yet.
void fillMissing(uint8_t* out, int level) {
    const int rows = CChunkFile::kChunkSide >> level;
    std::memset(out, 1, size_t(CChunkFile::PixelsForLevel(level)));
    std::memset(out, 0, CChunkFile::kChunkSide);
    for (int k = 0; k < rows; ++k)
        out[size_t(k) * CChunkFile::kChunkSide] = out[size_t(k) * CChunkFile::kChunkSide + 1] = 0;
}

}  // namespace

// ---------------------------------------------------------------- format

bool CChunkFile::FileHeader::isGood() const {
    return magic == kMagic && columns > 0 && rows > 0 && columns <= kMaxSide && rows <= kMaxSide &&
           int64_t(columns) * rows <= kMaxDirectoryEntries;
}

bool CChunkFile::RecordHeader::isGood() const {
    if (sizes[0] > kMaxDataWords || present < 0 || present > sizes[0]) return false;
    for (int l = 0; l < kLevels; ++l) {
        if (sizes[l] < 0) return false;
        if (l > 0 && sizes[l] > sizes[l - 1]) return false;
    }
    return true;
}

int CChunkFile::RecordHeader::finestLevelWithin(int64_t words) const {
    for (int l = 0; l < kLevels; ++l)
        if (words >= sizes[l]) return l;
    return kNoLevel;
}

uint8_t CChunkFile::LevelChecksum(const uint32_t* data, int64_t n) {
    uint32_t s = 0;
    for (int64_t i = 0; i < n; ++i) s += data[i];
    return uint8_t(s + (s >> 8) + (s >> 16) + (s >> 24));
}

bool CChunkFile::CheckChecksum(const RecordHeader& header, int level, const uint32_t* data) {
    if (level < 0 || level >= kLevels) return false;
    const int n = header.sizes[level];
    if (n < 1) return header.checksum[level] == 0;
    return LevelChecksum(data, n) == header.checksum[level];
}

const uint16_t* CChunkFile::StoredRowTable() {
    static const StoredRows table;
    return table.row;
}

// ---------------------------------------------------------------- file

CChunkFile::CChunkFile() : m_serverOffsets(new CCacheServerChunkOffset) {}

CChunkFile::~CChunkFile() {
    Close();
    delete m_serverOffsets;
}

bool CChunkFile::Open(const std::string& path) {
    Close();
    m_path = path;
    if (m_file.Open(path, true))
        m_mode = Mode::ReadWrite;
    else if (m_file.Open(path, false))
        m_mode = Mode::ReadOnly;
    else
        return false;
    if (!readHeader()) {
        Close();
        return false;
    }
    return true;
}

bool CChunkFile::readHeader() {
    FileHeader h;
    const int64_t got = m_file.LockedRead(0, &h, sizeof h);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasHeader = false;
    if (got < 0) return false;
    if (got < int64_t(sizeof h)) return true;  // a new file: the header comes later
    if (h.magic != kMagic) return false;
    if (!h.isGood()) return false;
    m_header = h;
    m_hasHeader = true;
    return true;
}

void CChunkFile::Close() {
    m_file.Close();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_mode = Mode::Failed;
    m_hasHeader = false;
    m_serverOffsets->Clear();
}

bool CChunkFile::hasHeader() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hasHeader;
}

CChunkFile::FileHeader CChunkFile::header() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_header;
}

int CChunkFile::columns() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hasHeader ? m_header.columns : 0;
}

int CChunkFile::rows() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_hasHeader ? m_header.rows : 0;
}

bool CChunkFile::WriteHeader(const FileHeader& header, std::string* error) {
    auto fail = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (m_mode != Mode::ReadWrite) return fail("the chunk file is read-only");
    if (!header.isGood()) return fail("the chunk file header is damaged or too large");
    const uint64_t directory = header.directoryBytes();
    // Room for the directory and a little more, so a full disk is not the outcome.
    const int64_t free = getFreeDiskSpace(m_path);
    if (free >= 0 && uint64_t(free) < directory + kReserveBytes)
        return fail("not enough free space for the chunk file");
    std::vector<uint8_t> zeros(size_t(std::min<uint64_t>(directory, 1 << 20)), 0);
    for (uint64_t at = 0; at < directory; at += zeros.size()) {
        const uint64_t n = std::min<uint64_t>(zeros.size(), directory - at);
        if (m_file.LockedWrite(kHeaderSize + at, zeros.data(), n) != int64_t(n))
            return fail("cannot write the chunk file");
    }
    // The header last: a file with a header always has its whole directory.
    if (m_file.LockedWrite(0, &header, sizeof header) != int64_t(sizeof header))
        return fail("cannot write the chunk file");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_header = header;
    m_hasHeader = true;
    return true;
}

bool CChunkFile::WriteServerHeader(const void* reply, int columns, int rows, std::string* error) {
    FileHeader h;
    std::memcpy(&h, reply, sizeof h);
    if (!h.isGood() || h.columns != columns || h.rows != rows) {
        if (error) *error = "the server's chunk file does not belong to this map";
        return false;
    }
    return WriteHeader(h, error);
}

int CChunkFile::ServerRecordNeed(const void* reply, int level, RecordHeader& header,
                                 std::string* error) {
    std::memcpy(&header, reply, sizeof header);
    const char* why = nullptr;
    if (!header.isGood())
        why = "the server's record header is damaged";
    else if (level < 0 || level >= kLevels || header.sizes[level] < 1 ||
             header.sizes[level] > header.present)
        why = "the server's record lacks the level asked for";
    if (!why) return header.sizes[level];
    if (error) *error = why;
    return -1;
}

bool CChunkFile::entryPosition(int row, int column, uint64_t& position) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_hasHeader || row < 0 || column < 0 || row >= m_header.rows || column >= m_header.columns)
        return false;
    position = kHeaderSize + 8 * (uint64_t(row) * uint64_t(m_header.columns) + uint64_t(column));
    return true;
}

bool CChunkFile::DirectoryEntry(int row, int column, uint64_t& entry) {
    uint64_t at;
    if (!entryPosition(row, column, at)) return false;
    return m_file.LockedRead(at, &entry, 8) == 8;
}

bool CChunkFile::setEntry(int row, int column, uint64_t value) {
    uint64_t at;
    if (m_mode != Mode::ReadWrite || !entryPosition(row, column, at)) return false;
    return m_file.LockedWrite(at, &value, 8) == 8;
}

bool CChunkFile::IsBlank(int row, int column) {
    uint64_t entry = 0;
    if (!DirectoryEntry(row, column, entry)) return true;
    return int64_t(entry) <= 0;
}

bool CChunkFile::StoredRecord(int row, int column, uint64_t& offset, RecordHeader& header) {
    uint64_t entry = 0;
    if (!DirectoryEntry(row, column, entry) || entry == 0 || entry == kBlankEntry) return false;
    // A record inside the header and directory, or past the last slice, is damage.
    const uint64_t directoryEnd = kHeaderSize + 8 * uint64_t(rows()) * uint64_t(columns());
    if (entry < directoryEnd || entry > kMaxOffset - kRecordHeaderSize) return false;
    if (m_file.LockedRead(entry, &header, sizeof header) != int64_t(sizeof header)) return false;
    if (!header.isGood()) return false;
    offset = entry;
    return true;
}

int CChunkFile::StoredLevel(int row, int column) {
    uint64_t entry = 0;
    if (!DirectoryEntry(row, column, entry) || entry == 0) return kNoLevel;
    if (entry == kBlankEntry) return 0;
    uint64_t offset;
    RecordHeader h;
    if (!StoredRecord(row, column, offset, h)) return kNoLevel;
    return h.finestLevelPresent();
}

bool CChunkFile::appearsFullyDownloaded() {
    const int r = rows(), c = columns();
    if (r == 0 || c == 0) return false;
    for (int y = 0; y < r; ++y)
        for (int x = 0; x < c; ++x)
            if (!ChunkIsFullyDownloaded(y, x)) return false;
    return true;
}

bool CChunkFile::CanDownloadChunk(int row, int column, int level) {
    if (m_mode != Mode::ReadWrite || !hasHeader()) return false;
    uint64_t entry = 0;
    if (!DirectoryEntry(row, column, entry) || entry == kBlankEntry) return false;
    return StoredLevel(row, column) > std::max(0, level);
}

bool CChunkFile::ReadChunk(int row, int column, int level, uint8_t* out, int& obtainedLevel,
                           std::vector<uint32_t>& words) {
    obtainedLevel = kNoLevel;
    if (level < 0 || level >= kLevels) return false;
    uint64_t entry = 0;
    if (!DirectoryEntry(row, column, entry)) return false;
    if (entry == 0) {
        fillMissing(out, level);
        return true;
    }
    if (entry == kBlankEntry) {
        std::memset(out, 1, size_t(PixelsForLevel(level)));
        obtainedLevel = level;
        return true;
    }
    uint64_t offset;
    RecordHeader h;
    if (!StoredRecord(row, column, offset, h)) {
        setEntry(row, column, 0);
        fillMissing(out, level);
        return false;
    }
    int have = level;
    while (have < kLevels && h.present < h.sizes[have]) ++have;
    const int n = have < kLevels ? h.sizes[have] : 0;
    if (have == kLevels || n < 1) {
        fillMissing(out, level);
        return true;
    }
    if (words.size() < size_t(n)) words.resize((size_t(n) + 1023) / 1024 * 1024);
    const int64_t bytes = 4 * int64_t(n);
    if (m_file.LockedRead(offset + kRecordHeaderSize, words.data(), uint64_t(bytes)) != bytes) {
        fillMissing(out, level);
        return false;
    }
    // Stored data that fail their checksum count as never downloaded.
    if (!CheckChecksum(h, have, words.data())) {
        setEntry(row, column, 0);
        fillMissing(out, level);
        return true;
    }
    if (!CHuffmanEncoding::decode_run(words.data(), n, out, PixelsForLevel(have))) {
        setEntry(row, column, 0);
        fillMissing(out, level);
        return false;
    }
    for (int l = have; l > level; --l) {
        const size_t half = size_t(PixelsForLevel(l));
        std::memcpy(out + half, out, half);
    }
    obtainedLevel = have;
    return true;
}

bool CChunkFile::ReadStoredWords(int row, int column, int n, std::vector<uint32_t>& out) {
    uint64_t offset;
    RecordHeader h;
    if (n < 0 || !StoredRecord(row, column, offset, h) || n > h.present) return false;
    out.resize(size_t(n));
    const int64_t bytes = 4 * int64_t(n);
    return n == 0 ||
           m_file.LockedRead(offset + kRecordHeaderSize, out.data(), uint64_t(bytes)) == bytes;
}

bool CChunkFile::StoreRecordPrefix(int row, int column, const RecordHeader& serverHeader,
                                   const uint32_t* words, int nwords, std::string* error) {
    auto fail = [error](const char* why) {
        if (error) *error = why;
        return false;
    };
    if (m_mode != Mode::ReadWrite) return fail("the chunk file is read-only");
    RecordHeader h = serverHeader;
    h.present = 0;
    if (!h.isGood()) return fail("bad record header");
    if (nwords < 1 || nwords > h.sizes[0]) return fail("bad prefix length");
    const int finest = h.finestLevelWithin(nwords);
    if (finest == kNoLevel) return fail("the prefix completes no level");
    for (int l = finest; l < kLevels; ++l)
        if (!CheckChecksum(h, l, words)) return fail("checksum mismatch");

    std::lock_guard<std::mutex> lock(m_mutex);  // one allocation per chunk at a time
    uint64_t offset;
    RecordHeader local;
    uint64_t entry = 0;
    uint64_t at;
    {
        // entryPosition takes m_mutex: compute directly.
        if (!m_hasHeader || row < 0 || column < 0 || row >= m_header.rows ||
            column >= m_header.columns)
            return fail("chunk outside the directory");
        at = kHeaderSize + 8 * (uint64_t(row) * uint64_t(m_header.columns) + uint64_t(column));
        if (m_file.LockedRead(at, &entry, 8) != 8) return fail("cannot read the directory");
    }
    const uint64_t directoryEnd =
        kHeaderSize + 8 * uint64_t(m_header.rows) * uint64_t(m_header.columns);
    bool reuse = false;
    if (entry != 0 && entry != kBlankEntry && entry >= directoryEnd &&
        entry <= kMaxOffset - kRecordHeaderSize &&
        m_file.LockedRead(entry, &local, sizeof local) == int64_t(sizeof local) && local.isGood() &&
        std::memcmp(local.sizes, h.sizes, sizeof h.sizes) == 0 &&
        std::memcmp(local.checksum, h.checksum, sizeof h.checksum) == 0) {
        reuse = true;
        offset = entry;
    }
    if (reuse) {
        if (nwords <= local.present) return true;
        const uint64_t from = uint64_t(local.present);
        const int64_t bytes = 4 * (int64_t(nwords) - local.present);
        if (m_file.LockedWrite(offset + kRecordHeaderSize + 4 * from, words + from,
                               uint64_t(bytes)) != bytes)
            return fail("write error");
        local.present = nwords;
        if (m_file.LockedWrite(offset, &local, sizeof local) != int64_t(sizeof local))
            return fail("write error");
        return true;
    }
    const int64_t place = m_file.AllocAtEnd2(kRecordHeaderSize + 4 * uint64_t(h.sizes[0]));
    if (place < 0) return fail("cannot allocate a record");
    h.present = nwords;
    const int64_t total = int64_t(kRecordHeaderSize) + 4 * int64_t(nwords);
    if (m_file.LockedWrite2(uint64_t(place), &h, sizeof h, words, 4 * uint64_t(nwords)) != total)
        return fail("write error");
    const uint64_t value = uint64_t(place);
    if (m_file.LockedWrite(at, &value, 8) != 8) return fail("write error");
    return true;
}

bool CChunkFile::MarkBlank(int row, int column) {
    return setEntry(row, column, kBlankEntry);
}

// ---------------------------------------------------------------- server directory

bool CCacheServerChunkOffset::Lookup(int64_t index, uint64_t& offset) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_entries.find(index);
    if (it == m_entries.end()) return false;
    offset = it->second;
    return true;
}

void CCacheServerChunkOffset::Store(int64_t firstIndex, const uint64_t* entries, int count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < count; ++i) m_entries[firstIndex + i] = entries[i];
}

void CCacheServerChunkOffset::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.clear();
}
