// The layout files: written and read back, damaged and recovered, files of
// a newer version, impossible values, the limits on pages and page sets,
// page import and export, and the current page's signature.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <tuple>

#include "app/base/fileutils.h"
#include "app/base/statusmessage.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displaytestsupport.h"
#include "support/testsupport.h"

using displaytest::Cells;
using displaytest::cells;
using displaytest::setCells;
using testsupport::readFile;

namespace {

constexpr int kSOG = 42, kCOG = 41;

class LayoutFiles : public ::testing::Test {
protected:
    void SetUp() override {
        SetStatusMessage("");
        set.setDirectory(dir.path().toStdString());
        CDisplayViewArrangementSet::defaultLayoutPath = nullptr;
    }
    void TearDown() override { CDisplayViewArrangementSet::defaultLayoutPath = savedDefault; }

    std::string layoutPath() const { return set.path(CDisplayViewArrangementSet::kLayoutFile); }
    QString layoutFile(const char* suffix = "") const {
        return QString::fromStdString(layoutPath()) + suffix;
    }
    std::string file(const char* name) const { return dir.file(name).toStdString(); }
    // A fresh arrangement set reading the same folder.
    std::unique_ptr<CDisplayViewArrangementSet> reopen() const {
        auto again = std::make_unique<CDisplayViewArrangementSet>();
        again->setDirectory(dir.path().toStdString());
        return again;
    }

    testsupport::TempDir dir;
    CDisplayViewArrangementSet set;
    std::unique_ptr<CDisplayViewArrangementSet> again;
    std::string (*savedDefault)() = CDisplayViewArrangementSet::defaultLayoutPath;
};

// What is read back writes the same bytes again: nothing is lost on the way.
TEST_F(LayoutFiles, WrittenAndReadBackWithOrWithoutTheMagicSection) {
    MakeDefaultLayout(set);
    for (bool magic : {true, false}) {
        SCOPED_TRACE(magic ? "with the magic section" : "without it");
        set.changed = true;
        ASSERT_TRUE(magic ? set.save_layout_if_changed() : set.WriteFile(layoutPath(), 0));
        EXPECT_FALSE(QFileInfo::exists(layoutFile(".tmp")));
        again = reopen();
        ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
        ASSERT_TRUE(magic ? again->WriteFileWithMagic(file("again.pstf"))
                          : again->WriteFile(file("again.pstf"), 0));
        EXPECT_EQ(readFile(dir.file("again.pstf")), readFile(layoutFile()));
    }
}

TEST_F(LayoutFiles, ADamagedLayoutIsKeptAsBadAndRecovered) {
    enum Damage { kMissing, kOneByte, kGarbage };
    // Name, damage, whether a bundled default exists, the first page read, a
    // word of the status message ("" for none).
    const std::tuple<const char*, Damage, bool, const char*, const char*> cases[] = {
        {"one bad byte: the backup", kOneByte, false, "Saved before editing", "damaged"},
        {"no backup: the bundled default", kGarbage, true, "From the bundle", "factory"},
        {"no backup, no bundle: built in", kGarbage, false, "Map", "factory"},
        {"no file at all: built in, quietly", kMissing, false, "Map", ""},
    };
    static std::string factory;
    factory = file("factory.pstf");
    CDisplayViewArrangementSet bundle;
    MakeDefaultLayout(bundle);
    bundle.pageSets[0]->pages[0]->name = "From the bundle";
    ASSERT_TRUE(bundle.WriteFileWithMagic(factory));
    for (const auto& [name, damage, bundled, firstPage, status] : cases) {
        SCOPED_TRACE(name);
        SetStatusMessage("");
        for (const char* suffix : {"", ".bad", ".backup"}) QFile::remove(layoutFile(suffix));
        CDisplayViewArrangementSet::defaultLayoutPath = bundled ? +[] { return factory; } : nullptr;
        QByteArray bytes("not a layout");
        if (damage == kOneByte) {
            CDisplayViewArrangementSet saved;
            saved.setDirectory(dir.path().toStdString());
            MakeDefaultLayout(saved);
            saved.pageSets[0]->pages[0]->name = "Saved before editing";
            saved.changed = true;
            ASSERT_TRUE(saved.save_layout_if_changed());
            ASSERT_TRUE(saved.saveBackupLayout());
            // One bad byte: the first page set's section tag.
            bytes = readFile(layoutFile());
            ASSERT_EQ(uint8_t(bytes[26]), 0xBE);
            bytes[26] = 0;
        }
        if (damage != kMissing) {
            ASSERT_TRUE(testsupport::writeFile(layoutFile(), bytes));
        }
        again = reopen();
        again->loadInitialLayout();
        ASSERT_EQ(again->pageSets.size(), 2u);
        EXPECT_EQ(again->pageSets[0]->pages[0]->name, firstPage);
        const std::string shown = GetStatusMessage();
        EXPECT_TRUE(*status ? shown.find(status) != std::string::npos : shown.empty()) << shown;
        if (damage == kMissing) {
            EXPECT_FALSE(QFileInfo::exists(layoutFile(".bad")));
            continue;
        }
        EXPECT_EQ(readFile(layoutFile(".bad")), bytes);
        EXPECT_TRUE(reopen()->ReadFileWithMagic(layoutPath()));
    }
}

// Item settings written with the two layer fields as given, and with one
// field more when `more`, as a later version writes them.
class WrittenFields : public CDisplayView::CItemSettings {
public:
    WrittenFields(int32_t old, int32_t current, bool more)
        : CItemSettings(kSOG), m_old(old), m_new(current), m_more(more) {
        setCells(*this, {1, 2, 3, 4});
    }
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        int32_t extra = 77;
        for (int32_t* field : {&row, &column, &height, &width, &m_old}) stream.declare(*field);
        stream.declare(locked);
        stream.declare(m_new);
        if (m_more) stream.declare(extra);
        return section.Close();
    }

private:
    int32_t m_old, m_new;
    bool m_more;
};

TEST_F(LayoutFiles, LayersReadIntoOneToNineAndANewerVersionsFieldIsSkipped) {
    const std::tuple<const char*, int32_t, int32_t, bool, int> cases[] = {
        {"the whole layer", 0, 7, false, 7},
        {"old files: layer less five", 2, 0, false, 7},
        {"neither", 0, 0, false, 5},
        {"far above", 0, 1000, false, 9},
        {"far below in the old field", -100, 0, false, 1},
        {"largest old field", INT32_MAX, 0, false, 9},
        {"smallest whole layer", 0, INT32_MIN, false, 1},
        {"a newer version's field more", 1, 6, true, 6},
    };
    for (const auto& [name, old, current, more, layer] : cases) {
        SCOPED_TRACE(name);
        CDisplayView page;
        page.arrangement().rows = page.arrangement().columns = 10;
        page.arrangement().settings.push_back(std::make_unique<WrittenFields>(old, current, more));
        ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(page, file("fields.dvpage")));
        CDisplayView read;
        bool skipped = false;
        ASSERT_TRUE(read.ReadFile(file("fields.dvpage"), CDisplayView::kPageFileMagic, &skipped));
        EXPECT_EQ(skipped, more);
        ASSERT_EQ(read.arrangement().settings.size(), 1u);
        const auto& item = *read.arrangement().settings[0];
        EXPECT_EQ(std::make_tuple(item.GetTypeId(), cells(item), item.layer),
                  std::make_tuple(uint32_t(kSOG), Cells{1, 2, 3, 4}, layer));
    }
}

TEST_F(LayoutFiles, ImpossibleGridsAndScreensAreRefused) {
    const std::tuple<const char*, int, int, int, int, int, bool> cases[] = {
        {"ordinary", 66, 106, 3, 1333, 833, true},
        {"zero rows", 0, 106, 3, 1333, 833, false},
        {"negative columns", 66, -4, 3, 1333, 833, false},
        {"a million columns", 66, 1000000, 3, 1333, 833, false},
        {"negative margin", 66, 106, -1, 1333, 833, false},
        {"negative screen width", 66, 106, 3, -1333, 833, false},
        {"screen of a thousand metres", 66, 106, 3, 1333, 4000000, false},
    };
    for (const auto& [name, rows, columns, margin, screenWidth, screenHeight, reads] : cases) {
        SCOPED_TRACE(name);
        CDisplayViewArrangementSet written;
        CDisplayViewPageSet* pages = written.AddNewArrangement(1333, 833);
        pages->getCurrentPage()->AddItem(kSOG, 0, 0, 8, 16);
        pages->screenWidth = screenWidth, pages->screenHeight = screenHeight;
        auto& grid = pages->getCurrentPage()->arrangement();
        grid.rows = rows, grid.columns = columns, grid.margin = margin;
        ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
        EXPECT_EQ(reopen()->ReadFileWithMagic(layoutPath()), reads);
    }
}

TEST_F(LayoutFiles, ItemsOutsideTheGridAreClippedDroppedOrSkipped) {
    CDisplayViewArrangementSet written;
    CDisplayView* page = written.AddNewArrangement(833, 500)->getCurrentPage();  // 40 x 66
    for (Cells given : {Cells{36, 60, 8, 16},     // over the bottom-right corner
                        Cells{100, 0, 8, 16},     // wholly below the grid
                        Cells{-20, -5, 30, 10}})  // above and left of it
        setCells(*page->AddItem(kCOG, 0, 0, 1, 1), given);
    // A kind this program does not know, written under an unused id.
    struct Unknown : CDisplayView::CItemSettings {
        Unknown() : CItemSettings(9999) { height = width = 4; }
    };
    page->arrangement().settings.push_back(std::make_unique<Unknown>());
    ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
    again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    const auto& items = again->pageSets[0]->pages[0]->arrangement().settings;
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ((std::vector<Cells>{cells(*items[0]), cells(*items[1])}),
              (std::vector<Cells>{{36, 60, 4, 6}, {0, 0, 10, 5}}));
    EXPECT_EQ(items[1]->GetTypeId(), uint32_t(kCOG));
}

TEST_F(LayoutFiles, TooManyPagesAndSetsLoadUpToTheLimits) {
    CDisplayViewArrangementSet written;
    for (int i = 0; i < 27; ++i)
        written.pageSets.push_back(std::make_unique<CDisplayViewPageSet>());
    auto& first = *written.pageSets[0];
    first.clear();
    for (int i = 0; i < 120; ++i) {
        auto page = std::make_unique<CDisplayView>();
        page->setPageSet(&first);
        page->AdjustCellsForScreen();
        page->name = "page " + std::to_string(i);
        first.pages.push_back(std::move(page));
    }
    ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
    again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    ASSERT_EQ(std::make_pair(again->pageSets.size(), again->pageSets[0]->pages.size()),
              std::make_pair(size_t(25), size_t(100)));
    EXPECT_EQ(again->pageSets[0]->pages[99]->name, "page 99");
    EXPECT_EQ(again->pageSets[1]->pages.size(), 0u);
}

TEST_F(LayoutFiles, PagesAndPageSetsExportAndImport) {
    MakeDefaultLayout(set);
    const std::string page = file("gps.dvpage");
    ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(*set.pageSets[0]->pages[1], page));
    // Into the small screen's set: the page is fitted to its grid.
    set.setPageset(set.pageSets[1].get());
    ASSERT_TRUE(set.ImportPage(page));
    auto& pages = set.pageSets[1]->pages;
    ASSERT_EQ(pages.size(), 6u);
    EXPECT_EQ(std::make_tuple(pages[5]->name, pages[5]->arrangement().rows,
                              pages[5]->arrangement().settings.size(), set.pageSets[1]->modified),
              std::make_tuple(std::string("GPS"), 40, size_t(8), true));

    ASSERT_TRUE(write_to_file(file("bad.dvpage"), "nothing"));
    EXPECT_FALSE(set.ImportPage(file("bad.dvpage")));
    EXPECT_EQ(GetStatusMessage(), "Reading the .dvpage file failed");
    while (pages.size() < 100) ASSERT_NE(set.pageSets[1]->AddNewPage(), nullptr);
    EXPECT_FALSE(set.ImportPage(page));
    EXPECT_EQ(pages.size(), 100u);

    // A page set exports as a layout of its own.
    ASSERT_TRUE(set.ExportPageSet(set.pageSets[0].get(), file("laptop.pstf")));
    CDisplayViewArrangementSet read;
    ASSERT_TRUE(read.ReadFileWithMagic(file("laptop.pstf")));
    ASSERT_EQ(read.pageSets.size(), 1u);
    EXPECT_EQ(std::make_pair(read.pageSets[0]->name, read.pageSets[0]->pages.size()),
              std::make_pair(set.pageSets[0]->name, size_t(5)));
}

TEST_F(LayoutFiles, ThePageOnShowIsRememberedAcrossSets) {
    MakeDefaultLayout(set);
    CDisplayViewPageSet* laptop = set.pageSets[0].get();
    laptop->setPage(laptop->pages[2].get());
    set.changed = true;
    ASSERT_TRUE(set.save_layout_if_changed());
    again = reopen();
    again->loadInitialLayout();
    for (int i : {0, 1}) {
        again->setPageset(again->pageSets[i].get());
        EXPECT_EQ(again->getPageSet()->getCurrentPage()->name, "Go to") << i;
    }
}

}  // namespace
