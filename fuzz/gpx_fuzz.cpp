// Arbitrary bytes read as XML and as GPX, imported into the managers and
// written out again: the export must read back with as many marks, routes,
// route points and tracks as the managers hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "overlays/gpxexport.h"
#include "overlays/gpximport.h"
#include "overlays/gpxoutput.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"
#include "overlays/xmlnode.h"

namespace {

void clearManagers() {
    CMarkManager::theManager.ClearAll();
    CMarkManager::theManager.routes.clear();
    CMarkManager::theManager.route_in_progress = nullptr;
    CTrackManager::theManager.ClearAll();
}

size_t routePoints(const GpxData& data) {
    size_t n = 0;
    for (const GpxRoute& r : data.routes) n += r.points.size();
    return n;
}

size_t routePointsHeld() {
    size_t n = 0;
    for (const auto& r : CMarkManager::theManager.routes) n += r->waypoints.size();
    return n;
}

std::string exported() {
    char* buffer = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    {
        CGPXOutput output(memory);
        for (const CSyncable* object : OverlayObjectsForExport(true, true, true))
            object->WriteGPX(output.file());
        if (!output.Close()) __builtin_trap();
    }
    std::fclose(memory);
    std::string text(buffer, size);
    std::free(buffer);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view document(reinterpret_cast<const char*>(data), size);
    if (auto root = CXMLnode::ParseText(document)) {
        root->StartFindRecursive();
        while (CXMLnode* node = root->FindNextRecursive("trkpt")) {
            std::string text;
            node->GetChildContents(text);
            (void)node->FindAttributeDbl("lat", 0);
        }
    }
    GpxData read;
    if (!ReadGPX(document, read)) return 0;
    CBounds bounds;
    GpxImportOptions options;
    options.save = false;
    ImportGpxData(read, bounds, options);
    GpxData again;
    if (!ReadGPX(exported(), again)) __builtin_trap();
    // Objects sharing an identity in the file became one.
    if (again.marks.size() != CMarkManager::theManager.marks.size() ||
        again.routes.size() != CMarkManager::theManager.routes.size() ||
        routePoints(again) != routePointsHeld() ||
        again.tracks.size() != CTrackManager::theManager.tracks.size())
        __builtin_trap();
    clearManagers();
    return 0;
}
