#include "geo/unitsosgb.h"

#include <cstring>

namespace {

const CNationalGrid::Definition kOSGB = {&utm_proj::init_OSGB,
                                         &Helmert::init_WGS84_to_OSGB36,
                                         &Helmert::init_OSGB36_to_WGS84,
                                         700000,
                                         1300000,
                                         false,
                                         2};

// 500 km squares: letter, easting and northing of the south-west corner.
constexpr char kFirstLetters[] = "STNOHJ";

}  // namespace

CUnitsOSGB::CUnitsOSGB() : CNationalGrid("British National Grid", kOSGB) {}

bool CUnitsOSGB::SquareLetters(int e100, int n100, std::string& letters) const {
    const int first = 2 * (n100 / 5) + e100 / 5;
    if (e100 < 0 || n100 < 0 || e100 >= 10 || first >= 6) return false;
    letters.assign(1, kFirstLetters[first]);
    letters += LetterOfSquareIndex(20 - 5 * (n100 % 5) + e100 % 5);
    return true;
}

bool CUnitsOSGB::SquareOffset(const char* letters, double& E, double& N) const {
    const char* first = letters[0] ? std::strchr(kFirstLetters, letters[0]) : nullptr;
    const int second = SquareIndexOfLetter(letters[1]);
    if (!first || second < 0) return false;
    const int block = int(first - kFirstLetters);
    E = (block % 2) * 500000.0 + (second % 5) * 100000.0;
    N = (block / 2) * 500000.0 + (4 - second / 5) * 100000.0;
    return true;
}

static CUnitsOSGB s_formatOSGB;

bool CUnitsOSGB::WGS84_lat_long_to_OS_grid(double lat, double lon, double& E, double& N) {
    return s_formatOSGB.ToGrid(lat, lon, E, N);
}

bool CUnitsOSGB::OS_grid_to_WGS84_lat_long(double E, double N, double& lat, double& lon) {
    return s_formatOSGB.FromGrid(E, N, lat, lon);
}
