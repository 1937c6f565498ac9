// Reading GPX 1.1 and 1.0 into plain records, before any overlay object is
// made of them: what ImportGPXFile builds from, and what `ovtool gpx dump`
// shows. One streaming pass over the document; element names compare
// case-insensitively and without their namespace prefixes.
//
// Positions are WGS84 degrees (0 when an attribute is missing), times
// seconds since 1970 UTC (0 when absent or impossible), altitudes metres
// (-9999 when absent), proximity metres.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/base/graphicscolor.h"
#include "overlays/tracksection.h"

struct GpxLineStyle {
    bool has_color = false;
    GraphicsColor color;  // opaque unless an opacity was given
    bool has_opacity = false;
    float opacity = 1;
    bool has_width = false;
    float width = 0;
    int pattern = -1;  // index of a known pattern name, -1 when none
};

struct GpxWaypoint {
    double lat = 0, lon = 0;
    double time = 0;
    double elevation = -9999;
    std::string name;
    std::string comment;  // desc, then cmt when different, cut at "Source: ovid:"
    std::string link;
    std::string type;
    std::string sym;
    uint64_t object_id = 0;  // from src, or failing that desc
    bool has_color = false;
    GraphicsColor color;
    bool has_proximity = false;
    double proximity = 0;
};

struct GpxRoute {
    std::string name;
    std::string comment;
    std::string type;
    uint64_t object_id = 0;
    GpxLineStyle style;
    std::vector<GpxWaypoint> points;
};

struct GpxTrack {
    std::string name;
    std::string comment;
    std::string type;
    uint64_t object_id = 0;
    GpxLineStyle style;
    int segments = 0;
    std::vector<CTrackPoint> points;  // every segment's, in order
};

struct GpxData {
    std::vector<GpxWaypoint> marks;
    std::vector<GpxRoute> routes;
    std::vector<GpxTrack> tracks;
    bool has_gpx = false;  // a gpx element was found
};

// False, with a reason in error, for a malformed document or one without a
// gpx element; data then holds nothing worth importing.
bool ReadGPX(std::string_view document, GpxData& data, std::string* error = nullptr);
bool ReadGPXFile(const std::string& path, GpxData& data, std::string* error = nullptr);
