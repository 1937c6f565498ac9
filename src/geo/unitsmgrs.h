// The Military Grid Reference System as a position format, through
// GeographicLib's UTMUPS and MGRS (UPS near the poles): 1 m precision,
// e.g. "30UXC9931610164". Reading ignores every character but letters and
// digits and takes the centre of the square the reference names.
#pragma once

#include "geo/units.h"

class CUnitsMGRS : public CUnits::PositionFormatType {
public:
    CUnitsMGRS() : PositionFormatType("MGRS") {}

    // "<off grid>" and false for a position GeographicLib refuses.
    bool format(double lat, double lon, std::string& text) const override;
    bool scan(const char* text, double& lat, double& lon) const override;
};
