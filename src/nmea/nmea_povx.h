// The program's own proprietary sentences, which let several instances
// share a race start line and timer and acknowledge alerts:
//   $POVX,SetStartLine,<left lat>,<left lon>,<right lat>,<right lon>  (degrees)
//   $POVX,SetStartTimer,<start time>,<period>  (seconds since 1970, minutes)
//   $POVX,ACKALLALERTS
#pragma once

#include <cstdint>

#include "nmea/nmeasentence.h"

namespace NMEA_POVX {

class SetStartLine : public CNMEASentence {
public:
    explicit SetStartLine(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    double left_lat = 0, left_lon = 0;    // degrees
    double right_lat = 0, right_lon = 0;  // degrees
};

class SetStartTimer : public CNMEASentence {
public:
    explicit SetStartTimer(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    double start_time = 0;  // seconds since 1970 UTC
    int32_t period = 0;     // timer period, minutes
};

class AcknowledgeNotifications : public CNMEASentence {
public:
    explicit AcknowledgeNotifications(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char*) override { return true; }
};

}  // namespace NMEA_POVX
