// COverlayGPSPosition: the own position, one object for the process
// (`theLatestPosition`). The position feeds and the location service set
// its fields and call DispatchPositionUpdate(); it turns each new fix into
// an averaged speed and course and an odometer, tells the listeners of
// CDataGPSPosition, CDataSpeedDirection and COverlayObject, and notices
// when fixes stop (5 s without an update).
//
// Units: degrees (WGS84), knots, metres, seconds since 1970 UTC.
//
// Averaged speed and course: over "averaging_time" T seconds, from the
// oldest of the last 10 fixes (taken every T/10 s, dropped when older than
// 1.5 T) to the current position, in the local grid around the position.
// Odometer: legs are measured in the same grid and added to the total when
// a new leg starts (after 60 s above 1 knot, or after 10 s with a marked
// change of course or speed).
//
// The persisted part (position, odometer total, altitude settings) is kept
// in "gpsdata.ovtf". On the map it is a dot in the symbol colour (grey and
// hollow without a fix), with the heading as a triangle or the velocity
// vector, and the range rings.
#pragma once

#include <cstdint>
#include <memory>

#include "app/base/graphicscolor.h"
#include "app/base/heartbeat.h"
#include "data/compasscalibration.h"
#include "data/datagpsposition.h"
#include "overlays/overlaymovingtarget.h"
#include "overlays/serializable.h"

class COverlayGPSPosition : public COverlayMovingTarget, public CSerializable {
public:
    static constexpr object_type kOwnPosition = 100;
    static constexpr uint32_t kFileMagic = 0x23592A83;
    static constexpr int kHistory = 10;
    static constexpr int kWatchdogTicks = 50;  // 5 s of 100 ms ticks

    static COverlayGPSPosition theLatestPosition;

    COverlayGPSPosition();
    ~COverlayGPSPosition() override;

    // Stores the position and moves the local grid there; in terrain
    // altitude mode the altitude comes from the elevation data.
    void set_latlon(double lat, double lon);

    void DispatchPositionUpdate();
    void DispatchHeadingUpdate();
    void GetAverageSpeed();
    void UpdateOdometer();
    void reset_history();
    // The watchdog: 5 s without an update make the position stale.
    void OnHeartbeat();

    void Map(CMapping& mapping, const CPolynomialProjection& projection) const override;
    void Draw(QPainter* painter, const CViewParams& view, CMapping& mapping) const override;
    GraphicsColor drawingColor() const override { return gc_color2; }
    bool Serialize(IOStream& stream) override;

    // "gpsdata.ovtf" in the application folder.
    static std::string DataFilePath();
    bool Load(const std::string& path);
    bool Save(const std::string& path);

    const void* fix_owner = nullptr;  // who made the latest fix
    bool fix_seen = false;            // an update came within the last 5 s

    struct HistoryEntry {
        double lat = 0, lon = 0, time = 0;
    };
    HistoryEntry history[kHistory];
    int history_next = 0;
    int history_count = 0;
    double next_averaging_time = 0;

    double total_distance = 0;  // metres
    double leg_distance = 0;    // metres
    double leg_start_lat = 999, leg_start_lon = 999;
    double leg_start_time = 0;  // 0 = no leg yet
    double last_fix_time = 0;   // of the last fix counted as new

    // Settings, persisted as "COverlayGPSPosition".
    static GraphicsColor gc_color2;
    static double averaging_time;  // seconds
    static bool show_heading;
    static int record_in_background_mode;  // non-zero: keep input while a track records
    static bool screen_keep_alive;
    static bool showOnLockScreen;
    static CompassCalibration compass_cal;
    // Called after the settings were loaded (the track manager takes the colour).
    static void (*settings_loaded)();

private:
    using Watchdog = CHeartbeat::Forwarder<COverlayGPSPosition>;
    // Made with the first update, so that a process without positions keeps
    // the heartbeat free of counters.
    std::unique_ptr<Watchdog> watchdog;
    void appendHistory(double time);
};
