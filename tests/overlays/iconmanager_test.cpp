// The mark icons: file names, sizes at each resolution factor, anchors drawn
// where the hot spots say, colouring and the cache.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <cmath>
#include <functional>

#include "overlays/iconmanager.h"

namespace {

const GraphicsColor kRed(220, 40, 30), kGreen(30, 160, 60);

const QImage* icon(const std::string& name, double factor, const GraphicsColor& colour = kRed) {
    FPoint spot;
    return CIconManager::GetIcon(name, colour, factor, spot);
}

// Pixels drawn solid (the pale rim left out) at the places where the test holds.
int solidWhere(const QImage& image, const std::function<bool(double x, double y)>& where) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > 200 && where(x + 0.5, y + 0.5)) ++count;
    return count;
}

TEST(IconFileName, NormalisesAsTheLoaderNamesFiles) {
    const char* cases[][2] = {
        {"red flag!", "Red_flag"}, {"MOB", "MOB"}, {"PIN", "Pin"},
        {"x_y z", "X_y_z"},        {"2nd", "2nd"}, {"!dot", "dot"},
        {"first-aid", "Firstaid"}, {"", ""},       {"caf\xc3\xa9", "Caf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(CIconManager::to_file_name(c[0]), c[1]);
    }
    EXPECT_EQ(CIconManager::HotSpot("None"), FPoint(0, 0));
    EXPECT_EQ(CIconManager::HotSpot("Lighthouse"), FPoint(0.5, 0.5));
    EXPECT_EQ(CIconManager::HotSpot("pin"), CIconManager::HotSpot("Pin"));
}

TEST(IconImage, EveryIconLoadsAtTheFactorsSizeWithSomethingDrawnAtItsPoint) {
    ASSERT_EQ(CIconManager::IconNames().size(), 30u);
    for (double factor : {1.0, 1.5, 2.0, 3.0}) {
        const int size = int(std::lround(CIconManager::kBaseSize * factor));
        for (const std::string& name : CIconManager::IconNames()) {
            SCOPED_TRACE(name + " at " + std::to_string(factor));
            FPoint p;
            const QImage* image = CIconManager::GetIcon(name, kRed, factor, p);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->size(), QSize(size, size));
            EXPECT_NEAR(p.x, CIconManager::HotSpot(name).x * size, 1e-9);
            EXPECT_NEAR(p.y, CIconManager::HotSpot(name).y * size, 1e-9);
            EXPECT_GT(solidWhere(*image,
                                 [&](double x, double y) {
                                     return std::hypot(x - p.x, y - p.y) < size / 4.0;
                                 }),
                      0);
        }
    }
}

TEST(IconImage, AnchorsAreDrawnAtTheHotSpot) {
    using Test = std::function<bool(double x, double y, const FPoint& p, double margin)>;
    const struct {
        const char* name;
        Test beyond;  // where nothing may be drawn
    } cases[] = {
        {"Pin", [](double x, double y, const FPoint& p,
                   double m) { return x > p.x + m || y > p.y + m; }},  // the needle's tip
        {"Flag", [](double x, double y, const FPoint& p,
                    double m) { return y > p.y + m || x < p.x - m; }},  // the pole's foot
    };
    for (double factor : {1.0, 3.0}) {
        const double margin = 1.5 * factor + 1;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(factor));
            FPoint p;
            const QImage& image = *CIconManager::GetIcon(c.name, kRed, factor, p);
            EXPECT_GT(
                solidWhere(image,
                           [&](double x, double y) { return std::hypot(x - p.x, y - p.y) < 1.5; }),
                0);
            EXPECT_EQ(
                solidWhere(image, [&](double x, double y) { return c.beyond(x, y, p, margin); }),
                0);
        }
        SCOPED_TRACE("Dot: as much disc on each side of its centre");
        FPoint p;
        const QImage& dot = *CIconManager::GetIcon("Dot", kRed, factor, p);
        const int left = solidWhere(dot, [&](double x, double) { return x < p.x; });
        const int up = solidWhere(dot, [&](double, double y) { return y < p.y; });
        EXPECT_NEAR(solidWhere(dot, [&](double x, double) { return x > p.x; }), left, left / 8);
        EXPECT_NEAR(solidWhere(dot, [&](double, double y) { return y > p.y; }), up, up / 8);
    }
}

TEST(IconImage, ColourisableIconsTakeTheMarksColourAndNoPlaceholderShows) {
    int colourised = 0;
    for (const std::string& name : CIconManager::IconNames()) {
        SCOPED_TRACE(name);
        const QImage image = icon(name, 2.0, kGreen)->convertToFormat(QImage::Format_ARGB32);
        int green = 0, placeholder = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = QColor::fromRgba(image.pixel(x, y));
                if (c.alpha() < 250) continue;
                green += std::abs(c.red() - kGreen.red()) + std::abs(c.green() - kGreen.green()) +
                             std::abs(c.blue() - kGreen.blue()) <
                         12;
                placeholder += c.hue() >= 285 && c.hue() <= 315 && c.saturation() > 200;
            }
        EXPECT_EQ(placeholder, 0);
        if (QFile::exists(QString::fromStdString(":/marks/" + name + "_c.svg"))) {
            ++colourised;
            EXPECT_GT(green, 20);
        }
    }
    EXPECT_GE(colourised, 8);
    FPoint p;
    const QImage& dot = *CIconManager::GetIcon("Dot", kGreen, 1.0, p);
    EXPECT_EQ(QColor(dot.pixel(int(p.x), int(p.y))), kGreen.toQColor());
}

TEST(IconImage, LabelKindsAndUnknownNamesHaveNoImage) {
    for (const char* name : {"Name", "Notes", "None", "notes", "Lighthouse", "", "mob", "!!"}) {
        SCOPED_TRACE(name);
        FPoint p(7, 7);
        EXPECT_EQ(CIconManager::GetIcon(name, kRed, 1.0, p), nullptr);
        EXPECT_EQ(p, FPoint(0, 0));
    }
    EXPECT_NE(icon("first aid", 1.0), nullptr);
}

TEST(IconCache, OneImagePerNameColourAndSize) {
    const QImage* red = icon("Flag", 1.0, kRed);
    EXPECT_EQ(icon("flag", 1.0, kRed), red);
    EXPECT_NE(icon("Flag", 1.0, kGreen), red);
    EXPECT_EQ(icon("Flag", 1.0, kRed), red);  // the other colour did not replace it
    EXPECT_NE(icon("Flag", 2.0, kRed), red);
    // A fixed-colour icon is one image whatever the mark's colour.
    EXPECT_EQ(icon("Fuel", 1.0, kRed), icon("Fuel", 1.0, kGreen));
}

}  // namespace
