// CFeedRMC_to_GPSPosition: turns the GPS sentences into the own position
// (COverlayGPSPosition::theLatestPosition) and the satellite signals. One
// static object listens for the whole process, so RMC, GGA, VTG, GSA, GSV
// and HDG are always parsed.
//
// RMC is the position authority: once one was seen, GGA only supplies the
// altitude, HDOP and fix quality, and VTG no longer moves the course.
// Talker arbitration keeps one talker per stream while there is a fix:
// combined constellations (GN) win over GPS (GP), which wins over any
// other; without a fix any talker is taken and becomes the preferred one.
#pragma once

#include <cstdint>

#include "data/datagpssatellitesignals.h"
#include "app/base/datasource.h"
#include "nmea/nmea_gps.h"
#include "nmea/nmea_instruments.h"

class CFeedRMC_to_GPSPosition : public Listener<CNMEA_GPS::RMC>,
                                public Listener<CNMEA_GPS::GGA>,
                                public Listener<CNMEA_GPS::VTG>,
                                public Listener<CNMEA_GPS::GSA>,
                                public Listener<CNMEA_GPS::GSV>,
                                public Listener<CNMEA_Instruments::HDG> {
public:
    static CFeedRMC_to_GPSPosition theFeed;

    void OnUpdate(CNMEA_GPS::RMC& s) override;
    void OnUpdate(CNMEA_GPS::GGA& s) override;
    void OnUpdate(CNMEA_GPS::VTG& s) override;
    void OnUpdate(CNMEA_GPS::GSA& s) override;
    void OnUpdate(CNMEA_GPS::GSV& s) override;
    void OnUpdate(CNMEA_Instruments::HDG& s) override;

    // Accepts or rejects a talker letter against the preferred one (which
    // it may change), given whether the position has a fix.
    static bool check_talker(char talker, char& preferred, bool haveFix);

    // Back to the state at start (the program never does this while running;
    // tools and tests replaying several files do).
    void reset();

    // The identity of fixes from GGA (fixes from RMC have the feed's own).
    const void* ggaIdentity() const { return &gga_seen; }

    char preferred_position_talker = 0;
    char preferred_satellite_talker = 0;
    bool rmc_seen = false;
    bool gga_seen = false;
    uint8_t prns_used[12] = {};
    CDataGPSSatelliteSignals satellites;
};
