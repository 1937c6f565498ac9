// The chunk file: reading chunks at a level, what a missing, blank, partial
// or damaged chunk shows, storing downloaded prefixes, and the sliced file
// underneath across its 4 GiB slice boundary.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <random>

#include "maps/chunkfile.h"
#include "maps/huffmanencoding.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// A chunk's pixels with runs and detail, and its coded record.
struct CodedChunk {
    std::vector<uint8_t> pixels;
    std::vector<uint32_t> words;
    CChunkFile::RecordHeader header;

    explicit CodedChunk(int seed) : pixels(CChunkFile::kChunkPixels) {
        std::mt19937 random{uint32_t(seed)};
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t((i / 1024 / 9 + i % 1024 / 13 + (random() % 5 == 0)) % 100);
        std::vector<int> prefix, sizes;
        for (int l = 0; l < CChunkFile::kLevels; ++l)
            prefix.push_back(CChunkFile::PixelsForLevel(l));
        CHuffmanEncoding::encode_run(pixels.data(), int(pixels.size()), words, prefix, &sizes);
        for (int l = 0; l < CChunkFile::kLevels; ++l) {
            header.sizes[l] = sizes[size_t(l)];
            header.checksum[l] = CChunkFile::LevelChecksum(words.data(), sizes[size_t(l)]);
        }
        header.present = header.sizes[0];
    }
};

class ChunkFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("map.kt3").toStdString();
        ASSERT_TRUE(file.Open(path));
        ASSERT_TRUE(file.WriteHeader({.columns = 3, .rows = 2}));
    }
    uint64_t entry(int row, int column) {
        uint64_t e = 99;
        EXPECT_TRUE(file.DirectoryEntry(row, column, e));
        return e;
    }
    std::vector<uint8_t> read(int row, int column, int level, int& obtained, bool expectOk = true) {
        std::vector<uint8_t> out(CChunkFile::PixelsForLevel(level), 77);
        EXPECT_EQ(file.ReadChunk(row, column, level, out.data(), obtained, words), expectOk);
        return out;
    }
    // Writes raw bytes into the stored file (slice "0").
    template <class T>
    void poke(uint64_t offset, const T& value) {
        QFile f(QString::fromStdString(path + "/0"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(qint64(offset)));
        f.write(reinterpret_cast<const char*>(&value), sizeof value);
    }

    TempDir dir;
    std::string path;
    CChunkFile file;
    std::vector<uint32_t> words;
};

// A new file is a folder of slices whose directory reads as all missing.
TEST_F(ChunkFileTest, MissingAndBlankChunks) {
    EXPECT_TRUE(QFileInfo(QString::fromStdString(path)).isDir());
    uint64_t e;
    EXPECT_FALSE(file.DirectoryEntry(2, 0, e)) << "no row 2";
    int obtained = -1;
    auto missing = read(0, 0, 0, obtained);
    EXPECT_EQ(obtained, CChunkFile::kNoLevel);
    // Grid lines of index 0 along the top row and the two left columns, else 1.
    for (size_t i = 0; i < missing.size(); ++i)
        ASSERT_EQ(missing[i], i < 1024 || i % 1024 < 2 ? 0 : 1) << "pixel " << i;
    EXPECT_TRUE(file.IsBlank(0, 0));

    ASSERT_TRUE(file.MarkBlank(1, 1));
    auto blank = read(1, 1, 2, obtained);
    EXPECT_EQ(obtained, 2);
    EXPECT_EQ(std::count(blank.begin(), blank.end(), 1), long(blank.size()));
    EXPECT_TRUE(file.IsBlank(1, 1) && file.ChunkIsFullyDownloaded(1, 1)) << "all ones reads as -1";
    EXPECT_FALSE(file.CanDownloadChunk(1, 1, 0));
}

// A level-3 prefix draws finer levels from its own rows (each repeated by
// the widening 3 -> 2 -> 1), then grows in place to the whole record.
TEST_F(ChunkFileTest, PrefixesDecodeTheirLevelAndGrowInPlace) {
    CodedChunk chunk(1);
    const int* sizes = chunk.header.sizes;
    ASSERT_TRUE(file.StoreRecordPrefix(0, 1, chunk.header, chunk.words.data(), sizes[3]));
    EXPECT_EQ(file.StoredLevel(0, 1), 3);
    EXPECT_TRUE(file.CanDownloadChunk(0, 1, 1) && !file.CanDownloadChunk(0, 1, 3));
    int obtained = -1;
    auto out = read(0, 1, 1, obtained);
    EXPECT_EQ(obtained, 3);
    for (int k = 0; k < 512; ++k)
        ASSERT_TRUE(std::equal(out.begin() + k * 1024, out.begin() + (k + 1) * 1024,
                               chunk.pixels.begin() + (k % 128) * 1024))
            << "stored row " << k;
    const auto coarse = read(0, 1, 5, obtained);
    EXPECT_EQ(obtained, 5) << "a coarser level decodes just its own prefix";
    EXPECT_TRUE(std::equal(coarse.begin(), coarse.end(), chunk.pixels.begin()));
    uint64_t first, second;
    CChunkFile::RecordHeader h;
    ASSERT_TRUE(file.StoredRecord(0, 1, first, h));
    EXPECT_EQ(h.present, sizes[3]);
    ASSERT_TRUE(file.StoreRecordPrefix(0, 1, chunk.header, chunk.words.data(), sizes[0]));
    ASSERT_TRUE(file.StoredRecord(0, 1, second, h));
    EXPECT_EQ(second, first) << "the record was allocated whole the first time";
    EXPECT_EQ(h.present, sizes[0]);
    EXPECT_EQ(read(0, 1, 0, obtained), chunk.pixels);
    EXPECT_TRUE(obtained == 0 && file.ChunkIsFullyDownloaded(0, 1));
}

TEST_F(ChunkFileTest, ChecksumsGuardWritesAndReads) {
    CodedChunk chunk(3);
    // A prefix whose data do not match their checksum is not written.
    std::vector<uint32_t> bad = chunk.words;
    bad[size_t(chunk.header.sizes[9]) - 1] ^= 0x100;
    EXPECT_FALSE(file.StoreRecordPrefix(0, 2, chunk.header, bad.data(), chunk.header.sizes[4]));
    EXPECT_EQ(entry(0, 2), 0u);

    // Stored data that went bad read as not downloaded, and will be fetched again.
    ASSERT_TRUE(
        file.StoreRecordPrefix(0, 2, chunk.header, chunk.words.data(), chunk.header.sizes[0]));
    const uint64_t last =
        entry(0, 2) + CChunkFile::kRecordHeaderSize + 4 * uint64_t(chunk.header.sizes[0] - 1);
    poke(last, chunk.words[size_t(chunk.header.sizes[0] - 1)] ^ 1);
    int obtained = -1;
    read(0, 2, 0, obtained);
    EXPECT_EQ(std::pair(obtained, entry(0, 2)), std::pair(int(CChunkFile::kNoLevel), uint64_t(0)));
}

TEST_F(ChunkFileTest, DamagedHeadersAndShortReadsFail) {
    CodedChunk chunk(4);
    ASSERT_TRUE(
        file.StoreRecordPrefix(0, 0, chunk.header, chunk.words.data(), chunk.header.sizes[0]));
    const uint64_t record = entry(0, 0);
    int obtained = -1;
    // present beyond sizes[0].
    CChunkFile::RecordHeader h = chunk.header;
    h.present = h.sizes[0] + 1;
    poke(record, h);
    read(0, 0, 0, obtained, false);
    EXPECT_EQ(std::pair(obtained, entry(0, 0)), std::pair(int(CChunkFile::kNoLevel), uint64_t(0)))
        << "reset so the chunk is fetched again";
    // An entry pointing into the directory, or at the end of the data.
    poke(40 + 8 * 1, uint64_t(40));
    read(0, 1, 0, obtained, false);
    poke(40 + 8 * 2, uint64_t(QFile(QString::fromStdString(path + "/0")).size()));
    read(0, 2, 0, obtained, false);
}

// A header from a server may claim any size; the directory it asks for is
// zero-filled at once, so sizes past the bounds are refused before a byte
// is written. More than 65535 chunk columns are fine.
TEST(ChunkFileOpen, RefusesAnotherMagicAndBoundsDirectorySizes) {
    TempDir dir;
    writeFile(dir.file("other.kt3"), QByteArray(40, 'x'));
    CChunkFile f;
    EXPECT_FALSE(f.Open(dir.file("other.kt3").toStdString()));
    writeFile(dir.file("map.kt3"), QByteArray(12, 0));
    ASSERT_TRUE(f.Open(dir.file("map.kt3").toStdString())) << "a short new file";
    EXPECT_FALSE(f.hasHeader());
    ASSERT_TRUE(f.Open(dir.file("map.kt3").toStdString()));
    struct Case {
        int columns, rows;
        bool taken;
    } cases[] = {
        {0, 1, false},          {1, -1, false},
        {4097, 4097, false},    {CChunkFile::kMaxSide + 1, 1, false},
        {0x7FFFFFFF, 2, false}, {70000, 2, true},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(f.WriteHeader({.columns = c.columns, .rows = c.rows}, &why), c.taken)
            << c.columns << " x " << c.rows;
        if (!c.taken) {
            EXPECT_EQ(why, "the chunk file header is damaged or too large");
            EXPECT_EQ(QFile(dir.file("map.kt3")).size(), 12) << "nothing written";
        }
    }
    EXPECT_EQ(f.columns(), 70000);
}

TEST(MultiThreadedSlicedFile, FolderSlicesSplitAt4GiBAndStopAt100ThenAPlainFile) {
    TempDir dir;
    CMultiThreadedSlicedFile f;
    ASSERT_TRUE(f.Open(dir.file("s").toStdString(), true));
    EXPECT_EQ(f.layout(), CMultiThreadedSlicedFile::Layout::Folder);
    const uint64_t edge = uint64_t(1) << 32;
    ASSERT_EQ(f.LockedWrite(edge - 10, "12345", 5), 5);
    EXPECT_EQ(f.AllocAtEnd2(4), int64_t(edge - 5));
    EXPECT_EQ(f.AllocAtEnd2(100), int64_t(edge)) << "a record never crosses the slice end";
    const char text[] = "0123456789abcdefghij";
    ASSERT_EQ(f.LockedWrite(edge - 10, text, 20), 20);
    EXPECT_EQ(QFile(dir.file("s/0")).size(), qint64(edge));
    EXPECT_EQ(QFile(dir.file("s/1")).size(), 100);
    char back[21] = {};
    ASSERT_EQ(f.LockedRead(edge - 10, back, 20), 20);
    EXPECT_STREQ(back, text);
    EXPECT_EQ(f.LockedRead(uint64_t(100) << 32, back, 4), -1);
    EXPECT_EQ(f.lastError(), EINVAL);
    EXPECT_EQ(f.LockedRead(edge + 90, back, 20), 10) << "past the data: a short read";
    // The same object on a plain file opened to read only.
    writeFile(dir.file("plain"), "abc");
    ASSERT_TRUE(f.Open(dir.file("plain").toStdString(), false));
    EXPECT_EQ(f.layout(), CMultiThreadedSlicedFile::Layout::Plain);
    EXPECT_EQ(f.LockedWrite(0, "x", 1), -1);
    EXPECT_EQ(f.LockedRead(0, back, 4), 3);
    EXPECT_FALSE(f.Open(dir.file("missing").toStdString(), false));
}

}  // namespace
