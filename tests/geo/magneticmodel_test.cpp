// The World Magnetic Model routine against the model's official test values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/base/fileutils.h"
#include "geo/magneticmodel.h"
#include "geo/units.h"

namespace {

struct TestPoint {
    double year, heightKm, lat, lon, declination;
};

// "Test Values for WMM2025", NOAA NCEI and BGS, published with the model
// (WMM2025testvalues.pdf, December 2024): decimal year, height above the
// WGS84 ellipsoid (km), latitude, longitude, declination (degrees).
const TestPoint kOfficialValues[] = {
    {2025.0, 0, 80, 0, 1.28},       {2025.0, 0, 0, 120, -0.16},     {2025.0, 0, -80, 240, 68.78},
    {2025.0, 100, 80, 0, 0.85},     {2027.5, 0, 80, 0, 2.59},       {2027.5, 100, 0, 120, -0.23},
    {2027.5, 0, -80, 240, 68.49},   {2025.0, 28, 89, -121, -99.77}, {2025.0, 48, 80, -96, -29.91},
    {2025.0, 54, 82, 87, 54.89},    {2025.0, 65, 43, 93, 0.50},     {2025.0, 51, -33, 109, -5.49},
    {2025.0, 39, -59, -8, -15.75},  {2025.0, 3, -50, -103, 27.96},  {2025.0, 94, -29, -110, 15.74},
    {2025.0, 66, 14, 143, -0.19},   {2025.0, 18, 0, 21, 1.29},      {2027.5, 0, -13, -59, -17.49},
    {2027.5, 8, 62, 53, 19.39},     {2027.5, 77, -68, -7, -16.19},  {2027.5, 98, -5, 159, 7.79},
    {2027.5, 34, -29, -107, 15.64}, {2027.5, 60, 27, 65, 1.85},     {2027.5, 73, -72, 95, -102.64},
    {2027.5, 96, -46, -85, 17.93},  {2027.5, 16, 66, -178, 0.37},   {2027.5, 72, -87, 38, -65.44},
};

std::string bundledCoefficients() {
    std::string text;
    read_whole_file(std::string(ORVANTA_SOURCE_DIR) + "/data/WMM_COF.txt", text);
    return text;
}

}  // namespace

TEST(MagneticModel, MatchesTheOfficialTestValues) {
    CMagneticModel model;
    ASSERT_TRUE(model.LoadText(bundledCoefficients()));
    EXPECT_DOUBLE_EQ(model.Epoch(), 2025.0);
    double worst = 0;
    for (const TestPoint& p : kOfficialValues) {
        CMagneticModel::Field field;
        ASSERT_TRUE(model.Evaluate(p.lat, p.lon, p.heightKm, p.year, field));
        EXPECT_NEAR(field.declination, p.declination, 0.1)
            << p.year << " " << p.heightKm << " km " << p.lat << " " << p.lon;
        worst = std::max(worst, std::fabs(field.declination - p.declination));
    }
    std::printf("    largest declination difference from the WMM2025 test values: %.4f deg\n",
                worst);
}

TEST(MagneticModel, RefusesWhatIsNotAModel) {
    CMagneticModel model;
    CMagneticModel::Field field;
    EXPECT_FALSE(model.Evaluate(10, 10, 0, 2025, field));  // nothing loaded
    for (const char* text : {"", "hello\n1 0 1 2 3 4\n", "2025.0 WMM\n13 0 1 0 0 0\n"})
        EXPECT_FALSE(model.LoadText(text)) << text;  // the last: degree beyond 12
    EXPECT_FALSE(model.LoadFile("/nonexistent/WMM_COF.txt"));
    ASSERT_TRUE(model.LoadText(bundledCoefficients()));
    EXPECT_FALSE(model.Evaluate(NAN, 10, 0, 2025, field));
    EXPECT_FALSE(model.Evaluate(91, 10, 0, 2025, field));
    // At the pole itself the answer is finite.
    ASSERT_TRUE(model.Evaluate(90, 0, 0, 2025, field));
    EXPECT_TRUE(std::isfinite(field.declination));
}

TEST(MagneticModel, UnitsRecomputeVariationOnlyAfterMovingADegree) {
    CUnits units;
    const double time = (2026.0 - 1970) * 3.14712e7;
    units.SetBearingLocation(50.0, -1.0, time);
    const float first = units.magnetic_variation;
    EXPECT_NEAR(first, get_magnetic_declination(50.0, -1.0, 0.1, 2026.0), 1e-4);
    EXPECT_EQ(std::make_pair(units.bearing_lat, units.bearing_time), std::make_pair(50.0, time));

    units.SetBearingLocation(50.5, -0.5, time + 1000);  // 0.5² + 0.5² < 1: kept
    EXPECT_EQ(std::make_pair(units.magnetic_variation, units.bearing_time),
              std::make_pair(first, time));

    units.SetBearingLocation(40.0, -74.0, time);  // New York: west variation
    EXPECT_LT(units.magnetic_variation, -10);
    EXPECT_EQ(units.bearing_lon, -74.0);

    units.ChangedBearingUnits();
    EXPECT_DOUBLE_EQ(units.bearing_time, 0);
    EXPECT_LT(units.magnetic_variation, -10);
}
