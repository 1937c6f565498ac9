#include "nmea/nmea_povx.h"

#include <cmath>

namespace NMEA_POVX {

namespace {

CNMEASentenceTypeOf<SetStartLine> start_line_type(1, "POVX,SetStartLine");
CNMEASentenceTypeOf<SetStartTimer> start_timer_type(1, "POVX,SetStartTimer");
CNMEASentenceTypeOf<AcknowledgeNotifications> acknowledge_type(1, "POVX,ACKALLALERTS");

bool isLatitude(double v) {
    return std::isfinite(v) && std::fabs(v) <= 90;
}
bool isLongitude(double v) {
    return std::isfinite(v) && std::fabs(v) <= 180;
}

}  // namespace

// $POVX,SetStartLine,2 left lat,3 left lon,4 right lat,5 right lon (degrees)
bool SetStartLine::Init(char* text) {
    char* f[6];
    SplitArgs(text, 6, f);
    const double v[4] = {ToDouble(f[2]), ToDouble(f[3]), ToDouble(f[4]), ToDouble(f[5])};
    // Another instance's line: never take impossible ends from it.
    if (!isLatitude(v[0]) || !isLongitude(v[1]) || !isLatitude(v[2]) || !isLongitude(v[3]))
        return false;
    left_lat = v[0];
    left_lon = v[1];
    right_lat = v[2];
    right_lon = v[3];
    return true;
}

// $POVX,SetStartTimer,2 start time (s since 1970),3 period (minutes)
bool SetStartTimer::Init(char* text) {
    char* f[4];
    SplitArgs(text, 4, f);
    const double time = ToDouble(f[2]);
    if (!std::isfinite(time)) return false;
    start_time = time;
    period = ToInt(f[3]);
    return true;
}

}  // namespace NMEA_POVX
