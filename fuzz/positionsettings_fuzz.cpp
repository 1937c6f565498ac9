// Arbitrary settings-file lines taken by the persistors of the connections
// and the own position, as LoadAll hands them over. What is taken must be
// usable: a positive, finite averaging time and a finite compass table.
#include <cmath>
#include <cstdint>
#include <string>

#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    CAttributes set;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        set.AddString(text.substr(start, end - start));
        start = end + 1;
    }
    for (const char* name : {"COverlayGPSPosition:", "CDataConnection:", "CSerialConnection:",
                             "CTCPIPConnection:", "CUDPConnection:", "CNMEASimulation:"})
        if (PersistantData* p = PersistantData::find_persistor(name)) p->LoadFrom(set);
    const double t = COverlayGPSPosition::averaging_time;
    if (!(t > 0) || !std::isfinite(t)) __builtin_trap();
    for (float c : COverlayGPSPosition::compass_cal.cal)
        if (!std::isfinite(c)) __builtin_trap();
    return 0;
}
