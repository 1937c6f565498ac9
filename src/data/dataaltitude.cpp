#include "data/dataaltitude.h"

#include <cmath>

#include "app/base/barometer.h"

namespace {

constexpr double kNone = -9999;
constexpr double kStandardAtmosphereExponent = 0.1902663538687809;
// Past this the barometric altitude is re-referenced, to keep it small.
constexpr double kRereferenceAltitude = 100;
// What a stored state may hold: metres, seconds and hPa well past any real use.
constexpr double kHighestOffset = 1e6;
constexpr double kLongestTimeConstant = 1e7;
constexpr double kHighestPressure = 1e5;

CDataAltitude::TerrainSource* g_terrain = nullptr;

bool valid(double altitude) {
    return altitude > -9998;
}

double rateOf(double timeConstant, double smallest) {
    return timeConstant > smallest ? 1.0 / timeConstant : 0.0;
}

}  // namespace

void CDataAltitude::SetTerrainSource(TerrainSource* source) {
    g_terrain = source;
}

CDataAltitude::TerrainSource* CDataAltitude::GetTerrainSource() {
    return g_terrain;
}

double CDataAltitude::altitudeFromPressure(double pressure, double dt) {
    double h =
        44330.0 * (1.0 - std::pow(pressure / reference_pressure, kStandardAtmosphereExponent));
    if (baro_time_constant < 0) {
        baro_time_constant = 10;
        baro_rate = 0.1;
    }
    if (dt <= baro_time_constant && last_baro_altitude != 0 && valid(last_baro_altitude))
        h = last_baro_altitude + dt * baro_rate * (h - last_baro_altitude);
    last_baro_altitude = h;
    return h;
}

bool CDataAltitude::gpsOnly(double gps, double time) {
    if (!valid(gps)) return true;
    const double dt = time - last_update_time;
    if (dt <= 0) return false;
    last_update_time = time;
    if (dt > gps_time_constant)
        difference = gps;
    else
        difference += dt * gps_rate * (gps - difference);
    altitude = difference + user_offset;
    return true;
}

bool CDataAltitude::barometerOnly(double pressure, double time) {
    // The update time is not advanced here: GPS fixes own it.
    const double dt = time - last_update_time;
    if (dt <= 0) return false;
    altitude = altitudeFromPressure(pressure, dt) + difference + user_offset;
    return true;
}

bool CDataAltitude::blend(double gps, double pressure, double time) {
    if (!valid(gps)) return barometerOnly(pressure, time);
    const double dt = time - last_update_time;
    if (dt <= 0) return false;
    last_update_time = time;
    const double b = altitudeFromPressure(pressure, dt);
    if (dt > gps_time_constant)
        difference = gps - b;
    else
        difference += dt * gps_rate * (gps - b - difference);
    altitude = user_offset + difference + b;
    if (std::fabs(b) > kRereferenceAltitude) {
        difference += b;
        reference_pressure = pressure;
        last_baro_altitude = 0;  // the filter restarts on the new reference
    }
    return true;
}

void CDataAltitude::Set(double gps, double pressure, double time) {
    const double previous = altitude;
    altitude = kNone;
    if (reference_pressure == 0 && pressure > 0) {
        reference_pressure = pressure;
        difference = gps;
    }
    // False from a filter: nothing new at this time (a repeated fix time),
    // which keeps the altitude rather than blanking it.
    bool fresh = true;
    switch (mode) {
        case kBlend:
            fresh = pressure > 0 ? blend(gps, pressure, time) : gpsOnly(gps, time);
            break;
        case kBarometer:
            if (pressure > 0) fresh = barometerOnly(pressure, time);
            break;
        case kGPS:
            fresh = gpsOnly(gps, time);
            break;
        case kTerrain:
            fresh = false;
            break;
        case kOff:
            break;
    }
    if (!fresh) altitude = previous;
    if (!std::isfinite(altitude)) altitude = kNone;
    last_gps_altitude = gps;
}

void CDataAltitude::SetAltitudeSettings(double gpsTimeConstant, mode_e mode_,
                                        double calibrationAltitude, double baroTimeConstant) {
    gps_time_constant = gpsTimeConstant;
    gps_rate = rateOf(gpsTimeConstant, 0);
    baro_time_constant = baroTimeConstant;
    baro_rate = rateOf(baroTimeConstant, 0);
    mode = (mode_ >= kOff && mode_ <= kTerrain) ? mode_ : kGPS;
    const double previousUpdate = last_update_time;
    last_update_time = 0;
    if (mode == kOff) {
        StopBarometer();
        if (g_terrain) g_terrain->Close();
        altitude = kNone;
        return;
    }
    if (g_terrain) g_terrain->Open();
    if (mode == kBarometer || mode == kBlend) {
        EnableBarometer();
        StartBarometerIfEnabled();
    }
    Set(last_gps_altitude, GetBarometricPressure(),
        previousUpdate != 0 ? previousUpdate : gpsTimeConstant);
    // Calibrate only against an altitude that exists.
    if (valid(altitude) && valid(calibrationAltitude)) {
        user_offset += calibrationAltitude - altitude;
        altitude = calibrationAltitude;
    }
}

void CDataAltitude::SetFromTerrain(double lat, double lon) {
    altitude = g_terrain ? g_terrain->AltitudeAt(lat, lon) : kNone;
    if (!valid(altitude)) altitude = kNone;
}

bool CDataAltitude::Serialize(CSerializable::IOStream& stream) {
    // Taken first: a read cut short closes the stream, and what was read
    // so far must be repaired all the same.
    const bool reading = stream.isReading();
    int32_t m = mode;
    const bool ok = stream.declare(gps_time_constant) && stream.declare(last_update_time) &&
                    stream.declare(difference) && stream.declare(user_offset) &&
                    stream.declare(m) && stream.declare(reference_pressure) &&
                    stream.declare(baro_time_constant);
    if (reading) {
        // A damaged file may hold anything: NaN would poison every later
        // altitude, and offsets no altitude can have overflow when summed.
        auto within = [](double v, double limit) { return std::fabs(v) <= limit; };
        if (!(gps_time_constant >= 0 && gps_time_constant <= kLongestTimeConstant))
            gps_time_constant = 600;
        if (!within(baro_time_constant, kLongestTimeConstant)) baro_time_constant = 0;
        if (!(last_update_time >= 0 && std::isfinite(last_update_time))) last_update_time = 0;
        if (!(reference_pressure >= 0 && reference_pressure <= kHighestPressure))
            reference_pressure = 0;
        gps_rate = rateOf(gps_time_constant, 0.01);
        baro_rate = rateOf(baro_time_constant, 0.01);
        // A mode from a damaged or newer file is not trusted.
        mode = (m >= kOff && m <= kTerrain) ? mode_e(m) : kGPS;
        if (!HasBarometer() && (mode == kBarometer || mode == kBlend)) mode = kGPS;
        if (!within(user_offset, kHighestOffset)) user_offset = 0;
        if (!within(difference, kHighestOffset)) difference = 0;
    }
    return ok;
}
