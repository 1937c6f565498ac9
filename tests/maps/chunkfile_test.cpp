// The chunk file: reading chunks at a level, what a missing, blank, partial
// or damaged chunk shows, storing downloaded prefixes, and the sliced file
// underneath across its 4 GiB slice boundary.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
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
        CChunkFile::FileHeader h;
        h.columns = 3;
        h.rows = 2;
        ASSERT_TRUE(file.WriteHeader(h));
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
    // Flips one bit of the stored file at a logical offset (slice "0").
    void damage(uint64_t offset) {
        QFile f(QString::fromStdString(path + "/0"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(qint64(offset));
        char c;
        f.getChar(&c);
        f.seek(qint64(offset));
        f.putChar(char(c ^ 1));
    }

    TempDir dir;
    std::string path;
    CChunkFile file;
    std::vector<uint32_t> words;
};

TEST_F(ChunkFileTest, NewFileIsAFolderOfSlicesWithAZeroDirectory) {
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(entry(1, 2), 0u);
    uint64_t e;
    EXPECT_FALSE(file.DirectoryEntry(2, 0, e));
    // Reopened, the header comes back from disk.
    CChunkFile again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_TRUE(again.hasHeader());
    EXPECT_EQ(again.columns(), 3);
}

TEST_F(ChunkFileTest, MissingAndBlankChunks) {
    int obtained = -1;
    auto missing = read(0, 0, 0, obtained);
    EXPECT_EQ(obtained, CChunkFile::kNoLevel);
    for (int k = 0; k < 1024; ++k) {
        EXPECT_EQ(missing[size_t(k)], 0) << "top row";
        EXPECT_EQ(missing[size_t(k) * 1024], 0) << "left column";
        EXPECT_EQ(missing[size_t(k) * 1024 + 1], 0) << "second column";
    }
    EXPECT_EQ(missing[1024 + 2], 1);
    EXPECT_EQ(missing.back(), 1);
    EXPECT_TRUE(file.IsBlank(0, 0));

    ASSERT_TRUE(file.MarkBlank(1, 1));
    auto blank = read(1, 1, 2, obtained);
    EXPECT_EQ(obtained, 2);
    EXPECT_TRUE(std::all_of(blank.begin(), blank.end(), [](uint8_t v) { return v == 1; }));
    EXPECT_TRUE(file.IsBlank(1, 1)) << "all ones reads as -1";
    EXPECT_TRUE(file.ChunkIsFullyDownloaded(1, 1));
    EXPECT_FALSE(file.CanDownloadChunk(1, 1, 0));
}

TEST_F(ChunkFileTest, PartialRecordDecodesItsCoarseLevelAndRepeatsRows) {
    CodedChunk chunk(1);
    ASSERT_TRUE(
        file.StoreRecordPrefix(0, 1, chunk.header, chunk.words.data(), chunk.header.sizes[3]));
    EXPECT_EQ(file.StoredLevel(0, 1), 3);
    EXPECT_TRUE(file.CanDownloadChunk(0, 1, 1));
    EXPECT_FALSE(file.CanDownloadChunk(0, 1, 3));
    int obtained = -1;
    auto out = read(0, 1, 1, obtained);
    EXPECT_EQ(obtained, 3);
    // 128 decoded stored rows, each repeated by the widening 3 -> 2 -> 1.
    for (int k = 0; k < 512; ++k)
        ASSERT_TRUE(std::equal(out.begin() + k * 1024, out.begin() + (k + 1) * 1024,
                               chunk.pixels.begin() + (k % 128) * 1024))
            << "stored row " << k;
    // A level coarser than stored decodes just its own prefix.
    auto coarse = read(0, 1, 5, obtained);
    EXPECT_EQ(obtained, 5);
    EXPECT_TRUE(std::equal(coarse.begin(), coarse.end(), chunk.pixels.begin()));
}

TEST_F(ChunkFileTest, PrefixesGrowInPlaceAndPresentCountsStoredWords) {
    CodedChunk chunk(2);
    const int* sizes = chunk.header.sizes;
    ASSERT_TRUE(file.StoreRecordPrefix(1, 0, chunk.header, chunk.words.data(), sizes[6]));
    uint64_t first;
    CChunkFile::RecordHeader h;
    ASSERT_TRUE(file.StoredRecord(1, 0, first, h));
    EXPECT_EQ(h.present, sizes[6]);
    ASSERT_TRUE(file.StoreRecordPrefix(1, 0, chunk.header, chunk.words.data(), sizes[0]));
    uint64_t second;
    ASSERT_TRUE(file.StoredRecord(1, 0, second, h));
    EXPECT_EQ(second, first) << "the record was allocated whole the first time";
    EXPECT_EQ(h.present, sizes[0]);
    int obtained;
    auto out = read(1, 0, 0, obtained);
    EXPECT_EQ(obtained, 0);
    EXPECT_EQ(out, chunk.pixels);
    EXPECT_TRUE(file.ChunkIsFullyDownloaded(1, 0));
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
    const uint64_t record = entry(0, 2);
    damage(record + CChunkFile::kRecordHeaderSize + 4 * uint64_t(chunk.header.sizes[0] - 1));
    int obtained = -1;
    read(0, 2, 0, obtained);
    EXPECT_EQ(obtained, CChunkFile::kNoLevel);
    EXPECT_EQ(entry(0, 2), 0u);
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
    {
        QFile f(QString::fromStdString(path + "/0"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(qint64(record));
        f.write(reinterpret_cast<const char*>(&h), sizeof h);
    }
    read(0, 0, 0, obtained, false);
    EXPECT_EQ(obtained, CChunkFile::kNoLevel);
    EXPECT_EQ(entry(0, 0), 0u) << "reset so the chunk is fetched again";

    // An entry pointing into the directory, or at the end of the data.
    const uint64_t inside = 40;
    QFile f(QString::fromStdString(path + "/0"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(40 + 8 * 1);
    f.write(reinterpret_cast<const char*>(&inside), 8);
    f.flush();
    read(0, 1, 0, obtained, false);
    const uint64_t atEnd = uint64_t(f.size());
    f.seek(40 + 8 * 2);
    f.write(reinterpret_cast<const char*>(&atEnd), 8);
    f.flush();
    read(0, 2, 0, obtained, false);
}

TEST(ChunkFileOpen, RefusesAnotherMagicAndAcceptsAShortNewFile) {
    TempDir dir;
    writeFile(dir.file("other.kt3"), QByteArray(40, 'x'));
    CChunkFile f;
    EXPECT_FALSE(f.Open(dir.file("other.kt3").toStdString()));
    writeFile(dir.file("short.kt3"), QByteArray(12, 0));
    ASSERT_TRUE(f.Open(dir.file("short.kt3").toStdString()));
    EXPECT_FALSE(f.hasHeader());
}

// A header from a server may claim any size; the directory it asks for is
// zero-filled at once, so sizes past the bounds are refused before a byte
// is written. More than 65535 chunk columns are fine.
TEST(ChunkFileOpen, DirectorySizesAreBounded) {
    TempDir dir;
    writeFile(dir.file("map.kt3"), {});
    CChunkFile f;
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
        CChunkFile::FileHeader h;
        h.columns = c.columns;
        h.rows = c.rows;
        std::string why;
        EXPECT_EQ(f.WriteHeader(h, &why), c.taken) << c.columns << " x " << c.rows;
        if (!c.taken) {
            EXPECT_EQ(why, "the chunk file header is damaged or too large");
            EXPECT_EQ(QFile(dir.file("map.kt3")).size(), 0) << "nothing written";
        }
    }
    EXPECT_EQ(f.columns(), 70000);
}

TEST(MultiThreadedSlicedFile, FolderSlicesSplitAt4GiBAndStopAt100) {
    TempDir dir;
    CMultiThreadedSlicedFile f;
    ASSERT_TRUE(f.Open(dir.file("s").toStdString(), true));
    EXPECT_EQ(f.layout(), CMultiThreadedSlicedFile::Layout::Folder);
    const uint64_t edge = uint64_t(1) << 32;
    const char text[] = "0123456789abcdefghij";
    ASSERT_EQ(f.LockedWrite(edge - 10, text, 20), 20);
    EXPECT_EQ(QFile(dir.file("s/0")).size(), qint64(edge));
    EXPECT_EQ(QFile(dir.file("s/1")).size(), 10);
    char back[21] = {};
    ASSERT_EQ(f.LockedRead(edge - 10, back, 20), 20);
    EXPECT_STREQ(back, text);
    EXPECT_EQ(f.AllocAtEnd2(100), int64_t(edge + 10));
    EXPECT_EQ(f.LockedRead(uint64_t(100) << 32, back, 4), -1);
    EXPECT_EQ(f.lastError(), EINVAL);
    // Reading past the end of the data is a short read, not an error.
    EXPECT_EQ(f.LockedRead(edge + 100, back, 20), 10);
}

TEST(MultiThreadedSlicedFile, ARecordThatWouldCrossTheSliceEndStartsTheNextSlice) {
    TempDir dir;
    CMultiThreadedSlicedFile f;
    ASSERT_TRUE(f.Open(dir.file("s").toStdString(), true));
    const uint64_t edge = uint64_t(1) << 32;
    ASSERT_EQ(f.LockedWrite(edge - 10, "12345", 5), 5);
    EXPECT_EQ(f.AllocAtEnd2(4), int64_t(edge - 5));
    EXPECT_EQ(f.AllocAtEnd2(100), int64_t(edge));
    EXPECT_EQ(QFile(dir.file("s/1")).size(), 100);
}

TEST(MultiThreadedSlicedFile, PlainFileAndReadOnly) {
    TempDir dir;
    writeFile(dir.file("plain"), "abc");
    CMultiThreadedSlicedFile f;
    ASSERT_TRUE(f.Open(dir.file("plain").toStdString(), false));
    EXPECT_EQ(f.layout(), CMultiThreadedSlicedFile::Layout::Plain);
    EXPECT_EQ(f.LockedWrite(0, "x", 1), -1);
    char c[3];
    EXPECT_EQ(f.LockedRead(0, c, 3), 3);
    EXPECT_FALSE(f.Open(dir.file("missing").toStdString(), false));
}

}  // namespace
