// The program's own main.qml in an offscreen window, driven from C++:
// overlays shown and cleared, the window inside the screen, the dark theme.
// (Menus, message boxes, dialogs and pages: tests/ui.)
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <memory>

#include "app/base/deviceservices.h"
#include "app/base/statusmessage.h"
#include "app/orvantaappmodel.h"
#include "support/testsupport.h"

namespace {

using testsupport::findItem;

constexpr int kWait = 30000;

class MainScene : public ::testing::Test {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
            qputenv("QT_QUICK_CONTROLS_STYLE", "Basic");
        engine = std::make_unique<QQmlApplicationEngine>();
        engine->load(QUrl::fromLocalFile(testsupport::sourceDir() + "/src/ui/main.qml"));
        ASSERT_EQ(engine->rootObjects().size(), 1);
        window = qobject_cast<QQuickWindow*>(engine->rootObjects().first());
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window, kWait));
        window->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, kWait));
        ASSERT_NE(theApp, nullptr);
    }
    void TearDown() override {
        engine.reset();
        SetStatusMessage({});
    }
    QQuickItem* item(const QString& name) { return findItem(window->contentItem(), name); }
    QQuickItem* waitForItem(const QString& name) {
        QQuickItem* found = nullptr;
        (void)QTest::qWaitFor([&] { return (found = item(name)) != nullptr; }, kWait);
        return found;
    }
    void click(QQuickItem* target) {
        const QPointF centre =
            target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, centre.toPoint());
    }

    std::unique_ptr<QQmlApplicationEngine> engine;
    QQuickWindow* window = nullptr;
};

TEST_F(MainScene, OverlaysComeAndGoWithTheModel) {
    const char* const overlays[] = {"statusLine", "busy", "dimmer", "notification", "doneButton"};
    for (const char* name : overlays) EXPECT_EQ(item(name), nullptr) << name;
    SetStatusMessage("Connection lost");
    theApp->setAppBusy("Downloading chart.ktl");
    theApp->setScreenDimmer(0.5);
    ShowSystemNotification(7, "Chart downloaded", "solent.ktl is ready");
    int done = 0;
    theApp->setDoneCallback([&] { ++done; });
    for (const char* name : overlays) ASSERT_NE(waitForItem(name), nullptr) << name;
    EXPECT_EQ(item("statusLabel")->property("text").toString(), "Connection lost");
    EXPECT_DOUBLE_EQ(item("dimmer")->opacity(), 0.5);

    theApp->clearAppBusy();
    theApp->setScreenDimmer(0);
    click(item("clearStatus"));
    click(item("dismissNotification"));
    click(item("doneButton"));
    for (const char* name : overlays) {
        SCOPED_TRACE(name);
        QTRY_VERIFY_WITH_TIMEOUT(item(name) == nullptr, kWait);
    }
    EXPECT_EQ(done, 1);
    EXPECT_EQ(theApp->statusText(), "");
    EXPECT_TRUE(CUserNotifications::instance().notifications().empty());
}

TEST_F(MainScene, WindowOpensWhereItWasInsideTheScreen) {
    const QRect available = window->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window->frameGeometry()));
    const QRect inside = available.marginsRemoved(window->frameMargins());
    const QRect kept(inside.x() + 10, inside.y() + 20, 400, 300);
    for (auto [saved, expected] :
         {std::pair(QRectF(kept), kept), {QRectF(0, 0, 3000, 2000), inside}}) {
        SCOPED_TRACE(saved.width() > 1000 ? "too large for the screen" : "kept");
        theApp->saveWindowGeometry(saved);
        theApp->placeWindow();
        QTRY_COMPARE_WITH_TIMEOUT(window->geometry(), expected, kWait);
        EXPECT_TRUE(available.contains(window->frameGeometry()));
    }
}

TEST_F(MainScene, DarkTheme) {
    const QColor light = window->color();
    theApp->setDarkTheme(true);
    QTRY_VERIFY_WITH_TIMEOUT(window->color() != light, kWait);
    EXPECT_LT(window->color().lightness(), 80);
    theApp->setDarkTheme(false);
    QTRY_COMPARE_WITH_TIMEOUT(window->color(), light, kWait);
}

}  // namespace
