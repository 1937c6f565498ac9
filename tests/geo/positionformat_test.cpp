// Position formats: the registry, the latitude/longitude forms and every grid
// form, their worked examples and round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
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

const char* const kAllFormats[] = {
    "Degrees", "Deg,Min", "Deg,Min,Sec",           "UTM on WGS84", "UTM/WGS84 bands",
    "MGRS",    "NZTM",    "British National Grid", "Irish Grid"};

}  // namespace

TEST(PositionFormats, AllAreRegisteredAndFoundByName) {
    std::set<std::string> names;
    for (auto* f = CUnits::PositionFormatType::First(); f; f = f->next) names.insert(f->name);
    for (const char* name : kAllFormats) EXPECT_EQ(names.count(name), 1u) << name;
    EXPECT_STREQ(CUnits::PositionFormatType::Find("Nowhere")->name, "Deg,Min");
    EXPECT_EQ(CUnits::PositionFormatType::FindExact("Nowhere"), nullptr);
    EXPECT_STREQ(CUnits::Default->position_format->name, "Deg,Min");
}

TEST(PositionFormats, LatLonTexts) {
    EXPECT_EQ(formatted("Deg,Min", 50.5, -1.25),
              "50\xC2\xB0"
              "30.000'N, 1\xC2\xB0"
              "15.000'W");
    EXPECT_EQ(formatted("Deg,Min", 59.0 + 59.9999 / 60, 0),
              "60\xC2\xB0"
              "00.000'N, 0\xC2\xB0"
              "00.000'E");
    EXPECT_EQ(formatted("Degrees", -33.5, 151.25),
              "33.50000\xC2\xB0S, 151.25000\xC2\xB0"
              "E");
    EXPECT_EQ(formatted("Deg,Min,Sec", 51.5, -0.125),
              "51\xC2\xB0"
              "30'00.0\"N, 0\xC2\xB0"
              "7'30.0\"W");
    // Seconds that round up carry into minutes and degrees.
    EXPECT_EQ(formatted("Deg,Min,Sec", 10.99999, 0),
              "11\xC2\xB0"
              "0'00.0\"N, 0\xC2\xB0"
              "0'00.0\"E");
    std::string signedText;
    CUnits::appendPosition(signedText, -1.5, 2.25, 3);
    EXPECT_EQ(signedText, "-1.50000,  2.25000");
}

TEST(PositionFormats, LatLonScanning) {
    Scanned s = scanned("Deg,Min",
                        "51\xC2\xB0"
                        "30.500'N, 0\xC2\xB0"
                        "07.500'W");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, 51.508333, 1e-6);
    EXPECT_NEAR(s.lon, -0.125, 1e-9);

    s = scanned("Degrees", "33.5S 151.25");
    ASSERT_TRUE(s.ok);
    EXPECT_DOUBLE_EQ(s.lat, -33.5);
    EXPECT_DOUBLE_EQ(s.lon, 151.25);

    s = scanned("Deg,Min,Sec", "51d30'00.0\"N, 0d7'30\"W");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, 51.5, 1e-9);
    EXPECT_NEAR(s.lon, -0.125, 1e-9);

    // The first space already splits "51 30.5N, 0 7.5W" after the degrees.
    s = scanned("Deg,Min", "51 30.5N, 0 7.5W");
    EXPECT_FALSE(s.ok && std::fabs(s.lat - 51.508333) < 1e-4 && std::fabs(s.lon + 0.125) < 1e-4);
    // 30'.5 is 30.5 minutes; the Windows-1252 quote too.
    s = scanned("Deg,Min", "10d30'.5N, 5d0'.0E");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, 10 + 30.5 / 60, 1e-9);
    // Refused: 89.5 (beyond 89), no split point, empty text, longitude beyond 360.
    EXPECT_FALSE(scanned("Degrees", "89.5, 10").ok);
    EXPECT_FALSE(scanned("Degrees", "45").ok);
    EXPECT_FALSE(scanned("Degrees", "").ok);
    EXPECT_FALSE(scanned("Degrees", "10, 400").ok);
    EXPECT_FALSE(scanned("Degrees", "nan, 10").ok);
    // A failure leaves the position as it was.
    EXPECT_EQ(scanned("Degrees", "x, y").lat, 999);

    double v = 0;
    EXPECT_EQ(CUnits::scan_deg_min_sec("12 30 36 s", v), 'S');
    EXPECT_NEAR(v, 12.51, 1e-9);
    EXPECT_EQ(CUnits::scan_deg_min_sec("12.5E", v), 0);  // E is never a hemisphere here
    EXPECT_DOUBLE_EQ(v, 12.5);
    EXPECT_EQ(CUnits::scan_deg_min_sec("-3 30", v), 0);  // minutes add to negative degrees
    EXPECT_DOUBLE_EQ(v, -2.5);
    EXPECT_EQ(CUnits::scan_deg_min_sec("W", v), 'W');
    EXPECT_DOUBLE_EQ(v, 999);
}

TEST(PositionFormats, UtmTexts) {
    EXPECT_EQ(formatted("UTM on WGS84", 51.5, -0.125), "30N 699543E 5709349N");
    EXPECT_EQ(formatted("UTM/WGS84 bands", 51.5, -0.125), "30U 699543E 5709349N");
    EXPECT_EQ(formatted("UTM on WGS84", -33.8568, 151.2153), "56S 334901E 6252289N");
    EXPECT_EQ(CUnitsPositionUTM84::BandLetter(-0.1), 'M');
    EXPECT_EQ(CUnitsPositionUTM84::BandLetter(84.5), 'X');
    EXPECT_EQ(CUnitsPositionUTM84::BandLetter(89.9), 'X');
    EXPECT_EQ(CUnitsPositionUTM84::BandLetter(-85), 'C');
    EXPECT_EQ(CUnitsPositionUTM84::BandLetter(0), 'N');
    // 180° E is the western edge of zone 1.
    EXPECT_EQ(formatted("UTM on WGS84", 0.5, 180).substr(0, 3), "1N ");

    Scanned s = scanned("UTM on WGS84", "30N 699543E 5709349N");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, 51.5, 2e-5);
    EXPECT_NEAR(s.lon, -0.125, 2e-5);
    s = scanned("UTM on WGS84", " 56s 334901 E 6252289");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, -33.8568, 2e-5);
    s = scanned("UTM/WGS84 bands", "56H 334901E 6252289N");  // H is below N: south
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, -33.8568, 2e-5);

    EXPECT_FALSE(scanned("UTM on WGS84", "61N 500000E 5000000N").ok);
    EXPECT_FALSE(scanned("UTM on WGS84", "0N 500000E 5000000N").ok);
    EXPECT_FALSE(scanned("UTM on WGS84", "30N 699543 5709349").ok);  // no E
    EXPECT_FALSE(scanned("UTM/WGS84 bands", "30? 699543E 5709349N").ok);
    EXPECT_FALSE(scanned("UTM on WGS84", "30N 699543E 2147483648").ok);
}

TEST(PositionFormats, BritishNationalGrid) {
    // London is in the T block, Cornwall in S, Shetland in H.
    EXPECT_EQ(formatted("British National Grid", 51.5007, -0.1246)[0], 'T');
    EXPECT_EQ(formatted("British National Grid", 50.2660, -5.0527)[0], 'S');
    EXPECT_EQ(formatted("British National Grid", 60.3, -1.3)[0], 'H');
    // Big Ben: PROJ gives 530268.088 179643.898 with the same datum shift.
    const std::string bigBen = formatted("British National Grid", 51.500729, -0.124625);
    EXPECT_EQ(bigBen.substr(0, 3), "TQ ");
    double E = 0, N = 0;
    ASSERT_TRUE(CUnitsOSGB::WGS84_lat_long_to_OS_grid(51.500729, -0.124625, E, N));
    EXPECT_NEAR(E, 530268.088, 0.01);
    EXPECT_NEAR(N, 179643.898, 0.01);
    EXPECT_EQ(bigBen, "TQ 30268 79644");

    EXPECT_EQ(formatted("British National Grid", 48.0, -3.0), "<off grid>");
    EXPECT_EQ(formatted("British National Grid", 999, 999), "<off grid>");
    std::string text;
    EXPECT_FALSE(formatNamed("British National Grid").format(40.0, 10.0, text));

    const auto& osgb = static_cast<const CNationalGrid&>(formatNamed("British National Grid"));
    ASSERT_TRUE(osgb.ScanGridReference("SU 123 456", E, N));
    EXPECT_DOUBLE_EQ(E, 412300);
    EXPECT_DOUBLE_EQ(N, 145600);
    ASSERT_TRUE(osgb.ScanGridReference("su12344567", E, N));  // 8 digits: 10 m steps
    EXPECT_DOUBLE_EQ(E, 412340);
    EXPECT_DOUBLE_EQ(N, 145670);
    ASSERT_TRUE(osgb.ScanGridReference(" \tNN 16650 71250", E, N));
    EXPECT_DOUBLE_EQ(E, 216650);
    EXPECT_DOUBLE_EQ(N, 771250);
    ASSERT_TRUE(osgb.ScanGridReference("HU 12345 67890 999", E, N));  // first 10 digits
    EXPECT_DOUBLE_EQ(E, 412345);
    EXPECT_DOUBLE_EQ(N, 1167890);
    EXPECT_FALSE(osgb.ScanGridReference("SU 1234567", E, N));  // 7 digits
    EXPECT_FALSE(osgb.ScanGridReference("SU 1234", E, N));
    EXPECT_FALSE(osgb.ScanGridReference("AU 123 456", E, N));  // not a 500 km letter
    EXPECT_FALSE(osgb.ScanGridReference("SI 123 456", E, N));  // no I
    EXPECT_FALSE(osgb.ScanGridReference("S 123 456", E, N));
    EXPECT_FALSE(osgb.ScanGridReference("SU 123-456", E, N));

    // The second letter skips I: index 8 is J.
    ASSERT_TRUE(osgb.FormatGridReference(300000, 300000, text));
    EXPECT_EQ(text, "SJ 00000 00000");
    ASSERT_TRUE(osgb.FormatGridReference(699999.6, 1299999.6, text));
    EXPECT_EQ(text, "JH 00000 00000");
}

TEST(PositionFormats, IrishGrid) {
    // Dublin: PROJ gives 315900.553 234671.410 with the same datum shift.
    EXPECT_EQ(formatted("Irish Grid", 53.3498, -6.2603), "O 15901 34671");
    EXPECT_EQ(formatted("Irish Grid", 51.5, -0.12), "<off grid>");

    const auto& irish = static_cast<const CNationalGrid&>(formatNamed("Irish Grid"));
    double E = 0, N = 0;
    ASSERT_TRUE(irish.ScanGridReference("o 159 346", E, N));
    EXPECT_DOUBLE_EQ(E, 315900);
    EXPECT_DOUBLE_EQ(N, 234600);
    EXPECT_FALSE(irish.ScanGridReference("I 159 346", E, N));
    EXPECT_FALSE(irish.ScanGridReference("Z 159 346", E, N));

    // Upper bounds are not on the grid, also after rounding.
    std::string text;
    ASSERT_TRUE(irish.FormatGridReference(399999.4, 499999.4, text));
    EXPECT_EQ(text, "D 99999 99999");
    EXPECT_FALSE(irish.FormatGridReference(399999.6, 100000, text));
    EXPECT_FALSE(irish.FormatGridReference(100000, 500000, text));
    // A position just past the north-east corner is off the grid.
    double lat, lon;
    ASSERT_TRUE(CUnitsIrishGrid::Irish_grid_to_WGS84_lat_long(400000.2, 300000, lat, lon));
    EXPECT_FALSE(CUnitsIrishGrid::WGS84_lat_long_to_Irish_grid(lat, lon, E, N));
}

TEST(PositionFormats, MgrsAndNztm) {
    EXPECT_EQ(formatted("MGRS", 51.5, -0.125), "30UXC9954209348");
    EXPECT_EQ(formatted("MGRS", 95, 0), "<off grid>");
    EXPECT_EQ(formatted("MGRS", NAN, 0), "<off grid>");

    Scanned s = scanned("MGRS", " 30U XC 99542 09348 ");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, 51.5, 1e-4);
    for (const char* bad : {"", "30UXC993161016", "99ZZZ1", "30UIC9931610164", "hello"})
        EXPECT_FALSE(scanned("MGRS", bad).ok) << bad;

    EXPECT_EQ(formatted("NZTM", -41.2865, 174.7762), "1748736 5427916");
    s = scanned("NZTM", "1748735.553 5427916.479");
    ASSERT_TRUE(s.ok);
    EXPECT_NEAR(s.lat, -41.2865, 1e-5);
    EXPECT_NEAR(s.lon, 174.7762, 1e-5);
    EXPECT_FALSE(scanned("NZTM", "1748735").ok);
    EXPECT_FALSE(scanned("NZTM", "1748735 1e300").ok);
    EXPECT_FALSE(scanned("NZTM", "inf 5427916").ok);
    EXPECT_EQ(formatted("NZTM", 51.5, -0.125), "<off grid>");  // the far side of the world
}

TEST(PositionFormats, EveryFormatReadsBackWhatItWrites) {
    // Positions inside every grid's area, so each format has something to show.
    struct Place {
        const char* format;
        double lat, lon, metres;  // how close the text brings us back
    };
    std::vector<Place> places;
    for (const char* name : kAllFormats) {
        const bool british = std::string(name) == "British National Grid";
        const bool irish = std::string(name) == "Irish Grid";
        const bool nz = std::string(name) == "NZTM";
        const double lat0 = british ? 52.0 : irish ? 53.0 : nz ? -42.0 : -60.0;
        const double lon0 = british ? -2.0 : irish ? -8.0 : nz ? 172.0 : -170.0;
        const double step = british || irish ? 0.7 : nz ? 1.1 : 23.0;
        const double metres = std::string(name) == "Degrees" ? 1.2 : 2.0;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 6; ++j)
                places.push_back({name, lat0 + i * step * (british || irish || nz ? 1 : 1.3),
                                  lon0 + j * step * (british || irish || nz ? 0.6 : 3), metres});
    }
    for (const Place& p : places) {
        std::string text;
        ASSERT_TRUE(formatNamed(p.format).format(p.lat, p.lon, text))
            << p.format << " " << p.lat << " " << p.lon;
        const Scanned s = scanned(p.format, text.c_str());
        ASSERT_TRUE(s.ok) << p.format << " '" << text << "'";
        EXPECT_LT(CSimpleGrid(p.lat, p.lon).distance(s.lat, s.lon), p.metres)
            << p.format << " '" << text << "'";
    }
}

TEST(PositionFormats, NoFormatThrowsOrHangsOnHostileInput) {
    const char* hostile[] = {"",
                             " ",
                             ",",
                             "999,999",
                             "1e300, 1e300",
                             "-1e300 -1e300",
                             "30N 999999999E 999999999N",
                             "1 1e300",
                             "SV 99999 99999",
                             "JZ 99999 99999",
                             "D 99999 99999",
                             "ZZ99ZZ",
                             "4QFJ1234567890123",
                             "\xC2\xB0\xC2\xB0\xC2\xB0",
                             "'.'.'.'.",
                             "nan nan",
                             "inf, -inf"};
    for (const char* name : kAllFormats) {
        for (const char* text : hostile) {
            double lat = 999, lon = 999;
            if (formatNamed(name).scan(text, lat, lon)) {
                EXPECT_TRUE(std::isfinite(lat) && std::isfinite(lon)) << name << " " << text;
            }
        }
        std::string out;
        for (double lat : {999.0, -999.0, 90.0, -90.0, 1e300, double(NAN)}) {
            formatNamed(name).format(lat, 0, out);  // must return, whatever it says
            formatNamed(name).format(0, lat, out);
        }
    }
}
