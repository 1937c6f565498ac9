// The main of a benchmark program that paints or loads images: a
// QGuiApplication (offscreen unless a platform is chosen), then the runs.
#pragma once

#include <benchmark/benchmark.h>
#include <QGuiApplication>
#include <functional>

namespace bench {

// `prepare` runs once the application exists and before any timing.
inline int runWithGuiApplication(int argc, char** argv, const std::function<void()>& prepare = {}) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (prepare) prepare();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench
