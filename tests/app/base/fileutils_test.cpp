// File helpers against real files in a temporary folder.
#include "app/base/fileutils.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QDir>
#include <QFile>

#include "app/base/timeutils.h"
#include "support/testsupport.h"

using testsupport::TempDir;

namespace {

std::string p(const TempDir& d, const char* name) {
    return d.file(name).toStdString();
}

std::string gzipped(const std::string& data) {
    std::string out(compressBound(uLong(data.size())) + 32, '\0');
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);  // gzip wrapper
    z.next_in = (Bytef*)data.data();
    z.avail_in = uInt(data.size());
    z.next_out = (Bytef*)out.data();
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
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
    EXPECT_FALSE(write_to_file(p(d, "no/such/folder/x"), "x"));
}

TEST(FileUtils, AReadErrorIsNotTakenForTheEndOfTheFile) {
    // A folder opens for reading, and then every read fails.
    TempDir d;
    std::string text = "stale";
    EXPECT_FALSE(read_whole_file(d.path().toStdString(), text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(CopyFile(d.path().toStdString(), p(d, "copy")));
    EXPECT_FALSE(QFile::exists(d.file("copy")));
}

TEST(FileUtils, SizesTimesAndAges) {
    TempDir d;
    EXPECT_EQ(getFileSize(p(d, "f")), -1);
    EXPECT_TRUE(fileIsOlder(p(d, "f"), 10));  // missing counts as old
    EXPECT_TRUE(touchFile(p(d, "f")));
    EXPECT_TRUE(fileWrittenWithin(p(d, "f"), 10) && !fileIsOlder(p(d, "f"), 10));
    EXPECT_NEAR(getLastWriteTime(p(d, "f")), GetTimeNow(), 5);
}

TEST(FileUtils, ListingCopyAndSingleLevelDeletion) {
    TempDir d;
    const std::string dir = d.path().toStdString();
    write_to_file(dir + "/b.ktl", std::string(300000, 'q'));
    write_to_file(dir + "/a.KTL", "1");
    QDir().mkpath(d.file("sub/deeper"));
    write_to_file(dir + "/sub/keep.txt", "k");
    EXPECT_EQ(listDirectory(dir, "*.ktl"), (std::vector<std::string>{"a.KTL", "b.ktl"}));
    EXPECT_EQ(listSubDirectories(dir), (std::vector<std::string>{"sub"}));
    EXPECT_TRUE(CopyFile(dir + "/b.ktl", dir + "/c.txt"));
    EXPECT_EQ(getDirectorySizeSingleLevel(dir), 600001);
    EXPECT_FALSE(CopyFile(p(d, "none"), p(d, "dst2")));
    EXPECT_FALSE(QFile::exists(d.file("dst2")));
    EXPECT_TRUE(deleteDirectorySingleLevel(dir));
    EXPECT_TRUE(listDirectory(dir).empty());
    EXPECT_TRUE(QFile::exists(d.file("sub/keep.txt")));
}

TEST(GUnzip, UnpacksOnlyWholeStreamsWithinTheCap) {
    std::string data;
    for (int i = 0; i < 100000; ++i) data += char('a' + i % 26);
    const std::string gz = gzipped(data);
    std::string badCrc = gz;
    badCrc[badCrc.size() - 6] ^= 0x55;
    // Name, bytes, cap, unpacked.
    const std::tuple<const char*, std::string, int64_t, bool> cases[] = {
        {"whole", gz, kGUnzipDefaultLimit, true},
        {"cut in half", gz.substr(0, gz.size() / 2), kGUnzipDefaultLimit, false},
        {"CRC mismatch", badCrc, kGUnzipDefaultLimit, false},
        {"not gzip", "not gzip at all", kGUnzipDefaultLimit, false},
        {"output past the cap", gz, 99999, false},
    };
    for (const auto& [name, bytes, cap, ok] : cases) {
        SCOPED_TRACE(name);
        TempDir d;
        ASSERT_TRUE(write_to_file(p(d, "in.gz"), bytes));
        EXPECT_EQ(GUnzipFile(p(d, "in.gz"), p(d, "out"), cap), ok);
        std::string back;
        EXPECT_EQ(read_whole_file(p(d, "out"), back), ok);
        if (ok) {
            EXPECT_EQ(back, data);
        }
        EXPECT_FALSE(QFile::exists(d.file("out.tmp")));
    }
    TempDir d;
    EXPECT_FALSE(GUnzipFile(p(d, "missing.gz"), p(d, "out")));
}

TEST(TimeUtils, StartOfDayAndToday) {
    EXPECT_EQ(getStartOfDayUTC(1970, 1, 1), 0.0);
    EXPECT_EQ(getStartOfDayUTC(2000, 3, 1), 951868800.0);
    EXPECT_EQ(getStartOfDayUTC(2024, 2, 29), 1709164800.0);
    EXPECT_EQ(getStartOfDayUTC(1969, 12, 31), -86400.0);
    EXPECT_NEAR(DayNumToday(), GetTimeNow() / 86400.0, 1.0);
}

}  // namespace
