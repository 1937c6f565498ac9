#include "nmea/nmea_gps.h"

#include <algorithm>

namespace CNMEA_GPS {

namespace {

CNMEASentenceTypeOf<RMC> rmc_type(3, "RMC");
CNMEASentenceTypeOf<GGA> gga_type(3, "GGA");
CNMEASentenceTypeOf<VTG> vtg_type(3, "VTG");
CNMEASentenceTypeOf<GSA> gsa_type(3, "GSA");
CNMEASentenceTypeOf<GSV> gsv_type(3, "GSV");

// An integer field saturated into [0, high]: a wrapped value would be a
// different, plausible-looking satellite.
int clampField(const char* field, int high) {
    return std::clamp(CNMEASentence::ToInt(field), 0, high);
}

// Receivers without a fix send placeholders such as "8960.0000" or
// "36000.0000": a malformed field gives no position (0, 0) rather than half of one.
void readPosition(char** fields, double& latitude, double& longitude) {
    if (CNMEASentence::PositionFieldsValid(fields)) {
        latitude = CNMEASentence::GetLat(fields);
        longitude = CNMEASentence::GetLon(fields + 2);
    } else {
        latitude = longitude = 0;
    }
}

}  // namespace

// $--RMC,1 time,2 status,3-6 lat N lon E,7 speed kn,8 course T,9 date,10-11 var E,12 mode
bool RMC::Init(char* text) {
    char* f[13];
    SplitArgs(text, 13, f);
    talker = text[2];
    const int utc = GetUTC(f[1]);
    const double date = GetDate(f[9]);
    if (utc < 0 || date < 0) return false;
    time = utc + date;
    valid = f[2][0] == 'A' || (f[12][0] && f[12][0] != 'N');
    readPosition(f + 3, latitude, longitude);
    speed = float(ToDouble(f[7]));
    course = float(ToDouble(f[8]));
    magnetic_variation = float(ToDouble(f[10]));
    if (f[11][0] == 'E') magnetic_variation = -magnetic_variation;
    return AllFinite(speed, course, magnetic_variation);
}

// $--GGA,1 time,2-5 lat N lon E,6 quality,7 satellites,8 HDOP,9 altitude,10 M,11-12 geoid M
bool GGA::Init(char* text) {
    char* f[10];
    SplitArgs(text, 10, f);
    talker = text[2];
    readPosition(f + 2, latitude, longitude);
    fix_quality = ToInt(f[6]);
    satellites_used = ToInt(f[7]);
    hdop = float(ToDouble(f[8]));
    altitude = float(ToDouble(f[9]));
    return AllFinite(hdop, altitude);
}

// $--VTG,1 course T,2 T,3 course M,4 M,5 speed kn,6 N,7 speed km/h,8 K,9 mode
bool VTG::Init(char* text) {
    char* f[6];
    SplitArgs(text, 6, f);
    talker = text[2];
    course = float(ToDouble(f[1]));
    speed = float(ToDouble(f[5]));
    return AllFinite(course, speed);
}

// $--GSA,1 mode,2 fix type,3-14 PRNs,15 PDOP,16 HDOP,17 VDOP
bool GSA::Init(char* text) {
    char* f[18];
    SplitArgs(text, 18, f);
    talker = text[2];
    mode = f[1][0];
    fix_type = uint8_t(clampField(f[2], 255));
    for (int i = 0; i < 12; ++i) prn[i] = uint8_t(clampField(f[3 + i], 255));
    pdop = float(ToDouble(f[15]));
    hdop = float(ToDouble(f[16]));
    vdop = float(ToDouble(f[17]));
    return AllFinite(pdop, hdop, vdop);
}

// $--GSV,1 messages,2 number,3 in view,4-7 PRN elevation azimuth SNR,8-11,12-15,16-19 same
bool GSV::Init(char* text) {
    char* f[20];
    SplitArgs(text, 20, f);
    talker = text[2];
    message_count = ToInt(f[1]);
    message_number = ToInt(f[2]);
    satellites_in_view = ToInt(f[3]);
    // The message number places the records in the satellite table.
    if (message_number < 1 || message_number > message_count) return false;
    for (int k = 0; k < 4; ++k) {
        Satellite& s = satellites[k];
        s.prn = uint8_t(clampField(f[4 + 4 * k], 255));
        s.elevation = uint8_t(clampField(f[5 + 4 * k], 90));
        s.azimuth = uint16_t(clampField(f[6 + 4 * k], 360) % 360);
        s.snr = uint8_t(clampField(f[7 + 4 * k], 255));
    }
    return true;
}

}  // namespace CNMEA_GPS
