// The routes of CMarkManager: "routes.ovtf", new routes from the template,
// deletion and finding.
#include <algorithm>
#include <cmath>

#include "app/base/directories.h"
#include "app/base/heartbeat.h"
#include "overlays/markmanager.h"
#include "overlays/nametemplate.h"
#include "overlays/overlayfiles.h"
#include "overlays/overlaytool.h"

namespace {

// The whole of "routes.ovtf" after its magic: one section holding the list
// and the template.
class RoutesFile : public CSerializable {
public:
    explicit RoutesFile(CMarkManager& owner) : m_owner(owner) {}
    bool Serialize(IOStream& stream) override {
        Section section(stream);
        CSerializableDeclareStatic<COverlayRoute> list(m_owner.routes);
        bool ok = list.Serialize(stream);
        if (ok && (stream.isWriting() || !stream.atEnd()))
            ok = m_owner.default_route.Serialize(stream);
        return section.Close() && ok;
    }

private:
    CMarkManager& m_owner;
};

bool near(const COverlayMark* wp, double lat, double lon, double tolerance) {
    return wp && std::abs(wp->lat - lat) <= tolerance && std::abs(wp->lon - lon) <= tolerance;
}

}  // namespace

std::function<void(std::function<void()>)> CMarkManager::doneButtonPresenter;

std::string CMarkManager::RoutesFilePath() {
    return getAppDirectory() + "/routes.ovtf";
}

bool CMarkManager::LoadRoutes(const std::string& path) {
    if (go_to.route) CancelNavigation();
    route_in_progress = nullptr;
    if (COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedMark() &&
        COverlayTool::the_tool->GetSelectedMark()->route)
        COverlayTool::Deselect();
    routes.clear();
    default_route.name = kDefaultRouteTemplate;
    default_route.waypoints.clear();
    RoutesFile file(*this);
    const bool ok = file.ReadFile(path, kRoutesFileMagic);
    if (default_route.name.empty()) default_route.name = kDefaultRouteTemplate;
    default_route.waypoints.clear();
    default_route.deleted = false;
    COverlayRoute* followed = nullptr;
    for (auto& route : routes) {
        if (route->deleted) continue;
        route->GetObjectID();
        route->Dispatch(COverlayObject::kChanged);
        if (route->is_followed && !followed) followed = route.get();
        route->is_followed = false;
    }
    // Following resumes where it was when the file was written.
    if (followed) SetFollowRoute(followed);
    routes_changed = false;
    return ok;
}

bool CMarkManager::SaveRoutesIfNeeded(const std::string& path) {
    if (!routes_changed) return true;
    PurgeSyncableList(routes, 0);
    RoutesFile file(*this);
    return file.WriteFileIfChanged(path, kRoutesFileMagic, routes_changed);
}

COverlayRoute* CMarkManager::CreateNewRoute() {
    FinishRouteBuilding();
    auto route = std::make_unique<COverlayRoute>();
    route->CopyAppearance(default_route);
    route->name =
        GetNameFromTemplate(default_route.name.empty() ? kDefaultRouteTemplate : default_route.name,
                            routes, CHeartbeat::Timestamp());
    COverlayRoute* added = AddRoute(std::move(route));
    route_in_progress = added;
    if (doneButtonPresenter) doneButtonPresenter([this] { FinishRouteBuilding(); });
    return added;
}

COverlayRoute* CMarkManager::AddRoute(std::unique_ptr<COverlayRoute> route) {
    route->GetObjectID();
    routes.push_back(std::move(route));
    COverlayRoute* added = routes.back().get();
    routes_changed = true;
    added->Dispatch(COverlayObject::kChanged);
    return added;
}

void CMarkManager::DeleteRoute(COverlayRoute* route) {
    if (!route || route->deleted) return;
    if (go_to.route == route) CancelNavigation();
    if (route_in_progress == route) FinishRouteBuilding();
    if (COverlayTool::the_tool && COverlayTool::the_tool->GetSelectedMark() &&
        COverlayTool::the_tool->GetSelectedMark()->route == route)
        COverlayTool::Deselect();
    route->DeleteSyncItem();
    // The waypoints leave the map before they go.
    for (auto& wp : route->waypoints) wp->Dispatch(COverlayObject::kRemoved);
    route->waypoints.clear();
    route->ClearSegments();
    route->COverlayObject::Dispatch(COverlayObject::kChanged);
    routes_changed = true;
}

void CMarkManager::FinishRouteBuilding() {
    COverlayRoute* built = route_in_progress;
    route_in_progress = nullptr;
    insertion_point = nullptr;
    if (built) {
        built->stroke_start = nullptr;
        built->Dispatch(COverlayObject::kChanged);
    }
}

void CMarkManager::EditRoute(COverlayRoute* route) {
    FinishRouteBuilding();
    if (!route || route->deleted) return;
    route_in_progress = route;
    route->Dispatch(COverlayObject::kChanged);
    if (doneButtonPresenter) doneButtonPresenter([this] { FinishRouteBuilding(); });
}

COverlayRoute* CMarkManager::FindRouteById(uint64_t id) const {
    for (const auto& route : routes)
        if (id && !route->deleted && route->object_id == id) return route.get();
    return nullptr;
}

COverlayRoute* CMarkManager::FindRouteStartingAt(double lat, double lon, double tolerance) const {
    for (const auto& route : routes)
        if (!route->deleted && !route->waypoints.empty() &&
            near(route->waypoints.front().get(), lat, lon, tolerance))
            return route.get();
    return nullptr;
}

COverlayRoute* CMarkManager::FindRouteEndingAt(double lat, double lon, double tolerance) const {
    for (const auto& route : routes)
        if (!route->deleted && !route->waypoints.empty() &&
            near(route->waypoints.back().get(), lat, lon, tolerance))
            return route.get();
    return nullptr;
}
