// The catalogue's reading of a map header from arbitrary bytes: every offset
// and count in it is checked against the file before it is used, and a
// record that is accepted answers position queries without trouble.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "maps/chartoutline.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = [] {
        char pattern[] = "/tmp/chartoutline-fuzz-XXXXXX";
        return std::string(mkdtemp(pattern)) + "/map.ktl";
    }();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CChartOutline outline;
    if (!outline.Read(path)) return 0;
    const Vertex centre = outline.bounds.center();
    outline.doesContain(centre.y, centre.x);
    outline.doesContain(1e300, -1e300);
    outline.mightOverlap(CBounds(-180, 180, -90, 90));
    return 0;
}
