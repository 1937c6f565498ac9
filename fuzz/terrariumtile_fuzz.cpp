// A downloaded elevation tile's bytes through the tile decoder: whatever
// the server sent must either be refused or give heights the encoding can
// hold, and never a huge allocation.
#include <QtGlobal>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "elevation/terrariumtile.h"

namespace {

// libpng's warnings on broken files would flood the log.
const int s_quiet = [] {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}();

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<float> heights(terrarium::kTilePixels, 0.0f);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    if (!terrarium::decodeBytes(bytes, heights.data())) return 0;
    for (int i = 0; i < terrarium::kTilePixels; ++i) {
        const float h = heights[size_t(i)];
        if (!(h == 0 || (h >= -1792 && h < 32768))) {
            std::fprintf(stderr, "height %g out of the encoding at %d\n", double(h), i);
            std::abort();
        }
    }
    return 0;
}
