#include "maps/kartile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

#include "app/base/messagebox.h"
#include "ktltestmaps.h"
#include "maps/kartile1.h"
#include "maps/ktlformat.h"
#include "support/testsupport.h"

namespace {

using namespace ktltest;
using testsupport::TempDir;

// Opens a file as a classic map (`map`, or a new one); returns the message
// shown ("" for none).
std::string refusalOf(const std::string& path, bool* ok = nullptr, CKartile1* map = nullptr) {
    std::vector<std::string> shown;
    setMessageBoxPresenter([&](OV_HWND, const std::string& title, const std::string& text,
                               const std::vector<std::string>&, std::function<void(int)> done) {
        shown.push_back(title + ": " + text);
        done(0);
    });
    CKartile1 own;
    CKartile1& m = map ? *map : own;
    int calls = 0;
    bool result = true;
    m.Open(nullptr, path, [&](bool good) {
        ++calls;
        result = good;
    });
    setMessageBoxPresenter({});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(m.isOpen(), result);
    if (ok) *ok = result;
    if (shown.empty()) return {};
    EXPECT_EQ(shown.back(), "Problem: " + m.lastMessage());
    return m.lastMessage();
}

QImage stripes() {
    return indexedImage(130, 70, [](int x, int y) { return (x / 8 + y / 5) % 128; });
}

class KartileFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string made(const char* name = "map.ktl",
                     const std::function<void(CKartileMaker&)>& setup = {}) {
        return makeMap(dir.file(name), stripes(), setup);
    }
};

TEST_F(KartileFiles, RegistrySharesOneObjectPerPath) {
    const std::string path = made();
    {
        OpenMap first(path), second(path);
        ASSERT_TRUE(first.ok() && second.ok());
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(CKartile::sharedKTLs.at(path).count, 2);
    }
    EXPECT_TRUE(CKartile::sharedKTLs.empty());
    testsupport::writeFile(dir.file("junk.ktl"), QByteArray(64, 'x'));
    OpenMap junk(dir.file("junk.ktl").toStdString()), missing(dir.file("none.ktl").toStdString());
    EXPECT_TRUE(!junk.get() && !missing.get());
    EXPECT_TRUE(CKartile::sharedKTLs.empty()) << "no entry left behind";
}

TEST_F(KartileFiles, EveryRefusalShowsItsMessage) {
    const std::string good = made();
    const QByteArray bytes = testsupport::readFile(QString::fromStdString(good));
    auto patched = [&](qint64 at, const QByteArray& with) {
        QByteArray b = bytes;
        b.replace(int(at), with.size(), with);
        return b;
    };
    const std::string shortText = "\"\n. Try Rebooting...";
    struct Case {
        const char* name;
        QByteArray bytes;
        std::string before, after;  // the message is before + path + after; "" for none
    } cases[] = {
        {"good", bytes, "", ""},
        {"version 5", patched(ktl::kOffVersion, le32(5)), "", ""},
        {"odd magic: bit 0 is ignored", patched(ktl::kOffMagic, le32(0x1423D5FF)), "", ""},
        {"empty", {}, "Failed to open map: \"", "\"\nTry rebooting..."},
        {"junk", QByteArray(0x5000, 'x'), "Not a Kartile: \"", "\""},
        {"version 6", patched(ktl::kOffVersion, le32(6)),
         "To open this map you need a newer version of your software.\n\n", " is version 6."},
        {"kt2", patched(ktl::kOffVersion, le32(0x10000001)), "This KT2 map is not compatible", ""},
        {"catalog", patched(ktl::kHeaderSize, le32(0)),
         "This map is a catalog header and has not been completely converted.", ""},
        {"huge", patched(ktl::kOffWidthTiles, le32(0xFFFFFFFF) + le32(0xFFFFFFFF)),
         "Failed to open map: \"", shortText},
        {"wide", patched(ktl::kOffWidthTiles, le32(100000)), "Failed to open map: \"", shortText},
        {"cut", bytes.left(0x45A4), "Failed to open map: \"", shortText},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(QString(c.name) + ".ktl").toStdString();
        testsupport::writeFile(QString::fromStdString(path), c.bytes);
        const bool named = !c.after.empty() || c.before.find('"') != std::string::npos;
        const std::string expected = named ? c.before + path + c.after : c.before;
        bool ok = false;
        EXPECT_EQ(refusalOf(path, &ok), expected) << c.name;
        EXPECT_EQ(ok, expected.empty()) << c.name;
    }
    EXPECT_EQ(refusalOf(dir.file("missing.ktl").toStdString()), "") << "fails silently";
    // A refused map opens once the file is mended.
    CKartile1 map;
    const std::string v6 = dir.file("version 6.ktl").toStdString();
    EXPECT_NE(refusalOf(v6, nullptr, &map), "");
    ASSERT_TRUE(patchFile(v6, ktl::kOffVersion, le32(1)));
    EXPECT_EQ(refusalOf(v6, nullptr, &map), "");
}

TEST_F(KartileFiles, TitleCopyrightAndMapType) {
    OpenMap chart(made("chart.ktl", [](CKartileMaker& m) {
        m.title = "Title";
        m.copyright = "© Søren";
    }));
    EXPECT_EQ(chart->GetCopyright(), "© Søren") << "stored as ISO 8859-1, read back as UTF-8";
    OpenMap land(made("land.ktl", [](CKartileMaker& m) {
        m.identifier = "ID only";
        m.mapType = "Topographic";
        m.depthUnits = "Metres";
    }));
    EXPECT_EQ(land->GetTitle() + "|" + land->GetMapType(), "ID only|Topographic")
        << "no soundings on a land map";
}

// Offsets past the end, a count too large, matrix entries past the palette:
// the map opens and reads as if the fields were absent.
TEST_F(KartileFiles, DamagedHeaderFieldsReadAsAbsent) {
    const std::string path = made("damaged.ktl", [](CKartileMaker& m) { m.name = "Name"; });
    const uint32_t size = uint32_t(CKartile::getKtlFileSize(path));
    ASSERT_TRUE(patchFile(path, ktl::kOffName, le32(size + 10)));
    ASSERT_TRUE(patchFile(path, ktl::kOffExtended, le32(size - 4)));
    ASSERT_TRUE(patchFile(path, ktl::kOffOutlineCount, le32(0x7FFFFFFF)));
    ASSERT_TRUE(patchFile(path, ktl::kOffMixing, QByteArray(int(ktl::kMixingSize), char(0xC8))));
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    EXPECT_EQ(map->GetTitle() + "|" + map->GetMapType(), "damaged.ktl|");
    EXPECT_FALSE(map->hasDatumShift());
    CPolygon outline;
    map->getBoundaryPolygon(outline);
    ASSERT_EQ(outline.vertices.size(), 4u);
    EXPECT_NEAR(outline.vertices[2].x, 10 + 192.0 / 130, 1e-9) << "corner of the padded image";
    std::vector<uint32_t> out(96 * 64);
    ASSERT_EQ(map->ReadRectRGB(0, 0, 96, 64, 96, 1, out.data(), nullptr), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), map->palette()[0]), long(out.size()))
        << "every mix is index 0";
}

TEST_F(KartileFiles, GeoreferencingOfTheMadeMapRoundTrips) {
    OpenMap map(made());
    IntPoint centre;
    ASSERT_TRUE(map->latlong_to_xy(51 - 33.5 / 70, 10 + 17.5 / 130, centre));
    EXPECT_EQ(centre, IntPoint(17, 33)) << "a pixel's middle lands in that pixel";
    EXPECT_TRUE(map->doesContain(50.5, 10.5));
    EXPECT_FALSE(map->doesContain(50.5, 11.2)) << "inside the padding only";
}

TEST_F(KartileFiles, DatumShiftMovesPositionsBothWaysAndANonNumberIsNone) {
    const std::string path = made("shift.ktl", [](CKartileMaker& m) {
        m.hasDatumShift = true;
        m.latitudeShift = 0.001;
        m.longitudeShift = -0.002;
    });
    {
        OpenMap map(path);
        double lat, lon, x, y;
        map->xy_to_latlong(0, 0, lat, lon);
        map->latlong_to_xy(lat, lon, x, y);
        EXPECT_NEAR(lat, 51.001, 1e-9);
        EXPECT_NEAR(lon, 9.998, 1e-9);
        EXPECT_NEAR(x, 0, 1e-6);
    }
    const uint32_t shift = readLe32(path, readLe32(path, ktl::kOffExtended) + ktl::kExtDatumShift);
    const double nan = std::nan("");
    ASSERT_TRUE(patchFile(path, shift, QByteArray(reinterpret_cast<const char*>(&nan), 8)));
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    EXPECT_FALSE(map->hasDatumShift());
}

TEST_F(KartileFiles, BadTileOffsetsAreDrawnInIndexZero) {
    const std::string path = made();
    const int64_t size = CKartile::getKtlFileSize(path);
    // Tiles 1, 2, 3: past the end, inside the header, and 0; tile 4 runs to the last byte.
    ASSERT_TRUE(
        patchFile(path, ktl::kHeaderSize + 4,
                  le32(uint32_t(size + 100)) + le32(0x100) + le32(0) + le32(uint32_t(size - 1))));
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    ThreadDataForRead scratch;
    for (int t = 1; t <= 4; ++t) {
        std::memset(scratch.tile, 0xEE, sizeof scratch.tile);
        EXPECT_EQ(map->ReadBlock(t % 3, t / 3, 0, scratch.tile, &scratch), 0);
        EXPECT_EQ(std::count(scratch.tile, scratch.tile + 4096, 0), 4096) << t;
    }
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}}) {
        EXPECT_EQ(map->ReadBlock(x, y, 1, scratch.tile, &scratch), 0);
        EXPECT_EQ(std::count(scratch.tile, scratch.tile + 2048, 1), 2048) << "outside: index 1";
    }
}

// A map file cut short while open (a download rewriting it, a damaged disk)
// reads short instead of faulting: tiles still wholly in the file decode as
// before, tiles past the cut come out in index 0, strings past it are empty.
TEST_F(KartileFiles, FileCutShortWhileOpenNeverFaults) {
    const QImage image = indexedImage(640, 448, [](int x, int y) {
        uint32_t v = uint32_t(x / 3) * 73856093u ^ uint32_t(y / 2) * 19349663u;
        return ((x / 64 + y / 64) % 3 == 0) ? int(v % 128) : (x / 16 + y / 8) % 40;
    });
    const std::string path = makeMap(dir.file("cut.ktl"), image, [](CKartileMaker& m) {
        m.name = "Cut";
        m.copyright = "Tests";
    });
    const int tilesX = 10, tilesY = 7, tiles = tilesX * tilesY;
    const uint64_t size = uint64_t(CKartile::getKtlFileSize(path));
    std::vector<uint32_t> offsets(tiles), sorted;
    for (int i = 0; i < tiles; ++i) offsets[i] = readLe32(path, ktl::kHeaderSize + 4 * i);
    sorted = offsets;
    std::sort(sorted.begin(), sorted.end());
    auto tileEnd = [&](uint32_t offset) -> uint64_t {
        auto next = std::upper_bound(sorted.begin(), sorted.end(), offset);
        return next == sorted.end() ? size : *next;
    };

    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    ASSERT_EQ(map->widthInTiles() * map->heightInTiles(), tiles);
    const int levels[] = {0, 1, 3};
    std::vector<std::vector<uint8_t>> before;  // per level and tile
    ThreadDataForRead scratch;
    for (int level : levels)
        for (int t = 0; t < tiles; ++t) {
            ASSERT_EQ(map->ReadBlock(t % tilesX, t / tilesX, level, scratch.tile, &scratch), 0);
            before.emplace_back(scratch.tile, scratch.tile + (4096 >> level));
        }

    // Mid-tile data, a tile's first byte, mid-index, mid-header, nothing.
    const uint64_t cuts[] = {offsets[45] + 7, offsets[30], ktl::kHeaderSize + 4 * 20 + 2, 0x100, 0};
    for (uint64_t cut : cuts) {
        ASSERT_EQ(::truncate(path.c_str(), off_t(cut)), 0);
        std::atomic<int> wrong{0}, damaged{0}, rectFailures{0};
        auto reader = [&](int first) {
            ThreadDataForRead own;
            std::vector<uint32_t> rect(640 * 448);
            for (int round = 0; round < 2; ++round) {
                for (size_t l = 0; l < std::size(levels); ++l)
                    for (int i = 0; i < tiles; ++i) {
                        const int t = (first + i) % tiles;
                        if (map->ReadBlock(t % tilesX, t / tilesX, levels[l], own.tile, &own) != 0)
                            ++wrong;
                        const int n = 4096 >> levels[l];
                        const bool zero =
                            std::all_of(own.tile, own.tile + n, [](uint8_t v) { return v == 0; });
                        const bool same = std::equal(own.tile, own.tile + n,
                                                     before[l * tiles + size_t(t)].begin());
                        if (zero && !same) ++damaged;
                        if (tileEnd(offsets[t]) <= cut ? !same
                            : offsets[t] >= cut        ? !zero
                                                       : !(same || zero))
                            ++wrong;
                    }
                for (int level : {0, 1, -1})
                    rectFailures += map->ReadRectRGB(0, 0, 640, 448, 640, level, rect.data(), &own);
            }
        };
        std::thread a(reader, 0), b(reader, tiles / 2);
        for (int i = 0; i < 50; ++i) {
            const std::string title = map->GetTitle();
            if (title != "Cut" && title != "cut.ktl") ++wrong;
        }
        a.join();
        b.join();
        EXPECT_EQ(wrong.load(), 0) << "cut at " << cut;
        EXPECT_EQ(rectFailures.load(), 0) << "a classic map draws damaged tiles, it does not fail";
        EXPECT_GT(damaged.load(), 0) << "cut at " << cut;
        EXPECT_EQ(map->GetTitle() + map->GetCopyright(), "cut.ktl")
            << "the strings follow the tiles";
    }
}

TEST_F(KartileFiles, SizeCountsTheChunkFolder) {
    const std::string path = made();
    const int64_t own = CKartile::getKtlFileSize(path);
    EXPECT_GT(own, int64_t(ktl::kHeaderSize));
    testsupport::writeFile(dir.file("map.kt3/0"), QByteArray(1000, 'a'));
    testsupport::writeFile(dir.file("map.kt3/1"), QByteArray(24, 'b'));
    EXPECT_EQ(CKartile::getKtlFileSize(path), own + 1024);
    testsupport::writeFile(dir.file("map.KT3/0"), QByteArray(10, 'c'));
    EXPECT_EQ(CKartile::getKtlFileSize(path), own + 10) << "the upper-case folder comes first";
}

}  // namespace
