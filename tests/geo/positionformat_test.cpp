// Position formats: the latitude/longitude forms and every grid form, their
// worked examples and round trips over each format's area.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "geo/unitsirishgrid.h"
#include "geo/unitsosgb.h"
#include "geo/unitspositionutm84.h"
#include "maps/simplegrid.h"

namespace {

const CUnits::PositionFormatType& formatNamed(const char* name) {
    const CUnits::PositionFormatType* f = CUnits::PositionFormatType::FindExact(name);
    if (!f) ADD_FAILURE() << "no format " << name;
    return f ? *f : *CUnits::PositionFormatType::Find("");
}

std::string formatted(const char* name, double lat, double lon) {
    std::string text;
    formatNamed(name).format(lat, lon, text);
    return text;
}

// Scans text; the position stays (999, 999) when it does not read.
struct Scanned {
    bool ok;
    double lat = 999, lon = 999;
};
Scanned scanned(const char* name, const char* text) {
    Scanned s{false};
    s.ok = formatNamed(name).scan(text, s.lat, s.lon);
    return s;
}

}  // namespace

#define DEG "\xC2\xB0"

TEST(PositionFormats, TextsWritten) {
    const std::tuple<const char*, double, double, const char*> cases[] = {
        {"Deg,Min", 50.5, -1.25, "50" DEG "30.000'N, 1" DEG "15.000'W"},
        {"Deg,Min", 59.0 + 59.9999 / 60, 0, "60" DEG "00.000'N, 0" DEG "00.000'E"},
        {"Degrees", -33.5, 151.25, "33.50000" DEG "S, 151.25000" DEG "E"},
        {"Deg,Min,Sec", 51.5, -0.125, "51" DEG "30'00.0\"N, 0" DEG "7'30.0\"W"},
        {"Deg,Min,Sec", 10.99999, 0, "11" DEG "0'00.0\"N, 0" DEG "0'00.0\"E"},  // carries
        {"UTM on WGS84", 51.5, -0.125, "30N 699543E 5709349N"},
        {"UTM/WGS84 bands", 51.5, -0.125, "30U 699543E 5709349N"},
        {"UTM on WGS84", -33.8568, 151.2153, "56S 334901E 6252289N"},
        // Big Ben and Dublin: PROJ gives 530268.088 179643.898 and
        // 315900.553 234671.410 with the same datum shifts.
        {"British National Grid", 51.500729, -0.124625, "TQ 30268 79644"},
        {"Irish Grid", 53.3498, -6.2603, "O 15901 34671"},
        {"MGRS", 51.5, -0.125, "30UXC9954209348"},
        {"NZTM", -41.2865, 174.7762, "1748736 5427916"},
        {"British National Grid", 48.0, -3.0, "<off grid>"},
        {"Irish Grid", 51.5, -0.12, "<off grid>"},
        {"MGRS", 95, 0, "<off grid>"},
        {"MGRS", NAN, 0, "<off grid>"},
        {"NZTM", 51.5, -0.125, "<off grid>"},  // the far side of the world
    };
    for (const auto& [format, lat, lon, text] : cases)
        EXPECT_EQ(formatted(format, lat, lon), text) << format << " " << lat;
    EXPECT_EQ(formatted("UTM on WGS84", 0.5, 180).substr(0, 3), "1N ");  // zone 1's west edge
    std::string signedText;
    CUnits::appendPosition(signedText, -1.5, 2.25, 3);
    EXPECT_EQ(signedText, "-1.50000,  2.25000");
    // An unknown name finds the default format only where a fallback is asked for.
    EXPECT_STREQ(CUnits::PositionFormatType::Find("Nowhere")->name, "Deg,Min");
    EXPECT_EQ(CUnits::PositionFormatType::FindExact("Nowhere"), nullptr);
    EXPECT_STREQ(CUnits::Default->position_format->name, "Deg,Min");
}

TEST(PositionFormats, TextsRead) {
    // Format, text, latitude (999: refused), longitude, tolerance.
    const std::tuple<const char*, const char*, double, double, double> cases[] = {
        {"Deg,Min", "51" DEG "30.500'N, 0" DEG "07.500'W", 51.5 + 0.5 / 60, -0.125, 1e-9},
        {"Degrees", "33.5S 151.25", -33.5, 151.25, 1e-12},
        {"Deg,Min,Sec", "51d30'00.0\"N, 0d7'30\"W", 51.5, -0.125, 1e-9},
        {"UTM on WGS84", "30N 699543E 5709349N", 51.5, -0.125, 2e-5},
        {"UTM/WGS84 bands", "56H 334901E 6252289N", -33.8568, 151.2153, 2e-5},  // H: south
        {"MGRS", " 30U XC 99542 09348 ", 51.5, -0.125, 1e-4},
        {"NZTM", "1748735.553 5427916.479", -41.2865, 174.7762, 1e-5},
        {"Degrees", "89.5, 10", 999, 999, 0},  // beyond 89
        {"Degrees", "45", 999, 999, 0},
        {"Degrees", "10, 400", 999, 999, 0},
        {"Degrees", "nan, 10", 999, 999, 0},
        {"UTM on WGS84", "61N 500000E 5000000N", 999, 999, 0},
        {"UTM on WGS84", "30N 699543 5709349", 999, 999, 0},  // no E
        {"UTM/WGS84 bands", "30? 699543E 5709349N", 999, 999, 0},
        {"UTM on WGS84", "30N 699543E 2147483648", 999, 999, 0},
        {"MGRS", "30UXC993161016", 999, 999, 0},
        {"MGRS", "30UIC9931610164", 999, 999, 0},
        {"NZTM", "1748735 1e300", 999, 999, 0},
        {"NZTM", "inf 5427916", 999, 999, 0},
    };
    for (const auto& [format, text, lat, lon, tolerance] : cases) {
        SCOPED_TRACE(std::string(format) + ": '" + text + "'");
        const Scanned s = scanned(format, text);
        EXPECT_EQ(s.ok, lat != 999);
        EXPECT_NEAR(s.lat, lat, tolerance);  // a refusal leaves 999
        EXPECT_NEAR(s.lon, lon, tolerance);
    }
    const std::tuple<const char*, char, double> parts[] = {
        {"12 30 36 s", 'S', 12.51},
        {"12.5E", 0, 12.5},  // E is never a hemisphere here
        {"-3 30", 0, -2.5},  // minutes add to negative degrees
        {"W", 'W', 999}};
    for (const auto& [text, hemisphere, value] : parts) {
        double v = 0;
        EXPECT_EQ(CUnits::scan_deg_min_sec(text, v), hemisphere) << text;
        EXPECT_NEAR(v, value, 1e-9) << text;
    }
}

TEST(PositionFormats, NationalGridReferences) {
    const auto& osgb = static_cast<const CNationalGrid&>(formatNamed("British National Grid"));
    const auto& irish = static_cast<const CNationalGrid&>(formatNamed("Irish Grid"));
    const std::tuple<const CNationalGrid&, const char*, double, double> cases[] = {
        // E -1: refused
        {osgb, "SU 123 456", 412300, 145600},
        {osgb, "su12344567", 412340, 145670},  // 8 digits: 10 m steps
        {osgb, " \tNN 16650 71250", 216650, 771250},
        {osgb, "HU 12345 67890 999", 412345, 1167890},  // the first 10 digits
        {osgb, "SU 1234567", -1, -1},                   // 7 digits
        {osgb, "AU 123 456", -1, -1},                   // not a 500 km letter
        {osgb, "SI 123 456", -1, -1},                   // no I
        {osgb, "SU 123-456", -1, -1},
        {irish, "o 159 346", 315900, 234600},
        {irish, "I 159 346", -1, -1},
    };
    for (const auto& [grid, text, refE, refN] : cases) {
        double E = -1, N = -1;
        EXPECT_EQ(grid.ScanGridReference(text, E, N), refE >= 0) << text;
        EXPECT_EQ(std::make_pair(E, N), std::make_pair(refE, refN)) << text;  // a refusal leaves -1
    }
    std::string text;
    // The second letter skips I: index 8 is J.
    ASSERT_TRUE(osgb.FormatGridReference(300000, 300000, text));
    EXPECT_EQ(text, "SJ 00000 00000");
    // Upper bounds are not on the grid, also after rounding.
    ASSERT_TRUE(irish.FormatGridReference(399999.4, 499999.4, text));
    EXPECT_EQ(text, "D 99999 99999");
    EXPECT_FALSE(irish.FormatGridReference(399999.6, 100000, text));
    // A position just past the north-east corner is off the grid.
    double lat, lon, E, N;
    ASSERT_TRUE(CUnitsIrishGrid::Irish_grid_to_WGS84_lat_long(400000.2, 300000, lat, lon));
    EXPECT_FALSE(CUnitsIrishGrid::WGS84_lat_long_to_Irish_grid(lat, lon, E, N));
}

TEST(PositionFormats, EveryFormatReadsBackWhatItWrites) {
    // A 4 x 6 lattice inside each grid's area; the world for the others.
    // Format, first latitude and longitude, steps, how close it comes back in metres.
    const std::tuple<const char*, double, double, double, double, double> areas[] = {
        {"Degrees", -60, -170, 30, 69, 1.2},       {"Deg,Min", -60, -170, 30, 69, 2},
        {"Deg,Min,Sec", -60, -170, 30, 69, 2},     {"UTM on WGS84", -60, -170, 30, 69, 2},
        {"UTM/WGS84 bands", -60, -170, 30, 69, 2}, {"MGRS", -60, -170, 30, 69, 2},
        {"NZTM", -42, 172, 1.1, 0.66, 2},          {"British National Grid", 52, -2, 0.7, 0.42, 2},
        {"Irish Grid", 53, -8, 0.7, 0.42, 2},
    };
    for (const auto& [format, lat0, lon0, latStep, lonStep, metres] : areas) {
        for (int k = 0; k < 24; ++k) {
            const double lat = lat0 + k / 6 * latStep, lon = lon0 + k % 6 * lonStep;
            std::string text;
            ASSERT_TRUE(formatNamed(format).format(lat, lon, text))
                << format << " " << lat << " " << lon;
            const Scanned s = scanned(format, text.c_str());
            EXPECT_TRUE(s.ok && CSimpleGrid(lat, lon).distance(s.lat, s.lon) < metres)
                << format << " '" << text << "'";
        }
    }
}
