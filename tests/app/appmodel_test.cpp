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
#include "app/orvantaappmodel.h"
#include "displays/displayviewarrangementset.h"
#include "displays/quick/displayviewpage.h"
#include "mapview/displayviewkartile.h"
#include "mapview/dvikartilewindow.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/serializable.h"
#include "support/nginxserver.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

constexpr int kWait = 30000;

// A marks file as the mark manager keeps it: the list, then the template.
class MarksWriter : public CSerializable {
public:
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        CSerializableDeclareStatic<COverlayMark>(marks).Serialize(stream);
        COverlayMark defaults;
        defaults.Serialize(stream);
        return section.Close();
    }
    void add(const char* name, double lat, double lon) {
        auto mark = std::make_unique<COverlayMark>();
        mark->name = name;
        mark->lat = lat;
        mark->lon = lon;
        marks.push_back(std::move(mark));
    }
    std::vector<std::unique_ptr<COverlayMark>> marks;
};

class AppModel : public ::testing::Test {
protected:
    void SetUp() override {
        CDisplayViewKartile::directory = dir.path().toStdString();
        layout.setDirectory(dir.path().toStdString());
        MakeDefaultLayout(layout);
        layout.loaded = true;
        window.resize(800, 480);
        pages = new CDisplayViewPage(window.contentItem());
        pages->setSize(QSizeF(800, 480));
        pages->setLayout(&layout);
        model = new COrvantaAppModel(window.contentItem());
        model->attachCurrentPageToItem(pages, nullptr);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, kWait));
        ASSERT_EQ(pages->pageName(), "Map");
    }
    void TearDown() override {
        delete model;
        delete pages;
        CMarkManager::theManager.ClearAll();
        CDisplayViewKartile::directory.clear();
        SetStatusMessage({});
    }
    CDVI_Kartile_Window* mapWindow() const {
        return qobject_cast<CDVI_Kartile_Window*>(pages->mapWindow());
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
    CDisplayViewPage* pages = nullptr;
    COrvantaAppModel* model = nullptr;
};

TEST_F(AppModel, IsTheOneApplicationObjectWhileItLives) {
    EXPECT_EQ(theApp, model);
    EXPECT_EQ(&model->arrangement(), &layout);
    delete model;
    model = nullptr;
    EXPECT_EQ(theApp, nullptr);
    // Without the model, message boxes go back to the log and answer at once.
    bool answered = false;
    MessageBoxYesNo(nullptr, "t", "x", [&](bool yes) { answered = yes; });
    EXPECT_TRUE(answered);
}

TEST_F(AppModel, PagesChangeThroughThePageItem) {
    QSignalSpy transitions(model, &COrvantaAppModel::transition);
    EXPECT_TRUE(model->hasPages());
    model->nextPage();
    EXPECT_EQ(pages->pageName(), "GPS");
    model->nextPage();
    EXPECT_EQ(pages->pageName(), "Go to");
    model->previousPage();
    EXPECT_EQ(pages->pageName(), "GPS");
    ASSERT_EQ(transitions.count(), 3);
    EXPECT_EQ(transitions.at(0).at(2).toInt(), 1);
    EXPECT_EQ(transitions.at(2).at(2).toInt(), -1);
    EXPECT_EQ(transitions.at(0).at(1).value<QQuickItem*>(), pages);

    // A page made current by the model, then a set of one page: no change.
    CDisplayView* map = layout.getPageSet()->pages.front().get();
    EXPECT_TRUE(model->transitionToPage(map));
    EXPECT_EQ(pages->pageName(), "Map");
    QSignalSpy changed(model, &COrvantaAppModel::pagesChanged);
    ASSERT_TRUE(pages->removePage());
    ASSERT_TRUE(pages->removePage());
    EXPECT_GE(changed.count(), 1);
    EXPECT_FALSE(model->hasPages());
    transitions.clear();
    const QString only = pages->pageName();
    model->nextPage();
    model->previousPage();
    EXPECT_EQ(pages->pageName(), only);
    EXPECT_EQ(transitions.count(), 0);
}

TEST_F(AppModel, FindingTheMapSwitchesPagesOnlyWhenAllowed) {
    model->nextPage();
    ASSERT_EQ(pages->pageName(), "GPS");
    EXPECT_EQ(model->FindLargestItemOfType(CDisplayViewKartile::kTypeId, false), nullptr);
    EXPECT_EQ(pages->pageName(), "GPS");
    CDisplayView::CItem* map = model->FindLargestItemOfType(CDisplayViewKartile::kTypeId, true);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(pages->pageName(), "Map");
    EXPECT_NE(map->window(), nullptr);  // live on the page on show
    // No page has an item of a kind never placed.
    EXPECT_EQ(model->FindLargestItemOfType(424242, true), nullptr);
    EXPECT_EQ(pages->pageName(), "Map");
}

TEST_F(AppModel, BusyPeriodsNest) {
    QSignalSpy busy(model, &COrvantaAppModel::appBusyChanged);
    model->setAppBusy("Downloading");
    model->setAppBusy();
    EXPECT_TRUE(model->appBusy());
    EXPECT_EQ(busy.count(), 1);
    model->clearAppBusy();
    EXPECT_TRUE(model->appBusy());
    EXPECT_EQ(busy.count(), 1);
    model->clearAppBusy();
    EXPECT_FALSE(model->appBusy());
    EXPECT_EQ(busy.count(), 2);
    model->clearAppBusy();  // one too many: nothing goes below zero
    EXPECT_EQ(busy.count(), 2);
    model->setAppBusy();
    EXPECT_TRUE(model->appBusy());
    EXPECT_EQ(busy.count(), 3);
}

TEST_F(AppModel, DoneRunsTheCompletionExactlyOnce) {
    QSignalSpy shown(model, &COrvantaAppModel::showDoneButtonChanged);
    int completed = 0;
    model->setDoneCallback([&] { ++completed; });
    EXPECT_TRUE(model->showDoneButton());
    model->onDoneButton();
    model->onDoneButton();
    EXPECT_EQ(completed, 1);
    EXPECT_FALSE(model->showDoneButton());
    EXPECT_EQ(shown.count(), 2);

    // Editing the layout ends with Done.
    model->editLayout();
    EXPECT_TRUE(pages->arranging());
    EXPECT_TRUE(model->showDoneButton());
    model->onDoneButton();
    EXPECT_FALSE(pages->arranging());
    // Arranging ended elsewhere (the page bar) takes the Done button away.
    model->editLayout();
    pages->setArranging(false);
    EXPECT_FALSE(model->showDoneButton());
    model->onDoneButton();
    EXPECT_FALSE(pages->arranging());
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
    EXPECT_EQ(model->openMessageBoxes(), 2);
    const int first = boxes.at(0).at(0).toInt();
    model->answerMessageBox(first, 2);
    model->answerMessageBox(first, 0);  // already answered
    EXPECT_EQ(answers, std::vector<int>{2});
    answerLast(boxes, 1);
    EXPECT_FALSE(yes);
    EXPECT_EQ(model->openMessageBoxes(), 0);
}

TEST_F(AppModel, StatusLineFollowsTheStatusMessage) {
    QSignalSpy changed(model, &COrvantaAppModel::statusTextChanged);
    SetStatusMessage("Connection lost");
    EXPECT_EQ(model->statusText(), "Connection lost");
    EXPECT_EQ(changed.count(), 1);
    model->clearStatusText();
    EXPECT_EQ(model->statusText(), "");
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(AppModel, FullScreenIsSavedAtOnce) {
    TempDir settings;
    PersistantData::SetFolders(settings.path().toStdString(), settings.path().toStdString());
    PersistantData::LoadAll("orvanta");
    QSignalSpy changed(model, &COrvantaAppModel::fullscreenChanged);
    const bool before = model->fullScreen();
    model->setFullScreen(!before);
    EXPECT_EQ(changed.count(), 1);
    const QByteArray ini = testsupport::readFile(settings.file("orvanta.ini"));
    EXPECT_TRUE(ini.contains(QByteArray("CKartileView:full_screen=") + (before ? "0" : "1")))
        << ini.toStdString();
    model->setFullScreen(before);
    PersistantData::SetFolders({}, {});
}

// The fault mended: a second start with a map while a page without a map is
// on show brings the map page forward with the map open, not at some later time.
TEST_F(AppModel, SecondStartWithAMapShowsItOnTheMapPageAtOnce) {
    const std::string map = makeTestMap(dir.file("second.ktl"), 512);
    model->nextPage();
    ASSERT_EQ(pages->pageName(), "GPS");
    model->messageFromAnotherInstance(0, ("/usr/bin/orvanta " + map).c_str());
    EXPECT_EQ(pages->pageName(), "Map");
    ASSERT_NE(mapWindow(), nullptr);
    EXPECT_TRUE(mapWindow()->hasMap());
}

TEST_F(AppModel, CommandLineOpensFilesAndSkipsTheProgram) {
    const std::string map = makeTestMap(dir.file("first.ktl"), 512);
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    // The program path itself is never opened, even when it is a file.
    model->processCommandLine({QString::fromStdString(map)});
    EXPECT_FALSE(mapWindow()->hasMap());
    model->processCommandLine({"orvanta", QString::fromStdString(map), "no-such-file.ktl"});
    EXPECT_TRUE(mapWindow()->hasMap());
    EXPECT_EQ(boxes.count(), 0);
}

TEST_F(AppModel, DroppedFilesOpenLikeTheCommandLine) {
    const std::string map = makeTestMap(dir.file("dropped.ktl"), 512);
    model->nextPage();
    model->importUrls({QUrl::fromLocalFile(QString::fromStdString(map))});
    EXPECT_EQ(pages->pageName(), "Map");
    EXPECT_TRUE(mapWindow()->hasMap());
}

TEST_F(AppModel, UnknownFilesAreRefusedWithAMessage) {
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);
    ASSERT_TRUE(testsupport::writeFile(dir.file("notes.doc"), "minutes of the meeting"));
    EXPECT_FALSE(model->importFileOfAnyType(nullptr, dir.file("notes.doc")));
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
    EXPECT_TRUE(boxes.at(0).at(2).toString().contains("notes.doc"));
}

TEST_F(AppModel, PageFileJoinsTheSetAndComesOnShow) {
    CDisplayView* gps = layout.getPageSet()->pages.at(1).get();
    ASSERT_TRUE(
        CDisplayViewArrangementSet::ExportPage(*gps, dir.file("mine.dvpage").toStdString()));
    const int before = pages->pageCount();
    const QString saved =
        QString::fromStdString(layout.path(CDisplayViewArrangementSet::kLayoutFile));
    EXPECT_TRUE(model->importFileOfAnyType(nullptr, dir.file("mine.dvpage")));
    EXPECT_EQ(pages->pageCount(), before + 1);
    EXPECT_EQ(pages->pageIndex(), before);
    EXPECT_EQ(pages->pageName(), "GPS");
    // The layout with the new page is on disk.
    CDisplayViewArrangementSet reread;
    ASSERT_TRUE(reread.ReadFileWithMagic(saved.toStdString()));
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
    EXPECT_TRUE(pages->pageName().startsWith("Imported ")) << pages->pageName().toStdString();
    model->nextPage();
    EXPECT_TRUE(pages->pageName().startsWith("Imported "));
}

TEST_F(AppModel, MarksFileAddsTheMarksNotYetKnown) {
    MarksWriter file;
    file.add("Harbour", 50.5, 10.5);
    file.add("Buoy", 50.6, 10.6);
    ASSERT_TRUE(file.WriteFile(dir.file("shared.ovtf").toStdString(), 0xCA2EAF82));
    auto& marks = CMarkManager::theManager.marks;
    ASSERT_TRUE(model->importFileOfAnyType(nullptr, dir.file("shared.ovtf")));
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0]->name, "Harbour");
    EXPECT_DOUBLE_EQ(marks[1]->lat, 50.6);
    EXPECT_TRUE(CMarkManager::theManager.marks_changed);
    EXPECT_TRUE(model->importFileOfAnyType(nullptr, dir.file("shared.ovtf")));
    EXPECT_EQ(marks.size(), 2u);
    EXPECT_EQ(model->statusText(), "0 marks imported");
}

TEST_F(AppModel, MarksAtTheMapCentreOrTheLivePosition) {
    // No map open and no fix: no mark.
    EXPECT_EQ(model->AddNewMark(), nullptr);
    const std::string map = makeTestMap(dir.file("m.ktl"), 512);
    model->nextPage();
    model->processCommandLine(
        {"orvanta", QString::fromStdString(map), "ovmap:mark?name=Buoy&icon=flag&color=%23FF0000"});
    ASSERT_EQ(CMarkManager::theManager.marks.size(), 1u);
    const COverlayMark& buoy = *CMarkManager::theManager.marks[0];
    EXPECT_EQ(buoy.name, "Buoy");
    EXPECT_EQ(buoy.icon, "flag");
    EXPECT_EQ(buoy.color.toQColor(), QColor(255, 0, 0));
    EXPECT_GT(buoy.lat, 50);
    EXPECT_LT(buoy.lat, 51);
    EXPECT_GT(buoy.lon, 10);
    EXPECT_LT(buoy.lon, 11);
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
    model->attachCurrentPageToItem(pages, nullptr);
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_TRUE(boxes.at(0).at(2).toString().contains("a.ktl"));
    answerLast(boxes, 1);
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
    const QString base = QString("http://127.0.0.1:%1/").arg(server.port());
    const QString data = COrvantaAppModel::downloadFolder();
    QSignalSpy boxes(model, &COrvantaAppModel::messageBoxRequested);

    model->processCommandLine(
        {"orvanta", "ovmap:open?link=" + base + "declined.ktl&name=..%2Fdeclined.ktl"});
    ASSERT_EQ(boxes.count(), 1);
    answerLast(boxes, 1);  // No

    model->nextPage();  // the map comes on show when the file arrives
    model->processCommandLine(
        {"orvanta", "ovmap:open?link=" + base + "served.ktl&name=%2Fetc%2Fserved.ktl"});
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_FALSE(QFileInfo::exists(data + "/served.ktl"));  // nothing before the answer
    EXPECT_TRUE(answerLast(boxes, 0).contains("served.ktl"));
    EXPECT_TRUE(model->appBusy());
    QTRY_VERIFY_WITH_TIMEOUT(!model->appBusy(), kWait);
    EXPECT_TRUE(QFileInfo::exists(data + "/served.ktl"));
    EXPECT_FALSE(QFileInfo::exists(data + "/served.ktl.tmp"));
    EXPECT_FALSE(QFileInfo::exists("/etc/served.ktl"));
    EXPECT_FALSE(QFileInfo::exists(data + "/declined.ktl"));
    EXPECT_EQ(pages->pageName(), "Map");
    EXPECT_TRUE(mapWindow()->hasMap());
    EXPECT_EQ(boxes.count(), 0);
    EXPECT_TRUE(data.startsWith(QString::fromStdString(getAppDirectory(nullptr)) + "/"));

    // The same name again keeps the first file.
    model->processCommandLine(
        {"orvanta", "ovmap:open?link=" + base + "declined.ktl&name=served.ktl"});
    ASSERT_EQ(boxes.count(), 1);
    answerLast(boxes, 0);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(data + "/served-2.ktl"), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!model->appBusy(), kWait);
    EXPECT_EQ(QFileInfo(data + "/served.ktl").size(), QFileInfo(root.file("served.ktl")).size());
    EXPECT_EQ(QFileInfo(data + "/served-2.ktl").size(),
              QFileInfo(root.file("declined.ktl")).size());

    // A missing file and a name the program can't open: a message each.
    model->processCommandLine({"orvanta", "ovmap:open?link=" + base + "gone.ktl&name=gone.ktl"});
    ASSERT_EQ(boxes.count(), 1);
    answerLast(boxes, 0);
    QTRY_COMPARE_WITH_TIMEOUT(boxes.count(), 1, kWait);
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
    EXPECT_FALSE(QFileInfo::exists(data + "/gone.ktl"));
    answerLast(boxes, 0);
    model->processCommandLine({"orvanta", "ovmap:open?link=" + base + "x.sh&name=x.sh"});
    ASSERT_EQ(boxes.count(), 1);
    EXPECT_EQ(boxes.at(0).at(1).toString(), "Problem");
}

}  // namespace
