// CAISTargetManager: the targets heard over AIS (`theManager`), keyed by
// MMSI. It listens to AIS messages from other stations (VDM) and from the
// own transponder (VDO) and to the own position; it classifies and colours
// the targets, computes the closest point of approach against the own
// vessel, raises collision and man-overboard alarms, and expires targets
// every two minutes on the heartbeat ("Lost contact" after 366 s of
// silence, gone after 600 s).
//
// CPA and TCPA: in the own vessel's local grid (metres east x, north y),
// with the target's offset p and relative velocity v (m/s),
//   tcpa = -(p . v) / |v|^2 seconds,  cpa = |p + v * tcpa| metres,
// the straight-line closest approach of two vessels holding course and
// speed; cpa is then less the target's length. No relative motion or a
// closest approach in the past give tcpa 0 and cpa 1e10.
//
// With "record_tracks" on, each target with a fix also leaves a track
// (CTrackManager) named after it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "app/base/datasource.h"
#include "app/base/heartbeat.h"
#include "data/aistarget.h"
#include "data/datagpsposition.h"
#include "maps/simplegrid.h"
#include "nmea/nmea_ais.h"

class COverlayTrack;

class CAISTargetManager : public Listener<CNEMA_AIS::VDM>,
                          public Listener<CNEMA_AIS::VDO>,
                          public Listener<CDataGPSPosition> {
public:
    static CAISTargetManager theManager;

    static constexpr double kKnotsToMs = 0.5144445;
    static constexpr double kLostContactSeconds = 366;
    static constexpr double kExpirySeconds = 600;
    static constexpr int kExpiryTicks = 1200;            // 120 s
    static constexpr double kManOverboardRange = 10000;  // metres
    static constexpr double kGotoRange = 500;            // metres

    CAISTargetManager();
    ~CAISTargetManager() override;
    CAISTargetManager(const CAISTargetManager&) = delete;
    CAISTargetManager& operator=(const CAISTargetManager&) = delete;

    void OnUpdate(CNEMA_AIS::VDM& message) override;
    void OnUpdate(CNEMA_AIS::VDO& message) override;
    void OnUpdate(CDataGPSPosition& position) override;
    // Expiry, with now the heartbeat's time.
    void OnHeartbeat();
    void detect_collision(CAISTarget& target);
    // Runs detect_collision again for every target with a fix (after the
    // own vessel moved without the targets saying anything).
    void RecomputeAll();
    // The instant target list of a TCP source; false when the file is not
    // XML or has no "Watchmate" root.
    bool ReadInstantTargets(const std::string& file);
    bool ReadInstantTargetsText(const std::string& xml);

    CAISTarget* Find(uint32_t mmsi);
    // Every target goes (dispatched as removed), and the own vessel is forgotten.
    void ClearAll();
    bool hasOwnPosition() const { return m_ownSet; }

    std::map<unsigned, CAISTarget> targets;
    CSimpleGrid grid;               // centred on the own position
    double own_vx = 0, own_vy = 0;  // own velocity, m/s east and north

    // Settings, persisted as "CAISTargetManager".
    static float cpa_alarm_distance;   // metres, class A and others
    static float cpa_classB_distance;  // metres
    static float cpa_alarm_time;       // seconds
    static float cpa_min_closing_velocity_knots;
    static bool alarm_beep;
    static bool record_tracks;
    static bool show_ais_range_ring;
    static bool enable_settings;  // a target has been shown: offer the settings page

private:
    CAISTarget& findOrInsert(uint32_t mmsi);
    void applyMessage(CAISTarget& target, const CNEMA_AIS::CAIS_Sentence& m);
    void afterMessage(CAISTarget& target);
    void manOverboard(CAISTarget& target);
    void raiseAlarm(CAISTarget& target);
    void cancelAlarm(CAISTarget& target);
    void recordTrack(CAISTarget& target);
    void remove(std::map<unsigned, CAISTarget>::iterator at);

    using Expiry = CHeartbeat::Forwarder<CAISTargetManager>;
    std::unique_ptr<Expiry> m_expiry;
    bool m_ownSet = false;
    std::map<unsigned, uint64_t> m_tracks;  // MMSI to the identity of its track
    // The targets by MMSI again, hashed: every message looks one up, and a
    // tree of thousands costs a dozen cache misses a lookup.
    std::unordered_map<unsigned, CAISTarget*> m_index;
};
