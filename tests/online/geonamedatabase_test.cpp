// Place-name files: made by ovtool places make, then damaged in every way a
// record can be, and searched as a table.
#include <gtest/gtest.h>

#include <QFile>
#include <cstring>

#include "online/geonamedatabase.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

QByteArray le32(int32_t v) {
    return QByteArray(reinterpret_cast<const char*>(&v), 4);
}

// Names of every place a walk over the file yields.
std::vector<std::string> walk(const CGeoNameDatabase& db) {
    std::vector<std::string> names;
    for (auto e = db.GetNextEntry(nullptr); e && names.size() < 100; e = db.GetNextEntry(e))
        names.push_back(CGeoNameDatabase::placeAt(e).latinName);
    return names;
}

const std::vector<GeoNameRecord> kPlaces = {
    {"London", 0, 51.5, -0.12}, {"Ablonville", 0, 49.3, 0.1}, {"Longhope", 1, 58.8, -3.2}};

// The file with the bytes of the third place record replaced by `tail`.
QByteArray withThirdRecord(const QByteArray& tail) {
    QByteArray bytes =
        QByteArray::fromStdString(GeoNameDatabaseBytes({"Towns", "Harbours"}, kPlaces));
    const int third = int(bytes.size()) - (24 + 9);  // "Longhope" and its NUL
    return bytes.left(third) + tail;
}

TEST(GeoNameDatabase, MadeByOvtoolAndFound) {
    TempDir dir;
    writeFile(dir.file("in.tsv"),
              "# name\tcategory\tlat\tlon\tscale\nLondon\tTowns\t51.5\t-0.12\t5\n"
              "Ablonville\tTowns\t49.3\t0.1\t1\nLonghope\tHarbours\t58.8\t-3.2\t2\n");
    ProcessResult made =
        runOvtool({"places", "make", dir.file("in.tsv"), "-o", dir.file("p.ovnm")});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    ProcessResult found = runOvtool({"places", "find", dir.file("p.ovnm"), "lon"});
    EXPECT_EQ(found.exitCode, 0);
    EXPECT_TRUE(found.out.contains("\"name\":\"London\"")) << found.out.constData();
    EXPECT_TRUE(found.out.contains("\"name\":\"Ablonville\""));
    EXPECT_TRUE(found.out.contains("\"title\":\"Harbours\""));

    writeFile(dir.file("bad.tsv"), "London\tTowns\t51.5\n");
    ProcessResult bad =
        runOvtool({"places", "make", dir.file("bad.tsv"), "-o", dir.file("b.ovnm")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("bad.tsv:1:")) << bad.err.constData();
    EXPECT_FALSE(QFile::exists(dir.file("b.ovnm")));
}

TEST(GeoNameDatabase, DamagedRecordsStopTheWalkAndKeepWhatCameBefore) {
    const std::vector<std::string> firstTwo = {"London", "Ablonville"};
    const std::vector<std::string> all = {"London", "Ablonville", "Longhope"};
    const std::tuple<const char*, QByteArray, std::vector<std::string>> cases[] = {
        {"whole", withThirdRecord(le32(33) + le32(1) + QByteArray(16, 0) + "Longhope" + '\0'), all},
        {"length 0", withThirdRecord(le32(0) + QByteArray(40, 'x')), firstTwo},
        {"negative length", withThirdRecord(le32(-24) + QByteArray(40, 'x')), firstTwo},
        {"length past the end", withThirdRecord(le32(4000) + le32(1) + QByteArray(30, 'y')),
         firstTwo},
        {"huge length", withThirdRecord(le32(0x7FFFFFFF) + QByteArray(40, 'z')), firstTwo},
        {"name not terminated", withThirdRecord(le32(33) + le32(1) + QByteArray(25, 'N')),
         firstTwo},
        {"shorter than a header", withThirdRecord(le32(12) + QByteArray(40, 'x')), firstTwo},
        {"cut in the header", withThirdRecord(le32(33) + le32(1)), firstTwo},
    };
    TempDir dir;
    for (const auto& [what, bytes, expected] : cases) {
        SCOPED_TRACE(what);
        writeFile(dir.file("d.ovnm"), bytes);
        CGeoNameDatabase db;
        ASSERT_TRUE(db.Open(dir.file("d.ovnm").toStdString()));
        EXPECT_EQ(walk(db), expected);
        EXPECT_EQ(db.damaged(), expected.size() != all.size());
        int matches = 0;
        for (auto e = db.GetNextMatchingEntry(nullptr, -1, ""); e;
             e = db.GetNextMatchingEntry(e, -1, ""))
            ++matches;
        EXPECT_EQ(matches, int(expected.size()));
        EXPECT_EQ(db.FindPrefix("LON", 10).size(), expected.size() == all.size() ? 2u : 1u);
    }
}

TEST(GeoNameDatabase, FilesThatDoNotOpenAreLeftAlone) {
    const QByteArray magic = le32(int32_t(CGeoNameDatabase::kMagic));
    const std::tuple<const char*, QByteArray, bool> cases[] = {
        {"44 bytes, no categories", magic + le32(0) + le32(0) + QByteArray(32, 0), true},
        {"43 bytes", magic + le32(0) + le32(0) + QByteArray(31, 0), false},
        {"version 2", magic + le32(2) + le32(0) + QByteArray(32, 0), false},
        {"version -1", magic + le32(-1) + le32(0) + QByteArray(32, 0), false},
        {"wrong magic", le32(0x12345678) + le32(0) + le32(0) + QByteArray(32, 0), false},
        {"damaged category table",
         magic + le32(0) + le32(3) + QByteArray(4, 0) + le32(-5) + QByteArray(40, 'c'), true},
    };
    TempDir dir;
    for (const auto& [what, bytes, opens] : cases) {
        SCOPED_TRACE(what);
        writeFile(dir.file("f.ovnm"), bytes);
        CGeoNameDatabase db;
        EXPECT_EQ(db.Open(dir.file("f.ovnm").toStdString()), opens) << db.error();
        EXPECT_EQ(readFile(dir.file("f.ovnm")), bytes) << "the user's file stays";
        EXPECT_TRUE(walk(db).empty());
    }
    CGeoNameDatabase db;
    EXPECT_FALSE(db.Open(dir.file("missing.ovnm").toStdString()));
    EXPECT_FALSE(db.Open(dir.path().toStdString())) << "a folder";
}

}  // namespace
