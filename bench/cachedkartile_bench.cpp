// Rendering a 1920 x 1080 view with the threaded renderer: from a cold start
// (fresh renderer, empty chunk cache) and warm (every square ready), levels
// -2 to 3, 1 and 4 threads, a classic map and its complete version-3 twin;
// and the chunk codec's decode speed.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <random>

#include "maps/cachedkartile.h"
#include "maps/chunkfile.h"
#include "maps/huffmanencoding.h"
#include "maps/kartile3.h"
#include "maps/kartile3maker.h"
#include "maps/kartilemaker.h"
#include "guibenchmain.h"

namespace {

constexpr int kW = 1920, kH = 1080;

// A 4096 x 3072 map (4 x 3 chunks) with runs and detail, and its twin.
struct Maps {
    QTemporaryDir dir;
    std::string classic, v3;
    Maps() {
        QImage image(4096, 3072, QImage::Format_Indexed8);
        QVector<QRgb> table;
        for (int i = 0; i < 128; ++i) table.push_back(qRgb(i * 2, 255 - i, (i * 37) & 255));
        image.setColorTable(table);
        std::mt19937 random(1);
        for (int y = 0; y < image.height(); ++y) {
            uchar* line = image.scanLine(y);
            for (int x = 0; x < image.width(); ++x)
                line[x] = uchar((x / 50 + y / 40) % 7 == 0 ? random() % 128
                                                           : ((x / 30) ^ (y / 20)) % 100);
        }
        CKartileMaker maker;
        maker.setBounds(10, 11, 50, 51, CKartileMaker::Projection::Equirectangular);
        classic = dir.filePath("map.ktl").toStdString();
        maker.make(image, classic);
        QDir().mkpath(dir.filePath("v3"));
        CKartile3Maker::Result result;
        std::string error;
        CKartile3Maker::make(classic, dir.filePath("v3").toStdString(), result, error);
        // Installed locally complete: the server's chunk file is the local one.
        v3 = result.headerPath;
    }
};

Maps& maps() {
    static Maps m;
    return m;
}

QPoint offsetFor(int z) {
    // A view inside the map: its centre at level z.
    const int w = z >= 0 ? 4096 >> z : 4096 << -z, h = z >= 0 ? 3072 >> z : 3072 << -z;
    return QPoint(std::max(0, (w - kW) / 2), std::max(0, (h - kH) / 2));
}

// Draws until settled; returns the number of draws.
int drawSettled(CCachedKartile& r, QImage& screen, int z) {
    int draws = 0;
    bool loading = true;
    while (loading && draws < 100000) {
        QPainter painter(&screen);
        r.Draw(painter, QRect(0, 0, kW, kH), offsetFor(z), z, loading);
        ++draws;
        if (loading) r.WaitUntilIdle(1000);
    }
    return draws;
}

void BM_ColdRedraw(benchmark::State& state) {
    const bool chunked = state.range(0) != 0;
    const int z = int(state.range(1));
    const int threads = int(state.range(2));
    QImage screen(kW, kH, QImage::Format_RGB32);
    for (auto _ : state) {
        CCachedKartile r;
        r.Open(nullptr, chunked ? maps().v3 : maps().classic);
        r.map()->invalidate_read_cache();
        r.SetWorkerThreads(threads);
        drawSettled(r, screen, z);
        state.PauseTiming();
        r.Close();
        state.ResumeTiming();
    }
    state.SetLabel(std::string(chunked ? "v3" : "classic"));
}

void BM_WarmRedraw(benchmark::State& state) {
    const bool chunked = state.range(0) != 0;
    const int z = int(state.range(1));
    QImage screen(kW, kH, QImage::Format_RGB32);
    CCachedKartile r;
    r.Open(nullptr, chunked ? maps().v3 : maps().classic);
    r.SetWorkerThreads(int(state.range(2)));
    drawSettled(r, screen, z);
    for (auto _ : state) {
        QPainter painter(&screen);
        bool loading = false;
        r.Draw(painter, QRect(0, 0, kW, kH), offsetFor(z), z, loading);
        if (loading) state.SkipWithError("a warm redraw still loads");
    }
    state.SetLabel(std::string(chunked ? "v3" : "classic"));
}

void BM_ChunkDecode(benchmark::State& state) {
    CChunkFile file;
    file.Open(maps().v3.substr(0, maps().v3.size() - 4) + ".kt3");
    std::vector<uint8_t> out(CChunkFile::kChunkPixels);
    std::vector<uint32_t> words;
    const int level = int(state.range(0));
    int obtained = 0;
    for (auto _ : state) {
        file.ReadChunk(1, 1, level, out.data(), obtained, words);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * CChunkFile::PixelsForLevel(level));
    state.SetLabel("items = pixels");
}

void redrawArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"v3", "level", "threads"});
    for (int chunked : {0, 1})
        for (int z = -2; z <= 3; ++z)
            for (int threads : {1, 4}) b->Args({chunked, z, threads});
}

// CPU is that of the whole process (all decoding threads): on a busy machine
// it tells what the wall time would be with the cores to itself.
BENCHMARK(BM_ColdRedraw)
    ->Apply(redrawArgs)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_WarmRedraw)->Apply(redrawArgs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ChunkDecode)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv, [] { maps(); });
}
