// CDSCTarget: one digital selective call assembled from its DSC sentence
// and any expansion sentences, as the DSC target manager hands it on.
// Degrees (south and west negative; -999 when the call carried no
// position), degrees true, knots, seconds since 1970 UTC.
#pragma once

#include <cstdint>

class CDSCTarget {
public:
    static constexpr double kNoPosition = -999;
    static constexpr int kDistressNatures = 11;
    // Natures of distress 0..10.
    static const char* const distress_tab[kDistressNatures];

    bool HasPosition() const;
    bool isDistress() const { return nature >= 0; }
    // The nature's text, or "Distress code %d" past the table.
    const char* NatureText(char* buffer, int size) const;

    uint32_t mmsi = 0;
    double latitude = kNoPosition;
    double longitude = kNoPosition;
    float course = 0;
    float speed = 0;
    double time = 0;
    uint8_t quadrant = 0;  // bit 0 west, bit 1 south
    int32_t nature = -1;   // nature of distress; -1 = not a distress call
};
