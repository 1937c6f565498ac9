// CMarkManager: the process-wide owner of the marks and of go-to navigation
// (`theManager`). It listens to the own position and, while navigating,
// brings the go-to state up to date with every fix and publishes it
// (Listener<CDataGotoMark>).
//
// Go-to: SetGoto(mark) makes a mark the destination, CancelNavigation()
// ends navigation; the mark's is_goto flag follows. A destination that is
// moved keeps being navigated to at its new place, and a deleted one ends
// navigation.
//
// It keeps the marks in "marks.ovtf" (the list, then the template new marks
// copy), names new marks from the template, and runs the proximity and
// anchor alarms on every fix, whatever page is on show.
//
// It also owns the routes and "routes.ovtf" (the list, then the template
// new routes copy), and the route being built (route_in_progress).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "overlays/datagotomark.h"
#include "overlays/markalarms.h"
#include "overlays/overlaymark.h"
#include "overlays/overlayroute.h"

class CKartileView;

class CMarkManager : public Listener<CDataGPSPosition> {
public:
    static CMarkManager theManager;

    CMarkManager();
    ~CMarkManager() override;
    CMarkManager(const CMarkManager&) = delete;
    CMarkManager& operator=(const CMarkManager&) = delete;

    // The go-to update, for every position with a fix while the go-to state
    // has listeners.
    void OnUpdate(CDataGPSPosition& position) override;

    // Ends any navigation and makes mark the destination; a mark without a
    // position is refused (false). The state is worked out at once from the
    // latest fix, so that the first update already holds a bearing.
    bool SetGoto(COverlayMark* mark);
    void CancelNavigation();
    // Ends any navigation and follows route from the leg the boat is on
    // (reversed first when asked); false for a route without two waypoints.
    bool SetFollowRoute(COverlayRoute* route, bool reversed = false);
    // Moves navigation on to the next destination without ending it, as
    // route following does at a waypoint; the new leg starts at legStart,
    // or at the next position when there is none. Listeners hear of it with
    // the next position.
    void ChangeDestination(COverlayMark* destination, const COverlayMark* legStart);

    // ---- the file
    static std::string FilePath();  // "marks.ovtf" in the application folder
    // Replaces every mark with the file's; false (and an empty list with the
    // built-in template) for a missing or damaged file. Marks read before
    // damage are kept.
    bool LoadFromFile(const std::string& path = FilePath());
    // Writes the file when the marks changed; the flag is cleared only once
    // the file is safely written. True when nothing is left to save.
    bool SaveIfNeeded(const std::string& path = FilePath());

    // ---- new marks
    // A copy of the template (default_mark unless given) named from its
    // template and placed at (lat, lon); with a view it is selected there.
    COverlayMark* CreateNewMark(CKartileView* view, double lat, double lon,
                                const COverlayMark* markTemplate = nullptr);
    std::string DefaultMarkName(const std::string& nameTemplate) const;
    // Takes a mark made elsewhere (import, alerts) into the list.
    COverlayMark* AddMark(std::unique_ptr<COverlayMark> mark);

    // ---- finding
    // The first mark that is not deleted with exactly this name, or null.
    COverlayMark* FindMark(const std::string& name) const;
    // A mark by its identity ("ovid:..." text or the bare number).
    COverlayMark* FindMarkById(uint64_t id) const;
    // The n visible marks nearest to the point, nearest first; ties keep
    // list order.
    std::vector<COverlayMark*> FindNearestVisibleMarks(double lat, double lon, size_t n) const;
    void ForEachMatchingMark(const std::string& text,
                             const std::function<void(COverlayMark&)>& fn) const;
    // Brings one new listener up to date with every live mark.
    void GetUpdatesForAll(COverlayObject::update_action action, Listener<COverlayObject>& listener);
    // Turns a mark into a tombstone (ending navigation to it).
    void DeleteMark(COverlayMark* mark);
    // Ends navigation and destroys every mark, tombstones included.
    void ClearAll();

    // ---- routes
    static std::string RoutesFilePath();  // "routes.ovtf" in the application folder
    // Replaces every route with the file's; false for a missing or damaged
    // file. A route saved while followed is followed again.
    bool LoadRoutes(const std::string& path = RoutesFilePath());
    bool SaveRoutesIfNeeded(const std::string& path = RoutesFilePath());
    // A new empty route from the template, named from "R#", being built
    // until the Done button (doneButtonPresenter) or FinishRouteBuilding.
    COverlayRoute* CreateNewRoute();
    // Shows the Done button and runs the function given on its press;
    // installed by the shell.
    static std::function<void(std::function<void()>)> doneButtonPresenter;
    COverlayRoute* AddRoute(std::unique_ptr<COverlayRoute> route);
    // A tombstone, as for marks (ending navigation along it).
    void DeleteRoute(COverlayRoute* route);
    void FinishRouteBuilding();
    // Builds route again from its end (the route menu's "Edit").
    void EditRoute(COverlayRoute* route);
    COverlayRoute* FindRouteById(uint64_t id) const;
    COverlayRoute* FindRouteStartingAt(double lat, double lon, double tolerance) const;
    COverlayRoute* FindRouteEndingAt(double lat, double lon, double tolerance) const;

    std::vector<std::unique_ptr<COverlayMark>> marks;
    COverlayMark default_mark;  // the template of new marks ("P#")
    std::vector<std::unique_ptr<COverlayRoute>> routes;
    COverlayRoute default_route;    // the template of new routes ("R#")
    COverlayMark default_waypoint;  // the template of waypoints ("%RP#")
    COverlayRoute* route_in_progress = nullptr;
    // While building: new waypoints go before this one; null, at the end.
    COverlayMark* insertion_point = nullptr;
    static constexpr const char* kDefaultRouteTemplate = "R#";
    static constexpr const char* kDefaultWaypointTemplate = "%RP#";
    CDataGotoMark go_to;  // the go-to state ("goto" is a keyword)
    bool marks_changed = false;
    bool routes_changed = false;
    CMarkAlarms alarms;

    // Settings.
    static bool notifications;  // the alarms are on
    static std::string default_mark_icon;
    static GraphicsColor default_mark_color2;
    // Route time estimates: planning speed (m/s) and seconds added per
    // metre climbed or descended.
    static float horiz_speed;
    static float ascent_sec_per_meter;
    static float descent_sec_per_meter;
    static constexpr const char* kDefaultMarkTemplate = "P#";

    // Applies the settings' icon and colour to the template.
    void ApplyDefaultMarkSettings();

private:
    void followMovedDestination();
    // The route branch of the go-to update: turn round, then move on to the
    // leg the boat is on.
    void followRoute(const CDataGPSPosition& position);
    void resetTemplate();
};
