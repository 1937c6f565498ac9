// The Windows-style file interface against real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "app/base/fileio.h"
#include "support/testsupport.h"

using testsupport::TempDir;

namespace {

TEST(FileIO, WriteReadSeekRoundTrip) {
    TempDir dir;
    const QByteArray path = dir.filePath("a.bin");
    HANDLE h = CreateFileA(path.constData(), FILE_ACCESS_WRITE);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint32_t n = 0;
    EXPECT_TRUE(WriteFile(h, "hello world", 11, &n));
    EXPECT_EQ(n, 11u);
    EXPECT_TRUE(CloseHandle(h));

    h = CreateFileA(path.constData(), FILE_ACCESS_READ);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer32(h, 6), 6);
    char buf[16] = {};
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &n));
    EXPECT_EQ(std::string(buf, n), "world");
    EXPECT_FALSE(ReadFile(h, buf, sizeof buf, &n));  // at the end
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(SetFilePointer32(h, -5, FILE_END), 6);
    EXPECT_EQ(SetFilePointer32(h, -1, FILE_CURRENT), 5);
    // Writing to a read-only handle fails and says so.
    EXPECT_FALSE(WriteFile(h, "x", 1, &n));
    CloseHandle(h);
}

TEST(FileIO, SixtyFourBitSeekWithHighPart) {
    TempDir dir;
    const QByteArray path = dir.filePath("sparse.bin");
    HANDLE h = CreateFileA(path.constData(), FILE_ACCESS_READ_WRITE);
    int32_t high = 1;  // 4 GiB + 16: a sparse file
    EXPECT_EQ(SetFilePointer(h, 16, &high, FILE_BEGIN), (int64_t(1) << 32) + 16);
    uint32_t n;
    EXPECT_TRUE(WriteFile(h, "z", 1, &n));
    EXPECT_EQ(SetFilePointer32(h, 0, FILE_END), (int64_t(1) << 32) + 17);
    CloseHandle(h);
}

TEST(FileIO, WriteFileReportsAShortWriteAsFailure) {
    // /dev/full accepts nothing: the caller must not be told it worked.
    HANDLE h = CreateFileA("/dev/full", FILE_ACCESS_WRITE);
    if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "no /dev/full";
    uint32_t n = 99;
    EXPECT_FALSE(WriteFile(h, "data", 4, &n));
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
}

TEST(FileIO, MapViewAtAnUnalignedOffset) {
    TempDir dir;
    const QByteArray path = dir.filePath("map.bin");
    std::string data(20000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = char(i * 7);
    ASSERT_TRUE(testsupport::writeFile(dir.file("map.bin"), QByteArray::fromStdString(data)));
    HANDLE h = CreateFileA(path.constData(), FILE_ACCESS_READ);
    const void* view = MapViewOfFile(h, 0, 0, 4097, 1000);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(std::memcmp(view, data.data() + 4097, 1000), 0);
    UnmapViewOfFile(view, 1000);
    EXPECT_EQ(MapViewOfFile(INVALID_HANDLE_VALUE, 0, 0, 0, 10), nullptr);
    CloseHandle(h);
}

}  // namespace
