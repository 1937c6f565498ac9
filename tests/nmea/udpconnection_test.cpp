// The UDP transport: datagrams that split lines, bursts and bind failures.
#include <gtest/gtest.h>

#include <QUdpSocket>

#include "nmea/connectiontestsupport.h"
#include "nmea/nmea_gps.h"
#include "nmea/udpconnection.h"

namespace {

using conntest::pumpUntil;
using nmeatest::Recorder;

class UdpDatagrams : public ::testing::Test {
protected:
    void SetUp() override {
        connection.Setup(0);
        ASSERT_TRUE(connection.Open());
        ASSERT_TRUE(connection.isBound()) << connection.status;
    }
    void send(const QByteArray& datagram) {
        sender.writeDatagram(datagram, QHostAddress::LocalHost, quint16(connection.boundPort()));
    }
    void TearDown() override { CDataConnection::stopDebug(nullptr); }

    CUDPConnection connection;
    QUdpSocket sender;
    Recorder<CNMEA_GPS::RMC> rmc;
};

TEST_F(UdpDatagrams, LinesContinueAcrossDatagramsGarbageAndBurstsDoNotStopThem) {
    QByteArray garbage;
    for (int i = 0; i < 3999; ++i) garbage += char((i * 13 + 1) & 0xff);
    garbage.replace('\n', 'q');
    send(garbage);
    const QByteArray lines = "\n" + conntest::rmcLines(3);
    send(lines.left(30));
    send(lines.mid(30, 100));
    send(lines.mid(130));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count == 3; })) << rmc.count;
    EXPECT_EQ(rmc.last->connection, &connection);
    // Many sentences in one datagram are cut at two hundred.
    CDataConnection::startDebug();
    send(conntest::rmcLines(40) + QByteArray(200, '\n'));
    send(conntest::rmcLines(5));  // waiting behind the burst: dropped with it
    ASSERT_TRUE(pumpUntil([&] { return rmc.count >= 43; }));
    send(conntest::rmcLines(1));  // sent after the burst was read: taken
    ASSERT_TRUE(pumpUntil([&] { return rmc.count >= 44; }));
    EXPECT_EQ(rmc.count, 44);
    const QByteArray log = conntest::finishDebugLog();
    EXPECT_TRUE(log.contains("Error: too many sentences - discarding the input buffer"));
}

TEST(UdpConnection, BindFailureStillCountsAsOpen) {
    QUdpSocket holder;
    ASSERT_TRUE(holder.bind(QHostAddress::Any, 0, QAbstractSocket::DontShareAddress));
    CUDPConnection connection;
    connection.Setup(holder.localPort());
    EXPECT_TRUE(connection.Open());
    EXPECT_TRUE(connection.status.starts_with("Socket bind failed: ")) << connection.status;

    CUDPConnection saved;
    saved.network_name = "marina";
    EXPECT_FALSE(saved.Open());
    EXPECT_EQ(saved.status, "UDP connection not opened because current network is not marina");
}

}  // namespace
