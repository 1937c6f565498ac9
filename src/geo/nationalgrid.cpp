#include "geo/nationalgrid.h"

#include <cctype>
#include <cmath>

#include "geo/numbertext.h"

namespace {
constexpr char kOffGrid[] = "<off grid>";
}

CNationalGrid::CNationalGrid(const char* formatName, const Definition& definition)
    : PositionFormatType(formatName), m_definition(definition) {}

bool CNationalGrid::ToGrid(double lat, double lon, double& E, double& N) const {
    if (!(std::fabs(lat) < 90) || !std::isfinite(lon)) return false;
    utm_proj tm;
    (tm.*m_definition.initProjection)();

    ellipsoid wgs84;
    wgs84.init(ellipsoid::kWGS84_a, ellipsoid::kWGS84_b, lat);
    double X, Y, Z;
    wgs84.lat_long_to_XYZ(lat, lon, X, Y, Z);
    Helmert shift;
    (shift.*m_definition.initToLocal)();
    shift.transform(X, Y, Z);
    ellipsoid local;
    local.init(tm.a, tm.b, lat);
    double localLat, localLon;
    local.XYZ_to_lat_long(X, Y, Z, localLat, localLon);

    double e, n;
    tm.lat_lon_to_E_N(localLat, localLon, e, n);
    const Definition& d = m_definition;
    if (!(e >= 0 && n >= 0)) return false;
    if (d.upperBoundsExclusive ? !(e < d.maxEasting && n < d.maxNorthing)
                               : !(e <= d.maxEasting && n <= d.maxNorthing))
        return false;
    E = e;
    N = n;
    return true;
}

bool CNationalGrid::FromGrid(double E, double N, double& lat, double& lon) const {
    utm_proj tm;
    (tm.*m_definition.initProjection)();
    double localLat, localLon;
    if (!tm.E_N_to_lat_lon(E, N, localLat, localLon)) return false;

    ellipsoid local;
    local.init(tm.a, tm.b, localLat);
    double X, Y, Z;
    local.lat_long_to_XYZ(localLat, localLon, X, Y, Z);
    Helmert shift;
    (shift.*m_definition.initToWGS84)();
    shift.transform(X, Y, Z);
    ellipsoid wgs84;
    wgs84.init(ellipsoid::kWGS84_a, ellipsoid::kWGS84_b, localLat);
    wgs84.XYZ_to_lat_long(X, Y, Z, lat, lon);
    return true;
}

bool CNationalGrid::FormatGridReference(double E, double N, std::string& text) const {
    if (!std::isfinite(E) || !std::isfinite(N)) return false;
    const double e = std::floor(E + 0.5), n = std::floor(N + 0.5);
    if (e < 0 || n < 0 || e > 1e7 || n > 1e7) return false;
    const int ei = int(e), ni = int(n);
    std::string letters;
    if (!SquareLetters(ei / 100000, ni / 100000, letters)) return false;
    text = stringFormat("%s %05d %05d", letters.c_str(), ei % 100000, ni % 100000);
    return true;
}

bool CNationalGrid::ScanGridReference(const char* text, double& E, double& N) const {
    if (!text) return false;
    const char* p = text;
    skipSpace(p);
    char letters[3] = {0, 0, 0};
    for (int i = 0; i < m_definition.letterCount; ++i) {
        if (!std::isalpha(static_cast<unsigned char>(*p))) return false;
        letters[i] = char(std::toupper(static_cast<unsigned char>(*p++)));
    }
    // Up to 10 digits, with any spaces between them.
    char digits[10];
    int count = 0;
    while (count < 10) {
        skipSpace(p);
        if (!*p) break;
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
        digits[count++] = *p++;
    }
    if (count < 10 && (count < 6 || count % 2 != 0)) return false;
    const int half = count / 2;
    double e = 0, n = 0;
    for (int i = 0; i < half; ++i) {
        e = e * 10 + (digits[i] - '0');
        n = n * 10 + (digits[half + i] - '0');
    }
    const double scale = half == 3 ? 100 : half == 4 ? 10 : 1;

    double squareE, squareN;
    if (!SquareOffset(letters, squareE, squareN)) return false;
    E = squareE + e * scale;
    N = squareN + n * scale;
    return true;
}

bool CNationalGrid::format(double lat, double lon, std::string& text) const {
    double E, N;
    if (!ToGrid(lat, lon, E, N) || !FormatGridReference(E, N, text)) {
        text = kOffGrid;
        return false;
    }
    return true;
}

bool CNationalGrid::scan(const char* text, double& lat, double& lon) const {
    double E, N;
    return ScanGridReference(text, E, N) && FromGrid(E, N, lat, lon);
}

char CNationalGrid::LetterOfSquareIndex(int index) {
    if (index < 0 || index >= 25) return 0;
    const char letter = char('A' + index);
    return letter >= 'I' ? char(letter + 1) : letter;
}

int CNationalGrid::SquareIndexOfLetter(char letter) {
    if (letter < 'A' || letter > 'Z' || letter == 'I') return -1;
    return letter > 'I' ? letter - 'A' - 1 : letter - 'A';
}
