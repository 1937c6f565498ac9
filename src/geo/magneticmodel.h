// The World Magnetic Model: the main geomagnetic field as a spherical-harmonic
// series of Gauss coefficients (nanotesla) with a linear secular variation,
// evaluated as in the model's technical report (NOAA NCEI / BGS, "The US/UK
// World Magnetic Model for 2025-2030"): geodetic to geocentric spherical
// coordinates, Schmidt semi-normalised associated Legendre functions, field
// components rotated back to the ellipsoid. The coefficients come from a
// "WMM_COF.txt" file (header line with the epoch, then "n m g h ġ ḣ" lines,
// ended by a line of 9s).
#pragma once

#include <string>
#include <vector>

class CMagneticModel {
public:
    static constexpr int kMaxDegree = 12;

    // Parses the coefficient file's text; false when it is not one.
    bool LoadText(const std::string& text);
    bool LoadFile(const std::string& path);
    bool IsLoaded() const { return m_degree > 0; }
    double Epoch() const { return m_epoch; }  // decimal year

    struct Field {
        double X = 0, Y = 0, Z = 0;  // north, east, down, nanotesla
        double declination = 0;      // degrees east of true north
        double inclination = 0;      // degrees below the horizontal
        double total = 0;            // nanotesla
    };
    // lat, lon in degrees (WGS84), height_km above the ellipsoid, decimal
    // year; false when no model is loaded or the input is not finite.
    bool Evaluate(double lat, double lon, double height_km, double decimal_year,
                  Field& field) const;

private:
    int m_degree = 0;
    double m_epoch = 0;
    // Indexed [n][m]: main field and its yearly change.
    double m_g[kMaxDegree + 1][kMaxDegree + 1] = {};
    double m_h[kMaxDegree + 1][kMaxDegree + 1] = {};
    double m_gDot[kMaxDegree + 1][kMaxDegree + 1] = {};
    double m_hDot[kMaxDegree + 1][kMaxDegree + 1] = {};
};

// Degrees east at a position `height_km` above the WGS84 ellipsoid at a
// decimal year, by the model bundled with the program ("WMM_COF.txt",
// loaded once); 0 when it cannot be read.
double get_magnetic_declination(double lat, double lon, double height_km, double decimal_year);
// Seconds since 1970 to the decimal year the program's magnetic variation
// uses (3.14712e7 seconds a year).
double magneticYearOfTime(double time);
