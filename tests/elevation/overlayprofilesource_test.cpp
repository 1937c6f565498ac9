// Tracks and routes as profile sources: a track's points once each across
// its sections, a route's progress while followed, one notice per change,
// the choice of source kept with the page, and ovtool elev profile of
// routes, tracks and GPX files.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "data/owngpstestsupport.h"
#include "elevation/overlayprofilesource.h"
#include "elevation/profileitem.h"
#include "elevationtestsupport.h"
#include "overlays/gototestsupport.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "support/testsupport.h"

using namespace elevationtest;

namespace {

using Kind = COverlayProfileSource::Kind;
constexpr double kLat0 = 50.5, kLon0 = -1.5;

struct Counter : CProfileSource::Watcher {
    void profileSourceChanged(CProfileSource&) override { ++changes; }
    void profileProgressChanged(CProfileSource&) override { ++moves; }
    void profileSourceGone(CProfileSource&) override {}
    int changes = 0, moves = 0;
};

class OverlayProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        owngps::resetOwnPosition();
        CMarkManager::theManager.LoadRoutes("/nonexistent/routes.ovtf");
        CTrackManager::theManager.ClearAll();
    }
    void TearDown() override { SetUp(); }

    // A track north from the origin: a point every 100 m climbing 10 m.
    COverlayTrack* climb(const char* name, int points) {
        auto track = std::make_unique<COverlayTrack>();
        track->name = name;
        for (int i = 0; i < points; ++i) {
            CTrackPoint p;
            field.grid.xy_to_latlon(0, 100.0 * i, p.lat, p.lon);
            p.time = 1e9 + 60.0 * i;
            p.setAltitude(i == 1 ? -9999.0f : 10.0f * float(i + 1));
            track->addPoint(p, false);
        }
        auto& tracks = CTrackManager::theManager.tracks;
        tracks.push_back(std::move(track));
        tracks.back()->GetObjectID();
        return tracks.back().get();
    }
    COverlayRoute* route(const char* name, std::initializer_list<std::pair<double, double>> at) {
        COverlayRoute* r = CMarkManager::theManager.CreateNewRoute();
        for (const auto& [x, y] : at) {
            double lat = 0, lon = 0;
            field.grid.xy_to_latlon(x, y, lat, lon);
            r->AddWaypoint(lat, lon);
        }
        CMarkManager::theManager.FinishRouteBuilding();
        r->name = name;
        return r;
    }

    gototest::MarkField field{kLat0, kLon0};
};

TEST_F(OverlayProfiles, ATrackGivesEachPointOnceAndHearsOfItsChanges) {
    COverlayTrack* track = climb("Up the hill", 150);  // three sections
    ASSERT_EQ(track->sections.size(), 3u);
    CTrackProfileSource source(track->object_id);
    Counter counter;
    source.addWatcher(&counter);
    const std::vector<ProfilePoint> points = source.profilePoints();
    ASSERT_EQ(points.size(), 150u);
    EXPECT_EQ(points[1].altitude, -9999);  // none stays none
    EXPECT_EQ(points[149].altitude, 1500);
    EXPECT_EQ(source.profileName(), "Up the hill");
    track->Dispatch(COverlayObject::kChanged);  // every section tells
    EXPECT_EQ(counter.changes, 1);
    source.profilePoints();
    track->sections.back()->Dispatch(COverlayObject::kChanged);
    EXPECT_EQ(counter.changes, 2);
    CTrackManager::theManager.DeleteTrack(track);
    EXPECT_FALSE(source.objectValid());
    EXPECT_TRUE(source.profilePoints().empty());
    source.removeWatcher(&counter);
}

TEST_F(OverlayProfiles, ARouteFollowedMovesItsMarkerAlong) {
    COverlayRoute* r = route("Ridge", {{0, 0}, {0, 1000}, {1000, 1000}});
    CRouteProfileSource source(r->GetObjectID());
    Counter counter;
    source.addWatcher(&counter);
    EXPECT_EQ(source.profilePoints().size(), 3u);
    EXPECT_LT(source.progressFraction(), 0);  // not followed
    ASSERT_TRUE(owngps::send(field.rmc(0, 500, 1, "A", 0)));
    ASSERT_TRUE(CMarkManager::theManager.SetFollowRoute(r));
    EXPECT_GT(counter.moves, 0);
    // Half of the first of two 1 km legs is behind the boat.
    EXPECT_NEAR(source.progressFraction(), 0.25, 0.01);
    const int before = counter.changes;
    r->waypoints[1]->lat += 0.001;
    r->Dispatch(COverlayObject::kChanged);
    EXPECT_EQ(counter.changes, before + 1);
    CMarkManager::theManager.CancelNavigation();
    EXPECT_LT(source.progressFraction(), 0);
    source.removeWatcher(&counter);
}

TEST_F(OverlayProfiles, TheChosenSourceIsKeptWithThePage) {
    COverlayRoute* r = route("Ridge", {{0, 0}, {0, 1000}});
    CDisplayProfileItem::CSettings settings;
    settings.source_kind = Kind::Route;
    settings.source_id = r->GetObjectID();
    const std::unique_ptr<CDisplayView::CItemSettings> copy = settings.Clone();
    auto* back = dynamic_cast<CDisplayProfileItem::CSettings*>(copy.get());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->source_kind, Kind::Route);
    EXPECT_EQ(back->source_id, r->object_id);
    CDisplayProfileItem item(*back);
    ASSERT_EQ(item.profiles().size(), 1u);
    EXPECT_EQ(item.profiles()[0]->source->profileName(), "Ridge");
    // The menu offers the route, and the tracks by altitude and speed.
    climb("Walk", 3);
    const std::vector<std::string> entries = item.editMenus();
    for (const char* e : {"Show:Route Ridge", "Show:Track Walk altitude", "Show:Track Walk speed"})
        EXPECT_NE(std::find(entries.begin(), entries.end(), e), entries.end()) << e;
    ASSERT_TRUE(item.onEditMenu("Show:Track Walk speed"));
    ASSERT_EQ(item.profiles().size(), 1u);
    EXPECT_EQ(item.profiles()[0]->quantity, ProfileQuantity::Speed);
    EXPECT_EQ(back->source_kind, Kind::Track);
}

TEST_F(OverlayProfiles, OvtoolPrintsARoutesGroundAndATracksAltitudes) {
    testsupport::TempDir home, tiles;
    const QString folder = home.path() + "/.local/share/Orvanta/hike";
    ASSERT_TRUE(QDir().mkpath(folder));
    route("Ridge", {{0, 0}, {0, 1000}});
    CMarkManager::theManager.routes_changed = true;
    ASSERT_TRUE(
        CMarkManager::theManager.SaveRoutesIfNeeded((folder + "/routes.ovtf").toStdString()));
    climb("Walk", 5);
    CTrackManager::theManager.tracks_changed = true;
    ASSERT_TRUE(CTrackManager::theManager.SaveIfNeeded((folder + "/tracks.ovtf").toStdString()));
    for (int level = 8; level <= 14; ++level)
        ASSERT_TRUE(writeTilesAround(tiles.path(), level, kLat0, kLon0,
                                     [](double, double) { return 42.25; }));
    // GPX files: a route, a track without heights (its ground), one with them.
    const auto gpx = [&](const char* file, const QString& body) {
        EXPECT_TRUE(testsupport::writeFile(
            home.file(file),
            ("<gpx version=\"1.1\" creator=\"test\">" + body + "</gpx>").toUtf8()));
        return home.file(file);
    };
    double lat1 = 0, lon1 = 0;
    field.grid.xy_to_latlon(0, 1000, lat1, lon1);
    const QString from = QString::asprintf("lat=\"%.9f\" lon=\"%.9f\"", kLat0, kLon0),
                  to = QString::asprintf("lat=\"%.9f\" lon=\"%.9f\"", lat1, lon1);
    const QString gpxRoute =
        gpx("route.gpx", "<rte><name>R</name><rtept " + from + "/><rtept " + to + "/></rte>");
    const QString gpxFlat =
        gpx("flat.gpx", "<trk><trkseg><trkpt " + from + "/><trkpt " + to + "/></trkseg></trk>");
    const QString gpxHigh =
        gpx("high.gpx", "<trk><trkseg><trkpt " + from + "><ele>5</ele></trkpt><trkpt " + to +
                            "><ele>7</ele></trkpt></trkseg></trk>");
    // Name, arguments, exit status, pairs and the last pair.
    const std::tuple<const char*, QStringList, int, int, double, double> cases[] = {
        {"a route's ground", {"--route", "Ridge", "--samples", "11"}, 0, 11, 1000, 42.25},
        {"a GPX route's ground", {gpxRoute, "--samples", "11"}, 0, 11, 1000, 42.25},
        {"a GPX track without heights", {gpxFlat, "--samples", "11"}, 0, 11, 1000, 42.25},
        {"a GPX track's heights", {gpxHigh}, 0, 2, 1000, 7},
        {"a file and a route", {gpxRoute, "--route", "Ridge"}, 2, 0, 0, 0},
        {"a track's altitudes", {"--track", "Walk", "--samples", "5"}, 0, 4, 400, 50},
        {"no such route", {"--route", "Nowhere"}, 1, 0, 0, 0},
        {"a route and a track", {"--route", "Ridge", "--track", "Walk"}, 2, 0, 0, 0},
        {"one sample", {"--route", "Ridge", "--samples", "1"}, 2, 0, 0, 0},
    };
    for (const auto& [name, args, status, count, distance, height] : cases) {
        SCOPED_TRACE(name);
        const auto r = testsupport::runOvtool(
            QStringList{"elev", "profile", "--profile", "hike", "--dir", tiles.path()} + args,
            home.path());
        EXPECT_EQ(r.exitCode, status) << r.err.toStdString();
        if (status != 0) continue;
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        const QJsonArray pairs = o["profile"].toArray();
        ASSERT_EQ(pairs.size(), count);
        EXPECT_EQ(pairs[0].toArray()[0].toDouble(), 0);
        EXPECT_NEAR(pairs.last().toArray()[0].toDouble(), distance, 1.0);
        EXPECT_EQ(pairs.last().toArray()[1].toDouble(), height);
    }
}

}  // namespace
