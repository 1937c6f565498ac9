// Pages of display items in an offscreen Qt Quick window at 1280 x 800,
// each step ending when the window has presented its next frame (reading a
// frame back would copy the whole window, which no screen does):
//  - switching to a page of 16 text items until it is fully drawn;
//  - a page of 16 text items kept up to date at 10 position updates a
//    second: the CPU time that one second of updates and frames costs, as a
//    share of one core (counter "core_percent").
//  - the same frames with nothing changed, the renderer's own share, so
//    that the values' own cost is the difference.
// Goals: a switch under 16 ms; a page of values under 1 % of a core.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <ctime>

#include "data/overlaygpsposition.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "displays/quick/displayviewpage.h"
#include "guibenchmain.h"

namespace {

// Sixteen GPS text items in a 4 x 4 grid.
const int kKinds[16] = {41, 42, 43, 44, 45, 46, 47, 48, 49, 68, 76, 118, 41, 42, 43, 46};

void addValuesPage(CDisplayViewPageSet& set) {
    CDisplayView* page = set.AddNewPage();
    const auto& grid = page->arrangement();
    for (int i = 0; i < 16; ++i) {
        const int r = i / 4, c = i % 4;
        page->AddItem(kKinds[i], r * grid.rows / 4, c * grid.columns / 4, grid.rows / 4,
                      grid.columns / 4);
    }
}

struct Scene {
    Scene() {
        layout.setDirectory(dir.path().toStdString());
        CDisplayViewPageSet* set = layout.AddNewArrangement(1333, 833);
        set->clear();
        addValuesPage(*set);
        addValuesPage(*set);
        set->setPage(set->pages.front().get());
        layout.loaded = true;
        window.resize(1280, 800);
        pages = new CDisplayViewPage(window.contentItem());
        pages->setSize(QSizeF(1280, 800));
        pages->setLayout(&layout);
        window.show();
        QElapsedTimer waited;
        waited.start();
        while (!window.isExposed() && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        nextFrame();
    }

    // Processes events until the window has presented a frame (one is asked
    // for, in case nothing changed). The timer wakes the wait now and then.
    void nextFrame() {
        bool presented = false;
        const QMetaObject::Connection c =
            QObject::connect(&window, &QQuickWindow::frameSwapped, [&] { presented = true; });
        window.update();
        QTimer wake;
        wake.start(50);
        QElapsedTimer waited;
        waited.start();
        while (!presented && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QObject::disconnect(c);
    }
    ~Scene() { delete pages; }

    QTemporaryDir dir;
    CDisplayViewArrangementSet layout;
    QQuickWindow window;
    CDisplayViewPage* pages = nullptr;
};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

void BM_SwitchToPageOf16Items(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        scene.pages->nextPage();
        scene.nextFrame();
    }
}
BENCHMARK(BM_SwitchToPageOf16Items)->Unit(benchmark::kMillisecond)->UseRealTime();

// One iteration is one second of the page's life: ten fixes, each changing
// every value, each followed by a frame. The wall time of the second is not
// waited for; the counter is the CPU time it took.
void BM_PageOf16ValuesForOneSecond(benchmark::State& state) {
    Scene scene;
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    double time = 1717675200;
    double cpu = 0;
    int seconds = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        for (int i = 0; i < 10; ++i) {
            time += 0.1;
            p.time = time;
            p.fix_status = CDataGPSPosition::kGPSFix;
            p.set_latlon(50.8 + time * 1e-9, -1.3);
            p.set_course(float(int(time * 10) % 360), 5.0f + float(i) / 10);
            p.accuracy = 1.0f + float(i);
            p.DispatchPositionUpdate();
            scene.nextFrame();
        }
        cpu += cpuSeconds() - before;
        ++seconds;
    }
    state.counters["core_percent"] = 100 * cpu / seconds;
}
BENCHMARK(BM_PageOf16ValuesForOneSecond)->Unit(benchmark::kMillisecond)->Iterations(40);

// The same ten frames with nothing changed: what the renderer costs by
// itself, to be taken from the figure above.
void BM_TenUnchangedFrames(benchmark::State& state) {
    Scene scene;
    double cpu = 0;
    int seconds = 0;
    for (auto _ : state) {
        const double before = cpuSeconds();
        for (int i = 0; i < 10; ++i) {
            scene.nextFrame();
        }
        cpu += cpuSeconds() - before;
        ++seconds;
    }
    state.counters["core_percent"] = 100 * cpu / seconds;
}
BENCHMARK(BM_TenUnchangedFrames)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runWithGuiApplication(argc, argv);
}
