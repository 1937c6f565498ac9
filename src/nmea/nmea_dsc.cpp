#include "nmea/nmea_dsc.h"

#include <cstring>

namespace CNMEA_DSC {

namespace {

CNMEASentenceTypeOf<DSC> dsc_type(3, "DSC");
CNMEASentenceTypeOf<DSE> dse_type(3, "DSE");

bool onlyDigits(const char* text) {
    if (!*text) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

int digits(const char* text, int from, int n) {
    int v = 0;
    for (int i = from; i < from + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
}

// A DSC address: ten digits whose last one (always 0) is dropped; an empty
// field is 0. False when the field is anything else.
bool readAddress(const char* field, uint32_t& mmsi) {
    if (!*field) {
        mmsi = 0;
        return true;
    }
    if (std::strlen(field) != 10 || !onlyDigits(field)) return false;
    mmsi = uint32_t(digits(field, 0, 9));
    return true;
}

// Quadrant digit, latitude degrees and minutes, longitude degrees and minutes.
bool readPosition(const char* field, int& quadrant, double& lat, double& lon) {
    if (std::strlen(field) != 10 || !onlyDigits(field)) return false;
    quadrant = field[0] - '0';
    const int latDeg = digits(field, 1, 2), latMin = digits(field, 3, 2);
    const int lonDeg = digits(field, 5, 3), lonMin = digits(field, 8, 2);
    if (quadrant > 3 || latMin > 59 || lonMin > 59 || latDeg > 89 || lonDeg > 179) return false;
    lat = latDeg + latMin / 60.0;
    lon = lonDeg + lonMin / 60.0;
    if (quadrant & 1) lon = -lon;
    if (quadrant & 2) lat = -lat;
    return true;
}

uint8_t smallNumber(const char* field) {
    const int v = CNMEASentence::ToInt(field);
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

// $--DSC,1 format,2 address,3 category,4 nature,5 comm,6 position,7 time,8-9 distress,10 ack,11 E
bool DSC::Init(char* text) {
    char* f[12];
    SplitArgs(text, 12, f);
    if (!readAddress(f[2], mmsi) || !readAddress(f[8], distress_mmsi)) return false;
    format_specifier = smallNumber(f[1]);
    category = smallNumber(f[3]);
    nature = smallNumber(f[4]);
    comm_type = smallNumber(f[5]);
    int q = 0;
    double lat = -999, lon = -999;
    if (readPosition(f[6], q, lat, lon)) {
        quadrant = q;
        latitude = lat;
        longitude = lon;
    } else {
        quadrant = onlyDigits(f[6]) ? f[6][0] - '0' : 0;
        latitude = longitude = -999;
    }
    distress_nature = smallNumber(f[9]);
    acknowledgement = f[10][0];
    expansion = f[11][0] == 'E';
    return true;
}

// $--DSE,1 total,2 number,3 query/reply,4 address,5-6 code data,7-8,9-10,11-12 same
bool DSE::Init(char* text) {
    char* f[13];
    SplitArgs(text, 13, f);
    if (!readAddress(f[4], mmsi)) return false;
    total = smallNumber(f[1]);
    number = smallNumber(f[2]);
    flags = 0;
    for (int i = 5; i + 1 < 13 && f[i][0]; i += 2) {
        const char* data = f[i + 1];
        if (!onlyDigits(f[i]) || !onlyDigits(data)) continue;
        switch (CNMEASentence::ToInt(f[i])) {
            case 0:
                if (std::strlen(data) != 8) break;
                enhanced_lat = uint16_t(digits(data, 0, 4));
                enhanced_lon = uint16_t(digits(data, 4, 4));
                flags |= kEnhancedPosition;
                break;
            case 2:
                speed = float(CNMEASentence::ToInt(data)) / 10.0f;
                flags |= kSpeed;
                break;
            case 3:
                course = float(CNMEASentence::ToInt(data)) / 10.0f;
                flags |= kCourse;
                break;
            default:
                break;
        }
    }
    return true;
}

}  // namespace CNMEA_DSC
