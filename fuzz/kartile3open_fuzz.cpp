// Opening a version-3 map and reading its tiles, with a chunk file whose
// header, directory and records need not agree with the map's own header:
// both come from a download.
//
// Input: u32 width and u32 height in tiles for the map's header, one byte
// of level, then the whole chunk file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "maps/kartile3.h"
#include "maps/ktlformat.h"
#include "quietmessages.h"

namespace {

const std::string& folder() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/kartile3open-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    return dir;
}

bool writeFile(const std::string& path, const void* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

// A version-3 header file of the given size in tiles: palette and
// georeferencing zero, no strings.
std::vector<uint8_t> headerFile(uint32_t widthTiles, uint32_t heightTiles) {
    std::vector<uint8_t> h(ktl::kHeaderSize + 8, 0);
    auto put = [&](uint32_t at, uint32_t v) { std::memcpy(&h[at], &v, 4); };
    put(ktl::kOffMagic, ktl::kMagic);
    put(ktl::kOffVersion, 3 | ktl::kKindChunked << 24);
    put(ktl::kOffWidthTiles, widthTiles);
    put(ktl::kOffHeightTiles, heightTiles);
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return quietMessageBoxes();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 9) return 0;
    uint32_t widthTiles, heightTiles;
    std::memcpy(&widthTiles, data, 4);
    std::memcpy(&heightTiles, data + 4, 4);
    const int level = data[8] % 8;
    const std::string header = folder() + "/map.ktl";
    const std::string chunks = CKartile3::ChunkFilePath(header);
    const std::vector<uint8_t> head = headerFile(widthTiles, heightTiles);
    if (!writeFile(header, head.data(), head.size()) || !writeFile(chunks, data + 9, size - 9))
        return 0;

    bool ok = false;
    CKartile* map = CKartile::CreateNew(nullptr, header, [&](CKartile*, bool good) { ok = good; });
    if (map && ok) {
        ThreadDataForRead scratch;
        int told = 0;
        scratch.missingData = [&](CKartile*, int, int, int, int) { ++told; };
        // Tiles of the first chunks and of the map's far corner, and past it.
        const int w = map->widthInTiles(), h = map->heightInTiles();
        for (int y : {-1, 0, 15, 16, 33, h - 1, h})
            for (int x : {-1, 0, 17, 32, w - 1, w})
                map->ReadBlock(x, y, level, scratch.tile, &scratch);
        static uint32_t pixels[96 * 96];
        map->ReadRectRGB(1000, 1000, 96, 96, 96, level, pixels, &scratch);
        map->invalidate_read_cache(MakeChunkKey(0, 1));
        map->ReadBlock(16, 0, 0, scratch.tile, &scratch);
    }
    if (map) map->Destroy();
    unlink(chunks.c_str());
    return 0;
}
