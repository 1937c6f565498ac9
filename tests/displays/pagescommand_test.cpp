// ovtool pages: the factory layout written by the program's own writer, the
// bundled copy of it, and the JSON listing of layouts and pages.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "displays/displayviewarrangementset.h"
#include "support/testsupport.h"

using testsupport::runOvtool;

namespace {

QJsonObject parse(const QByteArray& out) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out.left(200).toStdString();
    return doc.object();
}

TEST(PagesCommand, TheBundledDefaultIsWhatTheWriterMakes) {
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
}

TEST(PagesCommand, DumpListsSetsPagesAndItems) {
    testsupport::TempDir dir;
    ASSERT_EQ(runOvtool({"pages", "default", "-o", dir.file("d.pstf")}, dir.path()).exitCode, 0);
    const auto dump = runOvtool({"pages", "dump", dir.file("d.pstf")}, dir.path());
    ASSERT_EQ(dump.exitCode, 0) << dump.err.toStdString();
    const QJsonObject layout = parse(dump.out);
    EXPECT_EQ(layout["type"].toString(), "layout");
    const QJsonArray sets = layout["page_sets"].toArray();
    ASSERT_EQ(sets.size(), 2);
    struct Case {
        const char* name;
        int width, height, rows, columns;
    } cases[] = {
        {"Laptop screen", 1333, 833, 66, 106},
        {"Small screen 800 x 480", 833, 500, 40, 66},
    };
    for (int i = 0; i < 2; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        const QJsonObject set = sets[i].toObject();
        EXPECT_EQ(set["name"].toString(), c.name);
        EXPECT_EQ(set["design_size"].toObject()["width"].toInt(), c.width);
        EXPECT_EQ(set["design_size"].toObject()["height"].toInt(), c.height);
        const QJsonArray pages = set["pages"].toArray();
        ASSERT_EQ(pages.size(), 3);
        QStringList names;
        for (const auto& page : pages) {
            names << page.toObject()["name"].toString();
            EXPECT_EQ(page.toObject()["rows"].toInt(), c.rows);
            EXPECT_EQ(page.toObject()["columns"].toInt(), c.columns);
        }
        EXPECT_EQ(names, QStringList({"Map", "GPS", "Go to"}));
        const QJsonObject map = pages[0].toObject()["items"].toArray()[0].toObject();
        EXPECT_EQ(map["kind"].toString(), "Other:Map");
        EXPECT_EQ(map["id"].toInt(), 111);
        EXPECT_EQ(map["layer"].toInt(), 2);
        EXPECT_EQ(map["cells"].toObject()["width"].toInt(), c.columns);
        const QJsonArray gps = pages[1].toObject()["items"].toArray();
        const QJsonObject odometer = gps[gps.size() - 1].toObject();
        EXPECT_EQ(odometer["kind"].toString(), "GPS: Odometer");
        EXPECT_EQ(odometer["settings"].toObject()["name"].toString(), "Odometer");
    }
}

TEST(PagesCommand, DumpReadsPagesAndRefusesOtherFiles) {
    testsupport::TempDir dir;
    CDisplayViewArrangementSet layout;
    MakeDefaultLayout(layout);
    ASSERT_TRUE(CDisplayViewArrangementSet::ExportPage(*layout.pageSets[0]->pages[2],
                                                       dir.file("goto.dvpage").toStdString()));
    const auto page = runOvtool({"pages", "dump", dir.file("goto.dvpage")}, dir.path());
    ASSERT_EQ(page.exitCode, 0) << page.err.toStdString();
    const QJsonObject json = parse(page.out);
    EXPECT_EQ(json["type"].toString(), "page");
    EXPECT_EQ(json["name"].toString(), "Go to");
    EXPECT_EQ(json["signature"].toArray()[0].toInt(), 26);  // the arrow is the largest item

    ASSERT_TRUE(testsupport::writeFile(dir.file("junk.pstf"), "junk"));
    const auto junk = runOvtool({"pages", "dump", dir.file("junk.pstf")}, dir.path());
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_TRUE(junk.err.contains("not a page layout")) << junk.err.toStdString();
    EXPECT_EQ(runOvtool({"pages", "default"}, dir.path()).exitCode, 2);
}

}  // namespace
