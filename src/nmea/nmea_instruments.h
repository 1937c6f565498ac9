// Marine instrument sentences: wind, water speed, heading, depth, water
// temperature, engine speed, rudder angle and transducer readings. Speeds
// are knots, angles and headings degrees, depths metres. Objects are pooled
// per type, so a field a sentence does not set keeps the value of the
// previous sentence of its type (RPM keeps the other engine, VHW the value
// that was absent, RSA its smoothing state).
#pragma once

#include <cstdint>

#include "nmea/nmeasentence.h"

namespace CNMEA_Instruments {

// Wind speed and angle, relative to the bow or true.
class MWV : public CNMEASentence {
public:
    explicit MWV(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    int32_t reference = 0;  // 0 relative (apparent), 1 true
    float wind_speed = 0;   // knots
    float wind_angle = 0;   // degrees from the bow
};

// True wind direction and speed.
class MWD : public CNMEASentence {
public:
    explicit MWD(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float wind_speed = 0;      // knots
    float wind_direction = 0;  // degrees true
};

// Speed through water and magnetic heading.
class VHW : public CNMEASentence {
public:
    explicit VHW(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    bool has_speed = false;
    bool has_magnetic_heading = false;
    float speed_through_water = 0;  // knots
    float magnetic_heading = 0;     // degrees magnetic
};

// Sensor heading with deviation and variation.
class HDG : public CNMEASentence {
public:
    explicit HDG(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float heading = 0;    // degrees, as the sensor reads
    float variation = 0;  // degrees, east positive
    float deviation = 0;  // degrees, east positive
};

// Depth below the transducer and the transducer offset.
class DPT : public CNMEASentence {
public:
    explicit DPT(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float depth = 0;             // metres below the transducer
    float offset_waterline = 0;  // metres from transducer up to the waterline
    float offset_keel = 0;       // metres from transducer down to the keel
};

// Depth below the transducer.
class DBT : public CNMEASentence {
public:
    explicit DBT(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float depth = 0;  // metres
};

// Water temperature.
class MTW : public CNMEASentence {
public:
    explicit MTW(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float temperature = 0;  // degrees Celsius
};

// Engine or shaft revolutions; each sentence reports one engine.
class RPM : public CNMEASentence {
public:
    explicit RPM(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    float rpm1 = 0;  // engine 1 (numbers 0 and 1), revolutions per minute
    float rpm2 = 0;  // engine 2
};

// Rudder angle, with an exponentially smoothed copy for steady displays.
class RSA : public CNMEASentence {
public:
    explicit RSA(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;
    // smoothed = smoothed * k + (1 - k) * angle with the factor k held before
    // this update; the factor then becomes 0.9885 (the first reading is
    // taken directly, later ones move 1.15 % of the way).
    void Update(double angle);

    float rudder_angle = 0;  // degrees, starboard rudder, negative to port
    float smoothed_angle = 0;
    float smoothing_factor = 0;
};

// Transducer measurements: up to two readings per sentence.
class XDR : public CNMEASentence {
public:
    explicit XDR(CNMEASentenceType* t) : CNMEASentence(t) {}
    bool Init(char* text) override;

    static constexpr int kNameSize = 32;
    char type1 = 0;  // transducer type letter ('C' temperature, 'P' pressure...)
    float value1 = 0;
    char name1[kNameSize] = {};
    char type2 = 0;  // 0 = no second reading
    float value2 = 0;
    char name2[kNameSize] = {};
};

}  // namespace CNMEA_Instruments
