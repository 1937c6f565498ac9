// AIS messages per second decoded from every AIS sentence of the corpora
// (the AIS samples and the AIS lines of the NMEA logs), beside gpsd's
// gpsdecode decoding the same bytes in the same run, both in CPU time. Prints the ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "gpsdecodebaseline.h"
#include "nmea/nmea_ais.h"

namespace {

// Counts complete messages (fragments before the last are dispatched with type 0).
struct Targets : Listener<CNEMA_AIS::VDM> {
    void OnUpdate(CNEMA_AIS::VDM& m) override {
        if (m.msg_type) ++messages;
        benchmark::DoNotOptimize(m.mmsi);
    }
    long messages = 0;
};
struct OwnShip : Listener<CNEMA_AIS::VDO> {
    void OnUpdate(CNEMA_AIS::VDO& m) override { benchmark::DoNotOptimize(m.mmsi); }
};

const std::vector<std::string>& corpus() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> ais;
        for (const auto& [folder, filter] :
             {std::pair<const char*, const char*>{"ais", "*"}, {"nmea", "*.log"}}) {
            for (const std::string& line : bench::corpusLines(folder, {filter}))
                if (line.find("VDM,") != std::string::npos ||
                    line.find("VDO,") != std::string::npos)
                    if (line[0] != '#') ais.push_back(line);
        }
        return ais;
    }();
    return lines;
}

double g_ours = 0, g_gpsdecode = 0;  // sentences per second
long g_messages = 0;

void BM_DecodeAis(benchmark::State& state) {
    Targets targets;
    OwnShip own;
    const std::vector<std::string>& lines = corpus();
    char buffer[1024];
    double seconds = 0;
    for (auto _ : state) {
        const double start = bench::processCpuSeconds();
        for (const std::string& line : lines) {
            const size_t n = std::min(line.size(), sizeof buffer - 1);
            std::memcpy(buffer, line.data(), n);
            buffer[n] = 0;
            CNMEASentence::DispatchSentence(buffer, nullptr);
        }
        seconds += bench::processCpuSeconds() - start;
    }
    g_messages = targets.messages / long(state.iterations());
    g_ours = double(g_messages) * double(state.iterations()) / seconds;
    state.SetItemsProcessed(targets.messages);
    state.counters["messages"] = double(g_messages);
}
BENCHMARK(BM_DecodeAis)->Unit(benchmark::kMicrosecond);

void BM_Gpsdecode(benchmark::State& state) {
    static bench::GpsdecodeBaseline baseline(corpus());
    // Rated on the messages we decoded from the same bytes.
    g_gpsdecode = bench::benchmarkGpsdecode(state, baseline, double(g_messages));
}
BENCHMARK(BM_Gpsdecode)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("corpus: %zu AIS sentences, %ld messages\n", corpus().size(), g_messages);
    bench::printRatio("AIS decode", "messages", g_ours, g_gpsdecode);
    return 0;
}
