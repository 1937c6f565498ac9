// Importing GPX: marks, routes (their points become waypoints made from the
// waypoint template) and tracks (every segment joined into one track). An
// object whose identity ("ovid:...") is already known, even as a tombstone,
// is brought back and refilled instead of added again.
//
// A long track logged more often than every 5 s on average is simplified
// on import (CompactData, 2 m), as the recorder would have kept it.
#pragma once

#include <string>

#include "maps/geometry.h"
#include "overlays/gpxreader.h"

class COverlayTrack;

struct GpxImportCounts {
    int marks = 0;
    int routes = 0;
    int tracks = 0;
    int total() const { return marks + routes + tracks; }
    // "2 marks, 1 route, 0 tracks imported"
    std::string Summary() const;
};

struct GpxImportOptions {
    const std::string* category = nullptr;  // replaces every object's type
    GpxImportCounts* counts = nullptr;
    std::string* error = nullptr;  // why nothing was imported
    bool save = true;              // write the overlay files afterwards
};

// What importing one file did, for the user's status line.
struct GpxImportResult {
    GpxImportCounts counts;
    std::string error;  // why nothing was imported
    CBounds bounds;     // around every imported object
};

// Imports everything, extends bounds by every imported object and saves the
// overlay files; true when at least one object was imported.
bool ImportGPXFile(const std::string& path, CBounds& bounds, const GpxImportOptions& options = {});
bool ImportGPXFile(const std::string& path);
// Imports everything with the default options and saves the overlay files;
// result says what came in or why nothing did.
bool ImportGPXFile(const std::string& path, GpxImportResult& result);
bool ImportGPXFileIntoCategory(const std::string& path, const std::string& category);
// The same from records already read.
bool ImportGpxData(const GpxData& data, CBounds& bounds, const GpxImportOptions& options = {});

// A track's points, name, texts and line style from its record, without the
// simplification (CTrackManager is not touched).
void FillTrackFromGpx(COverlayTrack& track, const GpxTrack& record, const std::string* category);
// Whether import simplifies a track: more than 1000 points, less than 5 s
// apart on average.
bool GpxTrackNeedsCompacting(const GpxTrack& record);
