// The shell's QML in an offscreen window, driven by mouse and keys: the main
// menu down to the Units page, and the TCP dialog filled in.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "app/shellpresenters.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "nmea/tcpipconnection.h"
#include "online/progresspresenter.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 30000;

QQuickItem* findItem(QQuickItem* root, const QString& name) {
    if (!root) return nullptr;
    if (root->objectName() == name && root->isVisible()) return root;
    for (QQuickItem* child : root->childItems())
        if (QQuickItem* found = findItem(child, name)) return found;
    return nullptr;
}

class ShellScene : public ::testing::Test {
protected:
    void SetUp() override {
        savedType = CDataConnection::gps_connection_type;
        savedHost = CTCPIPConnection::saved_ip_address;
        savedPort = CTCPIPConnection::saved_port;
        savedFamily = CUnits::Default->get_unit_family();
        window.resize(800, 600);
        QQmlComponent component(
            &engine, QUrl::fromLocalFile(testsupport::sourceDir() + "/src/ui/Shell.qml"));
        ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
        QObject* made = component.beginCreate(engine.rootContext());
        ASSERT_NE(made, nullptr) << component.errorString().toStdString();
        shell = qobject_cast<QQuickItem*>(made);
        ASSERT_NE(shell, nullptr);
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
        CUnits::Default->set_unit_family(savedFamily);
    }
    // Waits for a visible item of that name.
    QQuickItem* waitFor(const QString& name) {
        QQuickItem* item = nullptr;
        (void)QTest::qWaitFor(
            [&] { return (item = findItem(window.contentItem(), name)) != nullptr; }, kWait);
        return item;
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
        const QPointF at = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, {}, at.toPoint());
        return true;
    }
    void typeInto(const QString& name, const QString& text) {
        ASSERT_TRUE(click(name)) << name.toStdString();
        QTest::keyClick(&window, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&window, Qt::Key_Backspace);
        for (QChar ch : text) QTest::keyClick(&window, ch.toLatin1());
    }
    CShellPresenters* presenters() const {
        return shell->findChild<CShellPresenters*>("presenters");
    }

    int32_t savedType = 0;
    std::string savedHost;
    int savedPort = 0;
    CUnits::e_dist_units savedFamily = CUnits::Statute;
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem* shell = nullptr;
};

}  // namespace

TEST_F(ShellScene, MainMenuSettingsUnitsChangesTheDistanceUnit) {
    struct Case {
        const char* entry;
        CUnits::e_dist_units family;
    };
    const Case cases[] = {{"Metric", CUnits::Metric}, {"Nautical", CUnits::Nautical}};
    CUnits::Default->set_unit_family(CUnits::Statute);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
        ASSERT_TRUE(click("menuEntry_Settings"));
        ASSERT_TRUE(click("menuEntry_Units"));
        ASSERT_TRUE(click(QString("menuEntry_") + c.entry));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return CUnits::Default->get_unit_family() == c.family; }, kWait));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !findItem(window.contentItem(), "actionSheetContent"); }, kWait))
            << "the menu stays open";
    }
}

TEST_F(ShellScene, KeysWalkTheMenuAndEscapeGoesBackThenCloses) {
    ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
    ASSERT_NE(waitFor("menuEntry_Settings"), nullptr);
    QTest::keyClick(&window, Qt::Key_Return);  // the first entry: Settings
    ASSERT_NE(waitFor("menuEntry_Units"), nullptr);
    EXPECT_TRUE(presenters()->menuTitles().contains("Units"));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return presenters()->menuTitles().contains("Settings"); }, kWait));
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !presenters()->menuOpen(); }, kWait));
}

TEST_F(ShellScene, FillingTheTcpDialogConnectsToTheServer) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    int result = -1;
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kTCP),
        [&](bool opened) { result = opened; });
    ASSERT_NE(waitFor("connectionDialogContent"), nullptr);
    typeInto("tcpHost", "127.0.0.1");
    typeInto("portField", QString::number(server.serverPort()));
    ASSERT_TRUE(click("dialogOk"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, kWait));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(CTCPIPConnection::saved_ip_address, "127.0.0.1");
    EXPECT_EQ(CTCPIPConnection::saved_port, server.serverPort());
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }, kWait));
}

TEST_F(ShellScene, EscapeCancelsTheTcpDialog) {
    int result = -1;
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kTCP),
        [&](bool opened) { result = opened; });
    ASSERT_NE(waitFor("tcpHost"), nullptr);
    typeInto("tcpHost", "127.0.0.2");
    QTest::keyClick(&window, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, kWait));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(CTCPIPConnection::saved_ip_address, savedHost);
}

TEST_F(ShellScene, ProgressIsShownCancelledByTheUserAndGoesWhenFinished) {
    auto progress = std::make_shared<CProgressDialogData>("Downloading map");
    int cancels = 0;
    progress->onCancel = [&] { ++cancels; };
    ShowProgressDialog(nullptr, progress);
    progress->Start(10);
    for (bool stored : {true, true, false}) progress->Advance(stored);
    QQuickItem* text = waitFor("progressText");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return text->property("text").toString() == "2 of 10, 1 failed"; }, kWait))
        << text->property("text").toString().toStdString();
    ASSERT_TRUE(click("progressCancel"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return cancels == 1; }, kWait));
    EXPECT_TRUE(progress->cancelled());
    progress->Finish(false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !findItem(window.contentItem(), "progressDialogContent"); }, kWait));
    // Once the dialog is gone the shell holds the data no longer.
    EXPECT_TRUE(QTest::qWaitFor([&] { return progress.use_count() == 1; }, kWait));
}

TEST_F(ShellScene, SimulationFileIsChosenInTheFileChooser) {
    testsupport::TempDir files;
    ASSERT_TRUE(QDir(files.path()).mkdir("logs"));
    for (const char* name : {"logs/voyage.txt", "logs/notes.md"}) {
        QFile f(files.file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("$GPGLL,5000.000,N,00100.000,W,120000,A*00\r\n");
    }
    const std::string savedFile = CNMEASimulation::filename;
    int result = -1;
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kSimulation),
        [&](bool opened) { result = opened; });
    ASSERT_NE(waitFor("fileChooserContent"), nullptr);
    // Browse: the folder, then its text files only.
    QObject* popup = shell->findChild<QObject*>("fileChooser");
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(popup, "openFolder", Q_ARG(QVariant, files.path())));
    ASSERT_TRUE(click("file_logs"));
    EXPECT_NE(waitFor("file_voyage.txt"), nullptr);
    EXPECT_EQ(findItem(window.contentItem(), "file_notes.md"), nullptr) << "only .txt is offered";
    ASSERT_TRUE(click("file_voyage.txt"));
    ASSERT_TRUE(click("fileOk"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result >= 0; }, kWait));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(QString::fromStdString(CNMEASimulation::filename),
              QFileInfo(files.file("logs/voyage.txt")).filePath());
    CNMEASimulation::filename = savedFile;
}

TEST_F(ShellScene, LockScreenHoldsTouchesUntilUnlocked) {
    ASSERT_TRUE(QMetaObject::invokeMethod(shell, "showMainMenu"));
    ASSERT_TRUE(click("menuEntry_Lock Screen"));
    QQuickItem* unlock = waitFor("unlock");
    ASSERT_NE(unlock, nullptr);
    EXPECT_TRUE(shell->property("locked").toBool());
    // A short press does not unlock; holding does.
    ASSERT_TRUE(click("unlock"));
    EXPECT_TRUE(shell->property("locked").toBool());
    const QPoint at =
        unlock->mapToScene(QPointF(unlock->width() / 2, unlock->height() / 2)).toPoint();
    QTest::mousePress(&window, Qt::LeftButton, {}, at);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shell->property("locked").toBool(); }, kWait));
    QTest::mouseRelease(&window, Qt::LeftButton, {}, at);
}
