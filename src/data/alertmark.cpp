#include "data/alertmark.h"

#include <cstdio>
#include <memory>

#include "geo/units.h"
#include "overlays/markmanager.h"
#include "overlays/markmenu.h"

namespace {

const GraphicsColor kAlertColour(255, 0, 0);

}  // namespace

COverlayMark* PlaceAlertMark(const std::string& name, double lat, double lon, bool gotoIt) {
    CMarkManager& manager = CMarkManager::theManager;
    COverlayMark* mark = manager.FindMark(name);
    if (!mark) {
        auto made = std::make_unique<COverlayMark>();
        made->name = name;
        made->lat = lat;
        made->lon = lon;
        made->icon = "X";
        made->color = kAlertColour;
        mark = manager.AddMark(std::move(made));
    } else {
        mark->lat = lat;
        mark->lon = lon;
        mark->icon = "X";
        mark->color = kAlertColour;
        MarkEdited(*mark);
    }
    if (gotoIt && manager.go_to.mark != mark) manager.SetGoto(mark);
    return mark;
}

std::string FormatAlertDistance(double metres) {
    std::string text;
    if (CUnits::Default) {
        CUnits::Default->FormatDistance(float(metres), text);
        return text;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f m", metres);
    return buffer;
}

std::string FormatAlertBearing(double degrees) {
    std::string text;
    if (CUnits::Default) {
        CUnits::Default->FormatBearing(degrees, text);
        return text;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f°", degrees);
    return buffer;
}
