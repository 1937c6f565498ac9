// The whole import of a generated 50 MB GPX track file (read, build the
// track, simplify it as import does) beside libxml2's bare parse of the same
// file (`xmllint --noout`) in the same run, both in CPU seconds. Prints the
// ratio of the times.
#include <benchmark/benchmark.h>

#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "gpsdecodebaseline.h"
#include "overlays/gpximport.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "overlays/xmlnode.h"

namespace {

constexpr double kTargetBytes = 50e6;

// A walk north-east with a fix every second, as a logger writes it.
struct GeneratedFile {
    QTemporaryDir dir;
    std::string path;
    long points = 0;
    double bytes = 0;

    GeneratedFile() {
        path = dir.filePath("walk.gpx").toStdString();
        FILE* file = std::fopen(path.c_str(), "w");
        if (!file) return;
        std::fputs(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
            "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>Walk</name><trkseg>\n",
            file);
        std::string time;
        double lat = 46.0, lon = 14.0;
        while (bytes < kTargetBytes) {
            lat += 1e-5 * std::sin(points * 1e-3);
            lon += 1e-5 * std::cos(points * 7e-4);
            CXMLnode::format_time(1.7e9 + double(points), time);
            bytes += std::fprintf(file,
                                  "<trkpt lat=\"%.9f\" lon=\"%.9f\"><ele>%.1f</ele>"
                                  "<time>%s</time></trkpt>\n",
                                  lat, lon, 300 + 50 * std::sin(points * 1e-4), time.c_str());
            ++points;
        }
        std::fputs("</trkseg></trk>\n</gpx>\n", file);
        std::fclose(file);
    }
};

GeneratedFile& generated() {
    static GeneratedFile file;
    return file;
}

double g_import = 0, g_xmllint = 0;  // CPU seconds per run

void BM_ImportTrack(benchmark::State& state) {
    const GeneratedFile& file = generated();
    double seconds = 0;
    size_t kept = 0;
    for (auto _ : state) {
        const double start = bench::processCpuSeconds();
        GpxData data;
        CBounds bounds;
        GpxImportOptions options;
        options.save = false;
        if (!ReadGPXFile(file.path, data) || !ImportGpxData(data, bounds, options)) {
            state.SkipWithError("the generated file did not import");
            return;
        }
        const double used = bench::processCpuSeconds() - start;
        seconds += used;
        state.SetIterationTime(used);
        kept = size_t(CTrackManager::theManager.tracks.back()->getTotalPoints());
        CTrackManager::theManager.ClearAll();
    }
    g_import = seconds / double(state.iterations());
    state.SetBytesProcessed(int64_t(file.bytes * double(state.iterations())));
    state.counters["points"] = double(file.points);
    state.counters["kept"] = double(kept);
}
BENCHMARK(BM_ImportTrack)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_XmllintNoout(benchmark::State& state) {
    const GeneratedFile& file = generated();
    const std::string xmllint = QStandardPaths::findExecutable("xmllint").toStdString();
    if (xmllint.empty()) {
        state.SkipWithError("xmllint is missing (apt-get install libxml2-utils)");
        return;
    }
    double seconds = 0;
    for (auto _ : state) {
        const double used = bench::childCpuSeconds({xmllint, "--noout", file.path});
        if (used < 0) {
            state.SkipWithError("xmllint failed");
            return;
        }
        seconds += used;
        state.SetIterationTime(used);
    }
    g_xmllint = seconds / double(state.iterations());
    state.SetBytesProcessed(int64_t(file.bytes * double(state.iterations())));
}
BENCHMARK(BM_XmllintNoout)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    CTrackManager::doRecordTrack = false;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const GeneratedFile& file = generated();
    std::printf("file: %.1f MB, %ld track points\n", file.bytes / 1e6, file.points);
    std::printf("import (parse, build, simplify): %.3f s CPU\n", g_import);
    if (g_xmllint > 0 && g_import > 0)
        std::printf("xmllint --noout: %.3f s CPU\nratio: import takes %.2f times xmllint's parse\n",
                    g_xmllint, g_import / g_xmllint);
    else
        std::printf("xmllint is missing or was not run: no ratio\n");
    return 0;
}
