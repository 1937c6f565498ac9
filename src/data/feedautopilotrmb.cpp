#include "data/feedautopilotrmb.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "data/overlaygpsposition.h"
#include "nmea/nmea_raw.h"

CFeed_AutopilotRMB CFeed_AutopilotRMB::theFeed;

namespace {
constexpr double kMetresPerNauticalMile = 1852.0;
}

std::string CFeed_AutopilotRMB::DestinationId(const std::string& name) {
    std::string id;
    for (unsigned char c : name) {
        if (id.size() == 6) break;
        if (std::isalnum(c)) id += char(std::toupper(c));
    }
    return id;
}

std::string CFeed_AutopilotRMB::Format(const Goto& go, const std::string& destination,
                                       double closing, bool arrived) {
    char text[CNMEA_Raw::kTextSize];
    std::snprintf(text, sizeof text, "$ECRMB,A,%.5f,%c,X,%s,%.7f,%c,%.7f,%c,%.5f,%.1f,%.2f,%c,A",
                  std::fabs(go.cross_track) / kMetresPerNauticalMile,
                  go.cross_track < 0 ? 'L' : 'R', destination.c_str(), std::fabs(go.latitude),
                  go.latitude < 0 ? 'S' : 'N', std::fabs(go.longitude),
                  go.longitude < 0 ? 'W' : 'E', go.distance / kMetresPerNauticalMile, go.bearing,
                  closing, arrived ? 'A' : 'V');
    return text;
}

bool CFeed_AutopilotRMB::OnGotoUpdate(const Goto& go) {
    if (!go.mark) {
        m_mark = nullptr;
        m_destination.clear();
        return false;
    }
    const bool changed = go.mark != m_mark;
    const bool arrived = changed && m_mark != nullptr;
    if (changed) {
        m_mark = go.mark;
        m_destination = DestinationId(go.name);
    }
    if (!Listener<CNMEA_Raw>::HasListeners()) return false;
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    double closing = 0;
    if (p.HasFix())
        closing = p.get_speed() * (go.to_mark[0] * p.best_sin + go.to_mark[1] * p.best_cos);
    CNMEA_Raw raw;
    std::snprintf(raw.text, sizeof raw.text, "%s",
                  Format(go, m_destination, closing, arrived).c_str());
    return raw.AddChecksumAndDispatch();
}
