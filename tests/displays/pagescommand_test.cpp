// ovtool pages: the factory layout written by the program's own writer, the
// bundled copy of it, and the JSON listing of layouts and pages.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "support/testsupport.h"

using testsupport::runOvtool;

namespace {

QJsonObject dump(const testsupport::TempDir& dir, const QString& file) {
    const auto run = runOvtool({"pages", "dump", file}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.left(200).toStdString();
    return doc.object();
}

TEST(PagesCommand, TheBundledDefaultIsWhatTheWriterMakesAndDumps) {
    testsupport::TempDir dir;
    const auto made = runOvtool({"pages", "default", "-o", dir.file("default.pstf")}, dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QByteArray written = testsupport::readFile(dir.file("default.pstf"));
    EXPECT_EQ(written,
              testsupport::readFile(testsupport::sourceDir() + "/data/default_page_layout.pstf"))
        << "run scripts/make-default-layout.sh";
    // The program finds it among its bundled files.
    std::string bundled;
    ASSERT_TRUE(read_whole_file(getBundleFilepath("default_page_layout", "pstf"), bundled));
    EXPECT_EQ(QByteArray::fromStdString(bundled), written);

    // The listing agrees with the file as the program reads it.
    CDisplayViewArrangementSet read;
    ASSERT_TRUE(read.ReadFileWithMagic(dir.file("default.pstf").toStdString()));
    const QJsonObject layout = dump(dir, dir.file("default.pstf"));
    EXPECT_EQ(layout["type"].toString(), "layout");
    const QJsonArray sets = layout["page_sets"].toArray();
    ASSERT_EQ(size_t(sets.size()), read.pageSets.size());
    for (size_t i = 0; i < read.pageSets.size(); ++i) {
        const CDisplayViewPageSet& set = *read.pageSets[i];
        SCOPED_TRACE(set.name);
        EXPECT_EQ(sets[i]["name"].toString().toStdString(), set.getScreenName());
        EXPECT_EQ(sets[i]["design_size"]["width"].toInt(), set.screenWidth);
        EXPECT_EQ(sets[i]["design_size"]["height"].toInt(), set.screenHeight);
        const QJsonArray pages = sets[i]["pages"].toArray();
        ASSERT_EQ(size_t(pages.size()), set.pages.size());
        for (size_t p = 0; p < set.pages.size(); ++p) {
            const auto& grid = set.pages[p]->arrangement();
            EXPECT_EQ(pages[p]["rows"].toInt(), grid.rows);
            EXPECT_EQ(pages[p]["columns"].toInt(), grid.columns);
            const QJsonArray items = pages[p]["items"].toArray();
            ASSERT_EQ(size_t(items.size()), grid.settings.size());
            for (size_t k = 0; k < grid.settings.size(); ++k) {
                EXPECT_EQ(items[k]["id"].toInt(), int(grid.settings[k]->GetTypeId()));
                EXPECT_EQ(items[k]["cells"]["width"].toInt(), grid.settings[k]->width);
            }
        }
    }
    EXPECT_EQ(sets[0]["pages"][0]["items"][0]["kind"].toString(), "Other:Map");
}

TEST(PagesCommand, DumpReadsPagesAndRefusesOtherFiles) {
    testsupport::TempDir dir;
    CDisplayViewArrangementSet layout;
    MakeDefaultLayout(layout);
    ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(*layout.pageSets[0]->pages[2],
                                                       dir.file("goto.dvpage").toStdString()));
    const QJsonObject page = dump(dir, dir.file("goto.dvpage"));
    EXPECT_EQ(page["type"].toString(), "page");
    EXPECT_EQ(page["name"].toString(), "Go to");
    EXPECT_EQ(page["signature"][0].toInt(), 26);  // the arrow is the largest item

    ASSERT_TRUE(testsupport::writeFile(dir.file("junk.pstf"), "junk"));
    const auto junk = runOvtool({"pages", "dump", dir.file("junk.pstf")}, dir.path());
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_TRUE(junk.err.contains("not a page layout")) << junk.err.toStdString();
    EXPECT_EQ(runOvtool({"pages", "default"}, dir.path()).exitCode, 2);
}

}  // namespace
