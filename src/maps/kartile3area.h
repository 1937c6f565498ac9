// The chunks of a version-3 map under an area, for area downloads: those a
// polygon touches, and those within a distance of a route.
//
// Areas come in degrees (Vertex x = longitude, y = latitude) and are taken
// to map pixels through the map's georeferencing; a chunk is the square of
// 1024 x 1024 pixels at (column * 1024, row * 1024). Keys are chunk keys
// in row-major order, clipped to the image.
#pragma once

#include <cstdint>
#include <vector>

#include "maps/chunkkey.h"
#include "maps/geometry.h"

class CKartile;

class CKartile3Area {
public:
    // Chunks whose square shares a point with the polygon (its inside or its
    // edge). None when a vertex has no pixel position.
    static std::vector<ChunkKey> UnderPolygon(const CKartile& map, const CPolygon& area);

    // Chunks whose square comes within `widthMetres` of the route. Distances
    // are measured in a local metric plane per route segment (the map's
    // pixel axes scaled to metres at the segment's middle), which holds for
    // segments much shorter than the earth's radius.
    static std::vector<ChunkKey> AlongRoute(const CKartile& map, const CPolyline& route,
                                            double widthMetres);
};
