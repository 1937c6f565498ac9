// The shell's presenters seen from the program's side: menus shown level by
// level, the connection dialogs' fields going out and coming back into a
// real connection, the file dialogs, and the NMEA debug log.
#include "app/shellpresenters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUdpSocket>
#include <algorithm>
#include <cstdio>

#include "app/mainmenus.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "nmea/serialconnection.h"
#include "nmea/tcpipconnection.h"
#include "nmea/udpconnection.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 30000;

class ShellPresenters : public ::testing::Test {
protected:
    void SetUp() override {
        savedType = CDataConnection::gps_connection_type;
        savedHost = CTCPIPConnection::saved_ip_address;
        savedTcpPort = CTCPIPConnection::saved_port;
        savedUdpPort = CUDPConnection::saved_port;
        savedDevice = CSerialConnection::default_device;
        savedBaud = CSerialConnection::default_baud;
        savedSimulation = CNMEASimulation::filename;
        presenters = std::make_unique<CShellPresenters>();
    }
    void TearDown() override {
        presenters.reset();
        CDataConnection::DestroyConnection();
        CDataConnection::gps_connection_type = savedType;
        CTCPIPConnection::saved_ip_address = savedHost;
        CTCPIPConnection::saved_port = savedTcpPort;
        CUDPConnection::saved_port = savedUdpPort;
        CSerialConnection::default_device = savedDevice;
        CSerialConnection::default_baud = savedBaud;
        CNMEASimulation::filename = savedSimulation;
    }
    // Selects a connection type; each dialog it shows is answered by `answer`.
    bool select(int32_t type, std::function<void(int, QVariantMap)> answer) {
        QObject::connect(presenters.get(), &CShellPresenters::dialogRequested, presenters.get(),
                         [answer](int id, const QVariantMap& fields) { answer(id, fields); });
        int result = -1;
        CDataConnection::onConnectionSelected(nullptr, CDataConnection::CConnectionType::Find(type),
                                              [&](bool opened) { result = opened; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, kWait));
        return result == 1;
    }

    int32_t savedType = 0;
    std::string savedHost, savedDevice, savedSimulation;
    int savedTcpPort = 0, savedUdpPort = 0, savedBaud = 0;
    std::unique_ptr<CShellPresenters> presenters;
    testsupport::TempDir dir;
};

}  // namespace

TEST_F(ShellPresenters, MenusAreShownLevelByLevelAndChoicesRun) {
    QSignalSpy requested(presenters.get(), &CShellPresenters::menuRequested);
    QSignalSpy closed(presenters.get(), &CShellPresenters::menuClosed);
    presenters->showMainMenu();
    ASSERT_EQ(requested.size(), 1);
    EXPECT_EQ(requested[0][1].toString(), "Main Menu");
    EXPECT_EQ(requested[0][4].toInt(), 0);
    int id = requested[0][0].toInt();
    const QVariantMap first = requested[0][3].toList()[0].toMap();
    EXPECT_EQ(first["title"].toString(), "Settings");
    EXPECT_EQ(first["icon"].toString(), "qrc:/settings.svg");
    EXPECT_TRUE(first["submenu"].toBool());

    // A stale id is ignored; the submenu opens over the menu and back again.
    EXPECT_FALSE(presenters->chooseMenuEntry(id + 100, 0));
    EXPECT_TRUE(presenters->chooseMenuEntry(id, 0));
    ASSERT_EQ(requested.size(), 2);
    EXPECT_EQ(requested[1][1].toString(), "Settings:");
    EXPECT_EQ(requested[1][4].toInt(), 1);
    EXPECT_TRUE(presenters->menuOpen());
    presenters->menuBack(requested[1][0].toInt());
    ASSERT_EQ(requested.size(), 3);
    EXPECT_EQ(requested[2][1].toString(), "Main Menu");
    id = requested[2][0].toInt();

    // Settings, Units, Metric: the menus close and the units change.
    const CUnits::e_dist_units family = CUnits::Default->get_unit_family();
    CUnits::Default->set_unit_family(CUnits::Statute);
    ASSERT_TRUE(presenters->chooseMenuEntry(id, 0));
    const int units = int(presenters->menuTitles().indexOf("Units"));
    ASSERT_GE(units, 0);
    ASSERT_TRUE(presenters->chooseMenuEntry(requested.last()[0].toInt(), units));
    EXPECT_EQ(presenters->menuTitles().first(), "Metric");
    ASSERT_TRUE(presenters->chooseMenuEntry(requested.last()[0].toInt(), 0));
    EXPECT_EQ(CUnits::Default->get_unit_family(), CUnits::Metric);
    EXPECT_FALSE(presenters->menuOpen());
    EXPECT_EQ(closed.size(), 1);
    CUnits::Default->set_unit_family(family);
}

TEST_F(ShellPresenters, DismissingAListMenuReportsNoChoice) {
    QSignalSpy requested(presenters.get(), &CShellPresenters::menuRequested);
    std::vector<int> answers;
    CDataConnection::menu_presenter(nullptr, "GPS Connection", {"Serial", "None"}, 1,
                                    [&](int i) { answers.push_back(i); });
    ASSERT_EQ(requested.size(), 1);
    const QVariantList entries = requested[0][3].toList();
    EXPECT_FALSE(entries[0].toMap()["checked"].toBool());
    EXPECT_TRUE(entries[1].toMap()["checked"].toBool());
    presenters->dismissMenu(requested[0][0].toInt());
    EXPECT_EQ(answers, std::vector<int>{-1});
    EXPECT_FALSE(presenters->menuOpen());
}

TEST_F(ShellPresenters, TcpDialogFieldsReopenTheConnectionOnTheChosenServer) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QVariantMap shown;
    const bool opened = select(CDataConnection::kTCP, [&](int id, QVariantMap fields) {
        shown = fields;
        fields["ip_addr"] = "127.0.0.1";
        fields["port"] = int(server.serverPort());
        presenters->answerDialog(id, fields, 0);
    });
    EXPECT_EQ(shown["kind"].toString(), "tcp");
    EXPECT_EQ(shown["ip_addr"].toString().toStdString(), savedHost);
    EXPECT_EQ(shown["port"].toInt(), savedTcpPort);
    ASSERT_TRUE(opened);
    EXPECT_EQ(CTCPIPConnection::saved_ip_address, "127.0.0.1");
    EXPECT_EQ(CTCPIPConnection::saved_port, server.serverPort());
    EXPECT_EQ(CDataConnection::gps_connection_type, CDataConnection::kTCP);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, kWait))
        << "the connection did not reach the server";
}

TEST_F(ShellPresenters, RefusedOrCancelledDialogsKeepTheSettings) {
    struct Case {
        const char* name;
        int32_t type;
        const char* field;
        QVariant value;
        int code;
    };
    const Case cases[] = {
        {"tcp cancelled", CDataConnection::kTCP, "port", 4000, 1},
        {"tcp port 0", CDataConnection::kTCP, "port", 0, 0},
        {"tcp port too big", CDataConnection::kTCP, "port", 70000, 0},
        {"tcp no host", CDataConnection::kTCP, "ip_addr", " ", 0},
        {"udp port not a number", CDataConnection::kUDP, "port", "x", 0},
        {"serial no such port", CDataConnection::kSerial, "port_sel", 999, 0},
        {"serial no such rate", CDataConnection::kSerial, "baud_sel", 7, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        presenters = std::make_unique<CShellPresenters>();
        const bool opened = select(c.type, [&](int id, QVariantMap fields) {
            if (fields["kind"] == "serial") {
                fields["port_sel"] = 0;
                fields["baud_sel"] = 0;
            }
            fields[c.field] = c.value;
            presenters->answerDialog(id, fields, c.code);
        });
        EXPECT_FALSE(opened);
        EXPECT_EQ(CDataConnection::gps_connection_type, 0);
        EXPECT_EQ(CTCPIPConnection::saved_port, savedTcpPort);
        EXPECT_EQ(CUDPConnection::saved_port, savedUdpPort);
        EXPECT_EQ(CSerialConnection::default_device, savedDevice);
    }
}

TEST_F(ShellPresenters, UdpDialogBindsTheChosenPort) {
    QUdpSocket probe;  // a port free on loopback
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const int port = probe.localPort();
    probe.close();
    QVariantMap shown;
    ASSERT_TRUE(select(CDataConnection::kUDP, [&](int id, QVariantMap fields) {
        shown = fields;
        fields["port"] = port;
        presenters->answerDialog(id, fields, 0);
    }));
    EXPECT_EQ(shown["kind"].toString(), "udp");
    EXPECT_EQ(shown["title"].toString(), "UDP Settings");
    EXPECT_EQ(CUDPConnection::saved_port, port);
    auto* udp = dynamic_cast<CUDPConnection*>(CDataConnection::theConnection.get());
    ASSERT_NE(udp, nullptr);
    EXPECT_TRUE(udp->isBound());
    EXPECT_EQ(udp->boundPort(), port);
}

TEST_F(ShellPresenters, SerialDialogStoresTheChosenPortAndRate) {
    QVariantMap shown;
    select(CDataConnection::kSerial, [&](int id, QVariantMap fields) {
        shown = fields;
        fields["port_sel"] = int(fields["ports"].toStringList().size()) - 1;
        fields["baud_sel"] = 1;
        presenters->answerDialog(id, fields, 0);
    });
    EXPECT_EQ(shown["title"].toString(), "Serial Port setup");
    EXPECT_EQ(shown["ports"].toStringList().last(), "tty0");
    EXPECT_EQ(shown["bauds"].toStringList(),
              (QStringList{"4800", "9600", "14400", "19200", "38400", "57600", "115200"}));
    EXPECT_EQ(CSerialConnection::default_device, "/dev/tty0");
    EXPECT_EQ(CSerialConnection::default_baud, 9600);
}

TEST_F(ShellPresenters, SimulationFileIsChosenThroughTheFileDialog) {
    const QString recorded = dir.file("voyage.txt");
    {
        QFile f(recorded);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("$GPRMC,120000,A,5000.000,N,00100.000,W,5.0,90.0,010120,,*00\r\n");
    }
    struct Case {
        const char* name;
        QString answer;
        bool opened;
    };
    const Case cases[] = {
        {"existing file", recorded, true},
        {"missing file", dir.file("gone.txt"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QSignalSpy asked(presenters.get(), &CShellPresenters::fileDialogRequested);
        QObject::connect(
            presenters.get(), &CShellPresenters::fileDialogRequested, presenters.get(),
            [&](int id, bool, const QString&, const QString&) {
                presenters->answerFileDialog(id, c.answer);
            },
            Qt::SingleShotConnection);
        EXPECT_EQ(select(CDataConnection::kSimulation, {}), c.opened);
        ASSERT_EQ(asked.size(), 1);
        EXPECT_FALSE(asked[0][1].toBool()) << "an open dialog, not a save dialog";
        EXPECT_EQ(asked[0][3].toString(), ".txt");
        EXPECT_EQ(CNMEASimulation::filename, c.answer.toStdString());
    }
}

TEST_F(ShellPresenters, DebugLogStartsStopsAndIsExported) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    ASSERT_TRUE(select(CDataConnection::kTCP, [&](int id, QVariantMap fields) {
        fields["ip_addr"] = "127.0.0.1";
        fields["port"] = int(server.serverPort());
        presenters->answerDialog(id, fields, 0);
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, kWait));
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_NE(peer, nullptr);

    const auto gpsSetup = [] {
        return buildMainMenu(nullptr)->Find("Settings:GPS Setup")->submenu->titles();
    };
    const auto offers = [&](const std::string& entry) {
        const auto titles = gpsSetup();
        return std::find(titles.begin(), titles.end(), entry) != titles.end();
    };
    EXPECT_TRUE(offers("Start NMEA Debug Log"));
    EXPECT_TRUE(offers("TCP/IP Settings"));
    ASSERT_TRUE(buildMainMenu(nullptr)->Choose("Settings:GPS Setup:Start NMEA Debug Log"));
    ASSERT_TRUE(CDataConnection::isDebugging());
    EXPECT_TRUE(offers("Stop NMEA Debug Log"));
    EXPECT_FALSE(offers("Start NMEA Debug Log"));

    const QByteArray line = "$GPGLL,5000.000,N,00100.000,W,120000,A*00";
    peer->write(line + "\r\n");
    ASSERT_TRUE(peer->waitForBytesWritten(kWait));
    ASSERT_TRUE(QTest::qWaitFor([] { return std::ftell(CDataConnection::debug_file) > 0; }, kWait));

    const QString kept = dir.file("kept.txt");
    QSignalSpy asked(presenters.get(), &CShellPresenters::fileDialogRequested);
    QObject::connect(presenters.get(), &CShellPresenters::fileDialogRequested, presenters.get(),
                     [&](int id, bool, const QString&, const QString&) {
                         presenters->answerFileDialog(id, kept);
                     });
    // Stopped from a window, the log is offered for keeping.
    ASSERT_TRUE(buildMainMenu(presenters.get())->Choose("Settings:GPS Setup:Stop NMEA Debug Log"));
    EXPECT_FALSE(CDataConnection::isDebugging());
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0][1].toBool()) << "a save dialog";
    EXPECT_EQ(asked[0][3].toString(), "nmea_debug.txt");
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), line + "\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(CDataConnection::DebugLogPath())));
}

TEST_F(ShellPresenters, NoDebugLogForAConnectionThatCannotLog) {
    select(CDataConnection::kNone, {});
    const auto titles = buildMainMenu(nullptr)->Find("Settings:GPS Setup")->submenu->titles();
    EXPECT_EQ(titles, (std::vector<std::string>{"GPS Connection", "Show Heading"}));
}

TEST_F(ShellPresenters, PendingDialogsAreCancelledWhenTheShellGoes) {
    int result = -1;
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kUDP),
        [&](bool opened) { result = opened; });
    EXPECT_EQ(result, -1) << "waits for the answer";
    presenters.reset();
    EXPECT_EQ(result, 0);
}

TEST_F(ShellPresenters, EditLayoutArrangesThePagesAndLockScreenAsksTheScene) {
    QObject pages;
    pages.setProperty("arranging", false);
    presenters->setPages(&pages);
    QSignalSpy lock(presenters.get(), &CShellPresenters::screenLockRequested);
    auto menu = buildMainMenu(presenters.get());
    EXPECT_EQ(menu->titles(),
              (std::vector<std::string>{"Settings", "Edit Layout", "Lock Screen", "Quit App"}));
    ASSERT_TRUE(menu->Choose("Edit Layout"));
    EXPECT_TRUE(pages.property("arranging").toBool());
    ASSERT_TRUE(menu->Choose("Lock Screen"));
    EXPECT_EQ(lock.size(), 1);
    // Without the shell the entries have nothing to do and are left out.
    presenters.reset();
    EXPECT_EQ(buildMainMenu(nullptr)->titles(), (std::vector<std::string>{"Settings", "Quit App"}));
}
