#include "nmea/nmea_instruments.h"

#include <cmath>

// An empty value field is no reading: it never passes as 0.
namespace CNMEA_Instruments {

namespace {

CNMEASentenceTypeOf<MWV> mwv_type(3, "MWV");
CNMEASentenceTypeOf<MWD> mwd_type(3, "MWD");
CNMEASentenceTypeOf<VHW> vhw_type(3, "VHW");
CNMEASentenceTypeOf<HDG> hdg_type(3, "HDG");
CNMEASentenceTypeOf<DPT> dpt_type(3, "DPT");
CNMEASentenceTypeOf<DBT> dbt_type(3, "DBT");
CNMEASentenceTypeOf<MTW> mtw_type(3, "MTW");
CNMEASentenceTypeOf<RPM> rpm_type(3, "RPM");
CNMEASentenceTypeOf<RSA> rsa_type(3, "RSA");
CNMEASentenceTypeOf<XDR> xdr_type(3, "XDR");

// A speed in the given unit letter as knots; NaN for an unknown unit.
double toKnots(double speed, char unit) {
    switch (unit) {
        case 'N':
            return speed;
        case 'K':
            return speed * 0.5399568;  // km/h
        case 'S':
            return speed / 1.1507795;  // statute miles per hour
        case 'M':
            return speed * 1.94384449;  // m/s
        default:
            return NAN;
    }
}

}  // namespace

// $--MWV,1 angle,2 reference R/T,3 speed,4 unit K/M/N/S,5 status A
bool MWV::Init(char* text) {
    char* f[6];
    SplitArgs(text, 6, f);
    if (f[5][0] != 'A' || (f[2][0] != 'R' && f[2][0] != 'T') || !f[1][0] || !f[3][0]) return false;
    reference = f[2][0] == 'T' ? 1 : 0;
    wind_angle = float(ToDouble(f[1]));
    wind_speed = float(toKnots(ToDouble(f[3]), f[4][0]));
    return AllFinite(wind_angle, wind_speed);
}

// $--MWD,1 direction T,2 T,3 direction M,4 M,5 speed kn,6 N,7 speed m/s,8 M
bool MWD::Init(char* text) {
    char* f[7];
    SplitArgs(text, 7, f);
    if (f[2][0] != 'T' || f[6][0] != 'N' || !f[1][0] || !f[5][0]) return false;
    wind_direction = float(ToDouble(f[1]));
    wind_speed = float(ToDouble(f[5]));
    return AllFinite(wind_direction, wind_speed);
}

// $--VHW,1 heading T,2 T,3 heading M,4 M,5 speed kn,6 N,7 speed km/h,8 K
bool VHW::Init(char* text) {
    char* f[7];
    SplitArgs(text, 7, f);
    has_magnetic_heading = f[4][0] == 'M' && f[3][0];
    has_speed = f[6][0] == 'N' && f[5][0];
    if (has_magnetic_heading) magnetic_heading = float(ToDouble(f[3]));
    if (has_speed) speed_through_water = float(ToDouble(f[5]));
    return (has_speed || has_magnetic_heading) && AllFinite(magnetic_heading, speed_through_water);
}

// $--HDG,1 heading M,2 deviation,3 E/W,4 variation,5 E/W
bool HDG::Init(char* text) {
    char* f[6];
    SplitArgs(text, 6, f);
    if (!f[1][0]) return false;
    heading = float(ToDouble(f[1]));
    deviation = float(ToDouble(f[2]));
    if (f[3][0] == 'W') deviation = -deviation;
    variation = float(ToDouble(f[4]));
    if (f[5][0] == 'W') variation = -variation;
    return AllFinite(heading, deviation, variation);
}

// $--DPT,1 depth m,2 offset m (+ waterline, - keel),3 range
bool DPT::Init(char* text) {
    char* f[3];
    SplitArgs(text, 3, f);
    if (!f[1][0]) return false;
    depth = float(ToDouble(f[1]));
    const float offset = float(ToDouble(f[2]));
    // Positive offsets reach up to the waterline, negative ones down to the keel.
    offset_waterline = offset >= 0 ? offset : 0;
    offset_keel = offset < 0 ? -offset : 0;
    return AllFinite(depth, offset);
}

// $--DBT,1 depth ft,2 f,3 depth m,4 M,5 depth fathoms,6 F
bool DBT::Init(char* text) {
    char* f[5];
    SplitArgs(text, 5, f);
    if (f[4][0] != 'M' || !f[3][0]) return false;
    depth = float(ToDouble(f[3]));
    return AllFinite(depth);
}

// $--MTW,1 temperature,2 C
bool MTW::Init(char* text) {
    char* f[3];
    SplitArgs(text, 3, f);
    if (f[2][0] != 'C' || !f[1][0]) return false;
    temperature = float(ToDouble(f[1]));
    return AllFinite(temperature);
}

// $--RPM,1 source S/E,2 number,3 rpm,4 pitch %,5 status A
bool RPM::Init(char* text) {
    char* f[6];
    SplitArgs(text, 6, f);
    if (f[5][0] != 'A' || !f[3][0]) return false;
    const int number = ToInt(f[2]);
    const float speed = float(ToDouble(f[3]));
    if (!AllFinite(speed)) return false;
    if (number < 2)
        rpm1 = speed;
    else if (number == 2)
        rpm2 = speed;
    return true;
}

void RSA::Update(double angle) {
    smoothed_angle = float(smoothed_angle * smoothing_factor + (1 - smoothing_factor) * angle);
    smoothing_factor = 0.9885f;
}

// $--RSA,1 starboard angle,2 status A,3 port angle,4 status A
bool RSA::Init(char* text) {
    char* f[3];
    SplitArgs(text, 3, f);
    if (f[2][0] != 'A' || !f[1][0]) return false;
    const float angle = float(ToDouble(f[1]));
    if (!AllFinite(angle)) return false;
    rudder_angle = angle;
    Update(angle);
    return true;
}

// $--XDR,1 type,2 value,3 unit,4 name,5-8 second type value unit name
bool XDR::Init(char* text) {
    char* f[9];
    SplitArgs(text, 9, f);
    type1 = f[1][0];
    value1 = float(ToDouble(f[2]));
    strncpy_to_TCHAR(name1, f[4], kNameSize);
    type2 = f[5][0];
    value2 = type2 ? float(ToDouble(f[6])) : 0;
    strncpy_to_TCHAR(name2, type2 ? f[8] : "", kNameSize);
    return AllFinite(value1, value2);
}

}  // namespace CNMEA_Instruments
