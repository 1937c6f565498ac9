// The layout files: written and read back, damaged and recovered, files of
// a newer version, impossible values, the limits on pages and page sets,
// page import and export, and the current page's signature.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "app/base/fileutils.h"
#include "app/base/statusmessage.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "support/testsupport.h"

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
    // A fresh arrangement set reading the same folder.
    std::unique_ptr<CDisplayViewArrangementSet> reopen() const {
        auto again = std::make_unique<CDisplayViewArrangementSet>();
        again->setDirectory(dir.path().toStdString());
        return again;
    }
    static void expectSameLayout(CDisplayViewArrangementSet& a, CDisplayViewArrangementSet& b) {
        ASSERT_EQ(a.pageSets.size(), b.pageSets.size());
        for (size_t i = 0; i < a.pageSets.size(); ++i) {
            auto& x = *a.pageSets[i];
            auto& y = *b.pageSets[i];
            EXPECT_EQ(x.name, y.name);
            EXPECT_EQ(x.screenWidth, y.screenWidth);
            EXPECT_EQ(x.screenHeight, y.screenHeight);
            ASSERT_EQ(x.pages.size(), y.pages.size());
            for (size_t p = 0; p < x.pages.size(); ++p) {
                EXPECT_EQ(x.pages[p]->name, y.pages[p]->name);
                EXPECT_TRUE(x.pages[p]->arrangement().Matches(y.pages[p]->arrangement()));
            }
        }
    }

    testsupport::TempDir dir;
    CDisplayViewArrangementSet set;
    std::string (*savedDefault)() = CDisplayViewArrangementSet::defaultLayoutPath;
};

TEST_F(LayoutFiles, WrittenAndReadBack) {
    MakeDefaultLayout(set);
    set.changed = true;
    ASSERT_TRUE(set.save_layout_if_changed());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(layoutPath() + ".tmp")));
    auto again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    expectSameLayout(set, *again);
    // The layout file begins with the container header and the layout magic section.
    const QByteArray bytes = testsupport::readFile(QString::fromStdString(layoutPath()));
    ASSERT_GE(bytes.size(), 13);
    EXPECT_EQ(bytes.mid(0, 4), QByteArray::fromHex("49F2AC73"));
    EXPECT_EQ(uint8_t(bytes[4]), 0xBE);
    EXPECT_EQ(bytes.mid(9, 4), QByteArray::fromHex("82FBF847"));
}

TEST_F(LayoutFiles, AFileWithoutTheMagicSectionLoads) {
    MakeDefaultLayout(set);
    ASSERT_TRUE(set.WriteFile(layoutPath(), 0));
    auto again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    expectSameLayout(set, *again);
}

TEST_F(LayoutFiles, ADamagedLayoutIsKeptAndTheBackupRestored) {
    MakeDefaultLayout(set);
    set.pageSets[0]->pages[0]->name = "Saved before editing";
    set.changed = true;
    ASSERT_TRUE(set.save_layout_if_changed());
    ASSERT_TRUE(set.saveBackupLayout());
    // One bad byte: the first page set's section tag.
    QByteArray bytes = testsupport::readFile(QString::fromStdString(layoutPath()));
    ASSERT_EQ(uint8_t(bytes[26]), 0xBE);
    bytes[26] = 0;
    ASSERT_TRUE(testsupport::writeFile(QString::fromStdString(layoutPath()), bytes));

    auto again = reopen();
    again->loadInitialLayout();
    ASSERT_EQ(again->pageSets.size(), 2u);
    EXPECT_EQ(again->pageSets[0]->pages[0]->name, "Saved before editing");
    EXPECT_EQ(testsupport::readFile(QString::fromStdString(layoutPath() + ".bad")), bytes);
    EXPECT_TRUE(reopen()->ReadFileWithMagic(layoutPath()));
    EXPECT_NE(GetStatusMessage().find("damaged"), std::string::npos) << GetStatusMessage();
}

TEST_F(LayoutFiles, WithoutABackupTheFactoryLayoutIsRestored) {
    struct Case {
        const char* name;
        bool bundledFile;
    } cases[] = {{"bundled file", true}, {"no bundled file", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        static std::string factory;
        factory = dir.path().toStdString() + "/factory.pstf";
        CDisplayViewArrangementSet made;
        MakeDefaultLayout(made);
        made.pageSets[0]->pages[0]->name = "From the bundle";
        ASSERT_TRUE(made.WriteFileWithMagic(factory));
        CDisplayViewArrangementSet::defaultLayoutPath =
            c.bundledFile ? +[] { return factory; } : nullptr;
        ASSERT_TRUE(write_to_file(layoutPath(), "not a layout"));
        auto again = reopen();
        again->loadInitialLayout();
        ASSERT_EQ(again->pageSets.size(), 2u);
        EXPECT_EQ(again->pageSets[0]->pages[0]->name, c.bundledFile ? "From the bundle" : "Map");
        EXPECT_EQ(testsupport::readFile(QString::fromStdString(layoutPath() + ".bad")),
                  QByteArray("not a layout"));
        EXPECT_TRUE(reopen()->ReadFileWithMagic(layoutPath()));
        EXPECT_NE(GetStatusMessage().find("factory"), std::string::npos) << GetStatusMessage();
    }
}

TEST_F(LayoutFiles, AMissingLayoutTakesTheFactoryPagesQuietly) {
    set.loadInitialLayout();
    EXPECT_EQ(set.pageSets.size(), 2u);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(layoutPath() + ".bad")));
    EXPECT_EQ(GetStatusMessage(), "");
}

// Settings written by a later version: one more field in the base section.
class NewerSettings : public CDisplayView::CItemSettings {
public:
    NewerSettings() : CItemSettings(kSOG) {}
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        int32_t oldLayer = layer - 5, extra = 77;
        stream.declare(row);
        stream.declare(column);
        stream.declare(height);
        stream.declare(width);
        stream.declare(oldLayer);
        stream.declare(locked);
        stream.declare(layer);
        stream.declare(extra);
        return section.Close();
    }
};

TEST_F(LayoutFiles, APageFromANewerVersionWithOneFieldMore) {
    CDisplayView page;
    page.arrangement().rows = 40;
    page.arrangement().columns = 66;
    auto newer = std::make_unique<NewerSettings>();
    newer->row = 3, newer->column = 4, newer->height = 8, newer->width = 16, newer->layer = 6;
    page.arrangement().settings.push_back(std::move(newer));
    const std::string file = dir.path().toStdString() + "/newer.dvpage";
    ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(page, file));

    CDisplayView read;
    bool skipped = false;
    ASSERT_TRUE(read.ReadFile(file, CDisplayView::kPageFileMagic, &skipped));
    EXPECT_TRUE(skipped);
    ASSERT_EQ(read.arrangement().settings.size(), 1u);
    const auto& s = *read.arrangement().settings[0];
    EXPECT_EQ(s.GetTypeId(), uint32_t(kSOG));
    EXPECT_EQ(s.row, 3);
    EXPECT_EQ(s.column, 4);
    EXPECT_EQ(s.height, 8);
    EXPECT_EQ(s.width, 16);
    EXPECT_EQ(s.layer, 6);
}

// Item settings with the two layer fields as given.
class LayerFields : public CDisplayView::CItemSettings {
public:
    LayerFields(int32_t old, int32_t current) : CItemSettings(kSOG), m_old(old), m_new(current) {}
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        int32_t cell = 0, size = 4;
        bool lock = false;
        stream.declare(cell);
        stream.declare(cell);
        stream.declare(size);
        stream.declare(size);
        stream.declare(m_old);
        stream.declare(lock);
        stream.declare(m_new);
        return section.Close();
    }

private:
    int32_t m_old, m_new;
};

TEST_F(LayoutFiles, LayersAreReadIntoOneToNine) {
    struct Case {
        const char* name;
        int32_t old, current;
        int layer;
    } cases[] = {
        {"the whole layer", 0, 7, 7},
        {"old files: layer less five", 2, 0, 7},
        {"neither", 0, 0, 5},
        {"far above", 0, 1000, 9},
        {"far below in the old field", -100, 0, 1},
        {"largest old field", INT32_MAX, 0, 9},
        {"smallest whole layer", 0, INT32_MIN, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayView page;
        page.arrangement().rows = page.arrangement().columns = 10;
        page.arrangement().settings.push_back(std::make_unique<LayerFields>(c.old, c.current));
        const std::string file = dir.path().toStdString() + "/layers.dvpage";
        ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(page, file));
        CDisplayView read;
        ASSERT_TRUE(read.ReadFile(file, CDisplayView::kPageFileMagic));
        ASSERT_EQ(read.arrangement().settings.size(), 1u);
        EXPECT_EQ(read.arrangement().settings[0]->layer, c.layer);
    }
}

TEST_F(LayoutFiles, ImpossibleGridsAndScreensAreRefused) {
    struct Case {
        const char* name;
        int rows, columns, margin, screenWidth, screenHeight;
        bool reads;
    } cases[] = {
        {"ordinary", 66, 106, 3, 1333, 833, true},
        {"zero rows", 0, 106, 3, 1333, 833, false},
        {"negative columns", 66, -4, 3, 1333, 833, false},
        {"a million columns", 66, 1000000, 3, 1333, 833, false},
        {"negative margin", 66, 106, -1, 1333, 833, false},
        {"negative screen width", 66, 106, 3, -1333, 833, false},
        {"screen of a thousand metres", 66, 106, 3, 1333, 4000000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDisplayViewArrangementSet written;
        CDisplayViewPageSet* pages = written.AddNewArrangement(1333, 833);
        pages->getCurrentPage()->AddItem(kSOG, 0, 0, 8, 16);
        pages->screenWidth = c.screenWidth;
        pages->screenHeight = c.screenHeight;
        auto& grid = pages->getCurrentPage()->arrangement();
        grid.rows = c.rows, grid.columns = c.columns, grid.margin = c.margin;
        ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
        EXPECT_EQ(reopen()->ReadFileWithMagic(layoutPath()), c.reads);
    }
}

TEST_F(LayoutFiles, ItemsOutsideTheGridAreClippedOrDropped) {
    CDisplayViewArrangementSet written;
    CDisplayView* page = written.AddNewArrangement(833, 500)->getCurrentPage();  // 40 x 66
    auto add = [&](int row, int column, int height, int width) {
        auto s = CDisplayView::CItemSettingsType::CreateSettings(kCOG);
        s->row = row, s->column = column, s->height = height, s->width = width;
        page->arrangement().settings.push_back(std::move(s));
    };
    add(36, 60, 8, 16);    // hangs over the bottom-right corner
    add(100, 0, 8, 16);    // wholly below the grid
    add(-20, -5, 30, 10);  // above and left of it
    ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
    auto again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    const auto& settings = again->pageSets[0]->pages[0]->arrangement().settings;
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0]->row, 36);
    EXPECT_EQ(settings[0]->height, 4);
    EXPECT_EQ(settings[0]->width, 6);
    EXPECT_EQ(settings[1]->row, 0);
    EXPECT_EQ(settings[1]->column, 0);
    EXPECT_EQ(settings[1]->height, 10);
    EXPECT_EQ(settings[1]->width, 5);
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
    auto again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    EXPECT_EQ(again->pageSets.size(), 25u);
    ASSERT_EQ(again->pageSets[0]->pages.size(), 100u);
    EXPECT_EQ(again->pageSets[0]->pages[99]->name, "page 99");
    EXPECT_EQ(again->pageSets[1]->pages.size(), 0u);
}

TEST_F(LayoutFiles, PagesExportAndImport) {
    MakeDefaultLayout(set);
    const std::string file = dir.path().toStdString() + "/gps.dvpage";
    ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(*set.pageSets[0]->pages[1], file));
    // Into the small screen's set: the page is fitted to its grid.
    set.setPageset(set.pageSets[1].get());
    ASSERT_TRUE(set.ImportPage(file));
    auto& pages = set.pageSets[1]->pages;
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[3]->name, "GPS");
    EXPECT_EQ(pages[3]->arrangement().rows, 40);
    EXPECT_EQ(pages[3]->arrangement().settings.size(), 8u);
    EXPECT_TRUE(set.pageSets[1]->modified);

    ASSERT_TRUE(write_to_file(dir.path().toStdString() + "/bad.dvpage", "nothing"));
    EXPECT_FALSE(set.ImportPage(dir.path().toStdString() + "/bad.dvpage"));
    EXPECT_EQ(GetStatusMessage(), "Reading the .dvpage file failed");

    while (pages.size() < 100) ASSERT_NE(set.pageSets[1]->AddNewPage(), nullptr);
    EXPECT_FALSE(set.ImportPage(file));
    EXPECT_EQ(pages.size(), 100u);
}

TEST_F(LayoutFiles, APageSetExportsAsALayoutOfItsOwn) {
    MakeDefaultLayout(set);
    const std::string file = dir.path().toStdString() + "/small.pstf";
    ASSERT_TRUE(set.ExportPageSet(set.pageSets[1].get(), file));
    CDisplayViewArrangementSet read;
    ASSERT_TRUE(read.ReadFileWithMagic(file));
    ASSERT_EQ(read.pageSets.size(), 1u);
    EXPECT_EQ(read.pageSets[0]->name, set.pageSets[1]->name);
    EXPECT_EQ(read.pageSets[0]->pages.size(), 3u);
}

TEST_F(LayoutFiles, TheCurrentPageIsRemembered) {
    MakeDefaultLayout(set);
    CDisplayViewPageSet* laptop = set.pageSets[0].get();
    laptop->setPage(laptop->pages[2].get());
    set.changed = true;
    ASSERT_TRUE(set.save_layout_if_changed());
    const QByteArray signature = testsupport::readFile(
        QString::fromStdString(set.path(CDisplayViewArrangementSet::kSignatureFile)));
    ASSERT_EQ(signature.size(), 20);

    auto again = reopen();
    again->loadInitialLayout();
    again->setPageset(again->pageSets[0].get());
    EXPECT_EQ(again->getPageSet()->getCurrentPage()->name, "Go to");
}

TEST_F(LayoutFiles, UnknownKindsAreSkippedAndTheRestLoads) {
    CDisplayViewArrangementSet written;
    CDisplayView* page = written.AddNewArrangement(833, 500)->getCurrentPage();
    page->AddItem(kSOG, 0, 0, 8, 16);
    // A kind this program does not know: written under an unused id.
    class Unknown : public CDisplayView::CItemSettings {
    public:
        Unknown() : CItemSettings(9999) { row = column = 0, height = width = 4; }
    };
    page->arrangement().settings.push_back(std::make_unique<Unknown>());
    page->AddItem(kCOG, 10, 0, 8, 16);
    ASSERT_TRUE(written.WriteFileWithMagic(layoutPath()));
    auto again = reopen();
    ASSERT_TRUE(again->ReadFileWithMagic(layoutPath()));
    const auto& settings = again->pageSets[0]->pages[0]->arrangement().settings;
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0]->GetTypeId(), uint32_t(kSOG));
    EXPECT_EQ(settings[1]->GetTypeId(), uint32_t(kCOG));
}

}  // namespace
