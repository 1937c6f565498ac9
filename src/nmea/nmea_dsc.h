// Digital selective calling: a DSC call ($xxDSC) and its expansion
// sentences ($xxDSE) with the enhanced position, course and speed.
// Positions are degrees (south and west negative); -999 means the call
// carried no position.
#pragma once

#include <cstdint>

#include "nmea/nmeasentence.h"

namespace CNMEA_DSC {

class DSC : public CNMEASentence {
public:
    explicit DSC(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    uint8_t format_specifier = 0;  // 12 = distress
    uint32_t mmsi = 0;
    uint8_t category = 0;
    uint8_t nature = 0;     // nature of distress or first telecommand
    uint8_t comm_type = 0;  // type of communication or second telecommand
    double latitude = -999;
    double longitude = -999;
    int32_t quadrant = 0;  // bit 0 west, bit 1 south
    uint32_t distress_mmsi = 0;
    uint8_t distress_nature = 0;
    char acknowledgement = 0;
    bool expansion = false;  // DSE sentences follow
};

class DSE : public CNMEASentence {
public:
    explicit DSE(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    enum : uint8_t { kEnhancedPosition = 1, kCourse = 2, kSpeed = 4 };

    uint8_t total = 0;   // sentences in the expansion
    uint8_t number = 0;  // this one, from 1
    uint32_t mmsi = 0;
    uint8_t flags = 0;          // which of the values below this sentence carried
    uint16_t enhanced_lat = 0;  // ten-thousandths of a minute
    uint16_t enhanced_lon = 0;
    float course = 0;  // degrees
    float speed = 0;   // knots
};

}  // namespace CNMEA_DSC
