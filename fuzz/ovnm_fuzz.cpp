// Fuzzes a place-name file: opening, walking the categories and places,
// matching and the prefix index must stay inside the file and end, whatever
// the record lengths say.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "online/geonamedatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/ovnm_fuzz_" + std::to_string(::getpid()) + ".ovnm";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CGeoNameDatabase db;
    if (db.Open(path)) {
        size_t categories = 0, places = 0;
        for (auto c = db.GetNextCategory(nullptr); c; c = db.GetNextCategory(c))
            if (++categories > size) __builtin_trap();
        for (auto e = db.GetNextEntry(nullptr); e; e = db.GetNextEntry(e)) {
            const CGeoNameDatabase::Place p = CGeoNameDatabase::placeAt(e);
            if (std::strlen(p.latinName) > size) __builtin_trap();
            if (++places > size) __builtin_trap();
        }
        size_t matches = 0;
        for (auto e = db.GetNextMatchingEntry(nullptr, 0, "A"); e;
             e = db.GetNextMatchingEntry(e, 0, "A"))
            ++matches;
        if (matches > places) __builtin_trap();
        if (db.FindPrefix("", size + 1).size() != places) __builtin_trap();
        db.damaged();
    }
    return 0;
}
