// An arbitrary own-position file ("gpsdata.ovtf"), read the way start-up
// reads it: the file header, the magic section, then the position, the
// odometer and the altitude state. What is read must be usable: a position
// or none, an altitude mode the program has.
#include <cmath>
#include <cstdint>
#include <string>

#include "data/overlaygpsposition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static COverlayGPSPosition* position = new COverlayGPSPosition;
    COverlayGPSPosition& p = *position;
    p.latitude = p.longitude = 999;
    p.mode = CDataAltitude::kGPS;

    using IOStream = CSerializable::IOStream;
    IOStream stream =
        IOStream::ForReading(std::string(reinterpret_cast<const char*>(data), size), "/fuzz");
    if (!stream.declareheader()) return 0;
    {
        CSerializable::Section magic(stream);
        if (!magic.ok() || !stream.declaremagic(COverlayGPSPosition::kFileMagic)) return 0;
    }
    p.Serialize(stream);
    if (!p.HasPosition() && (p.latitude != 999 || p.longitude != 999)) __builtin_trap();
    if (p.mode < CDataAltitude::kOff || p.mode > CDataAltitude::kTerrain) __builtin_trap();
    // The next fix gives an altitude or none, never a NaN or an infinity.
    p.Set(100.0, 0.0, 2e9);
    if (!std::isfinite(p.altitude)) __builtin_trap();
    return 0;
}
