// The program's own main.qml in an offscreen window: message boxes answered
// by a click, by Return and by Escape; the status line shown and cleared;
// the window inside the screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>
#include <memory>

#include "app/base/deviceservices.h"
#include "app/base/messagebox.h"
#include "app/base/statusmessage.h"
#include "app/orvantaappmodel.h"
#include "support/testsupport.h"

namespace {

constexpr int kWait = 30000;

// The visible item of that name anywhere in the window (popups included).
QQuickItem* findItem(QQuickItem* root, const QString& name) {
    if (!root || !root->isVisible()) return nullptr;
    if (root->objectName() == name) return root;
    for (QQuickItem* child : root->childItems())
        if (QQuickItem* found = findItem(child, name)) return found;
    return nullptr;
}

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

TEST_F(MainScene, MessageBoxesAnsweredByClickReturnAndEscape) {
    struct Case {
        const char* name;
        int buttons;
        std::function<void(MainScene&)> answer;
        int expected;
    };
    const Case cases[] = {
        {"click on No", 2,
         [](MainScene& s) {
             QQuickItem* no = s.waitForItem("messageBoxButton1");
             ASSERT_NE(no, nullptr);
             s.click(no);
         },
         1},
        {"Return takes the first", 3,
         [](MainScene& s) {
             ASSERT_NE(s.waitForItem("messageBoxButton2"), nullptr);
             QTest::keyClick(s.window, Qt::Key_Return);
         },
         0},
        {"Escape takes the last", 3,
         [](MainScene& s) {
             ASSERT_NE(s.waitForItem("messageBoxButton2"), nullptr);
             QTest::keyClick(s.window, Qt::Key_Escape);
         },
         2},
        {"Escape on OK", 1,
         [](MainScene& s) {
             ASSERT_NE(s.waitForItem("messageBoxButton0"), nullptr);
             QTest::keyClick(s.window, Qt::Key_Escape);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> answers;
        if (c.buttons == 1)
            MessageBoxOK(nullptr, "Problem", "Gone", [&] { answers.push_back(0); });
        else if (c.buttons == 2)
            MessageBoxYesNo(nullptr, "Please confirm", "Are you sure you want to exit the app?",
                            [&](bool yes) { answers.push_back(yes ? 0 : 1); });
        else
            MessageBox3(nullptr, "Save", "Keep the page?", "Save", "Discard", "Cancel",
                        [&](int b) { answers.push_back(b); });
        QQuickItem* text = waitForItem("messageBoxText");
        ASSERT_NE(text, nullptr);
        c.answer(*this);
        QTRY_VERIFY_WITH_TIMEOUT(!answers.empty(), kWait);
        EXPECT_EQ(answers, std::vector<int>{c.expected});
        QTRY_VERIFY_WITH_TIMEOUT(item("messageBox") == nullptr && !item("messageBoxText"), kWait);
        EXPECT_EQ(theApp->openMessageBoxes(), 0);
    }
}

TEST_F(MainScene, StatusLineShownAndCleared) {
    EXPECT_EQ(item("statusLine"), nullptr);
    SetStatusMessage("Connection lost");
    QQuickItem* line = waitForItem("statusLine");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(item("statusLabel")->property("text").toString(), "Connection lost");
    click(item("clearStatus"));
    QTRY_VERIFY_WITH_TIMEOUT(item("statusLine") == nullptr, kWait);
    EXPECT_EQ(theApp->statusText(), "");
}

TEST_F(MainScene, BusyIndicatorWhileBusy) {
    EXPECT_EQ(item("busy"), nullptr);
    theApp->setAppBusy("Downloading chart.ktl");
    ASSERT_NE(waitForItem("busy"), nullptr);
    theApp->clearAppBusy();
    QTRY_VERIFY_WITH_TIMEOUT(item("busy") == nullptr, kWait);
}

TEST_F(MainScene, DoneButtonWhileAToolWaits) {
    int done = 0;
    theApp->setDoneCallback([&] { ++done; });
    QQuickItem* button = waitForItem("doneButton");
    ASSERT_NE(button, nullptr);
    click(button);
    EXPECT_EQ(done, 1);
    QTRY_VERIFY_WITH_TIMEOUT(item("doneButton") == nullptr, kWait);
}

TEST_F(MainScene, WindowOpensWhereItWasInsideTheScreen) {
    const QRect available = window->screen()->availableGeometry();
    EXPECT_TRUE(available.contains(window->frameGeometry()));
    const QRect inside = available.marginsRemoved(window->frameMargins());
    struct Case {
        const char* name;
        QRectF saved;
        QRect expected;
    };
    const Case cases[] = {
        {"kept", QRectF(inside.x() + 10, inside.y() + 20, 400, 300),
         QRect(inside.x() + 10, inside.y() + 20, 400, 300)},
        {"too large for the screen", QRectF(0, 0, 3000, 2000), inside},
        {"partly off the screen", QRectF(inside.right() - 100, inside.y(), 400, 300),
         QRect(inside.right() - 399, inside.y(), 400, 300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        theApp->saveWindowGeometry(c.saved);
        theApp->placeWindow();
        QTRY_COMPARE_WITH_TIMEOUT(window->geometry(), c.expected, kWait);
        EXPECT_TRUE(available.contains(window->frameGeometry()));
    }
}

TEST_F(MainScene, DarkTheme) {
    const QColor light = window->color();
    theApp->setDarkTheme(true);
    QTRY_VERIFY_WITH_TIMEOUT(window->color() != light, kWait);
    EXPECT_LT(window->color().lightness(), 80);
    EXPECT_GT(light.lightness(), 180);
    theApp->setDarkTheme(false);
    QTRY_COMPARE_WITH_TIMEOUT(window->color(), light, kWait);
}

TEST_F(MainScene, DimmerFollowsTheModel) {
    EXPECT_EQ(item("dimmer"), nullptr);
    theApp->setScreenDimmer(0.5);
    QQuickItem* dimmer = waitForItem("dimmer");
    ASSERT_NE(dimmer, nullptr);
    EXPECT_DOUBLE_EQ(dimmer->opacity(), 0.5);
    theApp->setScreenDimmer(0);
    QTRY_VERIFY_WITH_TIMEOUT(item("dimmer") == nullptr, kWait);
}

TEST_F(MainScene, NotificationsListedAndDismissed) {
    ShowSystemNotification(7, "Anchor alarm", "The boat drifted 40 m");
    QQuickItem* note = waitForItem("notification");
    ASSERT_NE(note, nullptr);
    click(item("dismissNotification"));
    QTRY_VERIFY_WITH_TIMEOUT(item("notification") == nullptr, kWait);
    EXPECT_TRUE(CUserNotifications::instance().notifications().empty());
}

}  // namespace
