// ovtool ktl make, info and render, run as a user would run them.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "ktltestmaps.h"
#include "maps/ktlformat.h"
#include "support/testsupport.h"

namespace {

using testsupport::runOvtool;
using testsupport::TempDir;

class KtlCommand : public ::testing::Test {
protected:
    TempDir dir;
    QString png = dir.file("in.png");
    QString ktl = dir.file("out.ktl");
    QImage image = ktltest::indexedImage(
        150, 100, [](int x, int y) { return (x / 3 + y / 7) % 60; }, 60);

    void SetUp() override { ASSERT_TRUE(image.save(png)); }
};

TEST_F(KtlCommand, MakeInfoAndRenderGiveTheImageBack) {
    auto made =
        runOvtool({"ktl", "make", png, "-o", ktl, "--bounds", "5,6,50,51", "--name", "Harbour",
                   "--type", "Nautical chart", "--depths", "Metres", "--copyright", "Orvanta tests",
                   "--scale", "1:50000", "--datum-shift", "0.0001,-0.0002"},
                  dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    EXPECT_TRUE(made.out.contains("60 colours")) << made.out.constData();

    auto info = runOvtool({"ktl", "info", ktl}, dir.path());
    ASSERT_EQ(info.exitCode, 0) << info.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(info.out).object();
    EXPECT_EQ(json["width"].toInt(), 192);
    EXPECT_EQ(json["height"].toInt(), 128);
    EXPECT_EQ(json["magic"].toString(), "0x1423d5fe");
    EXPECT_EQ(json["displayTitle"].toString(), "Harbour. Soundings in Metres");
    EXPECT_EQ(json["strings"]["scale"].toString(), "1:50000");
    EXPECT_EQ(json["strings"]["sourceFile"].toString(), "in.png");
    EXPECT_NEAR(json["bounds"]["west"].toDouble(), 5 - 0.0002, 1e-9);
    EXPECT_NEAR(json["bounds"]["north"].toDouble(), 51 + 0.0001, 1e-9);
    EXPECT_NEAR(json["scaleAtCentre"].toDouble(), 60.0 / 100, 1e-9);
    EXPECT_NEAR(json["datumShift"]["longitude"].toDouble(), -0.0002, 1e-12);

    const QString out = dir.file("level0.png");
    auto rendered = runOvtool({"ktl", "render", ktl, "--level", "0", "-o", out}, dir.path());
    ASSERT_EQ(rendered.exitCode, 0) << rendered.err.constData();
    const QImage back(out);
    ASSERT_EQ(back.size(), QSize(192, 128));
    for (int y = 0; y < 100; y += 3)
        for (int x = 0; x < 150; x += 5)
            ASSERT_EQ(back.pixel(x, y), image.pixel(x, y)) << x << "," << y;

    const QString part = dir.file("part.png");
    rendered = runOvtool(
        {"ktl", "render", ktl, "--level", "-2", "--rect", "10,20,40,32", "-o", part}, dir.path());
    ASSERT_EQ(rendered.exitCode, 0) << rendered.err.constData();
    const QImage zoomed(part);
    ASSERT_EQ(zoomed.size(), QSize(40, 32));
    EXPECT_EQ(zoomed.pixel(0, 0), image.pixel(10, 20));
    EXPECT_EQ(zoomed.pixel(39, 31), image.pixel(19, 27));
}

TEST_F(KtlCommand, ControlPointsAndTheOddMagic) {
    auto made = runOvtool({"ktl", "make", png, "-o", ktl, "--odd-magic", "--gcp", "0,0,51,5",
                           "--gcp", "150,0,51,6", "--gcp", "0,100,50,5", "--gcp", "150,100,50,6"},
                          dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    auto info = runOvtool({"ktl", "info", ktl}, dir.path());
    const QJsonObject json = QJsonDocument::fromJson(info.out).object();
    EXPECT_EQ(json["magic"].toString(), "0x1423d5ff");
    EXPECT_NEAR(json["bounds"]["east"].toDouble(), 6, 1e-9);
    EXPECT_NEAR(json["bounds"]["south"].toDouble(), 50, 1e-9);
}

TEST_F(KtlCommand, MistakesAndRefusalsAreReported) {
    EXPECT_EQ(runOvtool({"ktl", "make", png, "-o", ktl}, dir.path()).exitCode, 2)
        << "no georeferencing";
    EXPECT_EQ(runOvtool({"ktl", "make", png, "-o", ktl, "--bounds", "5,6,50"}, dir.path()).exitCode,
              2);
    auto missing = runOvtool(
        {"ktl", "make", dir.file("none.png"), "-o", ktl, "--bounds", "5,6,50,51"}, dir.path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("can't read")) << missing.err.constData();

    ASSERT_EQ(
        runOvtool({"ktl", "make", png, "-o", ktl, "--bounds", "5,6,50,51"}, dir.path()).exitCode,
        0);
    EXPECT_EQ(runOvtool({"ktl", "render", ktl, "-o", dir.file("x.png")}, dir.path()).exitCode, 2)
        << "the level is required";
    ASSERT_TRUE(ktltest::patchFile(ktl.toStdString(), ktl::kOffVersion, ktltest::le32(6)));
    auto refused = runOvtool({"ktl", "info", ktl}, dir.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("Problem: To open this map you need a newer version"))
        << refused.err.constData();
    EXPECT_TRUE(refused.err.contains("is version 6.")) << refused.err.constData();
}

}  // namespace
