// Sentences per second through CNMEASentence::DispatchSentence over the
// whole NMEA corpus (checksum, parse, dispatch to a listener of every
// sentence class), beside gpsd's gpsdecode decoding the same bytes in the
// same run, both in CPU time. Prints the ratio at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "gpsdecodebaseline.h"
#include "nmea/everysentence.h"

namespace {

// More listeners that read what they are handed. The position feed itself
// (CFeedRMC_to_GPSPosition) is a static listener in the library, so every
// position sentence also goes on to update the own position.
template <class T>
struct Sink : Listener<T> {
    void OnUpdate(T& value) override { benchmark::DoNotOptimize(&value); }
};

using Listeners = EverySentence<Sink>;

const std::vector<std::string>& corpus() {
    static const std::vector<std::string> lines = bench::corpusLines("nmea", {"*.log"});
    return lines;
}

double g_ours = 0, g_gpsdecode = 0;  // sentences per second

void BM_DispatchSentence(benchmark::State& state) {
    Listeners listeners;
    const std::vector<std::string>& lines = corpus();
    char buffer[4096];
    long accepted = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double start = bench::processCpuSeconds();
        for (const std::string& line : lines) {
            const size_t n = std::min(line.size(), sizeof buffer - 1);
            std::memcpy(buffer, line.data(), n);
            buffer[n] = 0;
            accepted += CNMEASentence::DispatchSentence(buffer, nullptr);
        }
        seconds += bench::processCpuSeconds() - start;
    }
    const double count = double(lines.size()) * double(state.iterations());
    g_ours = count / seconds;
    state.SetItemsProcessed(int64_t(count));
    state.counters["accepted"] = double(accepted) / double(state.iterations());
}
BENCHMARK(BM_DispatchSentence)->Unit(benchmark::kMillisecond);

void BM_Gpsdecode(benchmark::State& state) {
    static bench::GpsdecodeBaseline baseline(corpus());
    g_gpsdecode = bench::benchmarkGpsdecode(state, baseline, double(corpus().size()));
}
BENCHMARK(BM_Gpsdecode)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("corpus: %zu lines\n", corpus().size());
    bench::printRatio("DispatchSentence", "sentences", g_ours, g_gpsdecode);
    return 0;
}
