// Every position format's scan on arbitrary text, and format on whatever it
// reads: nothing may crash, hang, throw or read past the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "geo/units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated copy
    double value;
    CUnits::scan_deg_min_sec(text.c_str(), value);
    for (const CUnits::PositionFormatType* f = CUnits::PositionFormatType::First(); f;
         f = f->next) {
        double lat = 999, lon = 999;
        if (!f->scan(text.c_str(), lat, lon)) continue;
        if (!std::isfinite(lat) || !std::isfinite(lon)) __builtin_trap();
        std::string out;
        f->format(lat, lon, out);
        double lat2, lon2;
        f->scan(out.c_str(), lat2, lon2);
    }
    return 0;
}
