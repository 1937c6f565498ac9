// CIconManager: the images of the mark icons.
//
// The icons are the project's own SVG drawings, bundled as ":/marks/<Name>.svg"
// and rendered at the graphics resolution factor: kBaseSize (32) pixels square
// at factor 1, round(32 * factor) pixels at any other factor. One drawing
// serves every screen, so there are no per-scale raster variants.
//
// A colourisable icon is "<Name>_c.svg": its coloured parts are painted
// kColourPlaceholder ("#ff00ff") and their shaded sides kShadePlaceholder
// ("#800080"); the loader puts the mark's colour (and a darker shade of it) in
// their place before rendering. Outlines stay dark so an icon shows on any
// chart. The colour's alpha is not applied: a faint icon would vanish on a chart.
// Every image gets a pale rim, one pixel per factor wide, so that the dark
// outlines also show on a night chart.
//
// The hot spot is the point of the mark (the tip of a pin, the foot of a flag
// pole), given as fractions of the image's width and height.
//
// Images live until the process ends, so the pointers handed out stay valid;
// main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/base/graphicscolor.h"
#include "maps/geometry.h"

class QImage;

class CIconManager {
public:
    static constexpr int kBaseSize = 32;  // pixels at graphics resolution factor 1
    static constexpr const char* kColourPlaceholder = "#ff00ff";
    static constexpr const char* kShadePlaceholder = "#800080";

    // "MOB" stays; otherwise the first character is upper-cased if a letter,
    // the other letters lower-cased, digits kept, ' ' and '_' become '_', and
    // everything else is dropped ("red flag!" -> "Red_flag").
    static std::string to_file_name(const std::string& name);

    // The hot spot as fractions of width and height; (0, 0) for the label
    // kinds "Name", "Notes" and "None", (0.5, 0.5) for names not in the table.
    static FPoint HotSpot(const std::string& name);

    // Every icon that has an image, in the order of the icon chooser. The
    // label kinds "Name", "Notes" and "None" are not in it.
    static const std::vector<std::string>& IconNames();

    // True for "Name", "Notes" and "None": a label or nothing, never an image.
    static bool isLabelKind(const std::string& name);

    // The icon for the name (normalised with to_file_name) at the graphics
    // resolution factor, coloured with colour when it is colourisable, and
    // its hot spot in the image's pixels. Null for the label kinds and for a
    // name that has no icon: the caller falls back to another icon.
    static const QImage* GetIcon(const std::string& name, const GraphicsColor& colour,
                                 double resolution, FPoint& hotSpotPixels);
    // The same at the screen's graphicsResolution.
    static const QImage* GetIcon(const std::string& name, const GraphicsColor& colour,
                                 FPoint& hotSpotPixels);

    // The cache key of a file name: its bytes summed into 8 byte lanes, the
    // first byte in lane 7 (the top byte), the next in lane 6, and so on round.
    static uint64_t NameKey(const std::string& fileName);
};
