#include "overlays/markmanager.h"

#include <algorithm>
#include <cmath>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"
#include "maps/simplegrid.h"
#include "overlays/marktool.h"
#include "overlays/nametemplate.h"
#include "overlays/overlayfiles.h"

// The settings come before the manager, whose template reads them.
bool CMarkManager::notifications = true;
std::string CMarkManager::default_mark_icon = "Flag";
GraphicsColor CMarkManager::default_mark_color2(220, 40, 40);
float CMarkManager::horiz_speed = 2.5722222f;  // 5 knots
float CMarkManager::ascent_sec_per_meter = 0;
float CMarkManager::descent_sec_per_meter = 0;
CMarkManager CMarkManager::theManager;

namespace {

class MarkManagerPersistor : public PersistantData {
public:
    MarkManagerPersistor() : PersistantData("CMarkManager") {}
    void DeclareData() override {
        Declare("auto_reverse", CDataGotoMark::auto_reverse);
        Declare("notifications", CMarkManager::notifications);
        Declare("default_mark_icon", CMarkManager::default_mark_icon);
        Declare("default_mark_color2", CMarkManager::default_mark_color2);
        Declare("horiz_speed", CMarkManager::horiz_speed);
        Declare("ascent_sec_per_meter", CMarkManager::ascent_sec_per_meter);
        Declare("descent_sec_per_meter", CMarkManager::descent_sec_per_meter);
        CMarkManager::theManager.ApplyDefaultMarkSettings();
    }
};
MarkManagerPersistor s_persistor;

const AppHookRegistration s_load(AppHook::LoadMarks, [](const AppHookContext&) {
    CMarkManager::theManager.LoadFromFile();
    CMarkManager::theManager.LoadRoutes();
});
const AppHookRegistration s_save(AppHook::SaveMarks, [](const AppHookContext&) {
    CMarkManager::theManager.SaveIfNeeded();
    CMarkManager::theManager.SaveRoutesIfNeeded();
});

// The whole of "marks.ovtf" after its magic: one section holding the list
// and the template.
class MarksFile : public CSerializable {
public:
    explicit MarksFile(CMarkManager& owner) : m_owner(owner) {}
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        CSerializableDeclareStatic<COverlayMark> list(m_owner.marks);
        bool ok = list.Serialize(stream);
        if (ok && (stream.isWriting() || !stream.atEnd()))
            ok = m_owner.default_mark.Serialize(stream);
        return section.Close() && ok;
    }

private:
    CMarkManager& m_owner;
};

bool usableFix(const CDataGPSPosition& p) {
    return p.HasFix() && p.HasPosition();
}

}  // namespace

CMarkManager::CMarkManager() {
    resetTemplate();
    default_route.name = kDefaultRouteTemplate;
    default_waypoint.name = kDefaultWaypointTemplate;
    default_waypoint.icon = "Dot";
    default_waypoint.color = GraphicsColor(0, 0, 0);
}

void CMarkManager::resetTemplate() {
    default_mark.name = kDefaultMarkTemplate;
    default_mark.comment.clear();
    default_mark.category.clear();
    default_mark.link.clear();
    default_mark.inner_radius = default_mark.alarm_radius = 0;
    ApplyDefaultMarkSettings();
}

void CMarkManager::ApplyDefaultMarkSettings() {
    default_mark.icon = default_mark_icon;
    default_mark.color = default_mark_color2;
    default_mark.icon_image = nullptr;
}

CMarkManager::~CMarkManager() {
    // The marks go first so that nothing points at them any more.
    go_to.mark = nullptr;
    go_to.route = nullptr;
    route_in_progress = nullptr;
    ClearNewestFirst(routes);
    ClearNewestFirst(marks);
}

void CMarkManager::OnUpdate(CDataGPSPosition& position) {
    if (!usableFix(position)) return;
    if (notifications) alarms.Check(marks, position.latitude, position.longitude);
    if (!Listener<CDataGotoMark>::HasListeners()) return;
    if (go_to.route) followRoute(position);
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
    marks_changed = true;  // navigation resumes after a restart
    go_to.CentreOn(mark->lat, mark->lon);
    go_to.grid_time = CHeartbeat::Timestamp();
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (usableFix(p)) go_to.UpdateFromPosition(p.latitude, p.longitude);
    Listener<CDataGotoMark>::Dispatch(go_to);
    mark->Dispatch(COverlayObject::kDisplayChanged);
    return true;
}

bool CMarkManager::SetFollowRoute(COverlayRoute* route, bool reversed) {
    CancelNavigation();
    if (!route || route->deleted || route->waypoints.size() < 2) return false;
    if (reversed) route->ReverseWaypoints();
    route->is_followed = true;
    routes_changed = true;  // following resumes after a restart
    go_to.route = route;
    COverlayMark* first = route->waypoints.front().get();
    go_to.mark = first;
    go_to.CentreOn(first->lat, first->lon);
    go_to.grid_time = CHeartbeat::Timestamp();
    const COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (usableFix(p)) {
        followRoute(p);
        go_to.UpdateFromPosition(p.latitude, p.longitude);
    } else {
        go_to.distance_after = float(route->TotalLengthofSegments());
    }
    Listener<CDataGotoMark>::Dispatch(go_to);
    route->Dispatch(COverlayObject::kDisplayChanged);
    return true;
}

void CMarkManager::followRoute(const CDataGPSPosition& position) {
    COverlayRoute* route = go_to.route;
    if (route->waypoints.size() < 2) return;
    if (CDataGotoMark::auto_reverse && go_to.mark == route->waypoints.front().get() &&
        go_to.leg_length > 0 && go_to.distance < 0.2 * go_to.leg_length && go_to.bearing < 900 &&
        position.course < 900) {
        double turn = go_to.bearing - position.course;
        while (turn > 180) turn -= 360;
        while (turn < -180) turn += 360;
        if (std::abs(turn) > 135) route->ReverseWaypoints();
    }
    COverlayRoute::LegChoice choice;
    if (!route->FindNearestLeg(position.latitude, position.longitude, position.course, choice))
        return;
    go_to.distance_after = float(choice.distance_after);
    if (!choice.next || choice.next == go_to.mark) return;
    go_to.mark = choice.next;
    go_to.leg = CDataGotoMark::Vector();
    go_to.leg_length = 0;
    go_to.CentreOn(choice.next->lat, choice.next->lon);
    go_to.grid_time = CHeartbeat::Timestamp();
    if (choice.prev) go_to.NavigateFrom(choice.prev->lat, choice.prev->lon);
}

void CMarkManager::CancelNavigation() {
    if (COverlayRoute* followed = go_to.route) {
        go_to.route = nullptr;
        followed->is_followed = false;
        routes_changed = true;
        followed->Dispatch(COverlayObject::kDisplayChanged);
        go_to.mark = nullptr;
    }
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
        marks_changed = true;
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
    if (!mark || mark->deleted) return;
    // A waypoint leaves its route instead (taking a two-point route with it).
    if (mark->route) {
        mark->route->DeleteWaypoint(mark);
        SaveRoutesIfNeeded();
        return;
    }
    if (mark == go_to.mark) CancelNavigation();
    alarms.Cancel(*mark);
    mark->DeleteSyncItem();
    mark->ClearData();
    mark->Dispatch(COverlayObject::kChanged);
    marks_changed = true;
    SaveIfNeeded();
}

void CMarkManager::ClearAll() {
    CancelNavigation();
    alarms.CancelAll(marks);
    if (COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedMark())
        COverlayTool::Deselect();
    ClearNewestFirst(marks);
}

std::string CMarkManager::FilePath() {
    return getAppDirectory() + "/marks.ovtf";
}

bool CMarkManager::LoadFromFile(const std::string& path) {
    ClearAll();
    resetTemplate();
    MarksFile file(*this);
    const bool ok = file.ReadFile(path, kMarksFileMagic);
    // The template's name is a template; a damaged one would name every mark alike.
    if (default_mark.name.empty()) default_mark.name = kDefaultMarkTemplate;
    default_mark.deleted = false;
    marks_changed = false;
    COverlayMark* destination = nullptr;
    for (auto& mark : marks) {
        if (mark->deleted) continue;
        // Every mark is named by its identity (menus, lists, ovtool).
        if (mark->object_id == 0) {
            mark->GetObjectID();
            marks_changed = true;
        }
        mark->Dispatch(COverlayObject::kChanged);
        if (mark->is_goto) {
            mark->is_goto = false;
            destination = mark.get();
        }
    }
    const bool identitiesGiven = marks_changed;
    if (destination) SetGoto(destination);
    marks_changed = identitiesGiven;
    return ok;
}

bool CMarkManager::SaveIfNeeded(const std::string& path) {
    if (!marks_changed) return true;
    PurgeSyncableList(marks, 0);
    MarksFile file(*this);
    return file.WriteFileIfChanged(path, kMarksFileMagic, marks_changed);
}

std::string CMarkManager::DefaultMarkName(const std::string& nameTemplate) const {
    return GetNameFromTemplate(nameTemplate, marks, CHeartbeat::Timestamp());
}

COverlayMark* CMarkManager::CreateNewMark(CKartileView* view, double lat, double lon,
                                          const COverlayMark* markTemplate) {
    if (!(lat >= -90 && lat <= 90 && lon >= -540 && lon <= 540)) return nullptr;
    const COverlayMark& from = markTemplate ? *markTemplate : default_mark;
    auto mark = std::make_unique<COverlayMark>();
    mark->CopyAppearance(from);
    mark->name = DefaultMarkName(from.name.empty() ? kDefaultMarkTemplate : from.name);
    mark->lat = lat;
    mark->lon = lon;
    COverlayMark* added = AddMark(std::move(mark));
    if (view) added->Select(view);
    return added;
}

COverlayMark* CMarkManager::AddMark(std::unique_ptr<COverlayMark> mark) {
    mark->GetObjectID();
    marks.push_back(std::move(mark));
    COverlayMark* added = marks.back().get();
    marks_changed = true;
    added->Dispatch(COverlayObject::kChanged);
    SaveIfNeeded();
    return added;
}

COverlayMark* CMarkManager::FindMarkById(uint64_t id) const {
    if (id == 0) return nullptr;
    for (const auto& mark : marks)
        if (!mark->deleted && mark->object_id == id) return mark.get();
    return nullptr;
}

std::vector<COverlayMark*> CMarkManager::FindNearestVisibleMarks(double lat, double lon,
                                                                 size_t n) const {
    CSimpleGrid grid(lat, lon);
    std::vector<std::pair<double, COverlayMark*>> found;
    for (const auto& mark : marks) {
        if (mark->deleted || !mark->isVisible() || !mark->HasPosition()) continue;
        double x = 0, y = 0;
        grid.latlon_to_xy(mark->lat, mark->lon, x, y);
        found.emplace_back(x * x + y * y, mark.get());
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<COverlayMark*> nearest;
    for (size_t i = 0; i < found.size() && i < n; ++i) nearest.push_back(found[i].second);
    return nearest;
}

void CMarkManager::ForEachMatchingMark(const std::string& text,
                                       const std::function<void(COverlayMark&)>& fn) const {
    for (const auto& mark : marks)
        if (!mark->deleted && mark->matches_search(text)) fn(*mark);
}

void CMarkManager::GetUpdatesForAll(COverlayObject::update_action action,
                                    Listener<COverlayObject>& listener) {
    for (auto& mark : marks) {
        if (mark->deleted) continue;
        mark->last_action = action;
        listener.OnUpdate(*mark);
    }
    for (auto& route : routes) {
        if (route->deleted) continue;
        route->last_action = action;
        listener.OnUpdate(*route);
        for (auto& wp : route->waypoints) {
            wp->last_action = action;
            listener.OnUpdate(*wp);
        }
    }
}
