#include "overlays/markmanager.h"

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"

CMarkManager CMarkManager::theManager;

namespace {

class MarkManagerPersistor : public PersistantData {
public:
    MarkManagerPersistor() : PersistantData("CMarkManager") {}
    void DeclareData() override { Declare("auto_reverse", CDataGotoMark::auto_reverse); }
};
MarkManagerPersistor s_persistor;

bool usableFix(const CDataGPSPosition& p) {
    return p.HasFix() && p.HasPosition();
}

}  // namespace

CMarkManager::CMarkManager() = default;

CMarkManager::~CMarkManager() {
    // The marks go first so that nothing points at them any more.
    go_to.mark = nullptr;
    marks.clear();
}

void CMarkManager::OnUpdate(CDataGPSPosition& position) {
    if (!usableFix(position) || !Listener<CDataGotoMark>::HasListeners()) return;
    if (go_to.grid_time == 0 || !go_to.mark) return;
    followMovedDestination();
    go_to.UpdateFromPosition(position.latitude, position.longitude);
    Listener<CDataGotoMark>::Dispatch(go_to);
}

// The grid and the leg were laid out for the destination's old place.
void CMarkManager::followMovedDestination() {
    const COverlayMark* mark = go_to.mark;
    if (mark->lat == go_to.grid.OriginLat() && mark->lon == go_to.grid.OriginLon()) return;
    go_to.CentreOn(mark->lat, mark->lon);
}

bool CMarkManager::SetGoto(COverlayMark* mark) {
    CancelNavigation();
    if (!mark || !mark->HasPosition()) return false;
    go_to.mark = mark;
    mark->is_goto = true;
    go_to.CentreOn(mark->lat, mark->lon);
    go_to.grid_time = CHeartbeat::Timestamp();
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (usableFix(p)) go_to.UpdateFromPosition(p.latitude, p.longitude);
    Listener<CDataGotoMark>::Dispatch(go_to);
    mark->Dispatch(COverlayObject::kDisplayChanged);
    return true;
}

void CMarkManager::CancelNavigation() {
    COverlayMark* previous = go_to.mark;
    go_to.mark = nullptr;
    go_to.route = nullptr;
    go_to.leg = CDataGotoMark::Vector();
    go_to.leg_length = 0;
    go_to.distance = 0;
    go_to.cross_track = 0;
    go_to.distance_after = 0;
    go_to.grid_time = 0;
    go_to.bearing = CDataGotoMark::kUnknownBearing;
    if (previous) {
        previous->is_goto = false;
        previous->Dispatch(COverlayObject::kDisplayChanged);
    }
    Listener<CDataGotoMark>::Dispatch(go_to);
}

void CMarkManager::ChangeDestination(COverlayMark* destination, const COverlayMark* legStart) {
    if (!destination || !destination->HasPosition()) return;
    go_to.mark = destination;
    go_to.CentreOn(destination->lat, destination->lon);
    go_to.grid_time = CHeartbeat::Timestamp();
    if (legStart && legStart->HasPosition()) go_to.NavigateFrom(legStart->lat, legStart->lon);
}

COverlayMark* CMarkManager::FindMark(const std::string& name) const {
    for (const auto& mark : marks)
        if (!mark->deleted && mark->name == name) return mark.get();
    return nullptr;
}

void CMarkManager::DeleteMark(COverlayMark* mark) {
    if (!mark) return;
    if (mark == go_to.mark) CancelNavigation();
    mark->DeleteSyncItem();
    mark->ClearData();
    mark->Dispatch(COverlayObject::kChanged);
    marks_changed = true;
}

void CMarkManager::ClearAll() {
    CancelNavigation();
    marks.clear();
}
