// The stream transports' line cutting on arbitrary bytes, delivered in
// reads of varying size as a serial port or socket would, through a real
// connection object (the output filter, the debug log off) into the
// sentence layer and the position feed. The first byte picks the read
// sizes; the limits of lines per pass and of line length must hold.
#include <cstdint>
#include <cstring>

#include "data/overlaygpsposition.h"
#include "nmea/dataconnection.h"
#include "nmea/nmealinereader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static CNoConnection connection;
    static CNMEALineReader reader;
    reader.Reset();
    const int step = 1 + data[0] * 17;  // 1 to 4336 bytes a read
    const uint8_t* at = data + 1;
    const uint8_t* end = data + size;
    const auto read = [&](char* to, int room) -> int64_t {
        const int64_t n = std::min<int64_t>({int64_t(room), int64_t(step), int64_t(end - at)});
        std::memcpy(to, at, size_t(n));
        at += n;
        return n;
    };
    for (int passes = 0; at < end || !reader.BufferEmpty(); ++passes) {
        if (passes > int(size) + 2) __builtin_trap();  // every pass must make progress
        reader.BeginPass();
        reader.Pump(&connection, read, 200, passes % 2 == 0);
        if (reader.lines_in_pass > 200) __builtin_trap();
    }
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (p.HasPosition() && !(p.latitude == p.latitude)) __builtin_trap();
    return 0;
}
