// The Irish Grid (Ireland 1965 datum, modified Airy ellipsoid) as a position
// format: "O 15904 34671". The grid covers eastings 0..400 km and northings
// 0..500 km, upper bounds excluded; one letter names the 100 km square.
#pragma once

#include "geo/nationalgrid.h"

class CUnitsIrishGrid : public CNationalGrid {
public:
    CUnitsIrishGrid();

    static bool WGS84_lat_long_to_Irish_grid(double lat, double lon, double& E, double& N);
    static bool Irish_grid_to_WGS84_lat_long(double E, double N, double& lat, double& lon);
    // Lettered references: FormatGridReference, ScanGridReference, format, scan.
protected:
    bool SquareLetters(int e100, int n100, std::string& letters) const override;
    bool SquareOffset(const char* letters, double& E, double& N) const override;
};
