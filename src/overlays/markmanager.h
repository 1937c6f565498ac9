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
// Still to come with the rest of the marks: the files, the templates and
// naming, the proximity and anchor alarms, and routes (following a route,
// auto_reverse).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "data/datagpsposition.h"
#include "app/base/datasource.h"
#include "overlays/datagotomark.h"
#include "overlays/overlaymark.h"

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
    // Moves navigation on to the next destination without ending it, as
    // route following does at a waypoint; the new leg starts at legStart,
    // or at the next position when there is none. Listeners hear of it with
    // the next position.
    void ChangeDestination(COverlayMark* destination, const COverlayMark* legStart);

    // The first mark that is not deleted with exactly this name, or null.
    COverlayMark* FindMark(const std::string& name) const;
    // Turns a mark into a tombstone (ending navigation to it).
    void DeleteMark(COverlayMark* mark);
    // Ends navigation and destroys every mark, tombstones included.
    void ClearAll();

    std::vector<std::unique_ptr<COverlayMark>> marks;
    CDataGotoMark go_to;  // the go-to state ("goto" is a keyword)
    bool marks_changed = false;
    bool routes_changed = false;

private:
    void followMovedDestination();
};
