// Map squares, target symbols and vectors written straight into a frame's
// pixels, band by band: never a pixel outside the clip, whatever the
// position, the shapes whole across the bands, and in the order recorded.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

#include "overlays/frameraster.h"
#include "overlays/iconblit.h"

namespace {

constexpr QRgb kCanary = 0xFF123456, kFill = 0xFFFF0000, kEdge = 0xFF000000;
constexpr QRgb kMap = 0xFFE0E0C0, kOther = 0xFF00C000;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A frame whose painter is moved by (7, 5) and clipped to kClip.
class Frame {
public:
    static constexpr QRect kClip{30, 20, 120, 90};  // painter coordinates
    Frame() : image(200, 160, QImage::Format_RGB32) {
        image.fill(kCanary);
        painter.begin(&image);
        painter.translate(7, 5);
        blitter.Begin(painter, kClip);
    }
    FrameRaster raster() const { return FrameRaster(blitter); }
    // Pixels of `colour` inside (or outside) the clip.
    int count(QRgb colour, bool inside) const {
        const QRect clip = kClip.translated(7, 5);
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == colour && clip.contains(x, y) == inside;
        return n;
    }
    QRgb at(QPointF p) const {
        return image.pixel(int(std::floor(p.x() + 7)), int(std::floor(p.y() + 5)));
    }
    int outside() const {
        return image.width() * image.height() - kClip.width() * kClip.height() -
               count(kCanary, false);
    }

    QImage image;
    QPainter painter;
    IconBlitter blitter;
};

// A symbol 28 pixels long pointing along `degrees`, anchored 11 from its tip.
TargetSprite symbol(double degrees) {
    const double s = std::sin(degrees * M_PI / 180), c = std::cos(degrees * M_PI / 180);
    const QPointF corners[3] = {
        {17 * s, -17 * c}, {-11 * s + 8 * c, 11 * c + 8 * s}, {-11 * s - 8 * c, 11 * c - 8 * s}};
    return TargetSprite::Of(corners, 1);
}

// No fill pixel touches the map beside it.
bool ringClosed(const QImage& image) {
    for (int y = 1; y < image.height() - 1; ++y) {
        for (int x = 1; x < image.width() - 1; ++x) {
            if (image.pixel(x, y) != kFill) continue;
            for (const QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                if (image.pixel(QPoint(x, y) + d) == kCanary) return false;
        }
    }
    return true;
}

TEST(FrameRaster, SymbolsAreWholeInEveryDirection) {
    for (int degrees = 0; degrees < 360; degrees += 15) {
        SCOPED_TRACE(degrees);
        Frame frame;
        const QPointF anchor(90, 65);
        const TargetSprite sprite = symbol(degrees);
        frame.raster().Stamp(sprite, anchor, kFill, kEdge);
        const double s = std::sin(degrees * M_PI / 180), c = std::cos(degrees * M_PI / 180);
        EXPECT_EQ(frame.at(anchor + QPointF(12 * s, -12 * c)), kFill) << "toward the bow";
        EXPECT_EQ(frame.at(anchor - QPointF(14 * s, -14 * c)), kCanary) << "behind the stern";
        const int fill = frame.count(kFill, true);
        EXPECT_NEAR(fill, 16 * 28 / 2, 50);  // the triangle's area, within its rim
        EXPECT_GT(frame.count(kEdge, true), 50);
        EXPECT_TRUE(ringClosed(frame.image));
    }
}

TEST(FrameRaster, NothingIsWrittenOutsideTheClip) {
    const struct {
        const char* name;
        QPointF at;
    } symbols[] = {{"over the left edge", {32, 60}},
                   {"over the right edge", {148, 60}},
                   {"over the top edge", {90, 22}},
                   {"over the bottom edge", {90, 108}},
                   {"over a corner", {31, 21}},
                   {"just outside", {20, 60}},
                   {"far off", {-1e7, 3e7}},
                   {"NaN", {kNaN, 50}},
                   {"beyond any screen", {1e300, 1e300}}};
    for (const auto& s : symbols) {
        SCOPED_TRACE(s.name);
        for (int degrees = 0; degrees < 360; degrees += 45) {
            Frame frame;
            const TargetSprite sprite = symbol(degrees);
            frame.raster().Stamp(sprite, s.at, kFill, kEdge);
            EXPECT_EQ(frame.outside(), 0) << degrees;
        }
    }
    const struct {
        const char* name;
        QPointF a, b;
        int width, inside;  // pixels expected inside the clip, -1 unchecked
    } lines[] = {{"inside, shallow", {40, 30}, {130, 60}, 1, 91},
                 {"inside, steep", {40, 25}, {60, 105}, 1, 81},
                 {"inside, two wide", {40, 30}, {130, 60}, 2, 182},
                 {"one point", {60, 60}, {60.2, 60.3}, 1, 1},
                 {"across and far beyond", {-1e7, 50}, {1e7, 50}, 1, 120},
                 {"down and far beyond", {100, -4e6}, {100, 4e6}, 3, 270},
                 {"from far off across a corner", {-5e5, -5e5}, {5e5, 5e5}, 1, -1},
                 {"passing outside", {0, 0}, {500, 1}, 2, 0},
                 {"NaN", {kNaN, 30}, {100, 60}, 1, 0},
                 {"beyond any screen", {1e300, 0}, {-1e300, 0}, 1, 0}};
    for (const auto& l : lines) {
        SCOPED_TRACE(l.name);
        Frame frame;
        frame.raster().Line(l.a, l.b, kFill, l.width);
        EXPECT_EQ(frame.outside(), 0);
        if (l.inside >= 0) {
            EXPECT_EQ(frame.count(kFill, true), l.inside);
        }
    }
}

// An arrowhead stamped from its sprite lights the pixels its two lines would.
TEST(FrameRaster, ArrowheadsAreTheirTwoLines) {
    for (int degrees = 0; degrees < 360; degrees += 5) {
        SCOPED_TRACE(degrees);
        const double a = 5 * std::sin(degrees * M_PI / 180), b = 5 * std::cos(degrees * M_PI / 180);
        const QPointF tip(90.5, 65.5), ends[2] = {{-a + b, b + a}, {-a - b, b - a}};
        Frame lines, stamped;
        for (const QPointF& end : ends) lines.raster().Line(tip + end, tip, kFill);
        const TargetSprite sprite = TargetSprite::Strokes(ends);
        stamped.raster().Stamp(sprite, tip - QPointF(0.5, 0.5), kFill, kFill);
        EXPECT_EQ(stamped.image, lines.image);
    }
}

// A map square under a line under a symbol, each crossing the bands the
// frame is drawn in.
TEST(FrameRaster, WhatIsRecordedLaterLiesOverAcrossBands) {
    Frame frame;
    QImage map(100, 100, QImage::Format_RGB32);
    map.fill(kMap);
    const TargetSprite sprite = symbol(0);
    {
        FrameRaster raster = frame.raster();
        ASSERT_TRUE(raster.Copy(map, QRect(10, 5, 100, 100)));  // over the clip's corner
        raster.Line({90, 25}, {90, 105}, kFill);
        raster.Stamp(sprite, {90, 65}, kOther, kEdge);
        EXPECT_EQ(frame.count(kMap, true), 0) << "drawn before the flush";
    }
    EXPECT_EQ(frame.outside(), 0);
    EXPECT_EQ(frame.at({35, 25}), kMap);
    EXPECT_EQ(frame.at({120, 30}), kCanary) << "beside the square";
    EXPECT_EQ(frame.at({90, 30}), kFill) << "the line over the map";
    EXPECT_EQ(frame.at({90, 100}), kFill) << "the line below the square";
    EXPECT_EQ(frame.at({90, 60}), kOther) << "the symbol over the line";
    for (int y = 25; y <= 105; ++y) {
        const QRgb c = frame.at({90, double(y)});
        EXPECT_TRUE(c == kFill || c == kOther || c == kEdge) << "a gap at " << y;
    }
    EXPECT_EQ(frame.count(kMap, true) + frame.count(kFill, true) + frame.count(kOther, true) +
                  frame.count(kEdge, true),
              80 * 85 + 1)
        << "the square in the clip, and the line's last row below it";
}

// A frame tall enough for its bands to be drawn on two threads: the shapes
// join up across every band and the map is whole beside them.
TEST(FrameRaster, ATallFrameIsWholeAcrossItsBands) {
    QImage image(300, 1000, QImage::Format_RGB32);
    image.fill(kCanary);
    QPainter painter(&image);
    IconBlitter blitter;
    blitter.Begin(painter, image.rect());
    QImage map(256, 256, QImage::Format_RGB32);
    map.fill(kMap);
    const TargetSprite sprite = symbol(30);
    for (int round = 0; round < 3; ++round) {
        FrameRaster raster(blitter);
        for (int y = 0; y < 1000; y += 256) raster.Copy(map, QRect(0, y, 256, 256));
        raster.Line({270.5, 0}, {270.5, 1e4}, kFill);
        raster.Line({290, 0}, {260, 999.9}, kFill, 2);
        for (int i = 0; i < 40; ++i) raster.Stamp(sprite, QPointF(128, 12 + 25 * i), kOther, kEdge);
    }
    auto count = [&image](int x0, int x1, QRgb colour) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = x0; x <= x1; ++x) n += image.pixel(x, y) == colour;
        return n;
    };
    EXPECT_EQ(count(270, 270, kFill), 1000) << "the line has a gap";
    EXPECT_EQ(count(0, 255, kMap) + count(0, 255, kOther) + count(0, 255, kEdge), 256 * 1000)
        << "the map has a hole";
    EXPECT_NEAR(count(0, 255, kOther), 40 * 16 * 28 / 2, 40 * 50);
    EXPECT_EQ(count(256, 299, kMap), 0);
}

}  // namespace
