// Racing sailors want the start on a track of its own: two minutes before
// the gun (when the race settings ask for it) the recorder starts a new track
// named for the start, recording from then on.
#include "data/distancetostart.h"
#include "overlays/trackmanager.h"

namespace {

class RaceStartTrack : public Listener<StartApproaching> {
public:
    void OnUpdate(StartApproaching& start) override {
        CTrackManager& manager = CTrackManager::theManager;
        manager.StartNewTrack();
        if (COverlayTrack* track = manager.GetActiveTrack()) {
            track->name = start.track_name;
            track->SetModifiedNow();
            manager.tracks_changed = true;
        }
    }
};
RaceStartTrack s_raceStartTrack;

}  // namespace
