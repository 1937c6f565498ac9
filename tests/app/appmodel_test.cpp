// The application model driving the real page item in an offscreen window:
// page changes, busy nesting, the Done button, message boxes, files of every
// kind, links, and a second start that hands over a map.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "../mapview/testmap.h"
#include "app/base/directories.h"
#include "app/base/messagebox.h"
#include "app/base/persistantdata.h"
#include "app/base/statusmessage.h"
#include "app/mainmenus.h"
#include "app/orvantaappmodel.h"
#include "displays/displayviewarrangementset.h"
#include "displays/quick/displayviewpage.h"
#include "mapview/displayviewkartile.h"
#include "mapview/dvikartilewindow.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "support/nginxserver.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

constexpr int kWait = 30000;

class AppModel : public ::testing::Test {
protected:
    void SetUp() override {
        CDisplayViewKartile::directory = dir.path().toStdString();
        layout.setDirectory(dir.path().toStdString());
        MakeDefaultLayout(layout);
        layout.loaded = true;
        window.resize(800, 480);
        for (auto*& item : items) {
            item = new CDisplayViewPage(window.contentItem());
            item->setStandby(item == items[1]);
            item->setSize(QSizeF(800, 480));
            item->setLayout(&layout);
        }
        model = new COrvantaAppModel(window.contentItem());
        model->attachCurrentPageToItem(items[0], items[1]);
        ASSERT_EQ(theApp, model);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
        ASSERT_EQ(pages()->pageName(), "Map");
    }
    void TearDown() override {
        delete model;
        for (auto* item : items) delete item;
        CMarkManager::theManager.ClearAll();
        CDisplayViewKartile::directory.clear();
        SetStatusMessage({});
    }
    CDisplayViewPage* pages() const { return model->pageItem(); }
    CDVI_Kartile_Window* mapWindow() const {
        return qobject_cast<CDVI_Kartile_Window*>(pages()->mapWindow());
    }
    QString testMap(const char* name) {
        return QString::fromStdString(makeTestMap(dir.file(name), 512));
    }
    // Answers the box the spy saw last with the button; returns its text.
    QString answerLast(QSignalSpy& boxes, int button) {
        const QList<QVariant> box = boxes.takeLast();
        model->answerMessageBox(box.at(0).toInt(), button);
        return box.at(2).toString();
    }

    TempDir dir;
    CDisplayViewArrangementSet layout;
    QQuickWindow window;
    CDisplayViewPage* items[2] = {};  // the current and the alternate page item
    COrvantaAppModel* model = nullptr;
};

TEST_F(AppModel, PagesSlideBetweenTheTwoItems) {
    QSignalSpy transitions(model, &COrvantaAppModel::transition);
    for (auto [direction, shown] : {std::pair(1, "GPS"), {1, "Go to"}, {-1, "GPS"}}) {
        SCOPED_TRACE(shown);
        CDisplayViewPage* before = pages();
        const QString old = before->pageName();
        direction > 0 ? model->nextPage() : model->previousPage();
        ASSERT_EQ(transitions.count(), 1);
        const QList<QVariant> t = transitions.takeFirst();
        EXPECT_EQ(
            std::tuple(t.at(0).value<QQuickItem*>(), t.at(1).value<QQuickItem*>(), t.at(2).toInt()),
            std::tuple(before, pages(), direction));
        EXPECT_EQ(pages()->pageName(), shown);
        EXPECT_EQ(pages()->x(), before->x() + before->width()) << "placed one width right";
        EXPECT_FALSE(pages()->standby());
        // The old page stays on show until the slide is over.
        EXPECT_EQ(before->pageName(), old);
        model->detachItem(before);
        EXPECT_EQ(before->page(), nullptr);
    }
}

TEST_F(AppModel, TurningBackBeforeTheSlideEndsKeepsBothPages) {
    CDisplayViewPage* first = pages();
    model->nextPage();
    model->previousPage();  // the first item still shows the map page
    EXPECT_EQ(pages(), first);
    EXPECT_EQ(first->pageName(), "Map");
    EXPECT_NE(first->mapWindow(), nullptr);
    EXPECT_EQ(model->alternatePageItem()->pageName(), "GPS");
}

TEST_F(AppModel, TheMapComesOnShowOnlyWhenAllowed) {
    QSignalSpy transitions(model, &COrvantaAppModel::transition);
    model->nextPage();
    EXPECT_EQ(model->FindLargestItemOfType(CDisplayViewKartile::kTypeId, false), nullptr);
    EXPECT_EQ(pages()->pageName(), "GPS");
    CDisplayView::CItem* map = model->FindLargestItemOfType(CDisplayViewKartile::kTypeId, true);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(pages()->pageName(), "Map");
    EXPECT_NE(map->window(), nullptr);  // live on the page on show
    EXPECT_EQ(transitions.at(1).at(2).toInt(), 1) << "a page is shown sliding forward";
    EXPECT_EQ(model->FindLargestItemOfType(424242, true), nullptr);

    // A set of one page: no change.
    while (pages()->pageCount() > 1) ASSERT_TRUE(pages()->removePage());
    EXPECT_FALSE(model->hasPages());
    transitions.clear();
    model->nextPage();
    EXPECT_EQ(transitions.count(), 0);
}

TEST_F(AppModel, TheRaceStartShowsThePageChosenForIt) {
    QSignalSpy transitions(model, &COrvantaAppModel::transition);
    // The race page's largest kinds: the countdown and the true wind dial.
    const int32_t race[5] = {99, 84, 0, 0, 0};
    StartReached start{race};
    Listener<StartReached>::Dispatch(start);
    EXPECT_EQ(pages()->pageName(), "Race");
    EXPECT_EQ(transitions.count(), 1);
}

TEST_F(AppModel, BusyPeriodsNest) {
    QSignalSpy busy(model, &COrvantaAppModel::appBusyChanged);
    model->setAppBusy("Downloading");
    model->setAppBusy();
    model->clearAppBusy();
    EXPECT_TRUE(model->appBusy());
    EXPECT_EQ(busy.count(), 1);
    model->clearAppBusy();
    model->clearAppBusy();  // one too many: nothing goes below zero
    EXPECT_FALSE(model->appBusy());
    EXPECT_EQ(busy.count(), 2);
    model->setAppBusy();
    EXPECT_TRUE(model->appBusy());
}

TEST_F(AppModel, DoneRunsTheCompletionExactlyOnce) {
    int completed = 0;
    model->setDoneCallback([&] { ++completed; });
    EXPECT_TRUE(model->showDoneButton());
    model->onDoneButton();
    model->onDoneButton();
    EXPECT_EQ(completed, 1);
    EXPECT_FALSE(model->showDoneButton());

    // Editing the layout ends with Done, or with arranging ended elsewhere.
    model->editLayout();
    EXPECT_TRUE(pages()->arranging() && model->showDoneButton());
    model->onDoneButton();
    EXPECT_FALSE(pages()->arranging());
    model->editLayout();
    pages()->setArranging(false);
    EXPECT_FALSE(model->showDoneButton());
}

TEST_F(AppModel, MessageBoxesAnswerOnce) {
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    std::vector<int> answers;
    MessageBox3(nullptr, "Save?", "The page changed", "Save", "Discard", "Cancel",
                [&](int b) { answers.push_back(b); });
    bool yes = true;
    MessageBoxYesNo(nullptr, "Please confirm", "Sure?", [&](bool y) { yes = y; });
    ASSERT_EQ(boxes.count(), 2);
    EXPECT_EQ(boxes.at(0).at(3).toStringList(), QStringList({"Save", "Discard", "Cancel"}));
    EXPECT_EQ(boxes.at(1).at(3).toStringList(), QStringList({"Yes", "No"}));
    const int first = boxes.at(0).at(0).toInt();
    model->answerMessageBox(first, 2);
    model->answerMessageBox(first, 0);  // already answered
    EXPECT_EQ(answers, std::vector<int>{2});
    answerLast(boxes, 1);
    EXPECT_FALSE(yes);
    EXPECT_EQ(model->openMessageBoxes(), 0);

    // Without the model, boxes go back to the log and answer at once.
    delete model;
    model = nullptr;
    EXPECT_EQ(theApp, nullptr);
    MessageBoxYesNo(nullptr, "t", "x", [&](bool y) { yes = y; });
    EXPECT_TRUE(yes);
}

// Chosen on the "Display Options" page, as a user does.
TEST_F(AppModel, FullScreenIsSavedAtOnce) {
    TempDir settings;
    PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
    PersistantData::LoadAll("orvanta");
    const bool before = model->fullScreen();
    ASSERT_TRUE(buildMainMenu(nullptr)->Choose("Settings:Display Options:Full Screen"));
    EXPECT_EQ(model->fullScreen(), !before);
    const QByteArray ini = testsupport::readFile(settings.file("orvanta.ini"));
    EXPECT_TRUE(ini.contains(QByteArray("CKartileView:full_screen=") + (before ? "0" : "1")))
        << ini.toStdString();
    model->setFullScreen(before);
    PersistantData::SetFolders({}, {});
}

// A second start with a map while a page without a map is on show brings the
// map page forward with the map open, not at some later time.
TEST_F(AppModel, SecondStartWithAMapShowsItOnTheMapPageAtOnce) {
    const QString map = testMap("second.ktl");
    model->nextPage();
    model->messageFromAnotherInstance(0, ("/usr/bin/orvanta " + map).toUtf8().constData());
    EXPECT_EQ(pages()->pageName(), "Map");
    ASSERT_NE(mapWindow(), nullptr);
    EXPECT_TRUE(mapWindow()->hasMap());
}

TEST_F(AppModel, CommandLineAndDroppedFilesOpenUnknownOnesAreRefused) {
    const QString map = testMap("first.ktl");
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    model->processCommandLine({map});  // the program itself, even when it is a file
    EXPECT_FALSE(mapWindow()->hasMap());
    model->processCommandLine({"orvanta", map, "no-such-file.ktl"});
    EXPECT_TRUE(mapWindow()->hasMap());
    EXPECT_EQ(boxes.count(), 0);

    ASSERT_TRUE(testsupport::writeFile(dir.file("notes.doc"), "minutes of the meeting"));
    model->nextPage();
    model->importUrls({QUrl::fromLocalFile(dir.file("notes.doc")), QUrl::fromLocalFile(map)});
    EXPECT_EQ(pages()->pageName(), "Map");
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
    EXPECT_TRUE(boxes.at(0).at(2).toString().contains("notes.doc"));
}

TEST_F(AppModel, PageFileJoinsTheSetAndIsSaved) {
    CDisplayView* gps = layout.getPageSet()->pages.at(1).get();
    ASSERT_TRUE(
        CDisplayViewArrangementSet::ExportPage(*gps, dir.file("mine.dvpage").toStdString()));
    const int before = pages()->pageCount();
    EXPECT_TRUE(model->importFileOfAnyType(nullptr, dir.file("mine.dvpage")));
    EXPECT_EQ(pages()->pageCount(), before + 1);
    EXPECT_EQ(pages()->pageIndex(), before);
    CDisplayViewArrangementSet reread;
    ASSERT_TRUE(reread.ReadFileWithMagic(layout.path(CDisplayViewArrangementSet::kLayoutFile)));
    size_t most = 0;
    for (auto& set : reread.pageSets) most = std::max(most, set->pages.size());
    EXPECT_EQ(int(most), before + 1);
}

TEST_F(AppModel, LayoutFileReplacesTheArrangement) {
    CDisplayViewArrangementSet other;
    MakeDefaultLayout(other);
    for (auto& set : other.pageSets)
        for (auto& page : set->pages) page->name = "Imported " + page->name;
    ASSERT_TRUE(other.WriteFileWithMagic(dir.file("other.pstf").toStdString()));
    EXPECT_TRUE(model->importFileOfAnyType(nullptr, dir.file("other.pstf")));
    model->nextPage();
    EXPECT_TRUE(pages()->pageName().startsWith("Imported ")) << pages()->pageName().toStdString();
}

TEST_F(AppModel, MarksFileAddsTheMarksNotYetKnown) {
    auto& marks = CMarkManager::theManager.marks;
    for (const char* name : {"Harbour", "Buoy"})
        CMarkManager::theManager.CreateNewMark(nullptr, 50.5, 0)->name = name;
    CMarkManager::theManager.marks_changed = true;
    ASSERT_TRUE(CMarkManager::theManager.SaveIfNeeded(dir.file("shared.ovtf").toStdString()));
    CMarkManager::theManager.ClearAll();
    CMarkManager::theManager.marks_changed = false;
    ASSERT_TRUE(model->importFileOfAnyType(nullptr, dir.file("shared.ovtf")));
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[1]->name, "Buoy");
    EXPECT_TRUE(CMarkManager::theManager.marks_changed);
    EXPECT_TRUE(model->importFileOfAnyType(nullptr, dir.file("shared.ovtf")));
    EXPECT_EQ(marks.size(), 2u);
    EXPECT_EQ(model->statusText(), "0 marks imported");
}

TEST_F(AppModel, GpxFileImportsItsObjectsAndSaysWhatCame) {
    const QString path = testsupport::sharedDir() + "/corpora/gpx/cerknicko-jezero.gpx";
    ASSERT_TRUE(model->importFileOfAnyType(nullptr, path));
    EXPECT_EQ(model->statusText(), "7 marks, 0 routes, 8 tracks imported");
    EXPECT_EQ(CMarkManager::theManager.marks.size(), 7u);
    EXPECT_EQ(CTrackManager::theManager.tracks.size(), 8u);
    CTrackManager::theManager.ClearAll();

    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    ASSERT_TRUE(testsupport::writeFile(dir.file("cut.gpx"), "<?xml version=\"1.0\"?><gpx><wpt"));
    EXPECT_FALSE(model->importFileOfAnyType(nullptr, dir.file("cut.gpx")));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(answerLast(boxes, 0).startsWith("Could not import cut.gpx"));
}

TEST_F(AppModel, MarksAtTheMapCentreOrTheLivePosition) {
    EXPECT_EQ(model->AddNewMark(), nullptr);  // no map open and no fix
    model->nextPage();
    model->processCommandLine(
        {"orvanta", testMap("m.ktl"), "ovmap:mark?name=Buoy&icon=flag&color=%23FF0000"});
    ASSERT_EQ(CMarkManager::theManager.marks.size(), 1u);
    const COverlayMark& buoy = *CMarkManager::theManager.marks[0];
    EXPECT_EQ(buoy.name + buoy.icon, "Buoyflag");
    EXPECT_EQ(buoy.color.toQColor(), QColor(255, 0, 0));
    EXPECT_NEAR(buoy.lat, 50.5, 0.5);
    EXPECT_NEAR(buoy.lon, 10.5, 0.5);
    COverlayMark* added = model->AddNewMark();
    ASSERT_NE(added, nullptr);
    EXPECT_NEAR(added->lat, buoy.lat, 1e-9);
}

TEST_F(AppModel, LinksWaitForThePageItem) {
    COrvantaAppModel* early = model;
    model = new COrvantaAppModel();  // the newest is theApp
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    model->onActivityCommand("open", "link=http://127.0.0.1:9/a.ktl&name=a.ktl");
    EXPECT_EQ(boxes.count(), 0);
    model->attachCurrentPageToItem(early->pageItem(), early->alternatePageItem());
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(answerLast(boxes, 1).contains("a.ktl"));
    delete model;
    model = early;
}

TEST_F(AppModel, OpenLinkAsksThenDownloadsIntoTheDataFolder) {
    if (!testsupport::NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    TempDir root;
    makeTestMap(root.file("served.ktl"), 512);
    makeTestMap(root.file("declined.ktl"), 256);
    testsupport::NginxServer server(root.path());
    ASSERT_TRUE(server.running()) << server.error().toStdString();
    QDir(COrvantaAppModel::downloadFolder()).removeRecursively();  // files of an earlier run
    const QString data = COrvantaAppModel::downloadFolder();
    EXPECT_TRUE(data.startsWith(QString::fromStdString(getAppDirectory(nullptr)) + "/"));
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    const QString link = QString("ovmap:open?link=http://127.0.0.1:%1/").arg(server.port());
    auto ask = [&](const char* file, const char* name) {
        model->processCommandLine({"orvanta", link + file + "&name=" + name});
        return boxes.count() == 1;
    };

    ASSERT_TRUE(ask("declined.ktl", "..%2Fdeclined.ktl"));
    answerLast(boxes, 1);  // No
    model->nextPage();     // the map comes on show when the file arrives
    ASSERT_TRUE(ask("served.ktl", "%2Fetc%2Fserved.ktl"));
    EXPECT_FALSE(QFileInfo::exists(data + "/served.ktl"));  // nothing before the answer
    EXPECT_TRUE(answerLast(boxes, 0).contains("served.ktl"));
    EXPECT_TRUE(model->appBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!model->appBusy(), kWait);
    EXPECT_TRUE(QFileInfo::exists(data + "/served.ktl"));
    EXPECT_FALSE(QFileInfo::exists("/etc/served.ktl"));
    EXPECT_FALSE(QFileInfo::exists(data + "/declined.ktl"));
    EXPECT_EQ(pages()->pageName(), "Map");
    EXPECT_TRUE(mapWindow()->hasMap());
    EXPECT_EQ(boxes.count(), 0);

    // The same name again keeps the first file.
    ASSERT_TRUE(ask("declined.ktl", "served.ktl"));
    answerLast(boxes, 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + "/served-2.ktl"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!model->appBusy(), kWait);
    EXPECT_EQ(QFileInfo(data + "/served.ktl").size(), QFileInfo(root.file("served.ktl")).size());
    EXPECT_EQ(QFileInfo(data + "/served-2.ktl").size(),
              QFileInfo(root.file("declined.ktl")).size());

    // A missing file and a name the program can't open: a problem each.
    ASSERT_TRUE(ask("gone.ktl", "gone.ktl"));
    answerLast(boxes, 0);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, kWait);
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
    answerLast(boxes, 0);
    EXPECT_FALSE(QFileInfo::exists(data + "/gone.ktl"));
    ASSERT_TRUE(ask("x.sh", "x.sh"));
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
}

}  // namespace
