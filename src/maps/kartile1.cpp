#include "maps/kartile1.h"

#include <cstring>

#include "maps/ktlformat.h"

namespace {

const CKartile::KindRegistration classicKind(ktl::kKindClassic,
                                             []() -> CKartile* { return new CKartile1; });

}  // namespace

int CKartile1::ReadBlock(int x, int y, int level, unsigned char* out, ThreadDataForRead* scratch) {
    const int count = KtlTileCodec::pixelsForLevel(level);
    if (count == 0) return 0;
    if (x < 0 || y < 0 || x >= widthInTiles() || y >= heightInTiles() || firstTileOffset() == 0) {
        std::memset(out, 1, size_t(count));
        return 0;
    }
    ThreadDataForRead local;
    if (!scratch) scratch = &local;
    size_t available = 0;
    const uint8_t* data = readTile(tileOffset(x, y), &available, scratch);
    if (!data) {
        std::memset(out, 0, size_t(count));
        return 0;
    }
    KtlTileCodec::decode(data, available, level, out);
    return 0;
}
