#include "geo/unitsirishgrid.h"

#include <cstring>

namespace {

const CNationalGrid::Definition kIrishGrid = {&utm_proj::init_IrishGrid,
                                              &Helmert::init_WGS84_to_IrishGrid,
                                              &Helmert::init_IrishGrid_to_WGS84,
                                              400000,
                                              500000,
                                              true,
                                              1};

// Four columns of 100 km from the west, five rows from the south.
constexpr char kLetters[] = "VWXYQRSTLMNOFGHJABCD";

}  // namespace

CUnitsIrishGrid::CUnitsIrishGrid() : CNationalGrid("Irish Grid", kIrishGrid) {}

bool CUnitsIrishGrid::SquareLetters(int e100, int n100, std::string& letters) const {
    if (e100 < 0 || e100 >= 4 || n100 < 0 || n100 >= 5) return false;
    letters.assign(1, kLetters[4 * n100 + e100]);
    return true;
}

bool CUnitsIrishGrid::SquareOffset(const char* letters, double& E, double& N) const {
    const char* found = letters[0] ? std::strchr(kLetters, letters[0]) : nullptr;
    if (!found) return false;
    const int index = int(found - kLetters);
    E = (index % 4) * 100000.0;
    N = (index / 4) * 100000.0;
    return true;
}

static CUnitsIrishGrid s_formatIrishGrid;

bool CUnitsIrishGrid::WGS84_lat_long_to_Irish_grid(double lat, double lon, double& E, double& N) {
    return s_formatIrishGrid.ToGrid(lat, lon, E, N);
}

bool CUnitsIrishGrid::Irish_grid_to_WGS84_lat_long(double E, double N, double& lat, double& lon) {
    return s_formatIrishGrid.FromGrid(E, N, lat, lon);
}
