// The GPS sentences RMC, GGA, VTG, GSA and GSV, consumed by the position
// feed. Latitudes and longitudes are degrees on WGS84 (north and east
// positive); speeds are knots; courses are degrees true; `talker` is the
// second talker letter ('P' for GP, 'N' for GN, 'L' for GL, 'A' for GA).
#pragma once

#include <cstdint>

#include "nmea/nmeasentence.h"

namespace CNMEA_GPS {

// Recommended minimum data. Position, speed and course of a fix.
class RMC : public CNMEASentence {
public:
    explicit RMC(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    bool valid = false;            // status 'A', or a mode indicator other than 'N'
    double latitude = 0;           // degrees
    double longitude = 0;          // degrees
    double time = 0;               // seconds since 1970 UTC (time of day alone without a date)
    float speed = 0;               // over ground, knots
    float course = 0;              // over ground, degrees true
    float magnetic_variation = 0;  // degrees; west positive, east negative
    char talker = 0;
};

// Fix data: altitude and fix quality.
class GGA : public CNMEASentence {
public:
    explicit GGA(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    double latitude = 0;
    double longitude = 0;
    float altitude = 0;  // metres above mean sea level
    float hdop = 0;
    int32_t satellites_used = 0;
    int32_t fix_quality = 0;  // 0 to 8 as sent
    char talker = 0;
};

// Course and speed over ground.
class VTG : public CNMEASentence {
public:
    explicit VTG(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float speed = 0;   // knots
    float course = 0;  // degrees true
    char talker = 0;
};

// Satellites used in the fix and dilutions of precision.
class GSA : public CNMEASentence {
public:
    explicit GSA(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    char mode = 0;         // 'A' automatic, 'M' manual
    uint8_t fix_type = 0;  // 1 none, 2 2D, 3 3D
    uint8_t prn[12] = {};  // 0 = empty slot
    float pdop = 0;
    float hdop = 0;
    float vdop = 0;
    char talker = 0;
};

// Satellites in view, four per message.
class GSV : public CNMEASentence {
public:
    explicit GSV(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    struct Satellite {
        uint8_t prn = 0;        // 0 = no satellite
        uint8_t snr = 0;        // dB
        uint8_t elevation = 0;  // degrees
        uint16_t azimuth = 0;   // degrees true
    };

    int32_t message_count = 0;
    int32_t message_number = 0;  // from 1
    int32_t satellites_in_view = 0;
    Satellite satellites[4];
    char talker = 0;
};

}  // namespace CNMEA_GPS
