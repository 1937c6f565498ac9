// The shell's QML in an offscreen window, driven by mouse and keys: the main
// menu down to the Units page, and the TCP dialog filled in.
#include <gtest/gtest.h>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "geo/units.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "nmea/tcpipconnection.h"
#include "online/progresspresenter.h"
#include "support/testsupport.h"

namespace {

using testsupport::findItem;

constexpr int kWait = 30000;

class ShellScene : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(800, 600);
        QQmlComponent component(
            &engine, QUrl::fromLocalFile(testsupport::sourceDir() + "/src/ui/Shell.qml"));
        shell = qobject_cast<QQuickItem*>(component.beginCreate(engine.rootContext()));
        ASSERT_NE(shell, nullptr) << component.errorString().toStdString();
        shell->setParentItem(window.contentItem());
        component.completeCreate();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
        window.requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, kWait));
    }
    void TearDown() override {
        delete shell;
        CDataConnection::DestroyConnection();
        CDataConnection::gps_connection_type = savedType;
        CTCPIPConnection::saved_ip_address = savedHost;
        CTCPIPConnection::saved_port = savedPort;
        CNMEASimulation::filename = savedFile;
        CUnits::Default->set_unit_family(savedFamily);
    }
    static bool until(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, kWait);
    }
    QQuickItem* find(const QString& name) { return findItem(window.contentItem(), name); }
    QQuickItem* waitFor(const QString& name) {
        QQuickItem* item = nullptr;
        (void)until([&] { return (item = find(name)) != nullptr; });
        return item;
    }
    static QPoint centre(QQuickItem* item) {
        return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
    }
    // Waits for the item and clicks its middle.
    bool click(const QString& name) {
        QQuickItem* item = waitFor(name);
        if (!item) return false;
        // A popup lays itself out over its first frames: click where the item
        // stands once two frames have been drawn.
        for (int frame = 0; frame < 2; ++frame) {
            QSignalSpy swapped(&window, &QQuickWindow::frameSwapped);
            window.update();
            if (!swapped.wait(kWait)) return false;
        }
        QTest::mouseClick(&window, Qt::LeftButton, {}, centre(item));
        return true;
    }
    void typeInto(const QString& name, const QString& text) {
        ASSERT_TRUE(click(name)) << name.toStdString();
        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_Backspace);
        for (QChar ch : text) QTest::keyClick(&window, ch.toLatin1());
    }
    // Selects a connection type; `result` becomes whether it opened.
    void select(int32_t type) {
        result = -1;
        CDataConnection::onConnectionSelected(nullptr, CDataConnection::CConnectionType::Find(type),
                                              [this](bool opened) { result = opened; });
    }
    int answer() {  // -1 when none came in time
        (void)until([&] { return result >= 0; });
        return result;
    }

    int32_t savedType = CDataConnection::gps_connection_type;
    std::string savedHost = CTCPIPConnection::saved_ip_address;
    int savedPort = CTCPIPConnection::saved_port, result = -1;
    std::string savedFile = CNMEASimulation::filename;
    CUnits::e_dist_units savedFamily = CUnits::Default->get_unit_family();
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem* shell = nullptr;
};

}  // namespace

TEST_F(ShellScene, KeysWalkTheMenuAndSettingsUnitsChangesTheDistanceUnit) {
    CUnits::Default->set_unit_family(CUnits::Statute);
    ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
    ASSERT_NE(waitFor("menuEntry_Settings"), nullptr);
    QTest::keyClick(&window, Qt::Key_Return);  // the first entry: Settings
    ASSERT_NE(waitFor("menuEntry_Units"), nullptr);
    QTest::keyClick(&window, Qt::Key_Escape);  // back
    EXPECT_NE(waitFor("menuEntry_Settings"), nullptr);
    QTest::keyClick(&window, Qt::Key_Escape);  // closed
    EXPECT_TRUE(until([&] { return !find("actionSheetContent"); }));

    ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
    for (const char* entry : {"menuEntry_Settings", "menuEntry_Units", "menuEntry_Metric"})
        ASSERT_TRUE(click(entry)) << entry;
    EXPECT_TRUE(until([] { return CUnits::Default->get_unit_family() == CUnits::Metric; }));
    EXPECT_TRUE(until([&] { return !find("actionSheetContent"); })) << "the menu stays open";
}

TEST_F(ShellScene, TheTcpDialogCancelsOnEscapeAndConnectsWhenFilledIn) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    select(CDataConnection::kTCP);
    EXPECT_EQ(waitFor("tcpHost")->property("text").toString().toStdString(), savedHost);
    typeInto("tcpHost", "127.0.0.2");
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(answer(), 0);
    EXPECT_EQ(CTCPIPConnection::saved_ip_address, savedHost);

    select(CDataConnection::kTCP);
    typeInto("tcpHost", "127.0.0.1");
    typeInto("portField", QString::number(server.serverPort()));
    ASSERT_TRUE(click("dialogOk"));
    EXPECT_EQ(answer(), 1);
    EXPECT_EQ(CTCPIPConnection::saved_port, server.serverPort());
    EXPECT_TRUE(until([&] { return server.hasPendingConnections(); }));
}

TEST_F(ShellScene, ProgressIsShownCancelledByTheUserAndGoesWhenFinished) {
    auto progress = std::make_shared<CProgressDialogData>("Downloading map");
    int cancels = 0;
    progress->onCancel = [&] { ++cancels; };
    ShowProgressDialog(nullptr, progress);
    progress->Start(10);
    for (bool stored : {true, true, false}) progress->Advance(stored);
    EXPECT_TRUE(until([&] {
        QQuickItem* text = find("progressText");
        return text && text->property("text").toString() == "2 of 10, 1 failed";
    }));
    ASSERT_TRUE(click("progressCancel"));
    EXPECT_TRUE(until([&] { return cancels == 1; }));
    EXPECT_TRUE(progress->cancelled());
    progress->Finish(false);
    EXPECT_TRUE(until([&] { return !find("progressDialogContent"); }));
    // Once the dialog is gone the shell holds the data no longer.
    EXPECT_TRUE(until([&] { return progress.use_count() == 1; }));
}

TEST_F(ShellScene, SimulationFileIsChosenInTheFileChooser) {
    testsupport::TempDir files;
    for (const char* name : {"logs/voyage.txt", "logs/notes.md"})
        ASSERT_TRUE(testsupport::writeFile(files.file(name),
                                           "$GPGLL,5000.000,N,00100.000,W,120000,A*00\r\n"));
    select(CDataConnection::kSimulation);
    ASSERT_NE(waitFor("fileChooserContent"), nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(shell->findChild<QObject*>("fileChooser"), "openFolder",
                                          Q_ARG(QVariant, files.path())));
    ASSERT_TRUE(click("file_logs"));
    EXPECT_NE(waitFor("file_voyage.txt"), nullptr);
    EXPECT_EQ(find("file_notes.md"), nullptr) << "only .txt is offered";
    ASSERT_TRUE(click("file_voyage.txt"));
    ASSERT_TRUE(click("fileOk"));
    EXPECT_EQ(answer(), 1);
    EXPECT_EQ(QString::fromStdString(CNMEASimulation::filename), files.file("logs/voyage.txt"));
}

TEST_F(ShellScene, LockScreenHoldsTouchesUntilUnlocked) {
    ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
    ASSERT_TRUE(click("menuEntry_Lock Screen"));
    ASSERT_TRUE(click("unlock"));
    EXPECT_TRUE(shell->property("locked").toBool()) << "a short press does not unlock";
    const QPoint at = centre(find("unlock"));
    QTest::mousePress(&window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(until([&] { return !shell->property("locked").toBool(); }));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
}
