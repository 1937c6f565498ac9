#include "data/dsctarget.h"

#include <cstdio>

const char* const CDSCTarget::distress_tab[kDistressNatures] = {
    "Fire",     "Flooding", "Collision",       "Grounding", "Listing",      "Sinking",
    "Disabled", "Distress", "Abandoning ship", "Piracy",    "Man overboard"};

bool CDSCTarget::HasPosition() const {
    return latitude >= -90 && latitude <= 90 && longitude >= -180 && longitude <= 180;
}

const char* CDSCTarget::NatureText(char* buffer, int size) const {
    if (nature >= 0 && nature < kDistressNatures) return distress_tab[nature];
    std::snprintf(buffer, size_t(size), "Distress code %d", int(nature));
    return buffer;
}
