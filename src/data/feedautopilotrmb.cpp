#include "data/feedautopilotrmb.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "data/overlaygpsposition.h"
#include "nmea/nmea_raw.h"
#include "overlays/overlaymark.h"

CFeed_AutopilotRMB CFeed_AutopilotRMB::theFeed;

namespace {

constexpr double kMetresPerNauticalMile = 1852.0;
constexpr long long kMinuteUnits = 100000;  // five decimals of a minute

// |degrees| as degrees and minutes, "ddmm.mmmmm" with `degreeDigits` digits
// of whole degrees; the minutes are rounded before they are split, so they
// never read 60.
std::string degreesAndMinutes(double degrees, int degreeDigits) {
    const long long units = std::llround(std::fabs(degrees) * 60.0 * double(kMinuteUnits));
    const long long whole = units / (60 * kMinuteUnits);
    const long long minutes = units % (60 * kMinuteUnits);
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld%02lld.%05lld", degreeDigits, whole,
                  minutes / kMinuteUnits, minutes % kMinuteUnits);
    return text;
}

}  // namespace

std::string CFeed_AutopilotRMB::DestinationId(const std::string& name) {
    std::string id;
    for (unsigned char c : name) {
        if (id.size() == 6) break;
        if (std::isalnum(c)) id += char(std::toupper(c));
    }
    return id;
}

std::string CFeed_AutopilotRMB::Format(const Values& v, const std::string& destination) {
    char text[CNMEA_Raw::kTextSize];
    std::snprintf(text, sizeof text, "$ECRMB,A,%.5f,%c,X,%s,%s,%c,%s,%c,%.5f,%.1f,%.2f,%c,A",
                  std::fabs(v.cross_track) / kMetresPerNauticalMile, v.cross_track > 0 ? 'L' : 'R',
                  destination.c_str(), degreesAndMinutes(v.latitude, 2).c_str(),
                  v.latitude < 0 ? 'S' : 'N', degreesAndMinutes(v.longitude, 3).c_str(),
                  v.longitude < 0 ? 'W' : 'E', v.distance / kMetresPerNauticalMile, v.bearing,
                  v.closing, v.arrived ? 'A' : 'V');
    return text;
}

void CFeed_AutopilotRMB::OnUpdate(CDataGotoMark& go) {
    if (!go.mark) {
        m_mark = nullptr;
        m_destination.clear();
        m_arrival_pending = false;
        return;
    }
    if (go.mark != m_mark) {
        // Kept until a sentence carries it.
        m_arrival_pending = m_mark != nullptr;
        m_mark = go.mark;
        m_destination = DestinationId(go.mark->name);
    }
    // Without a bearing (no fix yet, or at the mark) there is nothing to steer by.
    if (!(go.bearing < 900) || !Listener<CNMEA_Raw>::HasListeners()) return;
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    Values v;
    v.cross_track = go.cross_track;
    v.latitude = go.mark->lat;
    v.longitude = go.mark->lon;
    v.distance = go.distance;
    v.bearing = go.bearing;
    if (p.HasFix())
        v.closing = p.get_speed() * (go.to_mark.x * p.best_sin + go.to_mark.y * p.best_cos);
    v.arrived = m_arrival_pending;
    CNMEA_Raw raw;
    std::snprintf(raw.text, sizeof raw.text, "%s", Format(v, m_destination).c_str());
    raw.AddChecksumAndDispatch();
    m_arrival_pending = false;
}
