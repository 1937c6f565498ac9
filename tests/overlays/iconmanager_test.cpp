// The mark icons: file names, sizes at each resolution factor, anchors drawn
// where the hot spots say, colouring and the cache.
//
// Contact sheet of every icon on chart colours, with a red cross at each
// mark's point:
//   ORVANTA_ICON_SHEET=docs/mark-icons.png build/tests/orvanta_overlays_tests
//       --gtest_filter='MarkIconSheet.*'
#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <functional>

#include "overlays/iconmanager.h"

namespace {

const GraphicsColor kRed(220, 40, 30);
const GraphicsColor kGreen(30, 160, 60);

const QImage* icon(const std::string& name, double factor, FPoint& spot,
                   const GraphicsColor& colour = kRed) {
    return CIconManager::GetIcon(name, colour, factor, spot);
}

bool isColourisable(const std::string& name) {
    return QFile::exists(QString::fromStdString(":/marks/" + name + "_c.svg"));
}

int alphaAt(const QImage& image, int x, int y) {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
    return qAlpha(image.pixel(x, y));
}

// The strongest alpha within r pixels of the point.
int alphaNear(const QImage& image, const FPoint& p, int r) {
    int best = 0;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            best = std::max(best, alphaAt(image, int(p.x) + dx, int(p.y) + dy));
    return best;
}

// Opaque pixels (not the pale rim) in the part of the image where the predicate holds.
int opaqueWhere(const QImage& image, const std::function<bool(double x, double y)>& where) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (where(x + 0.5, y + 0.5) && qAlpha(image.pixel(x, y)) > 200) ++count;
    return count;
}

// How far opaque pixels reach from the point along a row or column.
int reach(const QImage& image, const FPoint& p, int dx, int dy) {
    int steps = 0;
    while (alphaAt(image, int(p.x) + dx * (steps + 1), int(p.y) + dy * (steps + 1)) > 200) ++steps;
    return steps;
}

TEST(IconFileName, NormalisesAsTheLoaderNamesFiles) {
    const struct {
        const char* name;
        const char* file;
    } cases[] = {
        {"red flag!", "Red_flag"},
        {"MOB", "MOB"},
        {"mob", "Mob"},
        {"Mob", "Mob"},
        {"PIN", "Pin"},
        {"g_pin", "G_pin"},
        {"x_y z", "X_y_z"},
        {"buoy 2", "Buoy_2"},
        {"2nd", "2nd"},
        {"!dot", "dot"},
        {"first-aid", "Firstaid"},
        {"", ""},
        {"caf\xc3\xa9", "Caf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CIconManager::to_file_name(c.name), c.file);
    }
}

TEST(IconHotSpot, LabelsSitAtTheCornerAndUnknownNamesInTheMiddle) {
    EXPECT_EQ(CIconManager::HotSpot("Name"), FPoint(0, 0));
    EXPECT_EQ(CIconManager::HotSpot("none"), FPoint(0, 0));
    EXPECT_EQ(CIconManager::HotSpot("Lighthouse"), FPoint(0.5, 0.5));
    EXPECT_EQ(CIconManager::HotSpot("pin"), CIconManager::HotSpot("Pin"));
    EXPECT_NE(CIconManager::HotSpot("Pin"), FPoint(0.5, 0.5));
}

TEST(IconImage, EveryIconLoadsAtTheSizeOfTheResolutionFactor) {
    ASSERT_EQ(CIconManager::IconNames().size(), 30u);
    for (double factor : {1.0, 1.5, 2.0, 3.0}) {
        const int size = int(std::lround(CIconManager::kBaseSize * factor));
        for (const std::string& name : CIconManager::IconNames()) {
            SCOPED_TRACE(name + " at " + std::to_string(factor));
            FPoint spot;
            const QImage* image = icon(name, factor, spot);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->size(), QSize(size, size));
            const FPoint fraction = CIconManager::HotSpot(name);
            EXPECT_NEAR(spot.x, fraction.x * size, 1e-9);
            EXPECT_NEAR(spot.y, fraction.y * size, 1e-9);
            // Something is drawn, and it is near the mark's point.
            EXPECT_GT(opaqueWhere(*image, [](double, double) { return true; }), size * size / 40);
            EXPECT_GT(alphaNear(*image, spot, size / 4), 128);
        }
    }
}

TEST(IconImage, AnchorsAreDrawnAtTheHotSpot) {
    for (double factor : {1.0, 3.0}) {
        SCOPED_TRACE(factor);
        const double margin = 1.5 * factor + 1;
        FPoint p;
        {
            SCOPED_TRACE("Pin: the needle's tip, with nothing further down or right");
            const QImage& pin = *icon("Pin", factor, p);
            EXPECT_GT(alphaNear(pin, p, 1), 200);
            EXPECT_EQ(
                opaqueWhere(
                    pin, [&](double x, double y) { return x > p.x + margin || y > p.y + margin; }),
                0);
        }
        {
            SCOPED_TRACE("Flag: the foot of the pole, with nothing below it or left of it");
            const QImage& flag = *icon("Flag", factor, p);
            EXPECT_GT(alphaNear(flag, p, 1), 200);
            EXPECT_EQ(
                opaqueWhere(
                    flag, [&](double x, double y) { return y > p.y + margin || x < p.x - margin; }),
                0);
        }
        {
            SCOPED_TRACE("Dot: the centre of the disc");
            const QImage& dot = *icon("Dot", factor, p);
            EXPECT_GT(alphaAt(dot, int(p.x), int(p.y)), 250);
            EXPECT_NEAR(reach(dot, p, -1, 0), reach(dot, p, 1, 0), 1.5);
            EXPECT_NEAR(reach(dot, p, 0, -1), reach(dot, p, 0, 1), 1.5);
        }
    }
}

TEST(IconImage, ColourisableIconsTakeTheMarksColourAndNoPlaceholderShows) {
    int colourised = 0;
    for (const std::string& name : CIconManager::IconNames()) {
        SCOPED_TRACE(name);
        FPoint spot;
        const QImage* rendered = icon(name, 2.0, spot, kGreen);
        ASSERT_NE(rendered, nullptr);
        const QImage image = rendered->convertToFormat(QImage::Format_ARGB32);
        int green = 0, placeholder = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb px = image.pixel(x, y);
                if (qAlpha(px) < 250) continue;
                const QColor c(px);
                if (std::abs(c.red() - kGreen.red()) < 8 &&
                    std::abs(c.green() - kGreen.green()) < 8 &&
                    std::abs(c.blue() - kGreen.blue()) < 8)
                    ++green;
                if (c.hue() >= 285 && c.hue() <= 315 && c.saturation() > 200) ++placeholder;
            }
        EXPECT_EQ(placeholder, 0);
        if (isColourisable(name)) {
            ++colourised;
            EXPECT_GT(green, 20);
        }
    }
    EXPECT_GE(colourised, 8);

    FPoint spot;
    const QImage& dot = *icon("Dot", 1.0, spot, kGreen);
    EXPECT_EQ(QColor(dot.pixel(int(spot.x), int(spot.y))), kGreen.toQColor());
}

TEST(IconImage, LabelKindsAndUnknownNamesHaveNoImage) {
    for (const char* name : {"Name", "Notes", "None", "notes", "Lighthouse", "", "mob", "!!"}) {
        SCOPED_TRACE(name);
        FPoint spot(7, 7);
        EXPECT_EQ(icon(name, 1.0, spot), nullptr);
        EXPECT_EQ(spot, FPoint(0, 0));
    }
    FPoint spot;
    EXPECT_NE(icon("first aid", 1.0, spot), nullptr);
}

TEST(IconCache, OneImagePerNameColourAndSize) {
    FPoint spot;
    const QImage* red = icon("Flag", 1.0, spot, kRed);
    EXPECT_EQ(icon("flag", 1.0, spot, kRed), red);
    EXPECT_NE(icon("Flag", 1.0, spot, kGreen), red);
    EXPECT_EQ(icon("Flag", 1.0, spot, kRed), red);  // the other colour did not replace it
    EXPECT_NE(icon("Flag", 2.0, spot, kRed), red);
    // A fixed-colour icon is one image whatever the mark's colour.
    EXPECT_EQ(icon("Fuel", 1.0, spot, kRed), icon("Fuel", 1.0, spot, kGreen));
}

// An icon with its point marked by a small green cross.
void drawIconAt(QPainter& painter, const QRect& box, const std::string& name, double factor,
                const GraphicsColor& colour) {
    FPoint spot;
    const QImage* image = icon(name, factor, spot, colour);
    if (!image) return;
    const QPointF origin(box.left() + (box.width() - image->width()) / 2,
                         box.top() + (box.height() - image->height()) / 2);
    painter.drawImage(origin, *image);
    const QPointF point = origin + QPointF(spot.x, spot.y);
    painter.setPen(QPen(QColor(0, 230, 0), 1));
    painter.drawLine(point - QPointF(4, 0), point + QPointF(4, 0));
    painter.drawLine(point - QPointF(0, 4), point + QPointF(0, 4));
}

// Every icon at factors 1 and 2 on land, sea and night chart colours, then
// the colourisable ones in colours that test their outlines.
QImage contactSheet() {
    const int columns = 5, cellW = 200, cellH = 84;
    const auto& names = CIconManager::IconNames();
    const int rows = int(names.size() + columns - 1) / columns + 1;
    QImage sheet(columns * cellW, rows * cellH, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor("#f5ecc8"));
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QColor land("#f5ecc8"), sea("#a9d3f2"), night("#1d2a38");
    const auto label = [&](const QPoint& cell, const QString& text) {
        painter.setPen(Qt::black);
        painter.drawText(QRect(cell.x() + 4, cell.y() + 70, cellW - 8, 14), Qt::AlignLeft, text);
    };
    for (size_t i = 0; i < names.size(); ++i) {
        const QPoint cell(int(i % columns) * cellW, int(i / columns) * cellH);
        const QColor backgrounds[] = {land, sea, night, sea};
        for (int k = 0; k < 4; ++k) {
            const QRect box(cell.x() + 4 + k * 40, cell.y() + 4, k == 3 ? 72 : 38, 66);
            painter.fillRect(box, backgrounds[k]);
            drawIconAt(painter, box, names[i], k == 3 ? 2.0 : 1.0, kRed);
        }
        label(cell, QString::fromStdString(names[i]));
    }
    const struct {
        const char* name;
        GraphicsColor colour;
    } colours[] = {{"white", {255, 255, 255}},
                   {"yellow", {255, 220, 0}},
                   {"green", kGreen},
                   {"blue", {20, 60, 200}},
                   {"black", {0, 0, 0}}};
    const char* samples[] = {"Flag", "Pin", "G_pin", "Buoy_can", "House"};
    for (int c = 0; c < columns; ++c) {
        const QPoint cell(c * cellW, (rows - 1) * cellH);
        for (int k = 0; k < 5; ++k) {
            const QRect box(cell.x() + 4 + k * 38, cell.y() + 4, 36, 66);
            painter.fillRect(box, k % 2 ? night : sea);
            drawIconAt(painter, box, samples[k], 1.0, colours[c].colour);
        }
        label(cell, colours[c].name);
    }
    return sheet;
}

TEST(MarkIconSheet, DrawsEveryIcon) {
    const QImage sheet = contactSheet();
    EXPECT_FALSE(sheet.isNull());
    const QByteArray path = qgetenv("ORVANTA_ICON_SHEET");
    if (!path.isEmpty()) {
        EXPECT_TRUE(sheet.save(QString::fromLocal8Bit(path)));
    }
}

}  // namespace
