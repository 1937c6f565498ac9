// Tiles fetched from a real nginx on loopback: five downloads at a time, a
// missing tile, a damaged one, and a server that stalls.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <algorithm>

#include "app/base/datasource.h"
#include "elevationtestsupport.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace elevationtest;
using testsupport::StubHttpServer;

namespace {

constexpr int kWaitMs = 30000;

QUrl loopback(int port, const QString& path = "/") {
    return QUrl(QString("http://127.0.0.1:%1%2").arg(port).arg(path));
}

// The pixel (10, 10) of tile x of row 5 at level 4.
bool ask(MZElevationData& store, int x, float& height) {
    return store.elevationFromTile(4, x * 256 + 10, 5 * 256 + 10, height);
}

struct ArrivalCounter : Listener<MZElevationData> {
    int count = 0;
    void OnUpdate(MZElevationData&) override { ++count; }
};

TEST(ElevationDownload, FiveAtATimeAndMissingOrDamagedTilesGivenUp) {
    if (!testsupport::NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    // Tiles 0..5 of row 5 are flat at 10 * x m; 6 is missing, 7 damaged.
    testsupport::TempDir served, local;
    ASSERT_TRUE(writeTiles(served.path() + "/base", 4, 0, 5, 5, 5,
                           [](double gx, double) { return 10 * int(gx / 256); }));
    ASSERT_TRUE(testsupport::writeFile(tileFile(served.path() + "/base", 4, 7, 5), "<html>"));
    testsupport::NginxServer nginx(served.path());
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    DownloadSettings settings(true, loopback(nginx.port(), "/base/"));
    MZElevationData store(local.path().toStdString());
    ArrivalCounter arrivals;
    float h;
    for (int x = 0; x < 8; ++x) EXPECT_FALSE(ask(store, x, h));
    EXPECT_EQ(std::make_pair(store.wanted().size(), store.downloading().size()),
              std::make_pair(size_t(8), size_t(5)));
    EXPECT_FALSE(ask(store, 0, h)) << "a wanted tile fails at once";
    size_t most = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            most = std::max(most, store.downloading().size());
            return store.downloading().empty() && arrivals.count > 0;
        },
        kWaitMs))
        << nginx.log().toStdString();
    EXPECT_LE(most, 5u);
    for (int x = 0; x < 6; ++x) EXPECT_TRUE(ask(store, x, h) && h == 10.0f * x) << x;
    // A 404 is given up; a damaged file is kept aside, fetched again and,
    // damaged twice, given up. Both stay wanted: asking again starts nothing.
    EXPECT_EQ(store.failed(),
              (std::set{MZElevationData::toKey(4, 5, 6), MZElevationData::toKey(4, 5, 7)}));
    EXPECT_TRUE(QFile::exists(tileFile(local.path(), 4, 7, 5) + ".bad"));
    EXPECT_EQ(store.wanted().size(), 2u);
    EXPECT_FALSE(ask(store, 6, h) || ask(store, 7, h));
    EXPECT_TRUE(store.downloading().empty());
}

TEST(ElevationDownload, AStalledServerFailsTheTile) {
    StubHttpServer stall([](const StubHttpServer::Request&, QTcpSocket*) {});
    testsupport::TempDir local;
    DownloadSettings settings(true, loopback(stall.port()));
    MZElevationData store(local.path().toStdString());
    float h;
    {
        DownloadSettings off(false, loopback(stall.port()));
        EXPECT_FALSE(ask(store, 2, h));
        EXPECT_TRUE(store.wanted().empty()) << "asked with automatic downloads off";
    }
    EXPECT_FALSE(ask(store, 2, h));
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.downloading().empty(); }, kWaitMs));
    EXPECT_TRUE(store.failed().count(MZElevationData::toKey(4, 5, 2)));
    EXPECT_EQ(stall.requests(), 1);
    EXPECT_FALSE(QFile::exists(tileFile(local.path(), 4, 2, 5)));
}

}  // namespace
