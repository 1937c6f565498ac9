// One map file as the catalogue knows it: title, type, scale, bounds and
// boundary, read from the file's header through ordinary reads (the map is
// not opened). Positions are degrees, Vertex(longitude, latitude); scale is
// nautical miles per pixel at the image centre.
#pragma once

#include <cstdint>
#include <string>

#include "maps/geometry.h"

class CChartOutline {
public:
    // Reads the record of a map file; false (record unusable) for anything
    // that is not a readable map: wrong magic, version or kind, offsets
    // outside the file, or a classic map cut short in its tiles.
    bool Read(const std::string& path);

    // Bounds first, then the boundary polygon (read from the file when empty).
    bool doesContain(double lat, double lon) const;
    const CPolygon& getPolygon() const;
    bool doesOverlap(const CPolygon& other) const;
    bool mightOverlap(const CBounds& other) const;
    bool typeIsSelected() const;
    bool operator<(const CChartOutline& other) const { return scale < other.scale; }

    // The file's name without its folder.
    std::string fileName() const;

    double scale = 0;  // nautical miles per pixel at the image centre
    std::string name;  // header name, or the file name when that is empty
    std::string path;
    std::string map_type;
    uint32_t flags = 0;
    bool fully_downloaded = true;  // version-3 maps: all chunks present
    bool chunked = false;          // a version-3 map
    CBounds bounds;
    double modified = 0;  // file time, seconds since 1970: the newer duplicate wins
    int64_t file_size = 0;

    // Version-3 maps keep their tiles elsewhere; their reader registers how
    // to tell whether a map file has all of them.
    class ChunkedMapProbe {
    public:
        using Function = bool (*)(const std::string& path);
        explicit ChunkedMapProbe(Function appearsFullyDownloaded);
        static bool AppearsFullyDownloaded(const std::string& path);

    private:
        Function m_function;
        ChunkedMapProbe* m_next;
    };

private:
    bool readBoundary(CPolygon& polygon) const;

    mutable CPolygon m_polygon;
};
