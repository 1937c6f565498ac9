// ovtool ktl make, info and render, run as a user would run them.
#include <gtest/gtest.h>

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "ktltestmaps.h"
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
    EXPECT_EQ(json["displayTitle"].toString(), "Harbour. Soundings in Metres");
    EXPECT_NEAR(json["bounds"]["west"].toDouble(), 5 - 0.0002, 1e-9);
    EXPECT_NEAR(json["datumShift"]["longitude"].toDouble(), -0.0002, 1e-12);

    const QString out = dir.file("level0.png");
    auto rendered = runOvtool({"ktl", "render", ktl, "--level", "0", "-o", out}, dir.path());
    ASSERT_EQ(rendered.exitCode, 0) << rendered.err.constData();
    const QImage back(out);
    ASSERT_EQ(back.size(), QSize(192, 128));
    for (int y = 0; y < 100; y += 3)
        for (int x = 0; x < 150; x += 5)
            ASSERT_EQ(back.pixel(x, y), image.pixel(x, y)) << x << "," << y;
}

}  // namespace
