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
constexpr double kStep = 0.01;  // degrees between points

// Eleven points east along the equator, `seconds` apart, with altitudes.
std::vector<ProfilePoint> line(double seconds, const std::vector<double>& altitudes) {
    std::vector<ProfilePoint> points;
    for (int i = 0; i < 11; ++i)
        points.push_back({0, i * kStep, 1e9 + i * seconds, altitudes[size_t(i)]});
    return points;
}

const std::vector<double> kRising = {100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200};

// (point index, value) per sample, distances from the index.
using Expected = std::vector<std::pair<int, double>>;

void expectSeries(const std::vector<ProfileSample>& got, const Expected& expected) {
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(got[i].distance, expected[i].first * kStep * kMetresPerDegree, 1.0);
        EXPECT_NEAR(got[i].value, expected[i].second, 0.05);
        EXPECT_NEAR(got[i].lon, expected[i].first * kStep, 1e-9);
    }
}

TEST(ProfileLine, DistancesAlongTheLine) {
    const ProfileLine l(line(60, kRising));
    ASSERT_EQ(l.along().size(), 11u);
    EXPECT_NEAR(l.length(), 10 * kStep * kMetresPerDegree, 1.0);
    const ProfilePoint half = l.pointAt(l.length() / 2);
    EXPECT_NEAR(half.lon, 0.05, 1e-9);
    EXPECT_NEAR(half.altitude, 150, 1e-6);
}

TEST(ProfileLine, AltitudeAndSpeedSeries) {
    const double leg = kStep * kMetresPerDegree;  // metres between points
    std::vector<double> gaps = kRising;
    gaps[2] = 0;      // no altitude recorded
    gaps[6] = -9999;  // none either
    struct Case {
        const char* name;
        ProfileQuantity quantity;
        double seconds;
        std::vector<double> altitudes;
        int n;
        Expected expected;
    };
    const Case cases[] = {
        {"altitude every other point",
         ProfileQuantity::Altitude,
         60,
         kRising,
         6,
         {{0, 100}, {2, 120}, {4, 140}, {6, 160}, {8, 180}, {10, 200}}},
        {"altitude skips 0 and none",
         ProfileQuantity::Altitude,
         60,
         gaps,
         6,
         {{0, 100}, {3, 130}, {4, 140}, {7, 170}, {8, 180}, {10, 200}}},
        {"too few samples asked", ProfileQuantity::Altitude, 60, kRising, 1, {}},
        {"speed at every point a minute apart",
         ProfileQuantity::Speed,
         60,
         kRising,
         11,
         {{1, leg / 60},
          {2, leg / 60},
          {3, leg / 60},
          {4, leg / 60},
          {5, leg / 60},
          {6, leg / 60},
          {7, leg / 60},
          {8, leg / 60},
          {9, leg / 60},
          {10, leg / 60}}},
        // Points 5 s apart: a sample needs 10 s since the one before.
        {"speed waits 10 s between samples",
         ProfileQuantity::Speed,
         5,
         kRising,
         11,
         {{2, leg / 5}, {4, leg / 5}, {6, leg / 5}, {8, leg / 5}, {10, leg / 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProfileLine l(line(c.seconds, c.altitudes));
        expectSeries(l.series(c.quantity, c.n, nullptr), c.expected);
    }
}

TEST(ProfileLine, ALineOfLengthZeroHasAnEmptyProfile) {
    testsupport::TempDir dir;
    MZElevationData store(dir.path().toStdString());
    struct Case {
        const char* name;
        std::vector<ProfilePoint> points;
    };
    const Case cases[] = {
        {"no points", {}},
        {"one point", {{50, -1, 1e9, 10}}},
        {"all in one place", {{50, -1, 1e9, 10}, {50, -1, 1e9 + 60, 20}, {50, -1, 1e9 + 99, 30}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProfileLine l(c.points);
        EXPECT_EQ(l.length(), 0);
        for (ProfileQuantity q :
             {ProfileQuantity::GroundHeight, ProfileQuantity::Altitude, ProfileQuantity::Speed}) {
            const auto samples = l.series(q, 200, &store);
            EXPECT_TRUE(samples.empty());
            EXPECT_TRUE(profilePolygon(samples, 600, 250).empty());
        }
    }
}

TEST(ProfileLine, GroundHeightsFromTiles) {
    // A plane on level-6 tiles round (0, 0): heights rise with the pixel
    // column, so along the equator with the distance.
    testsupport::TempDir dir;
    ASSERT_TRUE(writeTiles(dir.path(), 6, 31, 33, 31, 33, plane));
    DownloadSettings settings(false, QUrl());
    MZElevationData store(dir.path().toStdString());
    const ProfileLine l(line(60, kRising));
    const auto samples = l.groundHeights(store, 5);
    ASSERT_EQ(samples.size(), 5u);
    const double world = 256 << 6;
    for (size_t i = 0; i < samples.size(); ++i) {
        SCOPED_TRACE(i);
        const double lon = i * 0.025;
        EXPECT_NEAR(samples[i].lon, lon, 1e-9);
        EXPECT_NEAR(samples[i].distance, lon * kMetresPerDegree, 1.0);
        EXPECT_NEAR(samples[i].value, plane((lon + 180) / 360 * world, world / 2), 0.01);
    }
}

TEST(ProfileLine, PolygonAndPicking) {
    const std::vector<ProfileSample> ramp = {{0, 0}, {50, 10}, {100, 20}};
    struct Case {
        const char* name;
        std::vector<ProfileSample> samples;
        double w, h;
        std::vector<QPointF> expected;
    };
    const Case cases[] = {
        {"a ramp, closed along the bottom",
         ramp,
         102,
         52,
         {{0, 52}, {50, 27}, {100, 2}, {102, 52}, {0, 52}}},
        {"all at one height", {{0, 5}, {50, 5}, {100, 5}}, 102, 52, {}},
        {"one sample", {{0, 5}}, 102, 52, {}},
        {"all at one distance", {{10, 5}, {10, 6}}, 102, 52, {}},
        {"under 2 pixels wide", ramp, 1.5, 52, {}},
        {"under 2 pixels high", ramp, 102, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(profilePolygon(c.samples, c.w, c.h), c.expected);
    }
    const auto polygon = profilePolygon(ramp, 102, 52);
    ProfilePicker picker;
    const struct {
        double x;
        int index;
    } picks[] = {{76, 1}, {200, 2}, {10, 0}, {52, 1}, {51, 1}, {50, 0}};
    for (const auto& p : picks) {
        SCOPED_TRACE(p.x);
        EXPECT_EQ(picker.xToDataIndex(polygon, 3, p.x), p.index);
    }
    EXPECT_EQ(ProfilePicker::dataIndexToX(polygon, 3, 1), 51);
    EXPECT_EQ(ProfilePicker::dataIndexToX(polygon, 3, 3), 0);
    EXPECT_EQ(picker.xToDataIndex({}, 0, 10), -1);
}

}  // namespace
