// CDataGPSSatelliteSignals: the satellites in view, as GSV sentences and the
// location service report them, for the satellite display.
#pragma once

#include <cstdint>

class CDataGPSSatelliteSignals {
public:
    static constexpr int kSatellites = 24;

    struct Satellite {
        uint8_t prn = 0;        // 0 = empty entry
        uint8_t strength = 0;   // signal to noise, dB
        uint8_t used = 0;       // used in the fix (0 or 1)
        uint8_t elevation = 0;  // degrees above the horizon
        uint16_t azimuth = 0;   // degrees true
    };

    void Clear();  // empties every entry
    // Entry `index` (0..23); false, and nothing stored, outside that range
    // or for PRN 0.
    bool SetSatellite(int index, int prn, int strength, bool used, int elevation, int azimuth);
    int CountListed() const;  // entries with a PRN

    Satellite satellites[kSatellites];
    int32_t in_view = 0;
    int32_t used = 0;
};
