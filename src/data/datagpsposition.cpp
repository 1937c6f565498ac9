#include "data/datagpsposition.h"

#include <cmath>

int CDataGPSPosition::FixStatusFromGGAQuality(int quality) {
    // GGA: 0 invalid, 1 GPS, 2 DGPS, 3 PPS, 4 RTK, 5 float RTK, 6 estimated,
    // 7 manual, 8 simulation.
    static const int32_t kByQuality[] = {kNoFix, kGPSFix,    kDifferential, kPPS,      kRTK,
                                         kRTK,   kEstimated, kManual,       kSimulated};
    if (quality < 0 || quality > 8) return -1;
    return kByQuality[quality];
}

bool CDataGPSPosition::HasPosition() const {
    return std::fabs(latitude) <= 90 && std::fabs(longitude) <= 180;
}
