// UTM on WGS84 as a position format, in two notations:
//   "UTM on WGS84"     "30N 699316E 5710164N" (zone, hemisphere N or S)
//   "UTM/WGS84 bands"  "30U 699316E 5710164N" (zone, latitude band)
// Eastings and northings in metres by the Transverse Mercator series of
// utm_proj; zones are 6° wide from 180° W (no Norway or Svalbard exceptions).
#pragma once

#include "geo/units.h"

class CUnitsPositionUTM84 : public CUnits::PositionFormatType {
public:
    CUnitsPositionUTM84() : CUnitsPositionUTM84("UTM on WGS84", false) {}

    bool format(double lat, double lon, std::string& text) const override;
    bool scan(const char* text, double& lat, double& lon) const override;

    // Zone 1..60, easting and northing in metres, the northing with
    // 10,000,000 added in the southern hemisphere; false for no position.
    static bool LatLonToUTM(double lat, double lon, int& zone, double& E, double& N, bool& south);
    static bool UTMToLatLon(int zone, bool south, double E, double N, double& lat, double& lon);
    // "CDEFGHJKLMNPQRSTUVWX" by 8° of latitude from 80° S, clamped at both ends.
    static char BandLetter(double lat);

protected:
    CUnitsPositionUTM84(const char* formatName, bool bands)
        : PositionFormatType(formatName), m_bands(bands) {}

private:
    bool m_bands;
};

class CUnitsPositionUTM84bands : public CUnitsPositionUTM84 {
public:
    CUnitsPositionUTM84bands() : CUnitsPositionUTM84("UTM/WGS84 bands", true) {}
};
