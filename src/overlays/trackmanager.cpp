#include "overlays/trackmanager.h"

#include <algorithm>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "app/base/stringutils.h"
#include "data/overlaygpsposition.h"
#include "nmea/dataconnection.h"
#include "nmea/nmeasimulation.h"
#include "overlays/nametemplate.h"
#include "overlays/overlayfiles.h"
#include "overlays/overlaytool.h"

bool CTrackManager::doRecordTrack = false;
CTrackManager CTrackManager::theManager;

namespace {

constexpr double kKnotsToMs = 0.5144444444444445;

class TrackManagerPersistor : public PersistantData {
public:
    TrackManagerPersistor() : PersistantData("CTrackManager") {}
    void DeclareData() override { Declare("doRecordTrack", CTrackManager::doRecordTrack); }
};
TrackManagerPersistor s_persistor;

const AppHookRegistration s_load(AppHook::LoadTracks, [](const AppHookContext&) {
    CTrackManager::theManager.LoadFromFile();
});
const AppHookRegistration s_save(AppHook::SaveTracks, [](const AppHookContext&) {
    CTrackManager::theManager.SaveIfNeeded();
});

// The simulator restarts its track at every run and rewind.
struct SimulationHooks {
    SimulationHooks() {
        CNMEASimulation::start_simulation_track = [] {
            CTrackManager::theManager.StartSimulation();
        };
        CNMEASimulation::end_simulation_track = [] { CTrackManager::theManager.EndSimulation(); };
    }
};
const SimulationHooks s_simulationHooks;

void saveRecordingSetting() {
    s_persistor.changed = true;
    PersistantData::SaveAll();
}

bool usableFix(const CDataGPSPosition& p) {
    return p.HasFix() && p.HasPosition();
}

CTrackPoint pointFrom(const CDataGPSPosition& p) {
    CTrackPoint point;
    point.lat = p.latitude;
    point.lon = p.longitude;
    point.time = p.time;
    point.setAltitude(float(p.altitude));
    return point;
}

}  // namespace

CTrackManager::CTrackManager() {
    resetTemplate();
}

CTrackManager::~CTrackManager() {
    simulation_track = nullptr;
    ClearNewestFirst(tracks);
}

void CTrackManager::resetTemplate() {
    default_track.name = kDefaultTrackTemplate;
    default_track.comment.clear();
    default_track.category.clear();
    default_track.color = COverlayGPSPosition::gc_color2;
    default_track.line_width = 2.0f;
    default_track.line_style = 0;
    default_track.do_not_sync = false;
}

// ---------------------------------------------------------------- the file

bool CTrackManager::Serialize(IOStream& stream) {
    Section section(stream);
    CSerializableDeclareStatic<COverlayTrack> list(tracks);
    bool ok = list.Serialize(stream);
    if (ok && (stream.isWriting() || !stream.atEnd())) ok = default_track.Serialize(stream);
    return section.Close() && ok;
}

std::string CTrackManager::FilePath() {
    return getAppDirectory() + "/tracks.ovtf";
}

bool CTrackManager::LoadFromFile(const std::string& path) {
    ClearAll();
    resetTemplate();
    const bool ok = ReadFile(path, kTracksFileMagic);
    if (default_track.name.empty()) default_track.name = kDefaultTrackTemplate;
    default_track.deleted = false;
    default_track.ClearData();
    for (auto& track : tracks) track->Dispatch(COverlayObject::kChanged);
    tracks_changed = false;
    return ok;
}

bool CTrackManager::SaveIfNeeded(const std::string& path) {
    if (!tracks_changed) return true;
    if (simulation_track && simulation_track->deleted) simulation_track = nullptr;
    PurgeSyncableList(tracks, 0);
    if (simulation_track && std::none_of(tracks.begin(), tracks.end(), [&](const auto& t) {
            return t.get() == simulation_track;
        }))
        simulation_track = nullptr;
    return WriteFileIfChanged(path, kTracksFileMagic, tracks_changed);
}

// ---------------------------------------------------------------- recording

COverlayTrack* CTrackManager::activeTrackRaw() const {
    if (tracks.empty()) return nullptr;
    COverlayTrack* last = tracks.back().get();
    return last->deleted ? nullptr : last;
}

COverlayTrack* CTrackManager::appendNewTrack(bool simulated, double when) {
    auto track = std::make_unique<COverlayTrack>();
    track->CopyAppearance(default_track, when);
    if (simulated) {
        track->name = kSimulationName;
        track->do_not_sync = true;
    } else {
        track->name = GetNameFromTemplate(default_track.name, tracks, when);
    }
    track->GetObjectID();
    tracks.push_back(std::move(track));
    tracks_changed = true;
    COverlayTrack* added = tracks.back().get();
    if (simulated) simulation_track = added;
    return added;
}

void CTrackManager::recordingChanged(bool saveSettings) {
    if (saveSettings) saveRecordingSetting();
    Listener<CTrackManager>::Dispatch(*this);
    CDataConnection::UpdatedBackgroundSettings();
}

void CTrackManager::startTrackRecording() {
    doRecordTrack = true;
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    appendNewTrack(p.fix_status == CDataGPSPosition::kSimulated, CHeartbeat::Timestamp());
    recordingChanged(true);
}

void CTrackManager::stopTrackRecording() {
    doRecordTrack = false;
    saveRecordingSetting();
    COverlayTrack* active = activeTrackRaw();
    if (active && active->isTrivial()) DeleteTrack(active);
    recordingChanged(false);
    SaveIfNeeded();
}

void CTrackManager::ResumeOrPauseRecording() {
    COverlayTrack* active = activeTrackRaw();
    if (!active || (active->other_vessel && !doRecordTrack)) {
        startTrackRecording();
        return;
    }
    if (doRecordTrack) {
        stopTrackRecording();
        return;
    }
    // The gap while paused becomes one straight segment.
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (usableFix(p)) {
        active->addPoint(pointFrom(p), true);
        active->resetStats();
    }
    doRecordTrack = true;
    recordingChanged(true);
}

void CTrackManager::ResumeRecording(COverlayTrack* track) {
    if (!track || track->deleted) return;
    if (track->isRecording()) return;
    if (doRecordTrack) stopTrackRecording();
    auto it =
        std::find_if(tracks.begin(), tracks.end(), [&](const auto& t) { return t.get() == track; });
    if (it == tracks.end()) return;
    std::rotate(it, it + 1, tracks.end());
    tracks_changed = true;
    ResumeOrPauseRecording();
}

void CTrackManager::ToggleTrackRecording() {
    if (doRecordTrack)
        stopTrackRecording();
    else
        startTrackRecording();
}

void CTrackManager::StartNewTrack() {
    if (!doRecordTrack) {
        startTrackRecording();
        return;
    }
    COverlayTrack* active = activeTrackRaw();
    if (active && active->isTrivial()) DeleteTrack(active);
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    appendNewTrack(p.fix_status == CDataGPSPosition::kSimulated, CHeartbeat::Timestamp());
    recordingChanged(false);
}

void CTrackManager::OnUpdate(CDataGPSPosition& position) {
    if (!doRecordTrack || !usableFix(position)) return;
    const CTrackPoint point = pointFrom(position);
    COverlayTrack* track = activeTrackRaw();
    const CTrackPoint* last = track ? track->lastPoint() : nullptr;
    if (track && !last) {
        acceptPoint(*track, point, 0, 0, position);
        return;
    }
    if (track) {
        const double dt = point.time - last->time;
        if (dt <= kNewTrackGap) {
            if (!track->grid_set) {
                track->grid.SetOrigin(point.lat, point.lon);
                track->grid_set = true;
            }
            const double d = track->grid.distance(last->lat, last->lon, point.lat, point.lon);
            // A clock that stepped back is a gap: without this, every point
            // would wait for the old time to come round again.
            if (dt < 0) {
                acceptPoint(*track, point, d, 0, position);
                return;
            }
            const bool steady =
                !position.hasChangedCourseSpd() && (dt < kSteadyTime || d < kSteadyDistance);
            if (d < kMinDistance || dt < kMinTime || steady) {
                Listener<COverlayTrack>::Dispatch(*track);
                return;
            }
            acceptPoint(*track, point, d, dt, position);
            return;
        }
    }
    COverlayTrack* fresh =
        appendNewTrack(position.fix_status == CDataGPSPosition::kSimulated, point.time);
    acceptPoint(*fresh, point, 0, 0, position);
}

void CTrackManager::acceptPoint(COverlayTrack& track, const CTrackPoint& point, double d, double dt,
                                const CDataGPSPosition& position) {
    if (track.total_distance == 0) track.getStats(track.moving_time, track.max_speed);
    track.total_distance += d;
    const double v = dt > 10 ? d / dt : position.speed * kKnotsToMs;
    if (v > CTrackSection::kMovingSpeed) {
        track.moving_time += dt;
        track.max_speed = std::max(track.max_speed, v);
    }
    track.addPoint(point, true);
    Listener<COverlayTrack>::Dispatch(track);
}

// ---------------------------------------------------------------- the list

COverlayTrack* CTrackManager::GetActiveTrack() {
    COverlayTrack* track = activeTrackRaw();
    if (track && track->total_distance == 0) track->getStats(track->moving_time, track->max_speed);
    return track;
}

void CTrackManager::UpdateWithActiveTrack(Listener<COverlayTrack>& listener) {
    if (COverlayTrack* track = GetActiveTrack()) listener.OnUpdate(*track);
}

void CTrackManager::DeleteTrack(COverlayTrack* track) {
    if (!track || track->deleted) return;
    if (track->isRecording()) doRecordTrack = false;
    if (COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedTrackSection() &&
        COverlayTool::the_tool->GetSelectedTrackSection()->track == track)
        COverlayTool::Deselect();
    if (track == simulation_track) simulation_track = nullptr;
    track->DeleteSyncItem();
    track->ClearData();
    track->Dispatch(COverlayObject::kChanged);
    tracks_changed = true;
}

void CTrackManager::DeleteTracksMatching(const std::function<bool(COverlayTrack*)>& match) {
    for (auto& track : tracks)
        if (!track->deleted && match(track.get())) DeleteTrack(track.get());
    SaveIfNeeded();
}

void CTrackManager::ForEachMatchingTrack(const std::string& text,
                                         const std::function<void(COverlayTrack&)>& fn) const {
    for (const auto& track : tracks)
        if (!track->deleted && track->matches_search(text)) fn(*track);
}

namespace {
bool near(const CTrackPoint* p, double lat, double lon, double tolerance) {
    return p && std::abs(p->lat - lat) <= tolerance && std::abs(p->lon - lon) <= tolerance;
}
}  // namespace

COverlayTrack* CTrackManager::FindTrackById(uint64_t id) const {
    for (const auto& track : tracks)
        if (id && !track->deleted && track->object_id == id) return track.get();
    return nullptr;
}

COverlayTrack* CTrackManager::FindTrackStartingAt(double lat, double lon, double tolerance) const {
    for (const auto& track : tracks)
        if (!track->deleted && near(track->firstPoint(), lat, lon, tolerance)) return track.get();
    return nullptr;
}

COverlayTrack* CTrackManager::FindTrackEndingAt(double lat, double lon, double tolerance) const {
    for (const auto& track : tracks)
        if (!track->deleted && near(track->lastPoint(), lat, lon, tolerance)) return track.get();
    return nullptr;
}

bool CTrackManager::alreadyHave(const COverlayTrack& track) const {
    return std::any_of(tracks.begin(), tracks.end(),
                       [&](const auto& t) { return t->sameData(track); });
}

COverlayTrack* CTrackManager::AddTrack(std::unique_ptr<COverlayTrack> track) {
    track->GetObjectID();
    // The last track is the one recording goes on (or resumes) into; another
    // vessel's wake goes before it.
    auto at = tracks.end();
    if (!tracks.empty() && (doRecordTrack || (track->other_vessel && !tracks.back()->other_vessel)))
        --at;
    at = tracks.insert(at, std::move(track));
    tracks_changed = true;
    (*at)->Dispatch(COverlayObject::kChanged);
    return at->get();
}

COverlayTrack* CTrackManager::SplitTrack(COverlayTrack* track, CTrackSection* section, int index) {
    if (!track) return nullptr;
    std::unique_ptr<COverlayTrack> part = track->SplitTrack(section, index);
    if (!part) return nullptr;
    part->GetObjectID();
    auto it =
        std::find_if(tracks.begin(), tracks.end(), [&](const auto& t) { return t.get() == track; });
    // The later part takes the recording on, being the one that grows.
    it = tracks.insert(it == tracks.end() ? it : it + 1, std::move(part));
    tracks_changed = true;
    track->Dispatch(COverlayObject::kChanged);
    (*it)->Dispatch(COverlayObject::kChanged);
    SaveIfNeeded();
    return it->get();
}

bool CTrackManager::JoinTracks(COverlayTrack* first, COverlayTrack* second) {
    if (!first || !second) return false;
    const bool recording = second->isRecording();
    if (!first->JoinTrack(*second)) return false;
    DeleteTrack(second);
    if (recording) ResumeRecording(first);
    SaveIfNeeded();
    return true;
}

void CTrackManager::ClearAll() {
    if (COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedTrackSection())
        COverlayTool::Deselect();
    simulation_track = nullptr;
    ClearNewestFirst(tracks);
}

// ---------------------------------------------------------------- simulation

// Deleting the recording track would stop recording, which the user chose.
void CTrackManager::dropSimulationTrack() {
    const bool recording = doRecordTrack;
    if (simulation_track) DeleteTrack(simulation_track);
    simulation_track = nullptr;
    doRecordTrack = recording;
}

void CTrackManager::StartSimulation() {
    dropSimulationTrack();
    if (doRecordTrack) appendNewTrack(true, CHeartbeat::Timestamp());
}

void CTrackManager::EndSimulation() {
    dropSimulationTrack();
    SaveIfNeeded();
}
