// The TCP transport against a local server that sends, stalls and closes.
#include <gtest/gtest.h>

#include "nmea/connectiontestsupport.h"
#include "nmea/nmea_gps.h"
#include "support/nginxserver.h"

namespace {

using conntest::pumpUntil;
using nmeatest::Recorder;

class TcpFromServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(conntest::connectTo(connection, server)); }
    void TearDown() override { CDataConnection::stopDebug(nullptr); }

    conntest::LoopbackServer server;
    CTCPIPConnection connection;
    Recorder<CNMEA_GPS::RMC> rmc;
};

TEST_F(TcpFromServer, LinesSplitAcrossSendsArriveWhole) {
    const QByteArray lines = conntest::rmcLines(4);
    server.send(lines.left(10));
    server.send(lines.mid(10, 70));  // the first line and a bit of the second
    ASSERT_TRUE(pumpUntil([&] { return rmc.count == 1; }));
    server.send(lines.mid(80));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count == 4; })) << rmc.count;
    EXPECT_NEAR(rmc.last->latitude, 51.5 + 0.0003 / 60, 1e-9);
    for (QTcpSocket* c : server.clients) c->disconnectFromHost();
    ASSERT_TRUE(pumpUntil([&] { return !connection.isConnected(); }));
    EXPECT_EQ(std::pair(rmc.count, connection.inactive), std::pair(4, false));
}

TEST_F(TcpFromServer, EndlessLinesAndBurstsAreDroppedNotTheStream) {
    CDataConnection::startDebug();
    server.send(QByteArray(100000, 'z'));
    server.send(conntest::rmcLines(2));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count == 2; })) << rmc.count;
    // All of a burst is in the socket before the first read: lines past 200
    // are dropped with the rest of that read; a later line still counts.
    server.send(conntest::rmcLines(50) + QByteArray(3000, '\n'));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count >= 52; }));
    server.send(conntest::rmcLines(1));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count >= 53; }));
    EXPECT_EQ(rmc.count, 53);
    const QByteArray log = conntest::finishDebugLog();
    EXPECT_GE(log.count("Error: Data not NMEA format."), 100000 / 200);
    EXPECT_TRUE(log.contains("Error: too many sentences - discarding the input buffer"));
}

// Instant acquisition asked for, but only the NMEA server port has targets.
TEST(TcpConnection, RefusedConnectionReportsWhy) {
    conntest::LoopbackServer server;
    const int port = server.port();
    server.server.close();
    CTCPIPConnection connection;
    connection.Setup("127.0.0.1", port, true);
    EXPECT_TRUE(connection.Open());  // completes asynchronously
    EXPECT_TRUE(connection.targetsFilePath().empty());
    ASSERT_TRUE(pumpUntil([&] { return !connection.status.empty(); }));
    EXPECT_FALSE(connection.isConnected());
    EXPECT_FALSE(connection.Output("$ECRMB*00\r\n"));
    EXPECT_EQ(connection.status, "Output failed");
    CTCPIPConnection saved;
    saved.network_name = "harbour-wifi";
    EXPECT_FALSE(saved.Open());
    EXPECT_EQ(saved.status, "TCP connection set up for harbour-wifi");
}

std::vector<std::pair<std::string, QByteArray>> handedTargets;

// Instant acquisition for real: the NMEA server on 127.0.0.1:39150 and nginx
// serving the target list on 127.0.0.1:39151, the fixed pair of ports the
// connection uses. A dead target server hands nothing over, a served list is
// handed over then deleted, and the NMEA stream flows either way.
TEST(InstantAcquisition, TheServedListIsHandedOverThenDeleted) {
    ASSERT_TRUE(testsupport::NginxServer::available());
    handedTargets.clear();
    CTCPIPConnection::read_instant_targets = [](const std::string& file) {
        handedTargets.push_back({file, testsupport::readFile(QString::fromStdString(file))});
        return true;
    };
    auto fetch = [](std::string* path) {
        conntest::LoopbackServer server;
        server.server.close();  // another test process may hold the fixed port for a moment
        ASSERT_TRUE(pumpUntil(
            [&] {
                return server.server.listen(QHostAddress::LocalHost,
                                            CTCPIPConnection::kDefaultPort);
            },
            60000, false));
        CTCPIPConnection connection;
        Recorder<CNMEA_GPS::RMC> rmc;
        connection.Setup("127.0.0.1", CTCPIPConnection::kDefaultPort, true);
        ASSERT_TRUE(connection.Open());
        *path = connection.targetsFilePath();
        ASSERT_FALSE(path->empty());
        ASSERT_TRUE(server.waitForClient());
        ASSERT_TRUE(pumpUntil([&] { return connection.targetsFilePath().empty(); }, 60000));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(*path)) ||
                     QFile::exists(QString::fromStdString(*path + ".tmp")));
        server.send(conntest::rmcLines(3));
        EXPECT_TRUE(pumpUntil([&] { return rmc.count == 3; })) << rmc.count;
    };
    std::string path;
    QTcpSocket probe;
    probe.connectToHost(QHostAddress::LocalHost, CTCPIPConnection::kTargetsPort);
    if (!probe.waitForConnected(500)) {
        fetch(&path);
        EXPECT_TRUE(handedTargets.empty());
    }
    testsupport::TempDir root;
    QByteArray list;
    for (int i = 0; i < 200; ++i)
        list += "235" + QByteArray::number(100000 + i) + ",51.5,-0.12,4.5,270\n";
    ASSERT_TRUE(testsupport::writeFile(root.file("targets/getTargets"), list));
    testsupport::NginxServer nginx(root.path(), "listen 127.0.0.1:39151;");
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();
    fetch(&path);
    CTCPIPConnection::read_instant_targets = nullptr;
    ASSERT_EQ(handedTargets.size(), 1u);
    EXPECT_EQ(handedTargets[0].first, path);
    EXPECT_EQ(handedTargets[0].second, list);
}

}  // namespace
