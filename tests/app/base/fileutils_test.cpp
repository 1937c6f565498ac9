// File helpers against real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QDir>
#include <QFile>

#include "app/base/fileutils.h"
#include "app/base/timeutils.h"
#include "support/testsupport.h"

using testsupport::TempDir;

namespace {

std::string p(const TempDir& d, const char* name) { return d.file(name).toStdString(); }

bool gzipTo(const std::string& path, const std::string& data) {
    gzFile f = gzopen(path.c_str(), "wb");
    if (!f) return false;
    gzwrite(f, data.data(), unsigned(data.size()));
    return gzclose(f) == Z_OK;
}

TEST(FileUtils, WholeFileFirstLineAndAtomicWrite) {
    TempDir d;
    EXPECT_TRUE(write_to_file(p(d, "v.txt"), "1.2.1\r\nsecond"));
    std::string text;
    EXPECT_TRUE(read_whole_file(p(d, "v.txt"), text));
    EXPECT_EQ(text, "1.2.1\r\nsecond");
    EXPECT_EQ(read_first_line(p(d, "v.txt")), "1.2.1");
    EXPECT_FALSE(QFile::exists(d.file("v.txt.tmp")));
    EXPECT_FALSE(read_whole_file(p(d, "missing"), text));
    EXPECT_EQ(read_first_line(p(d, "missing")), "");
    EXPECT_FALSE(write_to_file(p(d, "no/such/folder/x"), "x"));
}

TEST(FileUtils, SizesTimesAndAges) {
    TempDir d;
    EXPECT_EQ(getFileSize(p(d, "f")), -1);
    EXPECT_TRUE(fileIsOlder(p(d, "f"), 10));  // missing counts as old
    EXPECT_FALSE(fileWrittenWithin(p(d, "f"), 10));
    EXPECT_TRUE(touchFile(p(d, "f")));
    EXPECT_EQ(getFileSize(p(d, "f")), 0);
    EXPECT_TRUE(fileWrittenWithin(p(d, "f"), 10));
    EXPECT_FALSE(fileIsOlder(p(d, "f"), 10));
    double t = 0;
    int64_t size = -1;
    EXPECT_TRUE(getLastWriteTimeAndSize(p(d, "f"), t, size));
    EXPECT_NEAR(t, GetTimeNow(), 5);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(getLastWriteTime(p(d, "none")), 0);
    EXPECT_GT(getFreeDiskSpace(d.path().toStdString()), 0);
    EXPECT_EQ(format_filesize(p(d, "f")), "0 Bytes");
}

TEST(FileUtils, ListingAndSingleLevelDeletion) {
    TempDir d;
    const std::string dir = d.path().toStdString();
    write_to_file(dir + "/b.ktl", "12345");
    write_to_file(dir + "/a.KTL", "1");
    write_to_file(dir + "/c.txt", "xy");
    QDir().mkpath(d.file("sub/deeper"));
    write_to_file(dir + "/sub/keep.txt", "k");
    EXPECT_EQ(listDirectory(dir), (std::vector<std::string>{"a.KTL", "b.ktl", "c.txt"}));
    EXPECT_EQ(listDirectory(dir, "*.ktl"), (std::vector<std::string>{"a.KTL", "b.ktl"}));
    EXPECT_EQ(listSubDirectories(dir), (std::vector<std::string>{"sub"}));
    EXPECT_EQ(getDirectorySizeSingleLevel(dir), 8);
    EXPECT_TRUE(deleteDirectorySingleLevel(dir));
    EXPECT_TRUE(listDirectory(dir).empty());
    EXPECT_TRUE(QFile::exists(d.file("sub/keep.txt")));
}

TEST(FileUtils, CopyAndRename) {
    TempDir d;
    std::string big(300000, 'q');
    write_to_file(p(d, "src"), big);
    EXPECT_TRUE(CopyFile(p(d, "src"), p(d, "dst")));
    std::string back;
    read_whole_file(p(d, "dst"), back);
    EXPECT_EQ(back, big);
    EXPECT_FALSE(CopyFile(p(d, "none"), p(d, "dst2")));
    EXPECT_FALSE(QFile::exists(d.file("dst2")));
    EXPECT_TRUE(rename(p(d, "dst"), p(d, "moved")));
    EXPECT_EQ(getFileSize(p(d, "moved")), 300000);
}

TEST(GUnzip, UnpacksAGzipFile) {
    TempDir d;
    std::string data;
    for (int i = 0; i < 50000; ++i) data += char('a' + i % 26);
    ASSERT_TRUE(gzipTo(p(d, "x.gz"), data));
    EXPECT_TRUE(GUnzipFile(p(d, "x.gz"), p(d, "x")));
    std::string back;
    read_whole_file(p(d, "x"), back);
    EXPECT_EQ(back, data);
}

TEST(GUnzip, FailsOnCorruptOrTruncatedStreamsAndLeavesNoOutput) {
    TempDir d;
    std::string data(100000, 'z');
    ASSERT_TRUE(gzipTo(p(d, "ok.gz"), data));
    std::string gz;
    read_whole_file(p(d, "ok.gz"), gz);

    write_to_file(p(d, "cut.gz"), gz.substr(0, gz.size() / 2));
    EXPECT_FALSE(GUnzipFile(p(d, "cut.gz"), p(d, "out1")));
    EXPECT_FALSE(QFile::exists(d.file("out1")));

    std::string flipped = gz;
    flipped[flipped.size() - 6] ^= 0x55;  // the CRC no longer matches
    write_to_file(p(d, "crc.gz"), flipped);
    EXPECT_FALSE(GUnzipFile(p(d, "crc.gz"), p(d, "out2")));
    EXPECT_FALSE(QFile::exists(d.file("out2")));

    write_to_file(p(d, "plain.gz"), "not gzip at all");
    EXPECT_FALSE(GUnzipFile(p(d, "plain.gz"), p(d, "out3")));
    EXPECT_FALSE(QFile::exists(d.file("out3")));

    EXPECT_FALSE(GUnzipFile(p(d, "missing.gz"), p(d, "out4")));
    EXPECT_FALSE(GUnzipFile(p(d, "ok.gz"), p(d, "no/folder/out5")));
    EXPECT_FALSE(QFile::exists(d.file("out1.tmp")));
}

TEST(MimeTypes, ByExtension) {
    EXPECT_STREQ(mime_type_from_extension("GPX"), "application/gpx+xml");
    EXPECT_STREQ(mime_type_from_extension("txt"), "text/plain");
    EXPECT_STREQ(mime_type_from_extension("dvtf"), "application/vnd.orvanta.dvtf");
    EXPECT_STREQ(mime_type_from_extension("pstf"), "application/vnd.orvanta.pstf");
    EXPECT_STREQ(mime_type_from_extension("Ktl"), "application/vnd.orvanta.ktl");
    EXPECT_STREQ(mime_type_from_extension("png"), "*/*");
}

TEST(TimeUtils, StartOfDayAndToday) {
    EXPECT_EQ(getStartOfDayUTC(1970, 1, 1), 0.0);
    EXPECT_EQ(getStartOfDayUTC(2000, 3, 1), 951868800.0);
    EXPECT_EQ(getStartOfDayUTC(2024, 2, 29), 1709164800.0);
    EXPECT_EQ(getStartOfDayUTC(1969, 12, 31), -86400.0);
    EXPECT_NEAR(DayNumToday(), GetTimeNow() / 86400.0, 1.0);
}

}  // namespace
