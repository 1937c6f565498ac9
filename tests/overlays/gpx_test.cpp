// GPX import and export: corpus counts against an independent reading, a
// schema-valid export imported back unchanged, identities, proximity,
// simplification, hostile files, and ovtool gpx.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>

#include "overlays/gpxexport.h"
#include "overlays/gpximport.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "overlays/tracktool.h"
#include "overlays/xmlnode.h"
#include "support/testsupport.h"

namespace {

using namespace testsupport;

CMarkManager& marks = CMarkManager::theManager;
CTrackManager& tracks = CTrackManager::theManager;

struct Counts {
    int marks = 0, routes = 0, routePoints = 0, tracks = 0, trackPoints = 0;
    bool operator==(const Counts&) const = default;
};

// Counted with Qt's own XML reader: objects are the gpx element's children.
Counts countIndependently(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    Counts c;
    int depth = 0;
    QString object;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement()) --depth;
        if (!xml.isStartElement()) continue;
        const QString name = xml.name().toString().toLower();
        if (++depth == 2) object = name;
        c.marks += depth == 2 && name == "wpt";
        c.routes += depth == 2 && name == "rte";
        c.tracks += depth == 2 && name == "trk";
        c.routePoints += object == "rte" && name == "rtept";
        c.trackPoints += object == "trk" && name == "trkpt";
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return c;
}

Counts countsOf(const GpxData& data) {
    Counts c{int(data.marks.size()), int(data.routes.size()), 0, int(data.tracks.size()), 0};
    for (const GpxRoute& r : data.routes) c.routePoints += int(r.points.size());
    for (const GpxTrack& t : data.tracks) c.trackPoints += int(t.points.size());
    return c;
}

// What xmllint says of a file against the GPX 1.1 schema; empty when valid.
std::string schemaProblems(const std::string& path) {
    const ProcessResult r = runProcess(
        "xmllint",
        {"--noout", "--schema", sharedDir() + "/data/gpx11.xsd", QString::fromStdString(path)});
    return r.exitCode == 0 ? std::string() : (r.err + r.out).toStdString();
}

class Gpx : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        clearAll();
    }
    void TearDown() override { clearAll(); }
    static void clearAll() {
        CTrackManager::doRecordTrack = false;
        marks.ClearAll();
        marks.route_in_progress = nullptr;
        marks.routes.clear();
        tracks.ClearAll();
    }
    std::string file(const char* name) const { return dir.filePath(name).toStdString(); }
    std::string writeGpx(const char* name, const std::string& body) const {
        const std::string path = file(name);
        EXPECT_TRUE(
            writeFile(QString::fromStdString(path),
                      QByteArray::fromStdString("<gpx version=\"1.1\">" + body + "</gpx>")));
        return path;
    }

    QTemporaryDir dir;
};

TEST_F(Gpx, EveryCorpusFileReadsWithTheCountsOfAnIndependentReading) {
    const QDir corpus(sharedDir() + "/corpora/gpx");
    const QStringList names = corpus.entryList({"*.gpx"}, QDir::Files);
    ASSERT_GE(names.size(), 20);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = corpus.filePath(name);
        GpxData data;
        std::string error;
        ASSERT_TRUE(ReadGPXFile(path.toStdString(), data, &error)) << error;
        const Counts counted = countsOf(data);
        EXPECT_EQ(counted, countIndependently(path));
        // And the import of it makes as many objects.
        clearAll();
        CBounds bounds;
        GpxImportCounts counts;
        GpxImportOptions options;
        options.counts = &counts;
        EXPECT_EQ(ImportGPXFile(path.toStdString(), bounds, options),
                  counted.marks + counted.routes + counted.tracks > 0);
        EXPECT_EQ(std::tuple(marks.marks.size(), marks.routes.size(), tracks.tracks.size()),
                  std::tuple(size_t(counts.marks), size_t(counts.routes), size_t(counts.tracks)));
    }
}

TEST_F(Gpx, CorpusTextsAreReadAsWritten) {
    const QString corpus = sharedDir() + "/corpora/gpx/";
    GpxData data;
    ASSERT_TRUE(ReadGPXFile((corpus + "gpx1.1_with_all_fields.gpx").toStdString(), data));
    ASSERT_EQ(data.marks.size(), 2u);
    const GpxWaypoint& wp = data.marks[0];
    std::string time;
    CXMLnode::format_time(wp.time, time);
    EXPECT_EQ(wp.name + "|" + wp.comment + "|" + wp.link + "|" + wp.type + "|" + time,
              "example name|example desc example cmt|http://link3|example type|"
              "2013-01-02T02:03:00Z");
    EXPECT_EQ(std::vector<double>({wp.lat, wp.lon, wp.elevation}),
              std::vector<double>({12.3, 45.6, 75.1}));

    // With a byte-order mark, with and without an encoding: the UTF-8 name
    // Qt's reader finds.
    for (const char* name : {"unicode_with_bom.gpx", "unicode_with_bom_noencoding.gpx"}) {
        SCOPED_TRACE(name);
        GpxData read;
        ASSERT_TRUE(ReadGPXFile((corpus + name).toStdString(), read));
        ASSERT_EQ(read.marks.size(), 1u);
        QFile file(corpus + name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        while (!xml.atEnd() && !(xml.readNextStartElement() && xml.name() == QLatin1String("name")))
            continue;
        EXPECT_EQ(read.marks[0].name, xml.readElementText().toStdString());
    }
}

// ---------------------------------------------------------------- round trip

struct Generated {
    std::vector<COverlayMark*> marks;
    std::vector<COverlayRoute*> routes;
    std::vector<COverlayTrack*> tracks;
};

const char* const kNames[] = {"Harbour & Quay", "<Buoy>",     "Rock ]]> here",
                              "\xC5\xBDiri",    "two\nlines", "plain"};

Generated generate() {
    QRandomGenerator random(19);
    auto coordinate = [&](double range) { return (random.generateDouble() * 2 - 1) * range; };
    auto when = [&] { return 1.5e9 + random.bounded(100000000) + 0.25; };
    Generated g;
    for (int i = 0; i < 6; ++i) {
        auto mark = std::make_unique<COverlayMark>();
        mark->name = kNames[i];
        mark->comment = i % 2 ? "comment " + std::to_string(i) : "";
        mark->lat = coordinate(89.9);
        mark->lon = coordinate(179.9);
        mark->created = when();
        mark->link = i == 1 ? "http://x/?a=1&b=\"2\"" : "";
        mark->icon = i % 2 ? "Anchor" : "Flag";
        mark->color.setRgb(random.bounded(256), random.bounded(256), random.bounded(256));
        mark->category = i < 3 ? "Sailing:Moorings" : "";
        if (i == 2) mark->alarm_radius = 250;
        if (i == 3) mark->inner_radius = 40, mark->alarm_radius = 1080;
        g.marks.push_back(marks.AddMark(std::move(mark)));
    }
    for (int r = 0; r < 3; ++r) {
        auto route = std::make_unique<COverlayRoute>();
        route->name = kNames[r + 1];
        route->comment = "route " + std::to_string(r);
        route->category = r == 0 ? "Plans" : "";
        route->color.setRgb(10 * r, 200, 30, r == 1 ? 204 : 255);
        route->line_width = 1.25f + r;
        route->line_style = r + 2;
        for (int w = 0; w < 4 + r; ++w)
            route->AddWaypoint(coordinate(60), coordinate(170))->created = when();
        g.routes.push_back(marks.AddRoute(std::move(route)));
    }
    for (int t = 0; t < 3; ++t) {
        auto track = std::make_unique<COverlayTrack>();
        track->name = kNames[t + 2];
        track->category = t == 2 ? "Trips:2024" : "";
        track->color.setRgb(200, 10 * t, 90);
        track->line_width = 3.5f;
        track->line_style = t;
        const double lat0 = coordinate(70), lon0 = coordinate(170), t0 = 1.6e9 + t * 86400;
        // Sections of 64 points with their join points: five of them.
        for (int i = 0; i < 300; ++i) {
            CTrackPoint p;
            p.lat = lat0 + i * 1e-4 + coordinate(1e-5);
            p.lon = lon0 + i * 1e-4;
            p.time = t0 + 10 * i;
            p.setAltitude(t == 1 ? -9999 : 0.5f * i - 20);
            track->addPoint(p, false);
        }
        g.tracks.push_back(tracks.AddTrack(std::move(track)));
    }
    return g;
}

std::vector<CTrackPoint> pointsOf(const COverlayTrack& track) {
    std::vector<CTrackPoint> points;
    for (size_t s = 0; s < track.sections.size(); ++s)
        for (int i = s == 0 ? 0 : 1; i < track.sections[s]->count; ++i)
            points.push_back(track.sections[s]->points[i]);
    return points;
}

std::string colourText(const GraphicsColor& c, bool alpha) {
    return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," +
           std::to_string(c.blue()) + (alpha ? "," + std::to_string(c.alpha()) : "");
}

// A line per object and point with everything an export carries of it:
// places to the ten decimals written, times to the second, altitude 0 as none.
std::vector<std::string> exportedFields() {
    std::vector<std::string> out;
    char place[64];
    auto mark = [&](const COverlayMark& m, bool waypoint) {
        std::snprintf(place, sizeof place, "%.10f %.10f ", m.lat, m.lon);
        out.push_back(m.name + "|" + m.comment + "|" + place +
                      std::to_string(std::floor(m.created)) + "|" + m.link + "|" + m.icon + "|" +
                      colourText(m.color, false) + "|" + std::to_string(m.alarm_radius) + "|" +
                      std::to_string(m.inner_radius) +
                      (waypoint ? "" : "|" + m.category + "|" + std::to_string(m.object_id)));
    };
    auto line = [&](const CSyncable& o, const GraphicsColor& colour, float width, int style) {
        out.push_back(o.name + "|" + o.comment + "|" + o.category + "|" +
                      std::to_string(o.object_id) + "|" + colourText(colour, true) + "|" +
                      std::to_string(width) + "|" + std::to_string(style));
    };
    for (const auto& m : marks.marks) mark(*m, false);
    for (const auto& r : marks.routes) {
        line(*r, r->color, r->line_width, r->line_style);
        for (const auto& wp : r->waypoints) {
            mark(*wp, true);
            EXPECT_EQ(wp->route, r.get());
        }
    }
    for (const auto& t : tracks.tracks) {
        line(*t, t->color, t->line_width, t->line_style);
        for (const CTrackPoint& p : pointsOf(*t)) {
            const float altitude = p.altitude() == 0 ? -9999 : p.altitude();
            std::snprintf(place, sizeof place, "%.10f %.10f %.0f %g", p.lat, p.lon, p.time,
                          altitude);
            out.push_back(place);
        }
    }
    return out;
}

TEST_F(Gpx, ExportThenImportGivesTheSameObjectsAndTheSchemaAccepts) {
    const Generated before = generate();
    const std::vector<std::string> exported = exportedFields();
    const std::string path = file("all.gpx");
    std::string error;
    ASSERT_TRUE(ExportGPXFile(path, OverlayObjectsForExport(true, true, true), &error)) << error;
    EXPECT_EQ(schemaProblems(path), "");
    // One object to a file validates as well.
    ASSERT_TRUE(before.routes[1]->WriteGPXFile(file("route.gpx")));
    EXPECT_EQ(schemaProblems(file("route.gpx")), "");
    ASSERT_TRUE(before.tracks[0]->WriteGPXFile(file("track.gpx")));
    EXPECT_EQ(schemaProblems(file("track.gpx")), "");
    // A write that cannot complete fails, with its reason.
    EXPECT_FALSE(before.tracks[0]->WriteGPXFile("/dev/full"));
    EXPECT_FALSE(ExportGPXFile("/dev/full", OverlayObjectsForExport(true, true, true), &error));
    EXPECT_FALSE(error.empty());

    clearAll();
    CBounds bounds;
    GpxImportCounts counts;
    GpxImportOptions options;
    options.counts = &counts;
    ASSERT_TRUE(ImportGPXFile(path, bounds, options));
    EXPECT_EQ(counts.Summary(), "6 marks, 3 routes, 3 tracks imported");
    EXPECT_EQ(exportedFields(), exported);
    EXPECT_FALSE(bounds.isEmpty());

    // A second import refreshes the same objects instead of adding more.
    ASSERT_TRUE(ImportGPXFile(path, bounds, options));
    EXPECT_EQ(exportedFields(), exported);
}

TEST_F(Gpx, ADeletedMarkComesBackFromItsExport) {
    const Generated g = generate();
    COverlayMark* mark = g.marks[0];
    const uint64_t id = mark->object_id;
    ASSERT_TRUE(mark->WriteGPXFile(file("one.gpx")));
    marks.DeleteMark(mark);
    ASSERT_TRUE(mark->deleted);
    const size_t count = marks.marks.size();
    ASSERT_TRUE(ImportGPXFile(file("one.gpx")));
    EXPECT_EQ(std::tuple(marks.marks.size(), mark->deleted, mark->object_id, mark->name),
              std::tuple(count, false, id, std::string(kNames[0])));
}

TEST_F(Gpx, WhatPointsIntoARefreshedRouteOrTrackLetsGo) {
    const Generated g = generate();
    COverlayRoute* route = g.routes[0];
    ASSERT_TRUE(route->WriteGPXFile(file("route.gpx")));
    ASSERT_TRUE(marks.SetFollowRoute(route));
    ASSERT_EQ(marks.go_to.route, route);
    ASSERT_TRUE(ImportGPXFile(file("route.gpx")));
    EXPECT_EQ(marks.go_to.route, nullptr);
    EXPECT_EQ(marks.routes.size(), g.routes.size());  // refreshed, not added

    // A selected point of a track goes with the sections it was in.
    COverlayTrack* track = g.tracks[0];
    ASSERT_TRUE(track->WriteGPXFile(file("track.gpx")));
    const CTrackPoint& p = track->sections[1]->points[3];
    CTrackTool::SelectAt(nullptr, track->sections[1].get(), p.lat, p.lon);
    ASSERT_TRUE(CTrackTool::isTrackSelected(track));
    ASSERT_TRUE(ImportGPXFile(file("track.gpx")));
    EXPECT_EQ(COverlayTool::the_tool, nullptr);
    EXPECT_EQ(pointsOf(*track).size(), 300u);
}

TEST_F(Gpx, IdentityCommentsProximityAndCategories) {
    const std::string path =
        writeGpx("p.gpx",
                 "<wpt lat=\"1\" lon=\"2\"><name>A</name><desc>Kept Source: ovid:1F</desc>"
                 "<type>Own</type></wpt>"
                 "<wpt lat=\"3\" lon=\"4\"><name>B</name><desc>d</desc><cmt>c</cmt><cmt>c</cmt>"
                 "<extensions><xgarmin:WaypointExtension><xgarmin:Proximity>-50</xgarmin:Proximity>"
                 "</xgarmin:WaypointExtension></extensions></wpt>"
                 "<wpt lat=\"5\" lon=\"6\"><name>C</name><desc>same</desc><cmt>same</cmt>"
                 "<extensions><WaypointExtension><Proximity>120.5</Proximity></WaypointExtension>"
                 "</extensions></wpt>"
                 "<rte><number>7</number><type>Own</type><rtept lat=\"1\" lon=\"1\"><type>no</type>"
                 "</rtept></rte>"
                 "<trk><number>3</number></trk>");
    const std::string category = "Imported:Today";
    ASSERT_TRUE(ImportGPXFileIntoCategory(path, category));
    ASSERT_EQ(marks.marks.size(), 3u);
    const COverlayMark &a = *marks.marks[0], &b = *marks.marks[1], &c = *marks.marks[2];
    EXPECT_EQ(a.object_id, 0x1Fu);
    EXPECT_EQ(a.category, category);
    EXPECT_EQ(a.comment + "|" + b.comment + "|" + c.comment, "Kept|d c|same");
    EXPECT_EQ(std::vector<float>({b.inner_radius, b.alarm_radius, c.inner_radius, c.alarm_radius}),
              std::vector<float>({50, 1100, 0, 120.5f}));
    ASSERT_EQ(marks.routes.size(), 1u);
    EXPECT_EQ(marks.routes[0]->name, "Route #7");
    EXPECT_EQ(marks.routes[0]->category, category);
    EXPECT_EQ(marks.routes[0]->waypoints[0]->category, "");  // waypoints take no type
    ASSERT_EQ(tracks.tracks.size(), 1u);
    EXPECT_EQ(tracks.tracks[0]->name, "Track #3");

    // The anchor alarm goes out as it came in.
    ASSERT_TRUE(b.WriteGPXFile(file("b.gpx")));
    EXPECT_TRUE(readFile(dir.filePath("b.gpx")).contains("<xgarmin:Proximity>-50.0<"));
    EXPECT_EQ(schemaProblems(file("b.gpx")), "");
}

TEST_F(Gpx, SegmentsJoinIntoOneTrackAndLineStylesRead) {
    const std::string path = writeGpx(
        "segments.gpx",
        "<trk><name>Joined</name><extensions><line xmlns=\"x\"><color>FF8000</color>"
        "<opacity>0.5</opacity><width>4</width><pattern>dashdot</pattern></line></extensions>"
        "<trkseg><trkpt lat=\"1\" lon=\"1\"/><trkpt lat=\"1.1\" lon=\"1\"/></trkseg>"
        "<trkseg></trkseg>"
        "<trkseg><trkpt lat=\"1.2\" lon=\"1\"><ele>12.5</ele></trkpt>"
        "<trkpt lat=\"1.3\" lon=\"1\"/><trkpt lat=\"1.4\" lon=\"1\"/></trkseg>"
        "<trkseg><trkpt lat=\"1.5\" lon=\"1\"/></trkseg></trk>"
        "<trk><extensions><line><pattern>Wavy</pattern></line></extensions></trk>");
    ASSERT_TRUE(ImportGPXFile(path));
    ASSERT_EQ(tracks.tracks.size(), 2u);
    const COverlayTrack& t = *tracks.tracks[0];
    const std::vector<CTrackPoint> points = pointsOf(t);
    ASSERT_EQ(points.size(), 6u);
    for (size_t i = 0; i < points.size(); ++i) EXPECT_NEAR(points[i].lat, 1 + 0.1 * i, 1e-12);
    EXPECT_EQ(std::pair(points[2].altitude(), points[3].altitude()), std::pair(12.5f, -9999.0f));
    EXPECT_EQ(t.color, GraphicsColor(255, 128, 0, 128));
    EXPECT_EQ(std::pair(t.line_width, t.line_style), std::pair(4.0f, 3));
    // An unknown pattern leaves the template's style.
    EXPECT_EQ(tracks.tracks[1]->line_style, tracks.default_track.line_style);
}

// A straight track of n points `interval` seconds apart.
std::string straightTrack(int n, double interval) {
    std::string body = "<trk><trkseg>";
    std::string time;
    for (int i = 0; i < n; ++i) {
        CXMLnode::format_time(1.7e9 + i * interval, time);
        char point[160];
        std::snprintf(point, sizeof point, "<trkpt lat=\"%.7f\" lon=\"10\"><time>%s</time></trkpt>",
                      50 + i * 2e-5, time.c_str());
        body += point;
    }
    return body + "</trkseg></trk>";
}

TEST_F(Gpx, DenseLongTracksAreSimplifiedOnImport) {
    const struct {
        int points;
        double interval;
        bool simplified;
    } cases[] = {{5000, 1, true}, {5000, 10, false}, {1000, 1, false}, {1001, 4.9, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.points) + " points " + std::to_string(c.interval) + " s");
        clearAll();
        ASSERT_TRUE(ImportGPXFile(writeGpx("dense.gpx", straightTrack(c.points, c.interval))));
        ASSERT_EQ(tracks.tracks.size(), 1u);
        const size_t kept = pointsOf(*tracks.tracks[0]).size();
        if (c.simplified)
            EXPECT_LT(kept, size_t(c.points) / 10);
        else
            EXPECT_EQ(kept, size_t(c.points));
    }
}

TEST_F(Gpx, HostileFilesImportNothing) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<extensions>";
    const std::string good = "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>";
    std::string truncated = "<gpx>" + good + "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>";
    const struct {
        const char* what;
        std::string document;
    } cases[] = {
        {"deep nesting", "<gpx>" + good + "<wpt>" + deep},
        {"truncated", truncated},
        {"no gpx element", "<kml>" + good + "</kml>"},
        {"not XML", "\x89PNG\r\n\x1A\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = file("hostile.gpx");
        ASSERT_TRUE(writeFile(QString::fromStdString(path), QByteArray::fromStdString(c.document)));
        CBounds bounds;
        std::string error;
        GpxImportOptions options;
        options.error = &error;
        EXPECT_FALSE(ImportGPXFile(path, bounds, options));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(marks.marks.empty() && tracks.tracks.empty());
    }
    EXPECT_FALSE(ImportGPXFile(file("missing.gpx")));
}

TEST_F(Gpx, ObjectsAreOnlyTheGpxElementsChildren) {
    // Objects and points where they do not belong are not read; the fields
    // of nested elements do not leak into the object around them.
    GpxData data;
    ASSERT_TRUE(ReadGPX(
        "<gpx><extensions><rte><name>N</name><rtept lat=\"1\" lon=\"1\"/></rte>"
        "<trk><name>T</name><trkseg><trkpt lat=\"1\" lon=\"1\"/></trkseg></trk></extensions>"
        "<wpt lat=\"1\" lon=\"2\"><trkpt lat=\"3\" lon=\"4\"><name>point</name></trkpt>"
        "<wpt lat=\"5\" lon=\"6\"><name>inner</name></wpt><name>outer</name></wpt>"
        "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"><trkpt lat=\"9\" lon=\"9\"/>"
        "<name>no</name></trkpt></trkseg></trk></gpx>",
        data));
    EXPECT_TRUE(data.routes.empty());
    ASSERT_EQ(data.marks.size(), 1u);
    EXPECT_EQ(data.marks[0].name + " " + std::to_string(data.marks[0].lat), "outer 1.000000");
    ASSERT_EQ(data.tracks.size(), 1u);
    ASSERT_EQ(data.tracks[0].points.size(), 1u);
    EXPECT_EQ(data.tracks[0].name + " " + std::to_string(data.tracks[0].points[0].lat),
              " 1.000000");
}

TEST(GpxCommand, DumpImportAndExportAProfile) {
    TempDir home;
    const QString corpus = sharedDir() + "/corpora/gpx/";
    const ProcessResult dump = runOvtool({"gpx", "dump", corpus + "route.gpx"}, home.path());
    ASSERT_EQ(dump.exitCode, 0) << dump.err.constData();
    const QJsonObject read = QJsonDocument::fromJson(dump.out).object();
    ASSERT_EQ(read["routes"].toArray().size(), 1);
    EXPECT_EQ(read["routes"][0]["points"].toArray().size(),
              countIndependently(corpus + "route.gpx").routePoints);

    const ProcessResult import = runOvtool(
        {"gpx", "import", corpus + "route.gpx", corpus + "korita-zbevnica.gpx", "--profile", "p"},
        home.path());
    ASSERT_EQ(import.exitCode, 0) << import.err.constData();
    EXPECT_TRUE(import.out.contains("0 marks, 1 route, 0 tracks imported"))
        << import.out.constData();

    const QString out = home.file("out.gpx");
    const ProcessResult exported =
        runOvtool({"gpx", "export", out, "--profile", "p", "--routes"}, home.path());
    ASSERT_EQ(exported.exitCode, 0) << exported.err.constData();
    EXPECT_EQ(schemaProblems(out.toStdString()), "");
    const Counts c = countIndependently(out);
    EXPECT_EQ(c.routes, 1);
    EXPECT_EQ(c.routePoints, countIndependently(corpus + "route.gpx").routePoints);
    EXPECT_EQ(c.marks + c.tracks, 0);

    EXPECT_EQ(runOvtool({"gpx", "dump", home.file("missing.gpx")}, home.path()).exitCode, 1);
    EXPECT_EQ(runOvtool({"gpx", "export", "/dev/full", "--profile", "p"}, home.path()).exitCode, 1);
}

}  // namespace
