// The chunk codec and the chunk file's headers on arbitrary bytes: records
// and directories come from disk and from the server.
//
// Input: byte 0 picks the level; when bit 7 of byte 1 is clear the rest is a
// coded chunk for decode_run, otherwise a whole chunk file whose chunks are
// all read at that level.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "maps/chunkfile.h"
#include "maps/huffmanencoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int level = data[0] % CChunkFile::kLevels;
    static std::vector<uint8_t> out(CChunkFile::kChunkPixels);
    if (!(data[1] & 0x80)) {
        std::vector<uint32_t> words((size - 2 + 3) / 4);
        if (words.empty()) return 0;
        std::memcpy(words.data(), data + 2, size - 2);
        CHuffmanEncoding::decode_run(words.data(), int64_t(words.size()), out.data(),
                                     CChunkFile::PixelsForLevel(level));
        return 0;
    }
    static const std::string dir = [] {
        char pattern[] = "/tmp/chunkrecord-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    const std::string path = dir + "/map.kt3";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data + 2, 1, size - 2, f);
    std::fclose(f);
    CChunkFile file;
    if (file.Open(path) && file.hasHeader()) {
        std::vector<uint32_t> words;
        // At most a handful of chunks: the directory may claim millions.
        const int rows = std::min(file.rows(), 4), columns = std::min(file.columns(), 4);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                int obtained = 0;
                file.ReadChunk(r, c, level, out.data(), obtained, words);
                if (obtained < level && obtained != CChunkFile::kNoLevel) __builtin_trap();
                file.StoredLevel(r, c);
            }
    }
    file.Close();
    unlink(path.c_str());
    return 0;
}
