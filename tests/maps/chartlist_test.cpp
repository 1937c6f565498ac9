// The map catalogue: outline records read from real map files, the folder
// scan, duplicates, and choosing the map for a place and scale.
#include "maps/chartlist.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <QDir>
#include <QFile>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "maps/ktltestmaps.h"
#include "maps/selectmaptypes.h"
#include "support/testsupport.h"

namespace {

constexpr double kLat = 50.0, kLon = 10.0;  // every test map is centred here

// A 64 x 64 map of `scale` nautical miles per pixel centred at (lat, lon).
std::string makeScaledMap(const QString& path, double scale, const std::string& type = "Topo",
                          double lat = kLat, double lon = kLon, const std::string& name = {}) {
    const double half = scale * 64 / 60 / 2;  // degrees of latitude
    const double halfLon = half / std::cos(lat * M_PI / 180);
    static const QImage image =
        ktltest::indexedImage(64, 64, [](int x, int y) { return (x / 8 + y / 8) % 4; });
    return ktltest::makeMap(path, image, [&](CKartileMaker& m) {
        m.setBounds(lon - halfLon, lon + halfLon, lat - half, lat + half,
                    CKartileMaker::Projection::Equirectangular);
        m.mapType = type;
        m.name = name;
    });
}

// A catalogue of the given folders only.
struct Scanned : CChartList {
    explicit Scanned(const QStringList& folders) {
        for (const QString& f : folders) AddSearchFolder(f.toStdString());
        Refresh();
    }
};

std::string nameOf(const CChartOutline* o) {
    return o ? o->fileName() : "none";
}

void setFileTime(const std::string& path, time_t t) {
    const utimbuf times{t, t};
    ::utime(path.c_str(), &times);
}

class Catalogue : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string map(const char* name, double scale, const std::string& type = "Topo",
                    double lat = kLat) {
        return makeScaledMap(dir.file(name), scale, type, lat);
    }
};
using ChartOutline = Catalogue;
using ChartList = Catalogue;

}  // namespace

TEST_F(ChartOutline, RecordFromTheHeader) {
    const std::string path = makeScaledMap(dir.file("harbour.ktl"), 0.01, "Nautical Chart", kLat,
                                           kLon, "Harbour approaches");
    CChartOutline o;
    ASSERT_TRUE(o.Read(path));
    EXPECT_EQ(o.name + "/" + o.map_type, "Harbour approaches/Nautical Chart");
    EXPECT_NEAR(o.scale, 0.01, 1e-4);
    EXPECT_TRUE(o.doesContain(kLat, kLon) && !o.doesContain(kLat + 0.1, kLon));
    ASSERT_TRUE(o.Read(map("plain.ktl", 0.01)));
    EXPECT_EQ(o.name, "plain.ktl") << "a nameless map is called by its file name";
}

// A datum shift that is no number is taken as none, as the map reader takes it.
TEST_F(ChartOutline, ANonFiniteDatumShiftIsNone) {
    for (double bad : {std::nan(""), HUGE_VAL}) {
        const std::string path = ktltest::makeMap(
            dir.file("shifted.ktl"), ktltest::indexedImage(64, 64, [](int, int) { return 2; }),
            [&](CKartileMaker& m) {
                m.hasDatumShift = true;
                m.latitudeShift = 0.5;
                m.longitudeShift = bad;
            });
        CChartOutline o;
        ASSERT_TRUE(o.Read(path));
        EXPECT_NEAR(o.bounds.left, 10, 1e-9) << bad;
        EXPECT_NEAR(o.bounds.top, 51, 1e-9) << bad;
    }
}

TEST_F(ChartOutline, DamagedFilesAreLeftOut) {
    // 16 tiles of busy pixels, so that cutting the file in half cuts its tiles.
    const std::string good =
        ktltest::makeMap(dir.file("good.ktl"), ktltest::indexedImage(256, 256, [](int x, int y) {
                             return (x * 7 + y * 13 + x * y) % 128;
                         }));
    const QByteArray bytes = testsupport::readFile(QString::fromStdString(good));
    CChartOutline o;
    ASSERT_TRUE(o.Read(good));
    map("plain.ktl", 0.01);

    auto patched = [&bytes](int at, uint32_t value) {
        QByteArray b = bytes;
        std::memcpy(b.data() + at, &value, 4);
        return b;
    };
    const std::pair<const char*, QByteArray> cases[] = {
        {"cut short in its tiles", bytes.left(0x45A0 + 16 * 4 + (bytes.size() - 0x45A0 - 64) / 2)},
        {"cut in its header", bytes.left(300)},
        {"wrong magic", patched(0, 0x12345678)},
        {"newer version", patched(4, 6)},
        {"refused kind", patched(4, 0x10000001)},
        {"name offset outside", patched(0x14, uint32_t(bytes.size()) + 10)},
        {"outline offset outside", patched(0x5C, uint32_t(bytes.size()))},
        {"outline count past the end", patched(0x58, 0x7FFFFFFF)},
        {"tile index past the end", patched(0x08, 0x100000)},
        {"extended block outside", patched(0x54, 0xFFFFFFF0)},
    };
    for (const auto& [what, damaged] : cases) {
        const QString path = dir.file(QString("bad-%1.ktl").arg(what));
        testsupport::writeFile(path, damaged);
        EXPECT_FALSE(o.Read(path.toStdString())) << what;
    }
    // And the scan passes them over silently.
    EXPECT_EQ(Scanned({dir.path()}).size(), 2);
}

TEST_F(ChartList, BestMapByClosenessOfScale) {
    map("fine.ktl", 0.001);
    map("coarse.ktl", 0.01);
    map("elsewhere.ktl", 0.004, "Topo", kLat + 5);
    Scanned list({dir.path()});
    ASSERT_EQ(list.size(), 3);
    struct Case {
        const char* what;
        double lat, lon, scale;
        const char* best;
    } cases[] = {
        {"r 0.25 against 0.4", kLat, kLon, 0.004, "coarse.ktl"},
        {"scale 0: the most detailed", kLat, kLon, 0, "fine.ktl"},
        {"far coarser than any", kLat, kLon, 1.0, "coarse.ktl"},
        {"elsewhere", kLat + 5, kLon, 0.004, "elsewhere.ktl"},
        {"nothing there", -kLat, kLon, 0.004, "none"},
        {"no position", 999, 999, 0.004, "none"},
        {"nonsense", 1e300, -1e300, 0.004, "none"},
        {"not a number", std::nan(""), kLon, 0, "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameOf(list.FindBestChart(c.lat, c.lon, c.scale, false)), c.best) << c.what;
    // Most detailed first, both ways of listing the maps at a place.
    std::vector<CChartOutline*> here;
    list.ChartsAt(kLat, kLon, here);
    std::string at, hits;
    for (const CChartOutline* o : here) at += nameOf(o) + " ";
    int it = -1;
    for (int n = 0; n < 3; ++n) hits += nameOf(list.NextHit(kLat, kLon, it)) + " ";
    EXPECT_EQ(at + "/ " + hits, "fine.ktl coarse.ktl / fine.ktl coarse.ktl none ");
}

TEST_F(ChartList, ScaleInAndOutKeepAThreePercentMargin) {
    map("a-0.005.ktl", 0.005);
    map("b-0.0099.ktl", 0.0099);
    map("c-0.0102.ktl", 0.0102);
    map("d-0.02.ktl", 0.02);
    map("e-0.05.ktl", 0.05);
    Scanned list({dir.path()});
    ASSERT_EQ(list.size(), 5);
    // 0.0099 is not below 0.0097; 0.0102 is not above 0.0103.
    EXPECT_EQ(nameOf(list.ScaleIn(kLat, kLon, 0.01)) + " " +
                  nameOf(list.ScaleOut(kLat, kLon, 0.01)) + " " +
                  nameOf(list.ScaleOut(kLat, kLon, 0.02)),
              "a-0.005.ktl d-0.02.ktl e-0.05.ktl");
    EXPECT_FALSE(list.ScaleIn(kLat, kLon, 0.005) || list.ScaleOut(kLat, kLon, 0.05) ||
                 list.ScaleIn(kLat + 1, kLon, 0.01));  // the ends, and nothing there
}

TEST_F(ChartList, UnselectedTypesOnlyAsALastResort) {
    map("sea-fine.ktl", 0.001, "Nautical");
    map("sea-coarse.ktl", 0.05, "Nautical");
    map("land.ktl", 0.01, "Topo");
    map("sea-away.ktl", 0.01, "Nautical", kLat + 5);
    Scanned list({dir.path()});
    const auto saved = CSelectMapTypes::map_types_selected;
    CSelectMapTypes::map_types_selected = {"Topo"};
    EXPECT_EQ(nameOf(list.FindBestChart(kLat, kLon, 0.001, false)), "land.ktl");
    EXPECT_EQ(nameOf(list.FindBestChart(kLat, kLon, 0.001, true)), "sea-fine.ktl");
    EXPECT_FALSE(list.ScaleIn(kLat, kLon, 0.01) || list.ScaleOut(kLat, kLon, 0.01));
    // Only unselected maps here: better than none, but never when changing scale.
    EXPECT_EQ(nameOf(list.FindBestChart(kLat + 5, kLon, 0.01, false)), "sea-away.ktl");
    EXPECT_FALSE(list.ScaleIn(kLat + 5, kLon, 1.0) || list.ScaleOut(kLat + 5, kLon, 0.001));
    CSelectMapTypes::map_types_selected = saved;
}

TEST_F(ChartList, FoldersAreSearchedOnceWhateverTheWay) {
    QDir().mkpath(dir.file("maps/sub"));
    map("maps/sub/one.ktl", 0.01);
    map("maps/two.KTL", 0.02);
    testsupport::writeFile(dir.file("maps/notes.txt"), "not a map");
    // A link to the folder beside it, and one inside it back to itself.
    ASSERT_TRUE(QFile::link(dir.file("maps"), dir.file("link-to-maps")));
    ASSERT_TRUE(QFile::link(dir.file("maps"), dir.file("maps/sub/loop")));

    CChartList list;
    EXPECT_TRUE(list.AddSearchFolder(dir.file("maps").toStdString()));
    EXPECT_FALSE(list.AddSearchFolder(dir.file("link-to-maps").toStdString()));
    EXPECT_FALSE(list.AddSearchFolder(dir.file("maps/two.KTL").toStdString()));  // not a folder
    EXPECT_FALSE(list.AddSearchFolder(dir.file("missing").toStdString()));
    EXPECT_TRUE(list.AddSearchFolder(dir.file("maps/sub").toStdString()));  // searched once anyway
    list.Refresh();
    EXPECT_EQ(list.size(), 2);
    EXPECT_TRUE(list.duplicates().empty());
}

TEST_F(ChartList, DuplicatesKeepTheNewerAndDeleteNothing) {
    QDir().mkpath(dir.file("a"));
    QDir().mkpath(dir.file("b"));
    const std::string older = map("a/same.ktl", 0.01);
    const std::string newer = map("b/same.ktl", 0.02);
    setFileTime(older, 1700000000);
    setFileTime(newer, 1700000100);
    for (const QStringList& order :
         {QStringList{dir.file("a"), dir.file("b")}, QStringList{dir.file("b"), dir.file("a")}}) {
        Scanned list(order);
        ASSERT_EQ(list.size(), 1);
        EXPECT_EQ(list.charts()[0]->path, newer);
        EXPECT_EQ(list.duplicates(), std::vector<std::string>{older});
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(older)));
}

TEST_F(ChartList, FindRemoveAndRefresh) {
    map("fine.ktl", 0.001);
    const std::string coarse = map("coarse.ktl", 0.01);
    Scanned list({dir.path()});
    CChartOutline* c = list.FindFile(coarse);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(list.FindFile(coarse, 0.5), c) << "a wrong scale still finds it";
    // A user's map that fails to open leaves the catalogue, not the disk.
    EXPECT_TRUE(list.RemoveAndDeleteChart(c));
    EXPECT_TRUE(list.size() == 1 && QFile::exists(QString::fromStdString(coarse)));
    EXPECT_FALSE(list.DeleteChart(c)) << "already gone";
    EXPECT_FALSE(list.RefreshIfNeeded());
    map("added.ktl", 0.02);
    setFileTime(dir.path().toStdString(), 1);  // the folder changed, whatever the clock's grain
    EXPECT_TRUE(list.RefreshIfNeeded());
    EXPECT_EQ(list.size(), 3);
}

TEST_F(ChartList, BrokenDownloadsAreDeletedFromTheDownloadsFolder) {
    const QString downloads = QString::fromStdString(CChartList::DownloadedMapsFolder());
    QDir().mkpath(downloads);
    const std::string path = makeScaledMap(downloads + "/chartlist-test-download.ktl", 0.01);
    Scanned list({downloads});
    CChartOutline* o = list.FindFile(path);
    ASSERT_NE(o, nullptr);
    EXPECT_TRUE(list.RemoveAndDeleteChart(o));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST_F(ChartList, StartUpCreatesTheCatalogue) {
    const QString appFolder = QString::fromStdString(getAppDirectory());
    QDir().mkpath(dir.file("listed"));
    const std::string listed = map("listed/start.ktl", 0.01);
    const QString folders = appFolder + "/map_folders.txt";
    ASSERT_TRUE(testsupport::writeFile(folders, ("# mine\n" + dir.file("listed") + "\n").toUtf8()));
    RunAppHooks(AppHook::CreateMapCatalogue);
    QFile::remove(folders);
    ASSERT_NE(CChartList::the_list, nullptr);
    EXPECT_NE(CChartList::the_list->FindFile(listed), nullptr);
    ASSERT_GE(CChartList::the_list->folders().size(), 3u);
    EXPECT_EQ(CChartList::the_list->folders()[0].path, CChartList::DownloadedMapsFolder());
}
