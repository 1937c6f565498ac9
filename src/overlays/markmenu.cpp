#include "overlays/markmenu.h"

#include "app/base/messagebox.h"
#include "overlays/gpxexport.h"
#include "overlays/markmanager.h"
#include "overlays/overlaymark.h"
#include "overlays/overlaytool.h"

std::function<void(const std::string&)> openMarkLink;

namespace {

// The mark may be deleted while its menu is open; find it again by identity.
COverlayMark* stillThere(uint64_t id) {
    return CMarkManager::theManager.FindMarkById(id);
}

}  // namespace

void MarkEdited(COverlayMark& mark) {
    mark.SetModifiedNow();
    mark.icon_image = nullptr;
    CMarkManager& manager = CMarkManager::theManager;
    manager.marks_changed = true;
    mark.Dispatch(COverlayObject::kChanged);
    // A moved destination is followed by the next fix; a changed alarm too.
    manager.SaveIfNeeded();
}

void ConfirmDeleteMark(COverlayMark& mark, OV_HWND parent, std::function<void(bool)> done) {
    const uint64_t id = mark.GetObjectID();
    const std::string navigating = mark.isNavigatingToMark() ? " (the go-to destination)" : "";
    MessageBoxYesNo(parent, "Delete",
                    "Delete \"" + mark.name + "\"" + navigating + ".\nAre you sure?",
                    [id, done](bool yes) {
                        COverlayMark* target = stillThere(id);
                        if (yes && target) CMarkManager::theManager.DeleteMark(target);
                        if (done) done(yes && target);
                    });
}

void ConfirmDeleteRoute(COverlayRoute& route, OV_HWND parent) {
    const uint64_t id = route.GetObjectID();
    CMarkManager& manager = CMarkManager::theManager;
    MessageBoxYesNo(parent, "Delete", "Delete \"" + route.name + "\".\nAre you sure?",
                    [id](bool yes) {
                        COverlayRoute* target = manager.FindRouteById(id);
                        if (!yes || !target) return;
                        manager.DeleteRoute(target);
                        manager.SaveRoutesIfNeeded();
                    });
}

// The route is found again by identity: it may go while the menu is open.
void AppendRouteEntries(CMenuTree& menu, COverlayRoute& route, OV_HWND parent) {
    const uint64_t id = route.GetObjectID();
    CMarkManager& manager = CMarkManager::theManager;
    CMenuTree& sub = menu.Submenu("Route");
    if (route.is_followed) {
        sub.Append("Stop Following", [] { manager.CancelNavigation(); });
    } else {
        sub.Append("Follow", [id] {
            if (COverlayRoute* r = manager.FindRouteById(id)) manager.SetFollowRoute(r);
        });
        sub.Append("Follow Reversed", [id] {
            if (COverlayRoute* r = manager.FindRouteById(id)) manager.SetFollowRoute(r, true);
        });
    }
    sub.Append("Edit", [id] { manager.EditRoute(manager.FindRouteById(id)); });
    sub.Append("Reverse", [id] {
        if (COverlayRoute* r = manager.FindRouteById(id)) r->ReverseWaypoints();
        manager.SaveRoutesIfNeeded();
    });
    sub.Append("Export Route", [id, parent, name = route.name] {
        ExportGPXWithDialog(parent, name, [id]() -> std::vector<const CSyncable*> {
            if (COverlayRoute* r = manager.FindRouteById(id)) return {r};
            return {};
        });
    });
    sub.Append("Delete Route", [id, parent] {
        if (COverlayRoute* r = manager.FindRouteById(id)) ConfirmDeleteRoute(*r, parent);
    });
}

std::shared_ptr<CMenuTree> BuildMarkMenu(COverlayMark& mark, OV_HWND parent) {
    auto menu = std::make_shared<CMenuTree>(mark.name.empty() ? "Mark" : mark.name);
    const uint64_t id = mark.GetObjectID();
    CMarkManager& manager = CMarkManager::theManager;
    if (mark.isNavigatingToMark())
        menu->Append("Cancel Navigation", [] { manager.CancelNavigation(); });
    else
        menu->Append("Go To", [id] {
            if (COverlayMark* m = stillThere(id)) manager.SetGoto(m);
        });
    menu->Append("Edit", [id, parent] {
        if (COverlayMark* m = stillThere(id))
            m->EditMarkProperties(parent, [id](bool changed) {
                if (COverlayMark* edited = stillThere(id); edited && changed) MarkEdited(*edited);
            });
    });
    menu->Append(mark.locked ? "Unlock" : "Lock", [id] {
        if (COverlayMark* m = stillThere(id)) {
            m->setLocked(!m->locked);
            MarkEdited(*m);
        }
    });
    menu->Append("Hide", [id] {
        if (COverlayMark* m = stillThere(id)) {
            if (COverlayTool::isSelected(m)) COverlayTool::Deselect();
            m->setVisible(false);
            m->SetModifiedNow();
            MarkEdited(*m);
        }
    });
    if (!mark.link.empty() && openMarkLink) {
        const std::string link = mark.link;
        menu->Append("Open Link", [link] { openMarkLink(link); });
    }
    if (!mark.route)
        menu->Append("Export", [id, parent, name = mark.name] {
            ExportGPXWithDialog(parent, name, [id]() -> std::vector<const CSyncable*> {
                if (COverlayMark* m = stillThere(id)) return {m};
                return {};
            });
        });
    menu->Append("Delete", [id, parent] {
        if (COverlayMark* m = stillThere(id)) ConfirmDeleteMark(*m, parent);
    });
    if (mark.route) {
        AppendRouteEntries(*menu, *mark.route, parent);
        // The waypoint is found again through its route, which may have gone.
        const uint64_t routeId = mark.route->GetObjectID();
        const COverlayMark* wp = &mark;
        menu->Submenu("Route").Append("Insert Waypoint After", [routeId, wp] {
            COverlayRoute* r = CMarkManager::theManager.FindRouteById(routeId);
            if (!r) return;
            for (auto& w : r->waypoints)
                if (w.get() == wp) r->InsertWPAfter(w.get());
        });
    }
    return menu;
}
