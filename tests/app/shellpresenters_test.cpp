// The shell's presenters seen from the program's side: menus shown and
// dismissed, the connection dialogs' fields going out and coming back into a
// real connection, and the NMEA debug log.
#include "app/shellpresenters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <cstdio>

#include "app/mainmenus.h"
#include "nmea/dataconnection.h"
#include "nmea/serialconnection.h"
#include "nmea/tcpipconnection.h"
#include "nmea/udpconnection.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 30000;

class ShellPresenters : public ::testing::Test {
protected:
    void TearDown() override {
        presenters.reset();
        CDataConnection::DestroyConnection();
        CDataConnection::gps_connection_type = savedType;
        CTCPIPConnection::saved_ip_address = savedHost;
        CTCPIPConnection::saved_port = savedTcpPort;
        CUDPConnection::saved_port = savedUdpPort;
        CSerialConnection::default_device = savedDevice;
        CSerialConnection::default_baud = savedBaud;
    }
    // Selects a connection type, answering its dialog with `fields` changed by
    // `change`; gives whether the connection opened.
    bool select(int32_t type, std::function<void(QVariantMap&)> change, int code = 0) {
        presenters = std::make_unique<CShellPresenters>();
        QObject::connect(presenters.get(), &CShellPresenters::dialogRequested, presenters.get(),
                         [&](int id, QVariantMap fields) {
                             change(fields);
                             presenters->answerDialog(id, fields, code);
                         });
        int result = -1;
        CDataConnection::onConnectionSelected(nullptr, CDataConnection::CConnectionType::Find(type),
                                              [&](bool opened) { result = opened; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, kWait));
        return result == 1;
    }
    bool chooseGpsSetup(const std::string& entry, OV_HWND parent = nullptr) {
        return buildMainMenu(parent)->Choose("Settings:GPS Setup:" + entry);
    }

    int32_t savedType = CDataConnection::gps_connection_type;
    std::string savedHost = CTCPIPConnection::saved_ip_address;
    std::string savedDevice = CSerialConnection::default_device;
    int savedTcpPort = CTCPIPConnection::saved_port, savedUdpPort = CUDPConnection::saved_port;
    int savedBaud = CSerialConnection::default_baud;
    std::unique_ptr<CShellPresenters> presenters = std::make_unique<CShellPresenters>();
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(ShellPresenters, StaleMenusAreIgnoredAndTheConnectionListMarksTheChosenType) {
    QSignalSpy requested(presenters.get(), &CShellPresenters::menuRequested);
    presenters->showMainMenu();
    ASSERT_EQ(requested.size(), 1);
    const int id = requested[0][0].toInt();
    EXPECT_FALSE(presenters->chooseMenuEntry(id + 100, 0)) << "a stale id is ignored";
    presenters->dismissMenu(id);

    CDataConnection::gps_connection_type = CDataConnection::kTCP;
    ASSERT_TRUE(buildMainMenu(presenters.get())->Choose("Settings:GPS Setup:GPS Connection"));
    ASSERT_EQ(requested.size(), 2);
    QStringList checked;
    for (const QVariant& e : requested[1][3].toList())
        if (e.toMap()["checked"].toBool()) checked << e.toMap()["title"].toString();
    EXPECT_EQ(checked, QStringList{"TCP/IP"});
    presenters->dismissMenu(requested[1][0].toInt());
    EXPECT_EQ(CDataConnection::gps_connection_type, CDataConnection::kTCP) << "dismissed";
    EXPECT_FALSE(presenters->menuOpen());
}

TEST_F(ShellPresenters, RefusedOrCancelledDialogsKeepTheSettings) {
    // Name, type, the field changed, its value, the dialog's answer.
    const std::tuple<const char*, int32_t, const char*, QVariant, int> cases[] = {
        {"tcp cancelled", CDataConnection::kTCP, "port", 4000, 1},
        {"tcp port 0", CDataConnection::kTCP, "port", 0, 0},
        {"tcp port too big", CDataConnection::kTCP, "port", 70000, 0},
        {"tcp no host", CDataConnection::kTCP, "ip_addr", " ", 0},
        {"udp port not a number", CDataConnection::kUDP, "port", "x", 0},
        {"serial no such port", CDataConnection::kSerial, "port_sel", 999, 0},
        {"serial no such rate", CDataConnection::kSerial, "baud_sel", 7, 0},
    };
    for (const auto& [name, type, field, value, code] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(select(
            type,
            [&, field = field, value = value](QVariantMap& fields) {
                fields["port_sel"] = fields["baud_sel"] = 0;
                fields[field] = value;
            },
            code));
        EXPECT_EQ(CDataConnection::gps_connection_type, 0);
        EXPECT_EQ(CTCPIPConnection::saved_port, savedTcpPort);
        EXPECT_EQ(CUDPConnection::saved_port, savedUdpPort);
        EXPECT_EQ(CSerialConnection::default_device, savedDevice);
    }
}

TEST_F(ShellPresenters, UdpAndSerialDialogsStoreWhatWasChosen) {
    QUdpSocket probe;  // a port free on loopback
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int port = probe.localPort();
    probe.close();
    ASSERT_TRUE(select(CDataConnection::kUDP, [&](QVariantMap& fields) { fields["port"] = port; }));
    auto* udp = dynamic_cast<CUDPConnection*>(CDataConnection::theConnection.get());
    ASSERT_NE(udp, nullptr);
    EXPECT_TRUE(udp->isBound());
    EXPECT_EQ(udp->boundPort(), port);
    EXPECT_EQ(CUDPConnection::saved_port, port);

    select(CDataConnection::kSerial, [](QVariantMap& fields) {
        fields["port_sel"] = int(fields["ports"].toStringList().indexOf("tty0"));
        fields["baud_sel"] = int(fields["bauds"].toStringList().indexOf("9600"));
    });
    EXPECT_EQ(CSerialConnection::default_device, "/dev/tty0");
    EXPECT_EQ(CSerialConnection::default_baud, 9600);
}

TEST_F(ShellPresenters, TcpDialogConnectsAndTheDebugLogStartsStopsAndIsExported) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(select(CDataConnection::kTCP, [&](QVariantMap& fields) {
        fields["ip_addr"] = "127.0.0.1";
        fields["port"] = int(server.serverPort());
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, kWait));
    QTcpSocket* peer = server.nextPendingConnection();

    EXPECT_FALSE(chooseGpsSetup("Stop NMEA Debug Log"));
    ASSERT_TRUE(chooseGpsSetup("Start NMEA Debug Log"));
    ASSERT_TRUE(CDataConnection::isDebugging());
    EXPECT_FALSE(chooseGpsSetup("Start NMEA Debug Log"));
    const QByteArray line = "$GPGLL,5000.000,N,00100.000,W,120000,A*00";
    peer->write(line + "\r\n");
    ASSERT_TRUE(QTest::qWaitFor([] { return std::ftell(CDataConnection::debug_file) > 0; }, kWait));

    // Stopped from a window, the log is offered for keeping.
    const QString kept = dir.file("kept.txt");
    int saveDialogs = 0;
    QObject::connect(presenters.get(), &CShellPresenters::fileDialogRequested, presenters.get(),
                     [&](int id, bool save) {
                         saveDialogs += save;
                         presenters->answerFileDialog(id, kept);
                     });
    ASSERT_TRUE(chooseGpsSetup("Stop NMEA Debug Log", presenters.get()));
    EXPECT_FALSE(CDataConnection::isDebugging());
    EXPECT_EQ(saveDialogs, 1);
    EXPECT_EQ(testsupport::readFile(kept), line + "\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(CDataConnection::DebugLogPath())));
}

TEST_F(ShellPresenters, EditLayoutArrangesThePagesAndTheHooksGoWithTheShell) {
    QObject pages;
    pages.setProperty("arranging", false);
    presenters->setPages(&pages);
    ASSERT_TRUE(buildMainMenu(presenters.get())->Choose("Edit Layout"));
    EXPECT_TRUE(pages.property("arranging").toBool());

    int result = -1;  // a dialog still open when the shell goes is cancelled
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kUDP),
        [&](bool opened) { result = opened; });
    EXPECT_EQ(result, -1) << "waits for the answer";
    presenters.reset();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(buildMainMenu(nullptr)->titles(),
              (std::vector<std::string>{"Settings", "Race Start", "Quit App"}));
}
