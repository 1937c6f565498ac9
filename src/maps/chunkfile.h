// The chunk file of a version-3 map: pixels in chunks of 1024 x 1024, each
// stored as a record whose prefixes decode ever finer levels. Little-endian.
//
//   header     40 bytes at 0: u32 magic 0x484DF282, 4 bytes, i32 -1,
//              i32 chunk columns, i32 chunk rows, 20 bytes
//   directory  rows x columns u64 at 40 + 8 (row * columns + column): the
//              record's offset; 0 not downloaded, all ones a blank chunk
//   record     i32 sizes[10] (words of data that decode level L; sizes[0] is
//              at most 0xFFFFF and they do not increase), i32 present (words
//              stored), u8 checksum[10], 22 bytes, then sizes[0] data words
//
// Chunk rows are stored interlaced: stored row k holds image row rev10(k), so
// level L (a reduction by 2^L) needs the first 1024 >> L stored rows. The
// same layout sits on the server, where records are fetched by byte range.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "maps/chunkkey.h"
#include "maps/multithreadedslicedfile.h"

class CCacheServerChunkOffset;

class CChunkFile {
public:
    static constexpr uint32_t kMagic = 0x484DF282;
    static constexpr int kLevels = 10;
    static constexpr int kNoLevel = 10;      // obtained level when nothing is present
    static constexpr int kChunkSide = 1024;  // pixels
    static constexpr int kChunkPixels = 1 << 20;
    static constexpr int kTilesPerSide = 16;  // 64-pixel tiles per chunk side
    static constexpr int kMaxDataWords = 0xFFFFF;
    // A header comes from the server: the directory it asks for, zero-filled
    // at once, is bounded. The widest map has 2^25 - 1 tiles, 2^21 chunks.
    static constexpr int kMaxSide = 1 << 21;
    static constexpr int64_t kMaxDirectoryEntries = int64_t(1) << 24;  // 128 MiB of directory
    static constexpr uint64_t kHeaderSize = 40;
    static constexpr uint64_t kRecordHeaderSize = 76;
    static constexpr uint64_t kBlankEntry = ~uint64_t(0);
    static constexpr uint64_t kReserveBytes = 16 << 20;  // left free when writing a directory
    static constexpr uint64_t kMaxOffset = uint64_t(CMultiThreadedSlicedFile::kMaxSlices) << 32;

#pragma pack(push, 1)
    struct FileHeader {
        uint32_t magic = kMagic;
        uint8_t reserved1[4] = {};
        int32_t minusOne = -1;
        int32_t columns = 0;
        int32_t rows = 0;
        uint8_t reserved2[20] = {};
        bool isGood() const;  // magic, and a directory within the bounds above
        uint64_t directoryBytes() const { return 8 * uint64_t(columns) * uint64_t(rows); }
    };
    struct RecordHeader {
        int32_t sizes[kLevels] = {};
        int32_t present = 0;
        uint8_t checksum[kLevels] = {};
        uint8_t reserved[22] = {};
        // sizes[0] <= 0xFFFFF, non-increasing, none negative, 0 <= present <= sizes[0].
        bool isGood() const;
        // Smallest L with present >= sizes[L]; kNoLevel when none.
        int finestLevelPresent() const { return finestLevelWithin(present); }
        int finestLevelWithin(int64_t words) const;
    };
#pragma pack(pop)
    static_assert(sizeof(FileHeader) == kHeaderSize);
    static_assert(sizeof(RecordHeader) == kRecordHeaderSize);

    // (s + s>>8 + s>>16 + s>>24) & 0xFF over the wrapping sum s of n words.
    static uint8_t LevelChecksum(const uint32_t* data, int64_t n);
    // Whether the first sizes[L] words match level L's checksum byte.
    static bool CheckChecksum(const RecordHeader& header, int level, const uint32_t* data);
    // Indices a decode at `level` yields: the first 1024 >> level stored rows.
    static int PixelsForLevel(int level) {
        return kChunkPixels >> level;
    }
    // Stored row of each image row of a chunk (ten-bit reversal, its own inverse).
    static const uint16_t* StoredRowTable();

    enum class Mode { Failed, ReadOnly, ReadWrite };

    CChunkFile();
    ~CChunkFile();
    CChunkFile(const CChunkFile&) = delete;
    CChunkFile& operator=(const CChunkFile&) = delete;

    // Read-write first, read-only next. A missing path becomes a new folder of
    // slices; a file with fewer than 40 bytes counts as new (no header yet).
    bool Open(const std::string& path);
    void Close();
    Mode mode() const {
        return m_mode;
    }
    const std::string& path() const {
        return m_path;
    }
    bool hasHeader() const;
    FileHeader header() const;
    int columns() const;
    int rows() const;

    // Header and a zeroed directory; read-write only, and only when the disk
    // has room for the directory.
    bool WriteHeader(const FileHeader& header, std::string* error = nullptr);
    // The server's 40-byte header reply, for a map of columns x rows chunks.
    bool WriteServerHeader(const void* reply, int columns, int rows, std::string* error = nullptr);
    // The server's 76-byte record header reply: the words of data that
    // `level` needs, or -1 (with `error`) when the record cannot give it.
    static int ServerRecordNeed(const void* reply, int level, RecordHeader& header,
                                std::string* error = nullptr);

    // Decodes chunk (row, column) at `level` (0..9) into `out`
    // (PixelsForLevel(level) bytes) and sets obtainedLevel: the level the
    // stored data gave, widened to `level` by repeating rows, or kNoLevel when
    // nothing usable is stored (out then shows index 1 with a grid line of
    // index 0). `words` is the caller's scratch. False on a failed read or a
    // damaged record (whose entry is reset so it is fetched again).
    bool ReadChunk(int row, int column, int level, uint8_t* out, int& obtainedLevel,
                   std::vector<uint32_t>& words);

    // The directory entry; false outside the directory or on a short read.
    bool DirectoryEntry(int row, int column, uint64_t& entry);
    bool IsBlank(int row, int column);  // entry not above 0 read as signed
    // The stored record header of a chunk that has one.
    bool StoredRecord(int row, int column, uint64_t& offset, RecordHeader& header);
    // Finest level present: 0 for a blank chunk, kNoLevel when nothing is.
    int StoredLevel(int row, int column);
    bool ChunkIsFullyDownloaded(int row, int column) {
        return StoredLevel(row, column) == 0;
    }
    bool appearsFullyDownloaded();
    // Writable, and the chunk lacks `level`.
    bool CanDownloadChunk(int row, int column, int level);

    // Stored data words [0, n) of a chunk, for extending a prefix.
    bool ReadStoredWords(int row, int column, int n, std::vector<uint32_t>& out);
    // Stores the first `nwords` words of a server record whose header is
    // `serverHeader`. Every level the prefix completes must pass its
    // checksum, otherwise nothing is written. Words the local record already
    // holds are not written again; `present` becomes nwords.
    bool StoreRecordPrefix(int row, int column, const RecordHeader& serverHeader,
                           const uint32_t* words, int nwords, std::string* error = nullptr);
    bool MarkBlank(int row, int column);

    CCacheServerChunkOffset& serverOffsets() {
        return *m_serverOffsets;
    }

private:
    bool entryPosition(int row, int column, uint64_t& position) const;
    bool setEntry(int row, int column, uint64_t value);
    bool readHeader();

    std::string m_path;
    CMultiThreadedSlicedFile m_file;
    mutable std::mutex m_mutex;  // the cached header and record allocation
    FileHeader m_header;
    bool m_hasHeader = false;
    Mode m_mode = Mode::Failed;
    CCacheServerChunkOffset* m_serverOffsets;
};

// The server's directory entries learned so far, by chunk index
// (row * columns + column). Filled in blocks so neighbours cost no request.
class CCacheServerChunkOffset {
public:
    static constexpr int kBlock = 64;  // entries fetched per request

    bool Lookup(int64_t index, uint64_t& offset) const;
    void Store(int64_t firstIndex, const uint64_t* entries, int count);
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::map<int64_t, uint64_t> m_entries;
};
