// Elevation: interpolated heights per second from decoded tiles (goal at
// least 10 million a second), and the ground profile of a 1,000-point
// route with warm tiles as the profile item draws it, 200 samples across
// 600 pixels (goal under 20 ms).
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <vector>

#include "elevation/elevationdata.h"
#include "elevation/profileline.h"
#include "guibenchmain.h"
#include "maps/googlegrid.h"

namespace {

constexpr int kLevel = 11;
// The Solent and the hills north of it, about 40 x 25 km.
constexpr double kSouth = 50.70, kNorth = 50.92, kWest = -1.65, kEast = -1.10;

QTemporaryDir* g_dir = nullptr;
MZElevationData* g_store = nullptr;

// Rolling ground, tiles of level 11 over the box and one tile round it.
void makeTiles() {
    g_dir = new QTemporaryDir;
    const Google_Grid grid(kLevel, false, {});
    double x0, y0, x1, y1;
    grid.LatLongToPixelXY(kNorth, kWest, x0, y0);
    grid.LatLongToPixelXY(kSouth, kEast, x1, y1);
    for (int ty = int(y0) / 256 - 1; ty <= int(y1) / 256 + 1; ++ty)
        for (int tx = int(x0) / 256 - 1; tx <= int(x1) / 256 + 1; ++tx) {
            const QString path = g_dir->path() + MZElevationData::tilePath(kLevel, tx, ty);
            QDir().mkpath(QFileInfo(path).absolutePath());
            terrarium::makeTile([tx, ty](int x, int y) {
                const double gx = tx * 256 + x, gy = ty * 256 + y;
                return 150 + 100 * std::sin(gx / 90) * std::cos(gy / 70);
            }).save(path, "PNG");
        }
    g_store = new MZElevationData(g_dir->path().toStdString());
}

struct Place {
    double lat, lon;
};

std::vector<Place> spread(int n) {
    std::vector<Place> places;
    for (int i = 0; i < n; ++i)
        places.push_back({kSouth + (kNorth - kSouth) * std::fmod(i * 0.618034, 1.0),
                          kWest + (kEast - kWest) * std::fmod(i * 0.414214, 1.0)});
    return places;
}

// Interpolated heights at the places in turn, tiles decoded beforehand.
void runHeights(benchmark::State& state, const std::vector<Place>& places) {
    float h = 0;
    for (const Place& p : places) g_store->elevationAtLevel(p.lat, p.lon, kLevel, h, true);
    size_t i = 0;
    double sum = 0;
    for (auto _ : state) {
        const Place& p = places[i++ % places.size()];
        g_store->elevationAtLevel(p.lat, p.lon, kLevel, h, true);
        sum += h;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(int64_t(state.iterations()));
}

// Consecutive places along a walk, as profiles and the cursor ask.
void BM_HeightsPerSecond(benchmark::State& state) {
    std::vector<Place> walk;
    for (int i = 0; i < 4096; ++i)
        walk.push_back({kSouth + 0.2 * i / 4096, kWest + 0.5 * i / 4096});
    runHeights(state, walk);
}
BENCHMARK(BM_HeightsPerSecond);

void BM_ScatteredHeightsPerSecond(benchmark::State& state) {
    runHeights(state, spread(4096));
}
BENCHMARK(BM_ScatteredHeightsPerSecond);

void BM_RouteProfile1000Points(benchmark::State& state) {
    std::vector<ProfilePoint> route;
    for (const Place& p : spread(1000)) route.push_back({p.lat, p.lon, 0, -9999});
    const ProfileLine warm(route);
    warm.groundHeights(*g_store, 200);
    for (auto _ : state) {
        const ProfileLine line(route);
        const auto samples = line.groundHeights(*g_store, 200);
        const auto polygon = profilePolygon(samples, 600, 250);
        benchmark::DoNotOptimize(polygon.data());
    }
}
BENCHMARK(BM_RouteProfile1000Points)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv, makeTiles);
}
