// CTrackManager: the process-wide owner of the tracks (`theManager`), of
// "tracks.ovtf" and of recording. It listens to the own position and, while
// recording (doRecordTrack, a persisted setting, so recording goes on after a
// restart), appends the points that pass the recording filter to the active
// track, the last of the list.
//
// Listener<CTrackManager> hears when recording starts, stops or pauses;
// Listener<COverlayTrack> hears the active track on every position update,
// kept or not.
//
// The recording filter keeps a point 2.9 m and 1.9 s or more from the last
// one when course or speed changed, and otherwise only once 20 s and 20 m
// have both passed. A gap of more than 6 hours starts a new track; a clock
// that steps back is a gap too, so recording goes on after it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "overlays/overlaytrack.h"

class CTrackManager : public CSerializable, public Listener<CDataGPSPosition> {
public:
    static CTrackManager theManager;

    static constexpr double kNewTrackGap = 21600;  // seconds
    static constexpr double kMinDistance = 2.9;    // metres
    static constexpr double kMinTime = 1.9;        // seconds
    static constexpr double kSteadyDistance = 20;  // metres
    static constexpr double kSteadyTime = 20;      // seconds
    static constexpr const char* kDefaultTrackTemplate = "T#";
    static constexpr const char* kSimulationName = "Simulation";

    CTrackManager();
    ~CTrackManager() override;
    CTrackManager(const CTrackManager&) = delete;
    CTrackManager& operator=(const CTrackManager&) = delete;

    // The recording filter.
    void OnUpdate(CDataGPSPosition& position) override;

    // The list, then the template.
    bool Serialize(IOStream& stream) override;
    static std::string FilePath();  // "tracks.ovtf" in the application folder
    // Replaces the tracks with the file's; false for a missing or damaged
    // file (tracks read before damage stay).
    bool LoadFromFile(const std::string& path = FilePath());
    // Writes the file when the tracks changed; the flag is cleared only once
    // the file is safely written. True when nothing is left to save.
    bool SaveIfNeeded(const std::string& path = FilePath());

    void startTrackRecording();
    void stopTrackRecording();
    void ResumeOrPauseRecording();
    void ResumeRecording(COverlayTrack* track);
    void ToggleTrackRecording();
    // A fresh track from now on, recording kept on (the race start asks for
    // one shortly before the gun).
    void StartNewTrack();
    static bool isRecording() { return doRecordTrack; }

    // The last live track, its statistics brought up to date; or null.
    COverlayTrack* GetActiveTrack();
    // Tells one new listener of the active track about it at once.
    void UpdateWithActiveTrack(Listener<COverlayTrack>& listener);
    void DeleteTrack(COverlayTrack* track);
    void DeleteTracksMatching(const std::function<bool(COverlayTrack*)>& match);
    void ForEachMatchingTrack(const std::string& text,
                              const std::function<void(COverlayTrack&)>& fn) const;
    // The live (not deleted) track of that identity, or null.
    COverlayTrack* FindTrackById(uint64_t id) const;
    COverlayTrack* FindTrackStartingAt(double lat, double lon, double tolerance) const;
    COverlayTrack* FindTrackEndingAt(double lat, double lon, double tolerance) const;
    bool alreadyHave(const COverlayTrack& track) const;
    COverlayTrack* AddTrack(std::unique_ptr<COverlayTrack> track);
    // Splits a track at a point: the new part follows it in the list.
    COverlayTrack* SplitTrack(COverlayTrack* track, CTrackSection* section, int index);
    bool JoinTracks(COverlayTrack* first, COverlayTrack* second);
    void ClearAll();

    // The simulator's own track: StartSimulation replaces it, EndSimulation
    // deletes it. Tracks the user recorded are never touched.
    void StartSimulation();
    void EndSimulation();
    COverlayTrack* simulationTrack() const { return simulation_track; }

    std::vector<std::unique_ptr<COverlayTrack>> tracks;
    COverlayTrack default_track;  // the template of new tracks ("T#")
    bool tracks_changed = false;
    static bool doRecordTrack;

private:
    COverlayTrack* appendNewTrack(bool simulated, double when);
    void recordingChanged(bool saveSettings);
    void resetTemplate();
    void dropSimulationTrack();
    COverlayTrack* activeTrackRaw() const;
    void acceptPoint(COverlayTrack& track, const CTrackPoint& point, double d, double dt,
                     const CDataGPSPosition& position);

    COverlayTrack* simulation_track = nullptr;
};
