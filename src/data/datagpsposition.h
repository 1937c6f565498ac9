// CDataGPSPosition: the live position record that the position feeds fill
// and Listener<CDataGPSPosition> receives: speed and direction, altitude,
// then latitude and longitude (degrees, WGS84; 999 = none), the time of the
// latest fix (seconds since 1970 UTC), the accuracy (HDOP from GGA, or
// metres from the location service; 0 = unknown) and the fix status.
#pragma once

#include <cstdint>

#include "data/dataaltitude.h"
#include "data/dataspeeddirection.h"

class CDataGPSPosition : public CDataSpeedDirection, public CDataAltitude {
public:
    enum FixStatus : int32_t {
        kNoFix = 0,
        kGPSFix = 1,
        kDifferential = 2,
        kSimulated = 3,
        kEstimated = 4,  // dead reckoning
        kRTK = 5,
        kPPS = 6,
        kManual = 7,
    };

    // The fix status for a GGA fix quality (0..8); -1 for any other value.
    static int FixStatusFromGGAQuality(int quality);

    bool HasFix() const { return fix_status != kNoFix; }
    bool HasPosition() const;  // a valid latitude and longitude

    double latitude = 999;
    double longitude = 999;
    double time = 0;
    float accuracy = 0;
    int32_t fix_status = kNoFix;
};
