// New Zealand Transverse Mercator 2000 as a position format: "easting
// northing" in metres, e.g. "1748735 5427916". NZGD2000 is taken to be
// WGS84 (they differ by well under a metre), so no datum shift is applied.
// Transverse Mercator on GRS80, central meridian 173° E, scale 0.9996, false
// easting 1,600,000 m and northing 10,000,000 m, by GeographicLib's Krüger
// series (nanometre accuracy over the whole country). Positions more than
// 4000 km east or west of the central meridian are "<off grid>".
#pragma once

#include "geo/units.h"

class CUnitsNZTM : public CUnits::PositionFormatType {
public:
    CUnitsNZTM() : PositionFormatType("NZTM") {}

    bool format(double lat, double lon, std::string& text) const override;
    bool scan(const char* text, double& lat, double& lon) const override;

    static bool LatLonToNZTM(double lat, double lon, double& E, double& N);
    static bool NZTMToLatLon(double E, double N, double& lat, double& lon);
};
