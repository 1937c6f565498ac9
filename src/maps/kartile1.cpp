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
    // A tile offset inside the header or index would decode header bytes.
    const uint32_t offset = tileOffset(x, y);
    size_t available = 0;
    const uint8_t* data = offset >= indexEnd() ? get_addr(offset, &available, scratch) : nullptr;
    if (!data) {
        std::memset(out, 0, size_t(count));
        return 0;
    }
    KtlTileCodec::decode(data, available, level, out);
    return 0;
}
