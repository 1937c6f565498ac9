// The serial transport through a socat pseudo-terminal pair: line endings,
// overlong lines, bursts, output back to the device and open failures.
#include <gtest/gtest.h>

#include "nmea/connectiontestsupport.h"
#include "nmea/nmea_gps.h"
#include "nmea/serialconnection.h"

namespace {

using conntest::pumpUntil;
using nmeatest::Recorder;
using nmeatest::withChecksum;

class SerialOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty.ready()) GTEST_SKIP() << "socat could not make a pty pair";
        connection.Setup(pty.b.toStdString(), 4800);
        ASSERT_TRUE(connection.Open()) << connection.status;
    }
    void TearDown() override { CDataConnection::stopDebug(nullptr); }

    testsupport::TempDir dir;
    conntest::PtyPair pty{dir.path()};
    CSerialConnection connection;
    Recorder<CNMEA_GPS::RMC> rmc;
};

TEST_F(SerialOverPty, EveryLineEndingGivesTheSameSentencesAndOutputGoesBack) {
    EXPECT_EQ(std::pair(connection.isReadOnly(), connection.display_name),
              std::pair(false, std::string("b")));
    CDataConnection::startDebug();
    QByteArray binary(200, 'x');  // overlong, then not text at all
    for (int i = 0; i < 5000; ++i) binary += char((i * 37) & 0xff);
    binary.replace('\n', 'y');
    const QByteArray crlf = conntest::rmcLines(3, "\r\n");
    QByteArray cr = crlf;  // CR inside a line is ignored as well
    cr.replace(",A,5130", ",A,\r5130");
    ASSERT_TRUE(pty.send(binary + "\n" + conntest::rmcLines(3, "\n") + crlf + cr));
    ASSERT_TRUE(pumpUntil([&] { return rmc.count == 9; })) << rmc.count;
    EXPECT_NEAR(rmc.last->latitude, 51.5 + 0.0002 / 60, 1e-9);
    EXPECT_EQ(rmc.last->connection, &connection);
    const QByteArray log = conntest::finishDebugLog();
    EXPECT_TRUE(log.contains("Error: Data not NMEA format.\n"));
    EXPECT_TRUE(log.contains("$GPRMC,120001.00"));
    // Accepted outgoing sentences go back to the device.
    connection.output_filter.add("accept EC");
    const char* rmb = "$ECRMB,A,0.01000,L,X,HOME,51.5000000,N,0.1250000,W,1.50000,45.0,4.90,V,A";
    ASSERT_TRUE(conntest::sendGenerated(rmb));
    QByteArray got;
    ASSERT_TRUE(pumpUntil([&] { return (got += pty.receive()).endsWith("\r\n"); }));
    EXPECT_EQ(got.toStdString(), withChecksum(rmb) + "\r\n");
}

TEST_F(SerialOverPty, AtMostAHundredAcceptedSentencesPerTick) {
    CDataConnection::startDebug();
    const QByteArray lines = conntest::rmcLines(150);
    ASSERT_TRUE(pty.send(lines));
    // More than a hundred sentences waiting, then one tick.
    const qint64 enough = lines.size() / 150 * 101;
    ASSERT_TRUE(pumpUntil([&] { return connection.bytesWaiting() >= enough; }, 30000, false));
    connection.OnHeartbeat();
    EXPECT_EQ(rmc.count, 100);
    const QByteArray log = conntest::finishDebugLog();
    EXPECT_TRUE(log.contains("Error: too many sentences - discarding the input buffer"));
}

TEST(SerialConnection, MissingDeviceFailsWithTheReason) {
    CSerialConnection connection;
    connection.Setup("/nonexistent/ttyNMEA", 4800);
    EXPECT_FALSE(connection.Open());
    EXPECT_FALSE(connection.inactive);  // cleared before any failure
    EXPECT_TRUE(
        !connection.isOpen() &&
        connection.status.starts_with("Open serial port /nonexistent/ttyNMEA, Failed, errno: "))
        << connection.status;
}

}  // namespace
