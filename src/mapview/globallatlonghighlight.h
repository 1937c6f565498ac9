// CGlobalLatLongHighlight: one place highlighted on every map view from
// outside the map, such as the point of a profile under the user's finger.
// Map views draw it as a ring and redraw when its generation changes.
#pragma once

#include <cstdint>

class QPainter;
class CKartileView;

class CGlobalLatLongHighlight {
public:
    static void Show(double lat, double lon);
    static void Clear();
    static bool shown() { return s_shown; }
    static double lat() { return s_lat; }
    static double lon() { return s_lon; }
    // Counts every change, so that views know to redraw.
    static uint32_t generation() { return s_generation; }
    // Draws the ring in a view's screen pixels when the place is on screen.
    static void Draw(QPainter& painter, const CKartileView& view);

private:
    static inline bool s_shown = false;
    static inline double s_lat = 999, s_lon = 999;
    static inline uint32_t s_generation = 0;
};
