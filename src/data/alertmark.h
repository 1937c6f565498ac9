// The marks that alerts leave on the map (an AIS man-overboard beacon, a
// DSC distress call): found by name or made, moved to the alert's place
// with the "X" symbol, stored, and made the go-to destination when close.
#pragma once

#include <string>

class COverlayMark;

// Finds or makes the mark called name at (lat, lon); when gotoIt, it
// becomes the go-to destination (unless it already is).
COverlayMark* PlaceAlertMark(const std::string& name, double lat, double lon, bool gotoIt);

// The text of a distance from the own vessel in the user's units.
std::string FormatAlertDistance(double metres);
std::string FormatAlertBearing(double degrees);
