// Fixtures for the own-position tests: a fresh own position and feed, and
// sentences with their checksum computed.
#pragma once

#include <string>

#include "data/feedrmctogpsposition.h"
#include "data/overlaygpsposition.h"
#include "nmea/nmeatestsupport.h"

namespace owngps {

inline void resetOwnPosition() {
    CFeedRMC_to_GPSPosition::theFeed.reset();
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    p.reset_history();
    p.latitude = p.longitude = 999;
    p.time = 0;
    p.fix_status = CDataGPSPosition::kNoFix;
    p.accuracy = 0;
    p.altitude = -9999;
    p.total_distance = p.leg_distance = p.leg_start_time = 0;
    p.set_course(999, 0);
    p.averaged_speed = 0;
    p.averaged_course = 999;
    p.fix_owner = nullptr;
    p.damping = CompassDamping();
}

// Dispatches "$<body>*hh" as received on connection.
inline bool send(const std::string& body, CDataConnection* connection = nullptr) {
    return nmeatest::dispatch(nmeatest::withChecksum(body), connection);
}

}  // namespace owngps
