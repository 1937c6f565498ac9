// The menu of one mark: go to or cancel navigation, edit, lock, hide, open
// its link, delete after a confirmation.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "app/base/menutree.h"

class COverlayMark;

std::shared_ptr<CMenuTree> BuildMarkMenu(COverlayMark& mark, OV_HWND parent);

class COverlayRoute;
// A waypoint's menu also offers its route's: follow (reversed), stop
// following, edit, reverse, delete.
void AppendRouteEntries(CMenuTree& menu, COverlayRoute& route, OV_HWND parent);

// Asks "Delete "<name>".\nAre you sure?" and deletes the route on yes.
void ConfirmDeleteRoute(COverlayRoute& route, OV_HWND parent);
// Asks "Delete "<name>".\nAre you sure?" and deletes the mark on yes.
void ConfirmDeleteMark(COverlayMark& mark, OV_HWND parent, std::function<void(bool)> done = {});

// A change made through the menu or the editor: stored and shown.
void MarkEdited(COverlayMark& mark);

// Opens a mark's link in the browser; installed by the shell.
extern std::function<void(const std::string& url)> openMarkLink;
