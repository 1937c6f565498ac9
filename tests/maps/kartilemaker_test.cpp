// The map maker's parts: the palette chosen from an image, the mixing
// matrix, the least-squares georeferencing, and the maker's own refusals.
#include "maps/kartilemaker.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cmath>
#include <random>
#include <set>

#include "ktltestmaps.h"
#include "maps/colourquantiser.h"
#include "maps/polynomialfit.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

double psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16}) {
            const double d = double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF);
            sum += d * d;
        }
    const double mse = sum / (3.0 * double(a.size()));
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::vector<uint32_t> quantised(const std::vector<uint32_t>& pixels,
                                const std::vector<uint32_t>& palette) {
    ColourQuantiser::Mapper mapper(palette);
    std::vector<uint32_t> out;
    for (uint32_t p : pixels) out.push_back(palette[mapper.nearest(p)]);
    return out;
}

// Smooth light over mostly green land with grain: what aerial photos look like.
std::vector<uint32_t> photoPixels(int w, int h) {
    std::mt19937 rng(3);
    std::normal_distribution<double> grain(0, 3);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double light = 0.5 + 0.4 * std::sin(x * 0.02) * std::cos(y * 0.015);
            const int r = std::clamp(int(40 + 80 * light + grain(rng)), 0, 255);
            const int g = std::clamp(int(90 + 120 * light + grain(rng)), 0, 255);
            const int b = std::clamp(int(30 + 40 * light + grain(rng)), 0, 255);
            pixels.push_back(0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b));
        }
    return pixels;
}

TEST(ColourQuantiser, FewColoursAreKeptExactly) {
    std::vector<uint32_t> pixels;
    std::set<uint32_t> colours;
    for (int i = 0; i < 5000; ++i) {
        const uint32_t c = 0xFF000000u | ktltest::paletteColour(i % 50);
        pixels.push_back(c);
        colours.insert(c);
    }
    const auto palette = ColourQuantiser::choosePalette(pixels.data(), pixels.size());
    EXPECT_EQ(std::set<uint32_t>(palette.begin(), palette.end()), colours);
    EXPECT_EQ(quantised(pixels, palette), pixels);
}

TEST(ColourQuantiser, MixingMatrixNamesTheNearestEvenMix) {
    const std::vector<uint32_t> palette{0xFF000000, 0xFFFFFFFF, 0xFF808080, 0xFFFF0000, 0xFF0000FF};
    const auto M = ColourQuantiser::mixingMatrix(palette);
    for (int a = 0; a < 5; ++a) {
        EXPECT_EQ(M[size_t(128 * a + a)], a);
        for (int b = 0; b < 5; ++b) EXPECT_EQ(M[size_t(128 * a + b)], M[size_t(128 * b + a)]);
    }
    EXPECT_EQ(M[128 * 0 + 1], 2) << "black and white make grey";
    EXPECT_EQ(M[128 * 3 + 100], 0) << "entries past the palette stand for entry 0";
    for (uint8_t v : M) EXPECT_LT(v, 128);
}

TEST(PolynomialFit, RecoversAnExactCubicAtPixelScale) {
    const double truth[10] = {51.2, -3e-4, 2e-5, 1e-9, -2e-9, 5e-10, 3e-14, -1e-14, 2e-14, 1e-15};
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> pixel(0, 4000);
    std::vector<PolynomialFit::Sample> samples;
    for (int i = 0; i < 40; ++i) {
        const double u = pixel(rng), v = pixel(rng);
        samples.push_back({u, v, Geo_ref_coeff_t::evalCubic(truth, u, v)});
    }
    double c[10];
    ASSERT_TRUE(PolynomialFit::fit(samples, c));
    for (const auto& s : samples)
        EXPECT_NEAR(Geo_ref_coeff_t::evalCubic(c, s.u, s.v), s.value, 1e-9);
}

TEST(PolynomialFit, FewPointsFitLowerDegrees) {
    double c[10];
    // Three points fix a plane; the cubic terms stay zero.
    const std::vector<PolynomialFit::Sample> three{{0, 0, 1}, {10, 0, 21}, {0, 10, -9}};
    ASSERT_TRUE(PolynomialFit::fit(three, c));
    EXPECT_NEAR(c[1], 2, 1e-9);
    for (int i = 3; i < 10; ++i) EXPECT_EQ(c[i], 0);
    EXPECT_FALSE(PolynomialFit::fit({{0, 0, 1}, {1, 1, 2}}, c));
    EXPECT_FALSE(PolynomialFit::fit({{0, 0, 1}, {1, 1, 2}, {2, 2, 3}}, c)) << "collinear";
    EXPECT_FALSE(PolynomialFit::fit({{0, 0, 1}, {1, NAN, 2}, {2, 0, 3}}, c));
}

TEST(PolynomialFit, ControlPointsGiveBothDirections) {
    // A rotated, scaled grid: exactly affine, so the round trip is exact.
    std::vector<PolynomialFit::ControlPoint> points;
    for (double x : {0.0, 500.0, 1000.0})
        for (double y : {0.0, 400.0, 800.0})
            points.push_back({x, y, 60 - 0.001 * y + 0.0002 * x, 5 + 0.002 * x + 0.0003 * y});
    Geo_ref_coeff_t g;
    double error = 1;
    ASSERT_TRUE(PolynomialFit::fitGeoref(points, g, &error));
    EXPECT_LT(error, 1e-6);
    double lat, lon, x, y;
    g.toPositionCorrected(250, 100, lat, lon);
    g.toPixel(lat, lon, x, y);
    EXPECT_NEAR(x, 250, 1e-6);
    EXPECT_NEAR(y, 100, 1e-6);
}

class Maker : public ::testing::Test {
protected:
    TempDir dir;
    QImage image = ktltest::indexedImage(
        100, 70, [](int x, int y) { return (x + y) % 40; }, 40);
};

TEST_F(Maker, RefusesWhatItCannotMake) {
    CKartileMaker maker;
    const std::string path = dir.file("bad.ktl").toStdString();
    EXPECT_FALSE(maker.make(image, path)) << "no georeferencing";
    maker.setBounds(5, 6, 51, 50, CKartileMaker::Projection::Equirectangular);
    EXPECT_FALSE(maker.make(image, path)) << "south above north";
    EXPECT_NE(maker.error().find("bounds"), std::string::npos);
    maker.setBounds(5, 6, 50, 90, CKartileMaker::Projection::Mercator);
    EXPECT_FALSE(maker.make(image, path)) << "Mercator cannot reach the pole";
    maker.setBounds(5, 6, 50, 51, CKartileMaker::Projection::Equirectangular);
    EXPECT_FALSE(maker.make(QImage(), path));
    EXPECT_FALSE(maker.make(image, dir.file("no/such/folder/x.ktl").toStdString()));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
    EXPECT_FALSE(QFile::exists(dir.file("no/such/folder/x.ktl.tmp")));
    // Across the 180th meridian: east below west is fine.
    maker.setBounds(179, -179, 0, 1, CKartileMaker::Projection::Equirectangular);
    EXPECT_TRUE(maker.make(image, path)) << maker.error();
}

TEST_F(Maker, TrueColourImagesAreQuantised) {
    QImage photo(300, 200, QImage::Format_RGB32);
    const auto pixels = photoPixels(300, 200);
    std::memcpy(photo.bits(), pixels.data(), pixels.size() * 4);
    CKartileMaker maker;
    maker.setBounds(5, 6, 50, 51, CKartileMaker::Projection::Equirectangular);
    const std::string path = dir.file("photo.ktl").toStdString();
    ASSERT_TRUE(maker.make(photo, path));
    EXPECT_EQ(maker.palette().size(), 128u);
    const int* counts = maker.encodingCounts();
    EXPECT_EQ(counts[0] + counts[1] + counts[2] + counts[3], 20) << "5 x 4 tiles, each once";

    ktltest::OpenMap map(path);
    ASSERT_TRUE(map.ok());
    std::vector<uint32_t> out(320 * 256);
    ASSERT_EQ(map->ReadRectRGB(0, 0, 320, 256, 320, 0, out.data(), nullptr), 0);
    std::vector<uint32_t> shown;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x) shown.push_back(out[size_t(y) * 320 + x]);
    EXPECT_GT(psnr(pixels, shown), 36.0);
}

}  // namespace
