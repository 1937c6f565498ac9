// The map catalogue with 10,000 maps: scanning their folders (goal: under
// 2 s) and choosing the best map at random places and scales (goal: under
// 20 us a call on average).
//
// The maps are 64 x 64 pixel maps made by the real map maker, kept between
// runs in a folder of the temporary directory: 9,900 maps crowd a region of
// 40-60 N, 10 W-30 E at scales from 0.001 to 3 nautical miles per pixel
// (log-uniform, so a place is covered by a few detailed maps and many
// coarse ones), and 100 maps of 40-70 NM per pixel span most of it. They
// lie in 100 sub-folders.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/base/fileutils.h"
#include "maps/chartlist.h"
#include "maps/kartilemaker.h"
#include "guibenchmain.h"

namespace {

constexpr int kMaps = 10000;
constexpr int kWideMaps = 100;

double logUniform(std::mt19937& rng, double lo, double hi) {
    return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(rng));
}

QImage smallImage() {
    QImage image(64, 64, QImage::Format_Indexed8);
    image.setColorTable(
        {qRgb(200, 220, 240), qRgb(240, 230, 200), qRgb(40, 40, 40), qRgb(120, 160, 90)});
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) image.scanLine(y)[x] = uchar((x / 8 + y / 16) % 4);
    return image;
}

// The folder of maps, made on the first run.
std::string mapFolder() {
    const std::string folder = (QDir::tempPath() + "/orvanta-chartlist-bench-10000").toStdString();
    const std::string done = folder + "/complete";
    if (getFileSize(done) >= 0) return folder;
    std::fprintf(stderr, "making %d maps in %s (once)...\n", kMaps, folder.c_str());
    const QImage image = smallImage();
    std::mt19937 rng(2026);
    for (int i = 0; i < kMaps; ++i) {
        const bool wide = i < kWideMaps;
        const double scale = wide ? logUniform(rng, 40, 70) : logUniform(rng, 0.001, 3);
        const double lat = std::uniform_real_distribution<double>(40, 60)(rng);
        const double lon = std::uniform_real_distribution<double>(-10, 30)(rng);
        const double half = scale * 64 / 60 / 2;
        const double halfLon = half / std::cos(lat * M_PI / 180);
        CKartileMaker maker;
        maker.setBounds(lon - halfLon, lon + halfLon, std::max(lat - half, -85.0),
                        std::min(lat + half, 85.0), CKartileMaker::Projection::Equirectangular);
        maker.mapType = i % 3 ? "Topo" : "Nautical";
        maker.name = "Bench map " + std::to_string(i);
        const std::string sub = folder + "/f" + std::to_string(i % 100);
        QDir().mkpath(QString::fromStdString(sub));
        if (!maker.make(image, sub + "/m" + std::to_string(i) + ".ktl")) {
            std::fprintf(stderr, "map maker: %s\n", maker.error().c_str());
            std::abort();
        }
    }
    touchFile(done);
    return folder;
}

struct Query {
    double lat, lon, scale;
};

void BM_Scan(benchmark::State& state) {
    const std::string folder = mapFolder();
    int maps = 0;
    for (auto _ : state) {
        CChartList list;
        list.AddSearchFolder(folder);
        list.Refresh();
        maps = list.size();
    }
    state.counters["maps"] = maps;
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FindBestChart(benchmark::State& state) {
    CChartList list;
    list.AddSearchFolder(mapFolder());
    list.Refresh();
    std::mt19937 rng(7);
    std::vector<Query> queries(100000);
    for (Query& q : queries)
        q = {std::uniform_real_distribution<double>(40, 60)(rng),
             std::uniform_real_distribution<double>(-10, 30)(rng), logUniform(rng, 0.0005, 5)};
    size_t i = 0;
    int found = 0;
    for (auto _ : state) {
        const Query& q = queries[i];
        if (++i == queries.size()) i = 0;
        CChartOutline* best = list.FindBestChart(q.lat, q.lon, q.scale, false);
        found += best != nullptr;
        benchmark::DoNotOptimize(best);
    }
    state.counters["found_share"] = double(found) / double(state.iterations());
    state.counters["maps"] = list.size();
}
BENCHMARK(BM_FindBestChart)->Unit(benchmark::kMicrosecond)->Iterations(100000);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv);
}
