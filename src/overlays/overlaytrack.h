// COverlayTrack: one recorded path, held as sections of at most 64 points
// (CTrackSection) in time order. Owned by CTrackManager; the active track
// is the last of its list.
//
// Statistics are metres, seconds and metres per second in the track's local
// grid (CSimpleGrid centred on its first point). The cache total_distance,
// moving_time and max_speed is kept up to date per recorded point and
// recomputed from the points when total_distance is 0.
//
// Stored as one section: name, colour, line width, the sections, comment,
// line style, the sync section, category.
#pragma once

#include <Qt>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/graphicscolor.h"
#include "maps/simplegrid.h"
#include "overlays/syncable.h"
#include "overlays/tracksection.h"

class COverlayRoute;

class COverlayTrack : public CSyncable {
public:
    static constexpr uint32_t kTypeId = 119;

    COverlayTrack();
    ~COverlayTrack() override;

    bool Serialize(IOStream& stream) override;
    uint32_t GetTypeId() const override { return kTypeId; }
    bool getLonLatBounds(CBounds& bounds) const override;
    // All sections in one <trkseg>, the join points once.
    void WriteGPX(FILE* file) const override;
    std::string getSubText(const CSimpleGrid& grid) const override;

    // Appends a point (a new section when the last is full, starting with
    // the full one's last point); dispatch: tell the map view.
    void addPoint(const CTrackPoint& point, bool dispatch);
    bool isRecording() const;
    // Another vessel's wake (from its AIS reports): own recording never goes
    // on into it.
    bool other_vessel = false;
    // Nothing worth keeping: no points, or one section of fewer than 2.
    bool isTrivial() const;
    // To every section, and marks the tracks changed.
    void Dispatch(COverlayObject::update_action action);

    // Centres the grid on the first point if it has none yet.
    void SetGridOrigin();
    double getTotalDistance();
    // Recomputes distance, moving time and maximum speed from the points.
    double getStats(double& moving_time_out, double& max_speed_out);
    int getTotalPoints() const;
    double getTimeOfStart() const;
    double getTimeOfEnd() const;
    bool hasTiming() const { return getTimeOfStart() > 0; }
    double getElapsedTime() const;
    double getMovingTime() const;
    double getStoppedTime() const;
    // Ascent and descent in metres; false when a section lacks altitudes.
    bool getAltitudeMetrics(double& ascent, double& descent, double& max_altitude);
    bool hasAltitude();
    // The point nearest (lat, lon) in the grid, and its section; null when
    // the track has no points.
    const CTrackPoint* FindClosestPoint(const CSimpleGrid& grid, double lat, double lon,
                                        CTrackSection*& section, int& index) const;
    // Simplifies every section (tolerance in metres) and repackages them.
    bool CompactData(double tolerance);
    // A new track of the points from (section, index) on; that point stays
    // in both. Null when there is nothing to split off.
    std::unique_ptr<COverlayTrack> SplitTrack(CTrackSection* section, int index);
    // Takes other's points after this track's; false for this track itself.
    bool JoinTrack(COverlayTrack& other);
    // Same name, texts and points.
    bool sameData(const COverlayTrack& other) const;
    // Copies colour, width, style, sync flag and category (date expanded).
    void CopyAppearance(const COverlayTrack& from, double when);
    void resetStats() { total_distance = moving_time = max_speed = 0; }
    const CTrackPoint* firstPoint() const;
    const CTrackPoint* lastPoint() const;
    // Frees every section (a tombstone keeps no points).
    void ClearData();

    static Qt::PenStyle PenStyle(int line_style);
    // Shows the track's menu (rename, colour, hide, delete, split, join...).
    static void ShowTrackMenu(COverlayTrack* track, OV_HWND parent);
    // Asks "Delete "<name>".\nAre you sure?" and deletes the track on yes.
    static void ConfirmDelete(COverlayTrack* track, OV_HWND parent);
    // Asks for a new name; installed by the shell (no entry without it).
    using RenameEditor = std::function<void(OV_HWND, const std::string& current,
                                            std::function<void(const std::string&)> done)>;
    static RenameEditor renameEditor;

    std::vector<std::unique_ptr<CTrackSection>> sections;
    GraphicsColor color;
    float line_width = 2.0f;
    int32_t line_style = 0;
    double total_distance = 0;  // metres; 0 = recompute
    double moving_time = 0;     // seconds
    double max_speed = 0;       // m/s
    CSimpleGrid grid;
    bool grid_set = false;
};
