// Tiles fetched from a real nginx on loopback: five downloads at a time, a
// missing tile, a damaged one, a server that stalls, and no traffic at all
// without a server or with automatic downloading off.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>
#include <algorithm>

#include "elevationtestsupport.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace elevationtest;
using testsupport::NginxServer;
using testsupport::StubHttpServer;

namespace {

constexpr int kWaitMs = 30000;

QUrl loopback(int port, const QString& path = "/") {
    return QUrl(QString("http://127.0.0.1:%1%2").arg(port).arg(path));
}

// Level 4, row 5: tile x holds the height 10 * x everywhere.
Surface stepsOf(int x) {
    return [x](double, double) { return 10.0 * x; };
}

// Asks for the pixel (10, 10) of tile x of row 5 at level 4.
bool ask(MZElevationData& store, int x, float& height) {
    return store.elevationFromTile(4, x * 256 + 10, 5 * 256 + 10, height);
}

class ElevationDownload : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    }
    testsupport::TempDir served, local;
};

TEST_F(ElevationDownload, MoreThanFiveWantedAreFetchedFiveAtATime) {
    for (int x = 0; x < 8; ++x)
        ASSERT_TRUE(writeTile(served.path() + "/base", 4, x, 5, stepsOf(x)));
    NginxServer nginx(served.path());
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    DownloadSettings settings(true, loopback(nginx.port(), "/base/"));
    MZElevationData store(local.path().toStdString());
    ArrivalCounter arrivals;
    float h;
    for (int x = 0; x < 8; ++x) EXPECT_FALSE(ask(store, x, h));
    EXPECT_EQ(store.wanted().size(), 8u);
    EXPECT_EQ(store.downloading().size(), 5u);
    EXPECT_FALSE(ask(store, 0, h)) << "a wanted tile fails at once";
    size_t most = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            most = std::max(most, store.downloading().size());
            return store.wanted().empty() && arrivals.count > 0;
        },
        kWaitMs))
        << nginx.log().toStdString();
    EXPECT_LE(most, 5u);
    EXPECT_TRUE(store.failed().empty());
    for (int x = 0; x < 8; ++x) {
        SCOPED_TRACE(x);
        ASSERT_TRUE(ask(store, x, h));
        EXPECT_EQ(h, 10.0f * x);
    }
}

TEST_F(ElevationDownload, MissingAndDamagedTilesAreNotAskedForAgain) {
    ASSERT_TRUE(testsupport::writeFile(tileFile(served.path(), 4, 1, 5), "<html>not a tile"));
    NginxServer nginx(served.path());
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    DownloadSettings settings(true, loopback(nginx.port()));
    MZElevationData store(local.path().toStdString());
    const uint32_t missing = MZElevationData::toKey(4, 5, 0);
    const uint32_t damaged = MZElevationData::toKey(4, 5, 1);
    float h;
    EXPECT_FALSE(ask(store, 0, h));
    EXPECT_FALSE(ask(store, 1, h));
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.downloading().empty(); }, kWaitMs));
    EXPECT_TRUE(store.failed().count(missing)) << "a 404 is a failed download";
    // A damaged file is kept aside and fetched once more; damaged twice, it
    // is given up.
    EXPECT_TRUE(store.failed().count(damaged));
    EXPECT_TRUE(QFile::exists(tileFile(local.path(), 4, 1, 5) + ".bad"));
    EXPECT_FALSE(QFile::exists(tileFile(local.path(), 4, 1, 5)));
    // Both stay wanted: queries fail at once and start nothing.
    EXPECT_EQ(store.wanted().size(), 2u);
    EXPECT_FALSE(ask(store, 0, h));
    EXPECT_FALSE(ask(store, 1, h));
    EXPECT_TRUE(store.downloading().empty());
}

TEST_F(ElevationDownload, AStalledServerFailsTheTile) {
    StubHttpServer stall([](const StubHttpServer::Request&, QTcpSocket*) {});
    DownloadSettings settings(true, loopback(stall.port()));
    MZElevationData store(local.path().toStdString());
    float h;
    EXPECT_FALSE(ask(store, 2, h));
    EXPECT_TRUE(QTest::qWaitFor([&] { return store.downloading().empty(); }, kWaitMs));
    EXPECT_TRUE(store.failed().count(MZElevationData::toKey(4, 5, 2)));
    EXPECT_EQ(stall.requests(), 1);
    EXPECT_FALSE(QFile::exists(tileFile(local.path(), 4, 2, 5)));
}

TEST_F(ElevationDownload, NothingIsFetchedWithoutAServerOrWithDownloadsOff) {
    StubHttpServer server(StubHttpServer::sending(StubHttpServer::reply(404, "")));
    struct Case {
        const char* name;
        bool automatic;
        QUrl server;
    };
    const Case cases[] = {
        {"no server set", true, QUrl()},
        {"automatic downloads off", false, loopback(server.port())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DownloadSettings settings(c.automatic, c.server);
        MZElevationData store(local.path().toStdString());
        float h;
        EXPECT_FALSE(ask(store, 3, h));
        EXPECT_TRUE(store.wanted().empty());
        EXPECT_TRUE(store.downloading().empty());
    }
    QTest::qWait(0);
    EXPECT_EQ(server.requests(), 0);
}

}  // namespace
