// A track of 1,000,000 points over the Solent demo chart:
//  - loading "tracks.ovtf" (goal under 0.5 s);
//  - a full 1920 x 1080 frame with the track on show, at the widest and the
//    closest zoom (goal under 8 ms);
//  - a tap on the track, hit-tested through every section (goal under 1 ms).
// The track wanders at random over the whole chart, a few metres a point,
// so that at the widest zoom every section is on screen at once.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <random>

#include "guibenchmain.h"
#include "mapview/kartileview.h"
#include "overlays/overlaytool.h"
#include "overlays/trackmanager.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kPoints = 1000000;

QTemporaryDir* g_dir = nullptr;

std::string demoChart() {
    return std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl";
}

std::string tracksFile() {
    return g_dir->filePath("tracks.ovtf").toStdString();
}

// A random walk inside the box, turning a little at each point.
void writeTrack(double south, double north, double west, double east) {
    CTrackManager& manager = CTrackManager::theManager;
    manager.ClearAll();
    auto track = std::make_unique<COverlayTrack>();
    track->name = "Long voyage";
    std::mt19937 random(18);
    std::uniform_real_distribution<double> turn(-0.3, 0.3);
    double lat = (south + north) / 2, lon = (west + east) / 2, heading = 0;
    const double step = (north - south) / 4000;
    for (int i = 0; i < kPoints; ++i) {
        heading += turn(random);
        lat += step * std::cos(heading);
        lon += step * std::sin(heading) * 1.5;
        if (lat < south || lat > north) heading = M_PI - heading;
        if (lon < west || lon > east) heading = -heading;
        lat = std::clamp(lat, south, north);
        lon = std::clamp(lon, west, east);
        CTrackPoint p;
        p.lat = lat;
        p.lon = lon;
        p.time = 1717675200.0 + 5.0 * i;
        p.setAltitude(-9999);
        track->addPoint(p, false);
    }
    manager.tracks.push_back(std::move(track));
    manager.tracks_changed = true;
    manager.SaveIfNeeded(tracksFile());
}

void openAtWidest(CKartileView& view) {
    view.setScreenRect(0, 0, kW, kH);
    view.onOpen(demoChart(), false, {});
    for (int i = 0; i < 30; ++i) view.DoZoom(+1);
}

void drawSettled(CKartileView& view, QImage& screen) {
    for (int i = 0; i < 10000; ++i) {
        QPainter painter(&screen);
        view.onDraw(painter, 0, 0, kW, kH);
        painter.end();
        if (!view.renderer().isLoading()) return;
        view.renderer().WaitUntilIdle(1000);
    }
}

void prepare() {
    g_dir = new QTemporaryDir(QDir::tempPath() + "/tracks-bench-XXXXXX");
    CKartileView view;
    openAtWidest(view);
    double north = 0, west = 0, south = 0, east = 0;
    view.ScreenTolatlong(kW * 0.05, kH * 0.05, north, west);
    view.ScreenTolatlong(kW * 0.95, kH * 0.95, south, east);
    writeTrack(south, north, west, east);
}

void BM_LoadTracksFile(benchmark::State& state) {
    for (auto _ : state) {
        const bool ok = CTrackManager::theManager.LoadFromFile(tracksFile());
        if (!ok || CTrackManager::theManager.tracks.size() != 1) state.SkipWithError("no track");
    }
    state.counters["points"] = CTrackManager::theManager.tracks.front()->getTotalPoints();
}

// range(0): 0 the widest zoom, 1 the closest.
void BM_DrawFrame(benchmark::State& state) {
    CKartileView view;
    openAtWidest(view);
    if (state.range(0) == 1)
        for (int i = 0; i < 30; ++i) view.DoZoom(-1);
    CTrackManager::theManager.LoadFromFile(tracksFile());
    QImage screen(kW, kH, QImage::Format_RGB32);
    drawSettled(view, screen);
    for (auto _ : state) {
        QPainter painter(&screen);
        view.onDraw(painter, 0, 0, kW, kH);
        painter.end();
    }
    state.counters["sections"] = view.overlayCount();
    state.SetLabel(state.range(0) == 0 ? "widest" : "closest");
}

void BM_TapOnTrack(benchmark::State& state) {
    CKartileView view;
    openAtWidest(view);
    CTrackManager::theManager.LoadFromFile(tracksFile());
    QImage screen(kW, kH, QImage::Format_RGB32);
    drawSettled(view, screen);
    const CTrackPoint& p = CTrackManager::theManager.tracks.front()->sections[7000]->points[20];
    double sx = 0, sy = 0;
    view.LatLongToScreen(p.lat, p.lon, sx, sy);
    int hits = 0;
    for (auto _ : state) {
        if (view.onTap(sx, sy, 20.0 * 20.0)) ++hits;
        benchmark::DoNotOptimize(hits);
    }
    COverlayTool::Deselect();
    state.counters["hit"] = double(hits) / double(state.iterations());
}

BENCHMARK(BM_LoadTracksFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TapOnTrack)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv, prepare);
}
