#include "maps/kartile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QDir>
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

// Records the message boxes shown while it lives.
class MessageRecorder {
public:
    MessageRecorder() {
        setMessageBoxPresenter([this](OV_HWND, const std::string& title, const std::string& text,
                                      const std::vector<std::string>&,
                                      std::function<void(int)> done) {
            titles.push_back(title);
            texts.push_back(text);
            done(0);
        });
    }
    ~MessageRecorder() { setMessageBoxPresenter({}); }
    std::vector<std::string> titles, texts;
};

// Opens a file as a classic map; returns the message shown ("" for none).
std::string refusalOf(const std::string& path, bool* ok = nullptr) {
    MessageRecorder messages;
    CKartile1 map;
    int calls = 0;
    bool result = true;
    map.Open(nullptr, path, [&](bool good) {
        ++calls;
        result = good;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(map.isOpen(), result);
    if (ok) *ok = result;
    if (messages.texts.empty()) return {};
    EXPECT_EQ(messages.titles.back(), "Problem");
    EXPECT_EQ(messages.texts.back(), map.lastMessage());
    return messages.texts.back();
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
    ASSERT_TRUE(CKartile::sharedKTLs.empty());
    {
        OpenMap first(path);
        ASSERT_TRUE(first.ok());
        OpenMap second(path);
        EXPECT_TRUE(second.ok());
        EXPECT_EQ(first.get(), second.get());
        EXPECT_EQ(CKartile::sharedKTLs.at(path).count, 2);
    }
    EXPECT_TRUE(CKartile::sharedKTLs.empty());
    // A file that is no map gives no object and leaves no entry behind.
    testsupport::writeFile(dir.file("junk.ktl"), QByteArray(64, 'x'));
    OpenMap junk(dir.file("junk.ktl").toStdString());
    EXPECT_EQ(junk.get(), nullptr);
    OpenMap missing(dir.file("missing.ktl").toStdString());
    EXPECT_EQ(missing.get(), nullptr);
    EXPECT_TRUE(CKartile::sharedKTLs.empty());
}

TEST_F(KartileFiles, BothMagicValuesOpen) {
    for (uint32_t magic : {0x1423D5FEu, 0x1423D5FFu}) {
        const std::string path =
            made(magic & 1 ? "odd.ktl" : "even.ktl", [&](CKartileMaker& m) { m.magic = magic; });
        OpenMap map(path);
        ASSERT_TRUE(map.ok());
        EXPECT_EQ(map->magic(), magic);
        EXPECT_EQ(map->width(), 192);  // 130 pixels padded to 3 tiles
        EXPECT_EQ(map->height(), 128);
        EXPECT_EQ(map->palette()[5], 0xFF000000u | paletteColour(5));
    }
}

TEST_F(KartileFiles, EveryRefusalShowsItsMessage) {
    const std::string good = made();
    bool ok = true;
    EXPECT_EQ(refusalOf(good, &ok), "");
    EXPECT_TRUE(ok);

    const std::string missing = dir.file("missing.ktl").toStdString();
    EXPECT_EQ(refusalOf(missing, &ok), "") << "a file that cannot be opened fails silently";
    EXPECT_FALSE(ok);

    const std::string empty = dir.file("empty.ktl").toStdString();
    testsupport::writeFile(QString::fromStdString(empty), {});
    EXPECT_EQ(refusalOf(empty), "Failed to open map: \"" + empty + "\"\nTry rebooting...");

    const std::string junk = dir.file("junk.ktl").toStdString();
    testsupport::writeFile(QString::fromStdString(junk), QByteArray(0x5000, 'x'));
    EXPECT_EQ(refusalOf(junk), "Not a Kartile: \"" + junk + "\"");

    auto variant = [&](const char* name, qint64 offset, const QByteArray& bytes) {
        const std::string path = made(name);
        EXPECT_TRUE(patchFile(path, offset, bytes));
        return path;
    };
    const std::string v6 = variant("v6.ktl", ktl::kOffVersion, le32(6));
    EXPECT_EQ(refusalOf(v6), "To open this map you need a newer version of your software.\n\n" +
                                 v6 + " is version 6.");
    const std::string v5 = variant("v5.ktl", ktl::kOffVersion, le32(5));
    EXPECT_EQ(refusalOf(v5, &ok), "");
    EXPECT_TRUE(ok);
    EXPECT_EQ(refusalOf(variant("kt2.ktl", ktl::kOffVersion, le32(0x10000001))),
              "This KT2 map is not compatible");
    EXPECT_EQ(refusalOf(variant("catalog.ktl", ktl::kHeaderSize, le32(0))),
              "This map is a catalog header and has not been completely converted.");

    const std::string tooShort = "\"\n. Try Rebooting...";
    const std::string huge =
        variant("huge.ktl", ktl::kOffWidthTiles, le32(0xFFFFFFFF) + le32(0xFFFFFFFF));
    EXPECT_EQ(refusalOf(huge), "Failed to open map: \"" + huge + tooShort);
    const std::string wide = variant("wide.ktl", ktl::kOffWidthTiles, le32(100000));
    EXPECT_EQ(refusalOf(wide), "Failed to open map: \"" + wide + tooShort);
    const std::string cut = dir.file("cut.ktl").toStdString();
    testsupport::writeFile(QString::fromStdString(cut),
                           testsupport::readFile(QString::fromStdString(good)).left(0x45A4));
    EXPECT_EQ(refusalOf(cut), "Failed to open map: \"" + cut + tooShort);
}

TEST_F(KartileFiles, ARefusedMapCanBeOpenedAgainLater) {
    const std::string path = made();
    ASSERT_TRUE(patchFile(path, ktl::kOffVersion, le32(9)));
    MessageRecorder quiet;
    CKartile1 map;
    bool ok = true;
    map.Open(nullptr, path, [&](bool good) { ok = good; });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(map.GetTitle().empty());
    ASSERT_TRUE(patchFile(path, ktl::kOffVersion, le32(1)));
    map.Open(nullptr, path, [&](bool good) { ok = good; });
    EXPECT_TRUE(ok);
    map.Close();
    EXPECT_FALSE(map.isOpen());
}

TEST_F(KartileFiles, TitleCopyrightAndMapType) {
    const std::string plain = made("plain.ktl");
    {
        OpenMap map(plain);
        EXPECT_EQ(map->GetTitle(), "plain.ktl") << "no strings: the file name";
        EXPECT_EQ(map->GetCopyright(), "");
        EXPECT_EQ(map->GetMapType(), "");
    }
    const std::string chart = made("chart.ktl", [](CKartileMaker& m) {
        m.title = "Title";
        m.identifier = "ID 7";
        m.copyright = "© Søren";
        m.mapType = "Nautical chart";
        m.depthUnits = "Metres";
    });
    OpenMap map(chart);
    EXPECT_EQ(map->GetTitle(), "Title. Soundings in Metres");
    EXPECT_EQ(map->GetCopyright(), "© Søren") << "stored as ISO 8859-1, read back as UTF-8";
    EXPECT_EQ(map->GetMapType(), "Nautical chart");
    EXPECT_EQ(map->headerString(ktl::kOffIdentifier), "ID 7");

    const std::string land = made("land.ktl", [](CKartileMaker& m) {
        m.identifier = "ID only";
        m.mapType = "Topographic";
        m.depthUnits = "Metres";
    });
    OpenMap landMap(land);
    EXPECT_EQ(landMap->GetTitle(), "ID only");

    // Through plain reads of a handle: the same text.
    HANDLE h = CreateFileA(chart.c_str(), FILE_ACCESS_READ);
    std::string s;
    EXPECT_TRUE(CKartile::GetString(h, readLe32(chart, ktl::kOffCopyright), s));
    EXPECT_EQ(s, "© Søren");
    CloseHandle(h);
}

TEST_F(KartileFiles, StringsPastTheEndAreEmpty) {
    const std::string path = made("strings.ktl", [](CKartileMaker& m) { m.name = "Name"; });
    const int64_t size = CKartile::getKtlFileSize(path);
    ASSERT_TRUE(patchFile(path, ktl::kOffName, le32(uint32_t(size + 10))));
    ASSERT_TRUE(patchFile(path, ktl::kOffExtended, le32(uint32_t(size - 4))));
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    EXPECT_EQ(map->GetTitle(), "strings.ktl");
    EXPECT_EQ(map->GetMapType(), "");
    EXPECT_FALSE(map->hasDatumShift());
}

TEST_F(KartileFiles, GeoreferencingRoundTripsAndScale) {
    OpenMap map(made());
    ASSERT_TRUE(map.ok());
    // 130 x 70 pixels over 1 x 1 degree: exact inverse polynomials.
    double lat, lon;
    map->xy_to_latlong(0, 0, lat, lon);
    EXPECT_NEAR(lat, 51, 1e-9);
    EXPECT_NEAR(lon, 10, 1e-9);
    map->xy_to_latlong(130, 70, lat, lon);
    EXPECT_NEAR(lat, 50, 1e-9);
    EXPECT_NEAR(lon, 11, 1e-9);
    for (int x : {0, 17, 64, 129, 191}) {
        for (int y : {0, 33, 127}) {
            map->xy_to_latlong(x, y, lat, lon);
            IntPoint p;
            double fx, fy;
            map->latlong_to_xy(lat, lon, fx, fy);
            EXPECT_NEAR(fx, x, 1e-6);
            EXPECT_NEAR(fy, y, 1e-6);
            ASSERT_TRUE(map->latlong_to_xy(lat, lon, p));
            EXPECT_LE(std::abs(p.x - x), 1) << "truncated, so a hair below x gives x - 1";
            EXPECT_LE(std::abs(p.y - y), 1);
        }
    }
    IntPoint centre;
    ASSERT_TRUE(map->latlong_to_xy(51 - 33.5 / 70, 10 + 17.5 / 130, centre));
    EXPECT_EQ(centre, IntPoint(17, 33)) << "a pixel's middle lands in that pixel";
    EXPECT_NEAR(map->get_scale(10, 10), 60.0 / 70, 1e-9) << "minutes of latitude per pixel";
    EXPECT_NEAR(map->referenceLongitude(), 10 + 96.0 / 130, 1e-9);  // pixel 96 of 192

    IntPoint far;
    EXPECT_FALSE(map->latlong_to_xy(1e12, 1e12, far));
    EXPECT_EQ(far, IntPoint(-1, -1));
}

TEST_F(KartileFiles, LongitudesStayOnTheMapsSideOfTheDateLine) {
    // 178 E to 180: the centre is 179 (128 of 256 pixels), so -179 is 181.
    const QImage image = indexedImage(256, 64, [](int, int) { return 0; });
    const std::string path = makeMap(dir.file("dateline.ktl"), image, [](CKartileMaker& m) {
        m.setBounds(178, 180, 0, 1, CKartileMaker::Projection::Equirectangular);
    });
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    EXPECT_NEAR(map->referenceLongitude(), 179, 1e-9);
    double x1, y1, x2, y2;
    map->latlong_to_xy(0.5, -179, x1, y1);
    map->latlong_to_xy(0.5, 181, x2, y2);
    EXPECT_NEAR(x1, x2, 1e-6);
    EXPECT_NEAR(x1, 384, 1e-6);
}

TEST_F(KartileFiles, DatumShiftMovesPositionsBothWays) {
    const std::string path = made("shift.ktl", [](CKartileMaker& m) {
        m.hasDatumShift = true;
        m.latitudeShift = 0.001;
        m.longitudeShift = -0.002;
    });
    OpenMap map(path);
    ASSERT_TRUE(map->hasDatumShift());
    double lat, lon, x, y;
    map->xy_to_latlong(0, 0, lat, lon);
    EXPECT_NEAR(lat, 51.001, 1e-9);
    EXPECT_NEAR(lon, 9.998, 1e-9);
    map->latlong_to_xy(lat, lon, x, y);
    EXPECT_NEAR(x, 0, 1e-6);
    EXPECT_NEAR(y, 0, 1e-6);
    CPolygon outline;
    map->getBoundaryPolygon(outline);
    ASSERT_EQ(outline.vertices.size(), 4u);
    EXPECT_NEAR(outline.vertices[0].x, 9.998, 1e-9);
    EXPECT_NEAR(outline.vertices[0].y, 51.001, 1e-9);
}

TEST_F(KartileFiles, OutlineBoundsTheImageNotThePadding) {
    OpenMap map(made());
    CPolygon outline;
    map->getBoundaryPolygon(outline);
    ASSERT_EQ(outline.vertices.size(), 4u);
    EXPECT_NEAR(outline.vertices[2].x, 11, 1e-9);  // (lon, lat) of pixel (130, 70)
    EXPECT_NEAR(outline.vertices[2].y, 50, 1e-9);
    EXPECT_TRUE(map->doesContain(50.5, 10.5));
    EXPECT_FALSE(map->doesContain(50.5, 11.2)) << "inside the padding only";
    EXPECT_FALSE(map->doesContain(52, 10.5));
}

TEST_F(KartileFiles, DamagedOutlineFallsBackToTheImageCorners) {
    const std::string path = made();
    ASSERT_TRUE(patchFile(path, ktl::kOffOutlineCount, le32(0x7FFFFFFF)));
    OpenMap map(path);
    CPolygon outline;
    map->getBoundaryPolygon(outline);
    ASSERT_EQ(outline.vertices.size(), 4u);
    EXPECT_NEAR(outline.vertices[2].x, 10 + 192.0 / 130, 1e-9) << "corner of the padded image";
}

TEST_F(KartileFiles, BadTileOffsetsAreDrawnInIndexZero) {
    const std::string path = made();
    const int64_t size = CKartile::getKtlFileSize(path);
    // Tiles 1, 2, 3: past the end, inside the header, and 0.
    ASSERT_TRUE(patchFile(path, ktl::kHeaderSize + 4, le32(uint32_t(size + 100))));
    ASSERT_TRUE(patchFile(path, ktl::kHeaderSize + 8, le32(0x100)));
    ASSERT_TRUE(patchFile(path, ktl::kHeaderSize + 12, le32(0)));
    // Tile 4 runs to the last byte of the file.
    ASSERT_TRUE(patchFile(path, ktl::kHeaderSize + 16, le32(uint32_t(size - 1))));
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    ThreadDataForRead scratch;
    for (int t = 1; t <= 4; ++t) {
        std::memset(scratch.tile, 0xEE, sizeof scratch.tile);
        EXPECT_EQ(map->ReadBlock(t % 3, t / 3, 0, scratch.tile, &scratch), 0);
        EXPECT_EQ(std::count(scratch.tile, scratch.tile + 4096, 0), 4096) << t;
    }
    // Outside the image: index 1.
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {3, 0}, {0, 2}}) {
        EXPECT_EQ(map->ReadBlock(x, y, 1, scratch.tile, &scratch), 0);
        EXPECT_EQ(std::count(scratch.tile, scratch.tile + 2048, 1), 2048);
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
        EXPECT_EQ(map->GetTitle(), "cut.ktl") << "the strings follow the tiles";
        EXPECT_EQ(map->GetCopyright(), "");
    }
}

TEST_F(KartileFiles, MixingMatrixEntriesPastThePaletteBecomeZero) {
    const std::string path = made();
    ASSERT_TRUE(patchFile(path, ktl::kOffMixing, QByteArray(int(ktl::kMixingSize), char(0xC8))));
    ASSERT_TRUE(patchFile(path, ktl::kOffOutline, le32(0xFFFFFFF0)));  // outline past the end
    OpenMap map(path);
    ASSERT_TRUE(map.ok());
    for (uint32_t i = 0; i < ktl::kMixingSize; ++i) ASSERT_EQ(map->mixingMatrix()[i], 0);
    std::vector<uint32_t> out(96 * 64);
    ASSERT_EQ(map->ReadRectRGB(0, 0, 96, 64, 96, 1, out.data(), nullptr), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), map->palette()[0]), long(out.size()));
    CPolygon outline;
    map->getBoundaryPolygon(outline);
    EXPECT_EQ(outline.vertices.size(), 4u) << "the image corners instead";
}

TEST_F(KartileFiles, SizeCountsTheChunkFolder) {
    const std::string path = made();
    const int64_t own = CKartile::getKtlFileSize(path);
    EXPECT_GT(own, int64_t(ktl::kHeaderSize));
    QDir(dir.path()).mkdir("map.kt3");
    testsupport::writeFile(dir.file("map.kt3/0"), QByteArray(1000, 'a'));
    testsupport::writeFile(dir.file("map.kt3/1"), QByteArray(24, 'b'));
    EXPECT_EQ(CKartile::getKtlFileSize(path), own + 1024);
    QDir(dir.path()).mkdir("map.KT3");
    testsupport::writeFile(dir.file("map.KT3/0"), QByteArray(10, 'c'));
    EXPECT_EQ(CKartile::getKtlFileSize(path), own + 10) << "the upper-case folder comes first";
}

}  // namespace
