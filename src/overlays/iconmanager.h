// TEMP stub until the icon set lands.
#pragma once
#include <string>
#include "app/base/graphicscolor.h"
#include "maps/geometry.h"
class QImage;
class CIconManager {
public:
    static const QImage* GetIcon(const std::string&, const GraphicsColor&, double, FPoint&) { return nullptr; }
};
#include <vector>
struct CIconManagerNames { static const std::vector<std::string>& IconNames() { static std::vector<std::string> v; return v; } };
