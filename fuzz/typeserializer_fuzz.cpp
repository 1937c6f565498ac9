// Fuzzes reading a typed serializer stream the way package files and web
// replies are read: magic, scalars, strings in both forms, sized blocks.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/base/typeserializer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the string form and the block capacity.
    const uint8_t control = data[0];
    CTypeBufferIn in(data + 1, size - 1);
    in.wide_strings = (control & 1) != 0;

    in.declaremagic(0x4B544C33);
    int32_t i = 0;
    double d = 0;
    std::string s;
    char block[64];
    char small[8];
    for (int round = 0; round < 64 && in.ok && in.remaining() > 0; ++round) {
        in.declare(i);
        in.declare(d);
        in.declare(s);
        int n = (control >> 1) % int(sizeof block + 1);
        in.declaresize(block, n);
        if (n < 0 || n > int(sizeof block)) __builtin_trap();
        in.getstr(small, sizeof small);
        if (small[sizeof small - 1] != 0) __builtin_trap();
        if (s.size() > size_t(CTypeSerializer::kMaxStringLength)) __builtin_trap();
    }
    return 0;
}
