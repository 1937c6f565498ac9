// The square Web-Mercator tile grid (spherical Mercator on a sphere of the
// WGS84 semi-major axis): pixel (0, 0) at 180° W and about 85.05° N, the
// whole world 256·2^level pixels square at a level.
#pragma once

#include <string>

class Google_Grid {
public:
    // pattern is a printf form taking (level, x, y, x) when swapped is set and
    // (level, y, x, x) otherwise, e.g. "%d/%d/%d.png".
    Google_Grid(int level, bool swapped, const std::string& pattern);

    int level() const { return m_level; }
    double mapSize() const { return m_mapSize; }  // pixels

    // Degrees to pixels at this level, not clipped to the world.
    void LatLongToPixelXY(double lat, double lon, double& x, double& y) const;
    void PixelXYToLatLong(double x, double y, double& lat, double& lon) const;

    // Metres per pixel at a latitude and level.
    static double GroundResolution(double lat, int level);
    // The level whose pixels are about `metresPerPixel` on the ground: 0 beyond
    // the Mercator limit, 20 for resolutions finer than a metre.
    static int levelForResolution(double lat, double metresPerPixel);

    std::string filename(int x, int y) const;

private:
    int m_level;
    double m_mapSize;
    std::string m_pattern;
    bool m_swapped;
};
