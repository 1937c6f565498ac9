// Place search in a place-name file of 1,000,000 generated names: a prefix
// search (goal: under 10 ms) and a substring search over every name (goal:
// under 100 ms), and the dialog's search of typed text, which does both.
//
// Names are made of two to four random syllables, some with a second word
// ("Port", "Bay"...), in ten categories; the file is kept between runs in the
// temporary folder. The prefix index is built on first use and timed once.
#include <benchmark/benchmark.h>

#include <QDir>
#include <chrono>
#include <random>

#include "app/base/fileutils.h"
#include "online/dlgfindplace.h"
#include "online/geonamedatabase.h"

namespace {

constexpr int kNames = 1000000;

std::string databasePath() {
    return QDir::tempPath().toStdString() + "/orvanta-bench-1m.ovnm";
}

std::string makeName(std::mt19937& rng) {
    static const char* const syllables[] = {"lon",  "ab",  "ville", "ha",   "ven", "port", "ker",
                                            "mor",  "bel", "sand",  "wick", "ton", "ros",  "ca",
                                            "stel", "mar", "fjor",  "na",   "qu",  "ey"};
    static const char* const words[] = {" Bay", " Point", " Harbour", " Head", " Rock"};
    std::string name;
    const int n = 2 + int(rng() % 3);
    for (int i = 0; i < n; ++i) name += syllables[rng() % std::size(syllables)];
    name[0] = char(name[0] - 32);
    if (rng() % 4 == 0) name += words[rng() % std::size(words)];
    return name;
}

void makeDatabase() {
    if (getFileSize(databasePath()) > 0) return;
    std::mt19937 rng(23);
    std::vector<std::string> categories;
    for (int c = 0; c < 10; ++c) categories.push_back("Category " + std::to_string(c));
    std::vector<GeoNameRecord> places;
    places.reserve(kNames);
    std::uniform_real_distribution<double> lat(-60, 70), lon(-180, 180);
    for (int i = 0; i < kNames; ++i)
        places.push_back({makeName(rng), int(rng() % 10), lat(rng), lon(rng)});
    write_to_file(databasePath(), GeoNameDatabaseBytes(categories, places));
}

CGeoNameDatabase& database() {
    static CGeoNameDatabase db;
    if (!db.isOpen()) {
        makeDatabase();
        db.Open(databasePath());
    }
    return db;
}

void BM_BuildPrefixIndex(benchmark::State& state) {
    makeDatabase();
    for (auto _ : state) {
        CGeoNameDatabase db;
        db.Open(databasePath());
        benchmark::DoNotOptimize(db.FindPrefix("A", 1));
    }
}

void BM_PrefixSearch(benchmark::State& state) {
    const CGeoNameDatabase& db = database();
    db.FindPrefix("", 1);  // the index, outside the timing
    const char* const prefixes[] = {"LON", "HAVEN", "MORBEL", "Q", "STELMAR", "ZZ"};
    size_t i = 0, found = 0;
    for (auto _ : state) found += db.FindPrefix(prefixes[i++ % std::size(prefixes)], 500).size();
    state.counters["found"] = double(found) / double(state.iterations());
}

void BM_SubstringSearch(benchmark::State& state) {
    const CGeoNameDatabase& db = database();
    const char* const texts[] = {"VENKER", "HARBOUR", "FJORNA", "ZZZ"};
    size_t i = 0, found = 0;
    for (auto _ : state) {
        const char* text = texts[i++ % std::size(texts)];
        for (auto e = db.GetNextMatchingEntry(nullptr, -1, text); e;
             e = db.GetNextMatchingEntry(e, -1, text))
            ++found;
    }
    state.counters["found"] = double(found) / double(state.iterations());
}

void BM_DialogSearch(benchmark::State& state) {
    database();
    CDlgFindPlace dialog;
    dialog.init(databasePath());
    dialog.onChangedSearch("x");  // the index, outside the timing
    const char* const typed[] = {"l", "lo", "lon", "lonh", "venker", "zzz"};
    size_t i = 0;
    for (auto _ : state) dialog.onChangedSearch(typed[i++ % std::size(typed)]);
}

}  // namespace

BENCHMARK(BM_BuildPrefixIndex)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PrefixSearch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubstringSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DialogSearch)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
