// The map view at 1920 x 1080 on the demo chart of the Solent:
//  - frames a second of a continuous pan with a warm cache (tiles, then the
//    own-position symbol, as the window paints them);
//  - the time from a zoom step to the first complete frame of the new level
//    (the squares of that level are decoded on the worker thread meanwhile).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "data/overlaygpsposition.h"
#include "mapview/kartileview.h"
#include "drawsettled.h"
#include "guibenchmain.h"

namespace {

constexpr int kW = 1920, kH = 1080;

std::string demoChart() {
    return std::string(ORVANTA_SOURCE_DIR) + "/data/demo/charts/solent.ktl";
}

void openAtLevel(CKartileView& view, int level) {
    view.setScreenRect(0, 0, kW, kH);
    view.onOpen(demoChart(), false, {});
    while (view.zoomLevel() > level) view.DoZoom(-1);
    while (view.zoomLevel() < level) view.DoZoom(+1);
}

// Pans to and fro across the chart, 12 by 4 screen pixels a frame.
class Panner {
public:
    explicit Panner(CKartileView& view) : m_view(view) {}
    void step() {
        if (++m_frames % 120 == 0) m_dir = -m_dir;
        m_view.DoScroll(12.0 * m_dir, 4.0 * m_dir);
    }

private:
    CKartileView& m_view;
    int m_frames = 60;
    int m_dir = 1;
};

void BM_PanFrame(benchmark::State& state) {
    CKartileView view;
    openAtLevel(view, int(state.range(0)));
    COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    own.set_latlon(50.80, -1.25);
    own.set_course(120, 6);
    own.evaluate_best_direction();
    own.Dispatch(COverlayObject::kChanged);
    QImage screen(kW, kH, QImage::Format_RGB32);
    // Warm: one whole round of the pan with every frame complete.
    Panner warm(view);
    for (int i = 0; i < 240; ++i) {
        warm.step();
        bench::drawSettled(view, screen);
    }
    Panner pan(view);
    int incomplete = 0;
    for (auto _ : state) {
        pan.step();
        QPainter painter(&screen);
        view.onDraw(painter, 0, 0, kW, kH);
        painter.end();
        if (view.renderer().isLoading()) ++incomplete;
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["incomplete"] = incomplete;
}

void BM_ZoomStepToCompleteFrame(benchmark::State& state) {
    CKartileView view;
    QImage screen(kW, kH, QImage::Format_RGB32);
    int draws = 0;
    for (auto _ : state) {
        state.PauseTiming();
        openAtLevel(view, 0);  // a fresh renderer: the new level is not cached
        bench::drawSettled(view, screen);
        state.ResumeTiming();
        view.SmoothZoom(int(state.range(0)));
        for (bool complete = false; !complete;) {
            QPainter painter(&screen);
            view.onDraw(painter, 0, 0, kW, kH);
            painter.end();
            ++draws;
            complete = !view.renderer().isLoading();
            if (!complete) view.renderer().WaitUntilIdle(1000);
        }
    }
    state.counters["draws"] = benchmark::Counter(draws, benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) < 0 ? "zoom in" : "zoom out");
}

BENCHMARK(BM_PanFrame)
    ->ArgName("level")
    ->Arg(0)
    ->Arg(-1)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ZoomStepToCompleteFrame)
    ->Arg(-1)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv);
}
