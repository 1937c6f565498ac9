#include "data/datagpssatellitesignals.h"

namespace {

int clampTo(int v, int lo, int hi) {
    return v < lo ? lo : v > hi ? hi : v;
}

}  // namespace

void CDataGPSSatelliteSignals::Clear() {
    for (Satellite& s : satellites) s = Satellite();
}

bool CDataGPSSatelliteSignals::SetSatellite(int index, int prn, int strength, bool used_,
                                            int elevation, int azimuth) {
    if (index < 0 || index >= kSatellites || prn <= 0 || prn > 255) return false;
    Satellite& s = satellites[index];
    s.prn = uint8_t(prn);
    s.strength = uint8_t(clampTo(strength, 0, 255));
    s.used = used_ ? 1 : 0;
    s.elevation = uint8_t(clampTo(elevation, 0, 90));
    s.azimuth = uint16_t(clampTo(azimuth, 0, 359));
    return true;
}

int CDataGPSSatelliteSignals::CountListed() const {
    int n = 0;
    for (const Satellite& s : satellites)
        if (s.prn) ++n;
    return n;
}
