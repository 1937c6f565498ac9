// An arbitrary instant target list, as a TCP source's server hands it over:
// whatever it holds, every target it leaves is keyed by its own non-zero
// MMSI, classified and described, and a list refused leaves no target cut
// short behind.
#include <cstdint>
#include <string>

#include "data/aistargetmanager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CAISTargetManager& manager = CAISTargetManager::theManager;
    manager.ClearAll();
    const bool accepted =
        manager.ReadInstantTargetsText(std::string(reinterpret_cast<const char*>(data), size));
    for (const auto& [mmsi, t] : manager.targets) {
        if (mmsi == 0 || t.mmsi != mmsi || t.mmsi_text != std::to_string(mmsi)) __builtin_trap();
        if (!t.class_text || t.details.empty()) __builtin_trap();
        if (t.HasFix()) __builtin_trap();  // the list carries no positions
    }
    if (!accepted && size == 0 && !manager.targets.empty()) __builtin_trap();
    return 0;
}
