// 20,000 marks (the most a frame draws) on the Solent chart in a 1920 x 1080
// view: the time of one frame of tiles and marks with a warm cache, the
// same frame without marks (the tiles' share), and the time to hit-test one
// tap among the marks. Goals: a frame under 8 ms, a tap under 0.1 ms.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

#include "drawsettled.h"
#include "guibenchmain.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytool.h"

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr int kMarks = 20000;

const char* const kIcons[] = {"Flag", "Dot", "Anchor", "Pin", "Buoy_can", "Fuel", "Fish", "Wreck"};

// A view on the chart with `count` marks scattered over the screen.
void prepare(CKartileView& view, int count) {
    CMarkManager& manager = CMarkManager::theManager;
    manager.ClearAll();
    view.setScreenRect(0, 0, kW, kH);
    view.onOpen(std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl", false, {});
    QRandomGenerator random(7);
    for (int i = 0; i < count; ++i) {
        auto mark = std::make_unique<COverlayMark>();
        double lat = 0, lon = 0;
        view.ScreenTolatlong(random.bounded(double(kW)), random.bounded(double(kH)), lat, lon);
        mark->lat = lat, mark->lon = lon;
        mark->name = "P" + std::to_string(i + 1);
        mark->icon = kIcons[i % std::size(kIcons)];
        mark->color = GraphicsColor(int(random.bounded(256)), 60, 60);
        manager.marks.push_back(std::move(mark));
        manager.marks.back()->Dispatch(COverlayObject::kChanged);
    }
}

void BM_Frame(benchmark::State& state) {
    CKartileView view;
    prepare(view, int(state.range(0)));
    QImage screen(kW, kH, QImage::Format_RGB32);
    bench::drawSettled(view, screen);
    bench::drawSettled(view, screen);  // icons rendered and cached
    for (auto _ : state) {
        QPainter painter(&screen);
        view.onDraw(painter, 0, 0, kW, kH);
    }
    state.counters["ms_per_frame"] = benchmark::Counter(
        state.iterations() * 1e-3, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    CMarkManager::theManager.ClearAll();
}
BENCHMARK(BM_Frame)->Arg(0)->Arg(kMarks)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Tap(benchmark::State& state) {
    CKartileView view;
    prepare(view, kMarks);
    QImage screen(kW, kH, QImage::Format_RGB32);
    bench::drawSettled(view, screen);
    QRandomGenerator random(11);
    for (auto _ : state) {
        const bool hit = view.onTap(random.bounded(double(kW)), random.bounded(double(kH)), 100);
        benchmark::DoNotOptimize(hit);
    }
    COverlayTool::Deselect();
    CMarkManager::theManager.ClearAll();
}
BENCHMARK(BM_Tap)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv);
}
