// CDataAltitude: the altitude of the own position from GPS, barometer or
// terrain, in metres above sea level; -9999 means none.
//
// Modes: 0 off; 1 barometer only; 2 GPS only; 3 GPS and barometer blended;
// 4 terrain (the elevation data at each new position). This platform has no
// barometer (app/barometer.h), so modes 1 and 3 see no pressure: mode 1
// gives no altitude and mode 3 follows GPS alone.
//
// GPS only: the GPS altitude is smoothed with the GPS time constant T (a
// first-order filter moving dt/T of the way per fix; a gap longer than T
// restarts from the fix). Blend: the barometric altitude follows pressure
// and the GPS slowly corrects the difference between the two. Barometric
// altitude from pressure p and the reference pressure p0 taken at the first
// fix (international standard atmosphere):
//     h = 44330 * (1 - (p / p0) ^ 0.1902663538687809)   metres.
// The user's calibration shifts every mode by a fixed offset.
#pragma once

#include <cstdint>

#include "overlays/serializable.h"

class CDataAltitude {
public:
    enum mode_e : int32_t { kOff = 0, kBarometer = 1, kGPS = 2, kBlend = 3, kTerrain = 4 };

    // Where terrain altitudes come from: the elevation data registers one
    // when it is built in. Without one, terrain mode gives no altitude.
    class TerrainSource {
    public:
        virtual ~TerrainSource() = default;
        virtual void Open() = 0;   // load the data (folder "elev" of the app)
        virtual void Close() = 0;  // unload it
        virtual double AltitudeAt(double lat, double lon) = 0;  // metres; -9999 = none
        // The height with samples about `spacing` metres apart (a map's pixel).
        virtual double GroundHeightAt(double lat, double lon, double) {
            return AltitudeAt(lat, lon);
        }
    };
    static void SetTerrainSource(TerrainSource* source);
    static TerrainSource* GetTerrainSource();

    // A GPS altitude (metres; -9999 none), a pressure (hPa; 0 or less none)
    // and the time of the fix (seconds since 1970).
    void Set(double gps, double pressure, double time);
    // Time constants in seconds; the calibration altitude is what the
    // altitude is made to read now (pass the current altitude to keep it).
    void SetAltitudeSettings(double gpsTimeConstant, mode_e mode, double calibrationAltitude,
                             double baroTimeConstant);
    void SetFromTerrain(double lat, double lon);
    // The settings and filter state, for the last-position file.
    bool Serialize(CSerializable::IOStream& stream);

    double altitude = -9999;       // the result, metres
    double difference = 0;         // GPS minus barometric altitude, filtered (metres)
    double user_offset = 0;        // calibration, metres
    double gps_rate = 0;           // 1 / GPS time constant
    double gps_time_constant = 0;  // seconds; 0 = unsmoothed GPS altitude
    double last_update_time = 0;   // seconds since 1970
    mode_e mode = kGPS;
    double reference_pressure = 0;     // hPa at the first fix; 0 = not taken yet
    double last_gps_altitude = -9999;  // metres
    double last_baro_altitude = 0;     // filtered, metres; 0 = none yet
    double baro_time_constant = -1;    // seconds; negative = 10 s on first use
    double baro_rate = 0;

private:
    double altitudeFromPressure(double pressure, double dt);
    // Each returns false when the fix time brings nothing new.
    bool gpsOnly(double gps, double time);
    bool barometerOnly(double pressure, double time);
    bool blend(double gps, double pressure, double time);
};
