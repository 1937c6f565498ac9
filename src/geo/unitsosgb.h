// The Ordnance Survey National Grid of Great Britain (OSGB36 datum, Airy 1830
// ellipsoid) as a position format: "TQ 30035 80559". The grid covers
// eastings 0..700 km and northings 0..1300 km; the first letter names the
// 500 km square (S, T, N, O, H, J), the second the 100 km square in it.
#pragma once

#include "geo/nationalgrid.h"

class CUnitsOSGB : public CNationalGrid {
public:
    CUnitsOSGB();

    static bool WGS84_lat_long_to_OS_grid(double lat, double lon, double& E, double& N);
    static bool OS_grid_to_WGS84_lat_long(double E, double N, double& lat, double& lon);
    // Lettered references: FormatGridReference, ScanGridReference, format, scan.
protected:
    bool SquareLetters(int e100, int n100, std::string& letters) const override;
    bool SquareOffset(const char* letters, double& E, double& N) const override;
};
