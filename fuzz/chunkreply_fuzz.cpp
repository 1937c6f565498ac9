// A map server's reply bytes into the chunk store: the chunk file's header,
// a record header and the data words, taken and stored as the downloader
// takes them, then decoded back.
//
// Input: byte 0 the level, byte 1 the chunk (row in bits 4-7, column in
// bits 0-3), 40 bytes of header reply, 76 bytes of record header reply, then
// data words; the words past the first half extend the stored prefix.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "maps/chunkfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kFixed = 2 + CChunkFile::kHeaderSize + CChunkFile::kRecordHeaderSize;
    if (size < kFixed) return 0;
    const int level = data[0] % CChunkFile::kLevels;
    const int row = data[1] >> 4, column = data[1] & 15;
    const uint8_t* headerReply = data + 2;
    const uint8_t* recordReply = headerReply + CChunkFile::kHeaderSize;
    std::vector<uint32_t> words((size - kFixed) / 4);
    if (!words.empty()) std::memcpy(words.data(), data + kFixed, 4 * words.size());

    static const std::string dir = [] {
        char pattern[] = "/tmp/chunkreply-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string path = dir + "/map.kt3";
    // A plain empty file each time: a new chunk file without a header.
    if (FILE* f = std::fopen(path.c_str(), "wb"))
        std::fclose(f);
    else
        return 0;
    CChunkFile file;
    if (!file.Open(path)) return 0;
    // The map's own size: what the reply claims when that is small, so that
    // both a match and a mismatch are met; a big directory costs time only.
    CChunkFile::FileHeader claimed;
    std::memcpy(&claimed, headerReply, sizeof claimed);
    const bool small =
        claimed.columns > 0 && claimed.rows > 0 && claimed.columns <= 64 && claimed.rows <= 64;
    const int columns = small ? claimed.columns : 3, rows = small ? claimed.rows : 2;
    if (!file.WriteServerHeader(headerReply, columns, rows)) {
        if (small && claimed.isGood()) __builtin_trap();  // a matching good header is taken
        return 0;
    }
    CChunkFile::RecordHeader record;
    const int need = CChunkFile::ServerRecordNeed(recordReply, level, record);
    if (need >= 0) {
        // First a prefix of what arrived, then all of it.
        const int half = int(std::min<size_t>(words.size() / 2, size_t(record.sizes[0])));
        const int all = int(std::min<size_t>(words.size(), size_t(record.sizes[0])));
        for (int n : {half, all, need})
            if (n > 0 && size_t(n) <= words.size())
                file.StoreRecordPrefix(row, column, record, words.data(), n);
    }
    static std::vector<uint8_t> out(CChunkFile::kChunkPixels);
    std::vector<uint32_t> scratch;
    for (int l : {level, 0, CChunkFile::kLevels - 1}) {
        int obtained = 0;
        if (file.ReadChunk(row, column, l, out.data(), obtained, scratch) &&
            obtained != CChunkFile::kNoLevel && obtained < l)
            __builtin_trap();  // never finer than asked
    }
    file.StoredLevel(row, column);
    file.Close();
    return 0;
}
