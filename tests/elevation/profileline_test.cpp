// Profiles of a known line: distances along it, the altitude and speed
// series, ground heights from tiles, the drawn polygon and picking.
#include <gtest/gtest.h>

#include "elevation/profileline.h"
#include "elevationtestsupport.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

// A degree of longitude on the equator: the WGS84 semi-major axis in radians.
constexpr double kMetresPerDegree = 6378137.0 * 3.14159265358979323846 / 180;
const double kLeg = 0.01 * kMetresPerDegree;  // metres between points

// Eleven points 0.01 degree apart east along the equator, `seconds` apart,
// rising 10 m a point from 100 m except where `altitudes` says.
std::vector<ProfilePoint> line(double seconds, std::map<int, double> altitudes = {}) {
    std::vector<ProfilePoint> points;
    for (int i = 0; i < 11; ++i)
        points.push_back(
            {0, i * 0.01, 1e9 + i * seconds, altitudes.count(i) ? altitudes[i] : 100.0 + 10 * i});
    return points;
}

TEST(ProfileLine, AltitudeAndSpeedSeriesAlongTheLine) {
    const ProfileLine l(line(60));
    EXPECT_NEAR(l.length(), 10 * kLeg, 1.0);
    // Name, quantity, seconds between points, altitudes, n, samples as
    // (point index, value).
    using Samples = std::vector<std::pair<int, double>>;
    const auto A = ProfileQuantity::Altitude, S = ProfileQuantity::Speed;
    const double minute = kLeg * 5 / 300, fast = kLeg / 5;
    const Samples rising = {{0, 100}, {2, 120}, {4, 140}, {6, 160}, {8, 180}, {10, 200}};
    const Samples skipping = {{0, 100}, {3, 130}, {4, 140}, {7, 170}, {8, 180}, {10, 200}};
    const Samples everyOther = {{2, fast}, {4, fast}, {6, fast}, {8, fast}, {10, fast}};
    const std::tuple<const char*, ProfileQuantity, double, std::map<int, double>, int, Samples>
        cases[] = {
            {"altitude every other point", A, 60, {}, 6, rising},
            {"altitudes of 0 and none skipped", A, 60, {{2, 0}, {6, -9999}}, 6, skipping},
            {"too few samples asked", A, 60, {}, 1, {}},
            {"speed every point a minute apart", S, 60, {}, 3, {{5, minute}, {10, minute}}},
            // 5 s apart: a sample waits 10 s since the one before.
            {"speed waits 10 s", S, 5, {}, 11, everyOther},
        };
    for (const auto& [name, quantity, seconds, altitudes, n, expected] : cases) {
        SCOPED_TRACE(name);
        const auto got = ProfileLine(line(seconds, altitudes)).series(quantity, n, nullptr);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].distance, expected[i].first * kLeg, 1.0) << i;
            EXPECT_NEAR(got[i].value, expected[i].second, 0.05) << i;
            EXPECT_NEAR(got[i].lon, expected[i].first * 0.01, 1e-9) << i;
        }
    }
}

TEST(ProfileLine, GroundHeightsFromTilesAndALineOfLengthZero) {
    // A plane on level-6 tiles round (0, 0): along the equator the height
    // rises with the pixel column.
    testsupport::TempDir dir;
    ASSERT_TRUE(writeTiles(dir.path(), 6, 31, 33, 31, 33, plane));
    DownloadSettings settings(false, QUrl());
    MZElevationData store(dir.path().toStdString());
    const auto samples = ProfileLine(line(60)).groundHeights(store, 5);
    ASSERT_EQ(samples.size(), 5u);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double lon = i * 0.025, world = 256 << 6;
        EXPECT_NEAR(samples[i].distance, lon * kMetresPerDegree, 1.0) << i;
        EXPECT_NEAR(samples[i].value, plane((lon + 180) / 360 * world, world / 2), 0.01) << i;
    }
    // No length: every series and its polygon are empty, never a division by 0.
    const std::vector<ProfilePoint> zero[] = {
        {}, {{0, 0, 1e9, 10}}, {{0, 0, 1e9, 10}, {0, 0, 1e9 + 60, 20}, {0, 0, 1e9 + 99, 30}}};
    for (const auto& points : zero)
        for (auto q :
             {ProfileQuantity::GroundHeight, ProfileQuantity::Altitude, ProfileQuantity::Speed}) {
            const auto s = ProfileLine(points).series(q, 200, &store);
            EXPECT_TRUE(s.empty() && profilePolygon(s, 600, 250).empty()) << points.size();
        }
}

TEST(ProfileLine, PolygonAndPicking) {
    const std::vector<ProfileSample> ramp = {{0, 0}, {50, 10}, {100, 20}};
    EXPECT_EQ(profilePolygon(ramp, 102, 52),
              (std::vector<QPointF>{{0, 52}, {50, 27}, {100, 2}, {102, 52}, {0, 52}}))
        << "a ramp, closed along the bottom";
    const std::tuple<const char*, std::vector<ProfileSample>, double, double> empty[] = {
        {"all at one height", {{0, 5}, {50, 5}, {100, 5}}, 102, 52},
        {"one sample", {{0, 5}}, 102, 52},
        {"all at one distance", {{10, 5}, {10, 6}}, 102, 52},
        {"under 2 pixels wide", ramp, 1.5, 52},
        {"under 2 pixels high", ramp, 102, 1}};
    for (const auto& [name, samples, w, h] : empty)
        EXPECT_TRUE(profilePolygon(samples, w, h).empty()) << name;
    // Picks go on from the last one: x to the sample at or left of x - 1.
    const auto polygon = profilePolygon(ramp, 102, 52);
    ProfilePicker picker;
    const std::pair<int, int> picks[] = {{76, 1}, {200, 2}, {10, 0}, {52, 1}, {51, 1}, {50, 0}};
    for (auto [x, index] : picks) EXPECT_EQ(picker.xToDataIndex(polygon, 3, x), index) << x;
    EXPECT_EQ(ProfilePicker::dataIndexToX(polygon, 3, 1), 51);
    EXPECT_EQ(ProfilePicker::dataIndexToX(polygon, 3, 3), 0);
}

}  // namespace
