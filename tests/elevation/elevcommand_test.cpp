// ovtool elev at: heights from a folder and from a server on loopback, the
// level clamp, and its refusals.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "elevationtestsupport.h"
#include "support/nginxserver.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

Surface flat(double height) {
    return [height](double, double) { return height; };
}

TEST(ElevCommand, HeightsFromTheFolderAndTheServer) {
    if (!testsupport::NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    testsupport::TempDir served, local, home;
    ASSERT_TRUE(writeTilesAround(served.path(), 12, 50.5, -1.5, flat(42.25)));
    ASSERT_TRUE(writeTilesAround(served.path(), 14, 50.5, -1.5, flat(14.5)));
    ASSERT_TRUE(writeTilesAround(local.path(), 9, 50.5, -1.5, flat(9.75)));
    testsupport::NginxServer nginx(served.path());
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    const QString server = QString("http://127.0.0.1:%1/").arg(nginx.port());
    // Name, arguments, exit status, level and height answered.
    const std::tuple<const char*, QStringList, int, int, double> cases[] = {
        {"best level, fetched", {"--server", server}, 0, 12, 42.25},
        {"a level in the folder", {"--level", "9"}, 0, 9, 9.75},
        {"level 20 is clamped to 14", {"--level", "20", "--server", server}, 0, 14, 14.5},
        {"no tile and no server", {"--level", "8"}, 1, 0, 0},
        {"not a server address", {"--server", "ftp://127.0.0.1/"}, 2, 0, 0},
        {"a level past 20", {"--level", "21"}, 2, 0, 0},
    };
    for (const auto& [name, args, status, level, height] : cases) {
        SCOPED_TRACE(name);
        const auto r = testsupport::runOvtool(
            QStringList{"elev", "at", "50.5", "-1.5", "--dir", local.path()} + args, home.path());
        EXPECT_EQ(r.exitCode, status) << r.err.toStdString();
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        if (status != 0) continue;
        EXPECT_EQ(std::make_tuple(o["level"].toInt(), o["height"].toDouble(), o["lat"].toDouble()),
                  std::make_tuple(level, height, 50.5));
    }
}

}  // namespace
