// The pages in an offscreen Qt Quick window: drawn items, swiping and keys
// between pages, and editing by mouse.
#include <gtest/gtest.h>

#include <QQuickWindow>
#include <QSignalSpy>
#include <QTest>
#include <tuple>

#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displays/quick/displayviewpage.h"
#include "support/testsupport.h"

namespace {

class PageWindow : public ::testing::Test {
protected:
    void SetUp() override {
        layout.setDirectory(dir.path().toStdString());
        MakeDefaultLayout(layout);
        layout.loaded = true;
        window.resize(800, 480);
        pages = new CDisplayViewPage(window.contentItem());
        pages->setSize(QSizeF(800, 480));
        pages->setLayout(&layout);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 30000));
        window.requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 30000));
        pages->forceActiveFocus();
    }
    void TearDown() override {
        delete pages;
        pages = nullptr;
    }
    void swipe(QPoint from, QPoint to) {
        QTest::mousePress(&window, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 5; ++i) QTest::mouseMove(&window, from + (to - from) * i / 5);
        QTest::mouseRelease(&window, Qt::LeftButton, {}, to);
    }

    testsupport::TempDir dir;
    CDisplayViewArrangementSet layout;
    QQuickWindow window;
    CDisplayViewPage* pages = nullptr;
};

TEST_F(PageWindow, ItemsAreDrawnAndSwipesAndKeysTurnPages) {
    // An 800 x 480 window shows the small screen's set from its first page.
    EXPECT_EQ(std::make_tuple(pages->pageSetName(), pages->pageIndex(), pages->pageCount()),
              std::make_tuple(QString("Small screen 800 x 480"), 0, 5));
    EXPECT_NE(pages->mapWindow(), nullptr);
    pages->nextPage();  // the GPS page: nothing there takes the pointer
    ASSERT_EQ(pages->pageName(), "GPS");
    CDisplayView* page = pages->page();
    const auto* speed = page->findItemAt(42, 0, 0);
    ASSERT_NE(speed, nullptr);
    // Wait for a frame that shows the speed item's panel and text.
    const CDisplayView::Rect r = page->arrangement().GetItemRect(*speed);
    const auto inked = [&] {
        const QImage shot = window.grabWindow();
        int dark = 0;
        for (int y = int(r.top) + 2; y < int(r.bottom) - 2; y += 2)
            for (int x = int(r.left) + 2; x < int(r.right) - 2; x += 2)
                if (qGray(shot.pixel(x, y)) < 120) ++dark;
        return dark > 20;
    };
    EXPECT_TRUE(QTest::qWaitFor(inked, 30000)) << "no text drawn in the speed item";

    swipe({600, 240}, {300, 250});
    EXPECT_EQ(pages->pageName(), "Go to");
    swipe({300, 240}, {600, 230});
    EXPECT_EQ(pages->pageName(), "GPS");
    swipe({300, 100}, {360, 400});  // mostly downwards: not a swipe
    EXPECT_EQ(pages->pageName(), "GPS");
    QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(pages->pageName(), "Go to");
    QTest::keyClick(&window, Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(pages->pageName(), "Race");
    QTest::keyClick(&window, Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(pages->pageName(), "Go to");
    // The page on show is remembered, once the pages stop turning.
    const QString file =
        QString::fromStdString(layout.path(CDisplayViewArrangementSet::kSignatureFile));
    const auto firstItem = [&] {
        const QByteArray signature = testsupport::readFile(file);
        int first = 0;
        if (signature.size() == 20) std::memcpy(&first, signature.constData(), 4);
        return first;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return firstItem() == 26; }, 30000))  // the go-to arrow
        << "last written: " << firstItem();
}

TEST_F(PageWindow, EditingByMouse) {
    pages->nextPage();
    pages->setArranging(true);
    EXPECT_TRUE(QFileInfo::exists(
        QString::fromStdString(layout.path(CDisplayViewArrangementSet::kLayoutFile)) + ".backup"));
    CDisplayView* page = pages->page();
    // Clear the place right of the speed item: a click selects the course item.
    QTest::mouseClick(&window, Qt::LeftButton, {}, QPoint(330, 60));
    ASSERT_TRUE(pages->hasSelection());
    ASSERT_EQ(page->selectedItem()->typeId(), 41);
    pages->removeSelected();
    // Drag the speed item by its middle three cells right, into the cleared place.
    CDisplayView::CItemSettings* speed = &page->findItemAt(42, 0, 0)->settings();
    const int row = speed->row, column = speed->column;
    const double cw = page->arrangement().cellWidth;
    swipe({60, 60}, {60 + int(3 * cw + 2), 60});
    EXPECT_EQ(pages->pageName(), "GPS");  // editing does not turn the page
    ASSERT_TRUE(pages->hasSelection());
    EXPECT_EQ(page->selectedItem()->typeId(), 42);
    EXPECT_EQ(std::make_pair(speed->row, speed->column), std::make_pair(row, column + 3));
    // The right button asks for the edit menu; removing the item follows.
    QSignalSpy menu(pages, &CDisplayViewPage::editMenuRequested);
    QTest::mouseClick(&window, Qt::RightButton, {}, QPoint(700, 60));
    EXPECT_EQ(menu.count(), 1);
    ASSERT_TRUE(pages->hasSelection());
    const int before = int(page->arrangement().settings.size());
    pages->removeSelected();
    EXPECT_EQ(int(page->arrangement().settings.size()), before - 1);
    pages->setArranging(false);
    auto saved = std::make_unique<CDisplayViewArrangementSet>();
    ASSERT_TRUE(saved->ReadFileWithMagic(layout.path(CDisplayViewArrangementSet::kLayoutFile)));
    EXPECT_EQ(int(saved->pageSets[1]->pages[1]->arrangement().settings.size()), before - 1);
}

TEST_F(PageWindow, PagesAreAddedDuplicatedMovedAndRemoved) {
    pages->setArranging(true);
    ASSERT_TRUE(pages->duplicatePage());
    EXPECT_EQ(std::make_tuple(pages->pageCount(), pages->pageIndex(), pages->pageName()),
              std::make_tuple(6, 1, QString("Map")));
    ASSERT_TRUE(pages->addPage());
    EXPECT_EQ(pages->pageName(), "Empty page");
    pages->addItem(43);
    EXPECT_EQ(pages->pageName(), "GPS: Position");
    ASSERT_TRUE(pages->movePage(-2));
    EXPECT_EQ(pages->pageIndex(), 0);
    ASSERT_TRUE(pages->removePage());
    EXPECT_EQ(pages->pageCount(), 6);
    pages->setArranging(false);
}

}  // namespace
