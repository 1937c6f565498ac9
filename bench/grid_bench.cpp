// Grid conversions per second, ours beside GeographicLib's in the same run.
// After the runs it prints, per pair, ours / GeographicLib's rate.
//
//   UTM forward and reverse     utm_proj series  vs UTMUPS::Forward/Reverse
//   MGRS text                   CUnitsMGRS       vs UTMUPS + MGRS::Forward
//   OSGB projection only        utm_proj OSGB    vs GeographicLib::OSGB
//   British, Irish, NZTM        whole conversions, datum shifts included (ours only)
#include <benchmark/benchmark.h>

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/OSGB.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "geo/unitsirishgrid.h"
#include "geo/unitsmgrs.h"
#include "geo/unitsnztm.h"
#include "geo/unitsosgb.h"
#include "geo/unitspositionutm84.h"
#include "maps/utmproj.h"

namespace {

struct LatLon {
    double lat, lon;
};

// A spread of points inside a box, the same for every benchmark of a kind.
std::vector<LatLon> pointsIn(double lat0, double lat1, double lon0, double lon1) {
    std::vector<LatLon> points;
    for (int i = 0; i < 32; ++i)
        for (int j = 0; j < 32; ++j)
            points.push_back(
                {lat0 + (lat1 - lat0) * (i + 0.5) / 32, lon0 + (lon1 - lon0) * (j + 0.5) / 32});
    return points;
}

const std::vector<LatLon>& worldPoints() {
    static const std::vector<LatLon> points = pointsIn(-79, 83, -179, 179);
    return points;
}

template <class Convert>
void runOver(benchmark::State& state, const std::vector<LatLon>& points, Convert convert) {
    size_t i = 0;
    for (auto _ : state) {
        const LatLon& p = points[i++ % points.size()];
        convert(p);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

// UTM easting and northing of every world point, for the reverse runs.
struct UtmPoint {
    int zone;
    bool south;
    double E, N;
};
const std::vector<UtmPoint>& utmPoints() {
    static const std::vector<UtmPoint> points = [] {
        std::vector<UtmPoint> out;
        for (const LatLon& p : worldPoints()) {
            UtmPoint u;
            CUnitsPositionUTM84::LatLonToUTM(p.lat, p.lon, u.zone, u.E, u.N, u.south);
            out.push_back(u);
        }
        return out;
    }();
    return points;
}

void BM_UtmForward_Ours(benchmark::State& state) {
    runOver(state, worldPoints(), [](const LatLon& p) {
        int zone;
        double E, N;
        bool south;
        CUnitsPositionUTM84::LatLonToUTM(p.lat, p.lon, zone, E, N, south);
        benchmark::DoNotOptimize(E + N);
    });
}

void BM_UtmForward_GeographicLib(benchmark::State& state) {
    runOver(state, worldPoints(), [](const LatLon& p) {
        int zone;
        bool northp;
        double x, y;
        GeographicLib::UTMUPS::Forward(p.lat, p.lon, zone, northp, x, y,
                                       GeographicLib::UTMUPS::UTM);
        benchmark::DoNotOptimize(x + y);
    });
}

void BM_UtmReverse_Ours(benchmark::State& state) {
    const auto& points = utmPoints();
    size_t i = 0;
    for (auto _ : state) {
        const UtmPoint& u = points[i++ % points.size()];
        double lat, lon;
        CUnitsPositionUTM84::UTMToLatLon(u.zone, u.south, u.E, u.N, lat, lon);
        benchmark::DoNotOptimize(lat + lon);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_UtmReverse_GeographicLib(benchmark::State& state) {
    const auto& points = utmPoints();
    size_t i = 0;
    for (auto _ : state) {
        const UtmPoint& u = points[i++ % points.size()];
        double lat, lon;
        GeographicLib::UTMUPS::Reverse(u.zone, !u.south, u.E, u.N, lat, lon);
        benchmark::DoNotOptimize(lat + lon);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_MgrsText_Ours(benchmark::State& state) {
    const CUnitsMGRS& mgrs =
        static_cast<const CUnitsMGRS&>(*CUnits::PositionFormatType::FindExact("MGRS"));
    std::string text;
    runOver(state, worldPoints(), [&](const LatLon& p) {
        mgrs.format(p.lat, p.lon, text);
        benchmark::DoNotOptimize(text.data());
    });
}

void BM_MgrsText_GeographicLib(benchmark::State& state) {
    std::string text;
    runOver(state, worldPoints(), [&](const LatLon& p) {
        int zone;
        bool northp;
        double x, y;
        GeographicLib::UTMUPS::Forward(p.lat, p.lon, zone, northp, x, y);
        GeographicLib::MGRS::Forward(zone, northp, x, y, p.lat, 5, text);
        benchmark::DoNotOptimize(text.data());
    });
}

const std::vector<LatLon>& britishPoints() {
    static const std::vector<LatLon> points = pointsIn(50.0, 58.5, -5.5, 1.5);
    return points;
}

void BM_OsgbProjection_Ours(benchmark::State& state) {
    utm_proj tm;
    tm.init_OSGB();
    runOver(state, britishPoints(), [&](const LatLon& p) {
        double E, N;
        tm.lat_lon_to_E_N(p.lat, p.lon, E, N);
        benchmark::DoNotOptimize(E + N);
    });
}

void BM_OsgbProjection_GeographicLib(benchmark::State& state) {
    runOver(state, britishPoints(), [](const LatLon& p) {
        double E, N;
        GeographicLib::OSGB::Forward(p.lat, p.lon, E, N);
        benchmark::DoNotOptimize(E + N);
    });
}

void BM_BritishNationalGrid_Ours(benchmark::State& state) {
    runOver(state, britishPoints(), [](const LatLon& p) {
        double E, N;
        CUnitsOSGB::WGS84_lat_long_to_OS_grid(p.lat, p.lon, E, N);
        benchmark::DoNotOptimize(E + N);
    });
}

void BM_IrishGrid_Ours(benchmark::State& state) {
    static const std::vector<LatLon> points = pointsIn(51.6, 55.2, -10.2, -6.1);
    runOver(state, points, [](const LatLon& p) {
        double E, N;
        CUnitsIrishGrid::WGS84_lat_long_to_Irish_grid(p.lat, p.lon, E, N);
        benchmark::DoNotOptimize(E + N);
    });
}

void BM_Nztm_Ours(benchmark::State& state) {
    static const std::vector<LatLon> points = pointsIn(-47, -34.5, 166.5, 178.5);
    runOver(state, points, [](const LatLon& p) {
        double E, N;
        CUnitsNZTM::LatLonToNZTM(p.lat, p.lon, E, N);
        benchmark::DoNotOptimize(E + N);
    });
}

BENCHMARK(BM_UtmForward_Ours);
BENCHMARK(BM_UtmForward_GeographicLib);
BENCHMARK(BM_UtmReverse_Ours);
BENCHMARK(BM_UtmReverse_GeographicLib);
BENCHMARK(BM_MgrsText_Ours);
BENCHMARK(BM_MgrsText_GeographicLib);
BENCHMARK(BM_OsgbProjection_Ours);
BENCHMARK(BM_OsgbProjection_GeographicLib);
BENCHMARK(BM_BritishNationalGrid_Ours);
BENCHMARK(BM_IrishGrid_Ours);
BENCHMARK(BM_Nztm_Ours);

// The console report, keeping each run's rate for the ratios.
class RateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nConversions per second, ours against GeographicLib's:\n");
    for (const char* pair : {"UtmForward", "UtmReverse", "MgrsText", "OsgbProjection"}) {
        const std::string ours = std::string("BM_") + pair + "_Ours";
        const std::string theirs = std::string("BM_") + pair + "_GeographicLib";
        if (!reporter.rates.count(ours) || !reporter.rates.count(theirs)) continue;
        const double a = reporter.rates[ours], b = reporter.rates[theirs];
        std::printf("  %-16s ours %12.0f/s  GeographicLib %12.0f/s  ratio %.2f\n", pair, a, b,
                    b > 0 ? a / b : 0.0);
    }
    for (const char* single : {"BritishNationalGrid", "IrishGrid", "Nztm"}) {
        const std::string ours = std::string("BM_") + single + "_Ours";
        if (reporter.rates.count(ours))
            std::printf("  %-20s ours %12.0f/s (whole conversion)\n", single, reporter.rates[ours]);
    }
    return 0;
}
