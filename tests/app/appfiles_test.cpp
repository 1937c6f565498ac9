// What the application model makes of files, links, download names and the
// window's saved place.
#include <gtest/gtest.h>

#include <QDir>

#include "../mapview/testmap.h"
#include "app/appfiles.h"
#include "displays/displayviewarrangementset.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;
using testsupport::writeFile;

// The serializer's header and a magic section, then some body.
QByteArray serializerFile(uint32_t magic) {
    QByteArray b;
    auto u32 = [&](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    u32(0x73ACF249);
    b.append(char(0xBE));
    u32(9);
    u32(magic);
    b.append(QByteArray(20, '\0'));
    return b;
}

TEST(AppFiles, KindsByContentFirst) {
    TempDir dir;
    makeTestMap(dir.file("real.ktl"), 256);
    QDir().mkpath(dir.file("folder.ktl"));
    const QByteArray gga = "$GPGGA,120000,5000.0,N,01000.0,E,1,08,0.9,10,M,,M,,*40\r\n";
    // Name, bytes (null: made above, or not there at all), kind.
    const std::tuple<const char*, QByteArray, AppFileKind> cases[] = {
        {"real.ktl", {}, AppFileKind::MapFile},
        {"folder.ktl", {}, AppFileKind::MapFolder},
        {"absent.ktl", {}, AppFileKind::Missing},
        {"renamed.bin", testsupport::readFile(dir.file("real.ktl")), AppFileKind::MapFile},
        {"fake.ktl", "not a map at all, only text", AppFileKind::Unknown},
        {"odd-bit.dat", QByteArray("\xFF\xD5\x23\x14", 4) + QByteArray(60, 'x'),
         AppFileKind::MapFile},
        {"log.nmea", gga, AppFileKind::NmeaLog},
        {"stamped.log", "1700000000.25 " + gga, AppFileKind::NmeaLog},
        {"notes.txt", "shopping list\n$5 for bread\n", AppFileKind::Unknown},
        {"ais.txt", "!AIVDM,1,1,,A,13aG?P0P00PD;88MD5MTDww@2<0L,0*0F\n", AppFileKind::NmeaLog},
        {"any-name.bin", serializerFile(0xCA2EAF82), AppFileKind::Marks},
        {"layout.bin", serializerFile(0x47F8FB82), AppFileKind::Layout},
        {"page.bin", serializerFile(0x71831AB9), AppFileKind::Page},
        {"old.pstf", serializerFile(0x12345678), AppFileKind::Layout},
        {"old.dvpage", serializerFile(0x12345678), AppFileKind::Page},
        {"other.ovtf", serializerFile(0x12345678), AppFileKind::Unknown},
        {"empty.gpx", "", AppFileKind::Unknown},
        {"track.gpx", "<?xml version=\"1.0\"?>\n<!-- long -->\n", AppFileKind::Gpx},
        {"renamed.xml", "\xEF\xBB\xBF<gpx version=\"1.1\">", AppFileKind::Gpx},
        {"prefixed.bin", "<g:gpx xmlns:g=\"http://www.topografix.com/GPX/1/1\">", AppFileKind::Gpx},
        {"charts.bin", QByteArray("\x13\x86\x9E\x31", 4) + QByteArray(40, 0),
         AppFileKind::MapPackage},
    };
    for (const auto& [name, bytes, kind] : cases) {
        SCOPED_TRACE(name);
        const QString path = dir.file(name);
        if (!bytes.isNull() && !QFileInfo::exists(path)) {
            ASSERT_TRUE(writeFile(path, bytes));
        }
        EXPECT_EQ(ClassifyFile(path), kind) << AppFileKindName(ClassifyFile(path));
    }
}

TEST(AppFiles, Links) {
    // Argument, a link, its command and query.
    const std::tuple<const char*, bool, const char*, const char*> cases[] = {
        {"OVMAP:Mark?name=Buoy&color=%23FF0000", true, "mark", "name=Buoy&color=#FF0000"},
        {"https://orvanta.org/links/Open?name=x.gpx", true, "open", "name=x.gpx"},
        {"http://127.0.0.1:8080/mark", true, "mark", ""},
        {"ftp://example.org/open", false, "", ""},
        {"/tmp/x.ktl", false, "", ""},
    };
    for (const auto& [argument, link, command, query] : cases) {
        SCOPED_TRACE(argument);
        QString gotCommand, gotQuery;
        ASSERT_EQ(ParseActivityLink(QString::fromUtf8(argument), &gotCommand, &gotQuery), link);
        if (!link) continue;
        EXPECT_EQ(std::pair(gotCommand, gotQuery), std::pair(QString(command), QString(query)));
    }
}

TEST(AppFiles, SafeDownloadNames) {
    // Name, the safe name ("" refused).
    const std::pair<const char*, const char*> cases[] = {
        {"chart.ktl", "chart.ktl"},
        {"../x.ktl", "x.ktl"},
        {"../../../home/user/.bashrc", ""},
        {"/etc/passwd", ""},
        {"/tmp/evil.ktl", "evil.ktl"},
        {"C:\\Windows\\evil.gpx", "evil.gpx"},
        {".hidden.gpx", "hidden.gpx"},
        {"...gpx", "download.gpx"},
        {"a.exe", ""},
        {"a.ktl.exe", ""},
        {"noextension", ""},
        {"Fjörd Karte.KTL", "FjrdKarte.ktl"},
        {"карта.ktl", "download.ktl"},
        {"My Route: Day 1/2.gpx", "2.gpx"},
        {"route v1.2.gpx", "routev1.2.gpx"},
        {"a-very-long-name-of-a-map-that-goes-on.pstf", "a-very-long-name-of-a-map.pstf"},
        {"marks.ovtf", "marks.ovtf"},
        {"log.NMEA", "log.nmea"},
        {"x.ktl ", ""},
        {"", ""},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const QString safe = SafeDownloadName(QString::fromUtf8(name));
        EXPECT_EQ(safe, QString::fromUtf8(expected));
        EXPECT_FALSE(safe.startsWith('.'));
        EXPECT_FALSE(safe.contains('/'));
        EXPECT_FALSE(safe.contains(".."));
    }
}

TEST(AppFiles, WindowFitsTheScreen) {
    using R = QRect;
    const QSize fallback(1280, 800);
    // Name, saved, available, expected.
    const std::tuple<const char*, R, R, R> cases[] = {
        {"never saved", R(), R(0, 0, 1920, 1040), R(320, 120, 1280, 800)},
        {"scale 2, 1600 x 1000", R(), R(0, 0, 800, 470), R(0, 0, 800, 470)},
        {"kept", R(100, 50, 900, 600), R(0, 0, 1920, 1040), R(100, 50, 900, 600)},
        {"too large", R(0, 0, 3000, 2000), R(0, 30, 1600, 970), R(0, 30, 1600, 970)},
        {"off right", R(1800, 900, 600, 400), R(0, 0, 1920, 1040), R(1320, 640, 600, 400)},
        {"above a panel", R(10, -40, 600, 400), R(0, 32, 1920, 1048), R(10, 32, 600, 400)},
        {"second screen", R(2000, 100, 800, 600), R(1920, 0, 1280, 1024), R(2000, 100, 800, 600)},
        {"screen gone", R(2000, 100, 800, 600), R(0, 0, 1280, 1024), R(480, 100, 800, 600)},
    };
    for (const auto& [name, saved, available, expected] : cases) {
        SCOPED_TRACE(name);
        const R r = FitWindowToScreen(saved, fallback, available);
        EXPECT_EQ(r, expected);
        EXPECT_TRUE(available.contains(r));
    }
}

}  // namespace
