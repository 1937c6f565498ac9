// The grid systems against independent conversions of the same points by
// PROJ (cs2cs) and GeographicLib (GeoConvert), kept in tests/geo/data/ by
// scripts/make-grid-references.sh. Each test prints the largest difference
// in metres it found, both ways (position to grid, grid to position).
#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "geo/unitsirishgrid.h"
#include "geo/unitsmgrs.h"
#include "geo/unitsnztm.h"
#include "geo/unitsosgb.h"
#include "geo/unitspositionutm84.h"
#include "maps/simplegrid.h"

namespace {

// The whitespace-separated fields of each line of a table, comments skipped.
std::vector<QStringList> readTable(const char* name) {
    QFile file(QString(ORVANTA_SOURCE_DIR) + "/tests/geo/data/" + name);
    std::vector<QStringList> rows;
    if (!file.open(QIODevice::ReadOnly)) return rows;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        rows.push_back(line.split(' ', Qt::SkipEmptyParts));
    }
    return rows;
}

// Ground distance in metres between two nearby positions.
double metresBetween(double lat1, double lon1, double lat2, double lon2) {
    return CSimpleGrid(lat1, lon1).distance(lat2, lon2);
}

struct Worst {
    std::string what;
    double metres = 0;
    void add(double d) { metres = std::max(metres, std::isnan(d) ? 1e300 : d); }
    ~Worst() { std::printf("    largest difference %-36s %.6f m\n", what.c_str(), metres); }
};

// A national grid or NZTM table: lat lon E N.
void checkGridTable(const char* table, bool (*toGrid)(double, double, double&, double&),
                    bool (*fromGrid)(double, double, double&, double&), double goalMetres,
                    const char* label) {
    const auto rows = readTable(table);
    ASSERT_GT(rows.size(), 100u) << table;
    Worst forward{std::string(label) + " position->grid vs cs2cs"},
        reverse{std::string(label) + " grid->position vs cs2cs"};
    for (const QStringList& r : rows) {
        const double lat = r[0].toDouble(), lon = r[1].toDouble();
        const double refE = r[2].toDouble(), refN = r[3].toDouble();
        double E = 0, N = 0, la = 999, lo = 999;
        ASSERT_TRUE(toGrid(lat, lon, E, N)) << lat << " " << lon;
        forward.add(std::hypot(E - refE, N - refN));
        ASSERT_TRUE(fromGrid(refE, refN, la, lo)) << refE << " " << refN;
        reverse.add(metresBetween(lat, lon, la, lo));
    }
    EXPECT_LT(forward.metres, goalMetres);
    EXPECT_LT(reverse.metres, goalMetres);
}

}  // namespace

TEST(GridReference, UtmAgreesWithGeoConvertAndProj) {
    const auto rows = readTable("utm_reference.txt");
    ASSERT_GT(rows.size(), 1000u);
    Worst geoForward{"UTM position->grid vs GeoConvert"},
        projForward{"UTM position->grid vs cs2cs"};
    Worst geoReverse{"UTM grid->position vs GeoConvert"};
    for (const QStringList& r : rows) {
        const double lat = r[0].toDouble(), lon = r[1].toDouble();
        int zone = 0;
        double E = 0, N = 0;
        bool south = false;
        ASSERT_TRUE(CUnitsPositionUTM84::LatLonToUTM(lat, lon, zone, E, N, south));
        EXPECT_EQ(std::make_pair(zone, south), std::make_pair(r[2].toInt(), r[3] == "s"))
            << lat << " " << lon;
        geoForward.add(std::hypot(E - r[4].toDouble(), N - r[5].toDouble()));
        projForward.add(std::hypot(E - r[6].toDouble(), N - r[7].toDouble()));

        double la = 999, lo = 999;
        ASSERT_TRUE(CUnitsPositionUTM84::UTMToLatLon(r[2].toInt(), r[3] == "s", r[4].toDouble(),
                                                     r[5].toDouble(), la, lo));
        geoReverse.add(metresBetween(lat, lon, la, lo));
    }
    EXPECT_LT(geoForward.metres, 0.01);
    EXPECT_LT(projForward.metres, 0.01);
    EXPECT_LT(geoReverse.metres, 0.01);
}

TEST(GridReference, MgrsAgreesWithGeoConvert) {
    const auto rows = readTable("mgrs_reference.txt");
    ASSERT_GT(rows.size(), 1000u);
    const CUnits::PositionFormatType* mgrs = CUnits::PositionFormatType::FindExact("MGRS");
    ASSERT_NE(mgrs, nullptr);
    Worst reverse{"MGRS text->position vs GeoConvert"};
    int differentTexts = 0;
    for (const QStringList& r : rows) {
        std::string text;
        ASSERT_TRUE(mgrs->format(r[0].toDouble(), r[1].toDouble(), text));
        if (QString::fromStdString(text) != r[2]) ++differentTexts;
        double la = 999, lo = 999;
        ASSERT_TRUE(mgrs->scan(r[2].toUtf8().constData(), la, lo)) << r[2].toStdString();
        reverse.add(metresBetween(r[3].toDouble(), r[4].toDouble(), la, lo));
    }
    std::printf("    MGRS texts differing from GeoConvert: %d of %zu\n", differentTexts,
                rows.size());
    EXPECT_EQ(differentTexts, 0);
    EXPECT_LT(reverse.metres, 0.01);
}

TEST(GridReference, NationalGridsAndNztmAgreeWithProj) {
    checkGridTable("nztm_reference.txt", CUnitsNZTM::LatLonToNZTM, CUnitsNZTM::NZTMToLatLon, 0.01,
                   "NZTM");
    checkGridTable("osgb_reference.txt", CUnitsOSGB::WGS84_lat_long_to_OS_grid,
                   CUnitsOSGB::OS_grid_to_WGS84_lat_long, 1.0, "British National Grid");
    checkGridTable("irish_reference.txt", CUnitsIrishGrid::WGS84_lat_long_to_Irish_grid,
                   CUnitsIrishGrid::Irish_grid_to_WGS84_lat_long, 1.0, "Irish Grid");
}
