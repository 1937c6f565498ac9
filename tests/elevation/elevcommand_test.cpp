// ovtool elev at: heights from a folder, fetched from a server on loopback,
// the level clamp, and its refusals.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "elevationtestsupport.h"
#include "support/nginxserver.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

// Tiles of a level round 50.5 N 1.5 W on flat ground at `height`.
void writeAround(const QString& root, int level, double height) {
    double gx, gy;
    Google_Grid(level, false, {}).LatLongToPixelXY(50.5, -1.5, gx, gy);
    const int tx = int(gx / 256), ty = int(gy / 256);
    ASSERT_TRUE(writeTiles(root, level, tx - 1, tx + 1, ty - 1, ty + 1,
                           [height](double, double) { return height; }));
}

TEST(ElevCommand, HeightsFromTheFolderAndTheServer) {
    if (!testsupport::NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    testsupport::TempDir served, local, home;
    writeAround(served.path(), 12, 42.25);
    writeAround(served.path(), 14, 14.5);
    writeAround(local.path(), 9, 9.75);
    testsupport::NginxServer nginx(served.path());
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    const QString server = QString("http://127.0.0.1:%1/").arg(nginx.port());
    struct Case {
        const char* name;
        QStringList args;
        int exitCode;
        int level;
        double height;
    };
    const Case cases[] = {
        {"best level, fetched", {"--server", server}, 0, 12, 42.25},
        {"a level kept in the folder", {"--level", "9"}, 0, 9, 9.75},
        {"level 20 is clamped to 14", {"--level", "20", "--server", server}, 0, 14, 14.5},
        {"no tile and no server", {"--level", "8"}, 1, 0, 0},
        {"not a server address", {"--server", "ftp://127.0.0.1/"}, 2, 0, 0},
        {"a level past 20", {"--level", "21"}, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = testsupport::runOvtool(
            QStringList{"elev", "at", "50.5", "-1.5", "--dir", local.path()} + c.args, home.path());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        if (c.exitCode != 0) continue;
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(o["level"].toInt(), c.level);
        EXPECT_DOUBLE_EQ(o["height"].toDouble(), c.height);
        EXPECT_DOUBLE_EQ(o["lat"].toDouble(), 50.5);
    }
}

}  // namespace
