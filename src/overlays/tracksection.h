// CTrackSection: a block of at most 64 recorded points of a track, the unit
// the map view draws and hit-tests. Each section after the first starts with
// a copy of the previous section's last point, so the line is continuous.
//
// CTrackPoint is stored as is (32 bytes, little-endian): latitude and
// longitude in degrees WGS84, time in seconds since 1970 UTC, then an 8-byte
// block whose first 4 bytes are the altitude as a float in metres (below
// -9000: none); the other 4 are carried along uninterpreted.
//
// Distances are metres in the track's CSimpleGrid; times seconds; speeds m/s.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "overlays/overlayobject.h"
#include "overlays/serializable.h"

class COverlayTrack;
class CSimpleGrid;

struct CTrackPoint {
    double lat = 0;
    double lon = 0;
    double time = 0;
    uint8_t altitude_block[8] = {};

    float altitude() const {
        float a = 0;
        std::memcpy(&a, altitude_block, sizeof a);
        return a;
    }
    void setAltitude(float a) { std::memcpy(altitude_block, &a, sizeof a); }
};
static_assert(sizeof(CTrackPoint) == 32, "CTrackPoint is stored as 32 bytes");

class CTrackSection : public COverlayObject, public CSerializable {
public:
    static constexpr int kMaxPoints = 64;
    // Below this speed (m/s) the boat counts as stopped.
    static constexpr double kMovingSpeed = 0.447;

    CTrackSection();

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override;
    bool isVisible() const override;
    bool onTap(CKartileView* view, const FPoint& screen, const DblPoint& where) override;
    void onMenuDown(OV_HWND parent) override;

    // int32 count (0..64), then count points of 32 bytes.
    bool Serialize(IOStream& stream) override;

    bool isFull() const { return count >= kMaxPoints; }
    // False when the section is full.
    bool addPoint(const CTrackPoint& point);
    void resetCaches() { distance = ascent = descent = -1; }

    // Length of the line in the grid, cached.
    double getDistance(const CSimpleGrid& grid);
    // Adds this section's moving time and raises max_speed; speeds of a
    // segment that jump above 1.25 times the running average are spikes and
    // never set the maximum. Returns the section's length.
    double getStats(const CSimpleGrid& grid, double& moving_time, double& max_speed) const;
    // Adds ascent and descent between points 20 m apart or more; false when
    // the section has no altitudes.
    bool addAltitudeMetrics(const CSimpleGrid& grid, double& ascent_total, double& descent_total,
                            double& max_altitude);
    // Drops points within tolerance (metres) of the line between their
    // neighbours; the ends always stay. True when any point went.
    bool CompactData(const CSimpleGrid& grid, double tolerance);
    // Rebuilds a track's sections into full ones, each after the first
    // starting with its predecessor's last point.
    static void repackageSections(std::vector<std::unique_ptr<CTrackSection>>& sections,
                                  COverlayTrack* owner);

    COverlayTrack* track = nullptr;
    double distance = -1, ascent = -1, descent = -1;  // metres; -1 = not known
    int32_t count = 0;
    CTrackPoint points[kMaxPoints];
};
