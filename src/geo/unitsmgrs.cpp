#include "geo/unitsmgrs.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <cctype>
#include <stdexcept>

using GeographicLib::MGRS;
using GeographicLib::UTMUPS;

bool CUnitsMGRS::format(double lat, double lon, std::string& text) const {
    // GeographicLib reports impossible positions by throwing.
    try {
        int zone;
        bool northp;
        double x, y;
        UTMUPS::Forward(lat, lon, zone, northp, x, y, UTMUPS::STANDARD, false);
        // NaN comes back as the invalid zone rather than an exception.
        if (zone < UTMUPS::MINZONE || zone > UTMUPS::MAXZONE) throw std::range_error("no zone");
        std::string mgrs;
        MGRS::Forward(zone, northp, x, y, lat, 5, mgrs);
        text = mgrs;
        return true;
    } catch (...) {
        text = "<off grid>";
        return false;
    }
}

bool CUnitsMGRS::scan(const char* text, double& lat, double& lon) const {
    if (!text) return false;
    std::string kept;
    for (const char* c = text; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) kept += *c;
    try {
        int zone, prec;
        bool northp;
        double x, y;
        MGRS::Reverse(kept, zone, northp, x, y, prec, true);
        if (zone < 0) return false;
        double la, lo;
        UTMUPS::Reverse(zone, northp, x, y, la, lo, false);
        lat = la;
        lon = lo;
        return true;
    } catch (...) {
        return false;
    }
}

static CUnitsMGRS s_formatMGRS;
