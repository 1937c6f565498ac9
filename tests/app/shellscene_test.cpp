// The shell's QML in an offscreen window, driven by mouse and keys where
// the program's own code opens the dialog: transfer progress and the file
// chooser. (Menus, the TCP dialog, the screen lock: tests/ui.)
#include <gtest/gtest.h>

#include <QQmlProperty>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>

#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
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
        CNMEASimulation::filename = savedFile;
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
    int result = -1;
    std::string savedFile = CNMEASimulation::filename;
    QQmlEngine engine;
    QQuickWindow window;
    QQuickItem* shell = nullptr;
};

}  // namespace

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
    ASSERT_NE(waitFor("file_logs"), nullptr);
    EXPECT_EQ(QQmlProperty::read(find("file_logs"), "icon.source").toUrl(),
              QUrl("qrc:/folder.svg"));
    ASSERT_TRUE(click("file_logs"));
    EXPECT_NE(waitFor("file_voyage.txt"), nullptr);
    EXPECT_EQ(find("file_notes.md"), nullptr) << "only .txt is offered";
    ASSERT_TRUE(click("file_voyage.txt"));
    ASSERT_TRUE(click("fileOk"));
    EXPECT_EQ(answer(), 1);
    EXPECT_EQ(QString::fromStdString(CNMEASimulation::filename), files.file("logs/voyage.txt"));
}
