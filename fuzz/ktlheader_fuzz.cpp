// Opening a classic map file and reading everything the program reads from
// it: header strings, outline, georeferencing and tiles at several levels.
// Map files come from downloads and packages.
//
// Input: the whole file. It is written to an in-memory file and opened by
// path like any map.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "maps/kartile1.h"
#include "quietmessages.h"

namespace {

int memoryFile() {
    static const int fd = memfd_create("ktlheader", 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return quietMessageBoxes();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = memoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size && pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    CKartile1 map;
    bool ok = false;
    map.Open(nullptr, path, [&](bool good) { ok = good; });
    if (!ok) return 0;
    (void)map.GetTitle();
    (void)map.GetCopyright();
    (void)map.GetMapType();
    CPolygon outline;
    map.getBoundaryPolygon(outline);
    (void)map.doesContain(50, 10);
    double lat, lon, x, y;
    map.xy_to_latlong(map.width() / 3, map.height() / 3, lat, lon);
    map.latlong_to_xy(lat, lon, x, y);
    (void)map.get_scale(x, y);

    ThreadDataForRead scratch;
    static uint32_t pixels[128 * 128];
    const int tilesAcross = map.widthInTiles() < 4 ? map.widthInTiles() : 4;
    const int tilesDown = map.heightInTiles() < 4 ? map.heightInTiles() : 4;
    for (int ty = -1; ty <= tilesDown; ++ty)
        for (int tx = -1; tx <= tilesAcross; ++tx)
            map.ReadBlock(tx, ty, (tx + ty + 8) % 7, scratch.tile, &scratch);
    map.ReadRectRGB(0, 0, 128, 128, 128, 0, pixels, &scratch);
    map.ReadRectRGB(32, 32, 128, 128, 128, -2, pixels, &scratch);
    map.ReadRectRGB(0, 0, 128, 128, 128, 2, pixels, &scratch);
    return 0;
}
