// The go-to family: navigation towards the active destination, from the
// go-to state of the mark manager, the own position and its heading.
// Along a followed route the end values are the route's last waypoint's,
// the turn after the mark is the next leg's, and the share of the route done
// is measured along the legs.
//
// Turn angles: t = trunc(bearing - heading) brought into -180..180; to port
// "<t°", to starboard "t°>".
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "data/dataspeeddirection.h"
#include "displays/displayview.h"
#include "overlays/datagotomark.h"

namespace NDisplayGoto {

// "<20°" or "20°>" for the turn from heading to bearing (degrees).
std::string TurnText(double bearing, double heading);

// A text item that shows the go-to state; its menu offers ending the go-to.
class CGotoTextItemWithMenu : public CDisplayView::CItemText, public Listener<CDataGotoMark> {
public:
    explicit CGotoTextItemWithMenu(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGotoMark& go) override { Show(go); }
    virtual void Show(const CDataGotoMark& go) = 0;
    std::vector<std::string> editMenus() const override;
    bool onEditMenu(const std::string& entry) override;

protected:
    void ShowLatest();
};

#define ORVANTA_GOTO_ITEM(Name, Id)                           \
    class Name : public CGotoTextItemWithMenu {               \
    public:                                                   \
        static constexpr int kTypeId = Id;                    \
        explicit Name(CDisplayView::CItemSettings& settings); \
        void Show(const CDataGotoMark& go) override;          \
    };
ORVANTA_GOTO_ITEM(Distance, 22)
ORVANTA_GOTO_ITEM(Bearing, 23)
ORVANTA_GOTO_ITEM(CrossTrack, 25)
ORVANTA_GOTO_ITEM(EstTimeToGo, 57)
ORVANTA_GOTO_ITEM(EstTimeOfArrival, 58)
ORVANTA_GOTO_ITEM(DistanceToEnd, 59)
ORVANTA_GOTO_ITEM(EstTimeToEnd, 60)
ORVANTA_GOTO_ITEM(ETAatEnd, 61)
ORVANTA_GOTO_ITEM(VMGParallelLeg, 62)
ORVANTA_GOTO_ITEM(VMGtoMark, 63)
ORVANTA_GOTO_ITEM(NextTurn, 64)
ORVANTA_GOTO_ITEM(WaypointName, 66)
ORVANTA_GOTO_ITEM(PercentageToEnd, 114)
#undef ORVANTA_GOTO_ITEM

// The turn angle also follows the heading.
class Angle : public CGotoTextItemWithMenu, public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 24;
    explicit Angle(CDisplayView::CItemSettings& settings);
    void Show(const CDataGotoMark& go) override;
    void OnUpdate(CDataSpeedDirection&) override;
    using CGotoTextItemWithMenu::OnUpdate;
};

// An arrow from the item's centre towards the destination, turned by
// bearing - heading; hidden without a bearing.
class Arrow : public CDisplayView::CItemDraw,
              public Listener<CDataGotoMark>,
              public Listener<CDataSpeedDirection> {
public:
    static constexpr int kTypeId = 26;
    explicit Arrow(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGotoMark& go) override;
    void OnUpdate(CDataSpeedDirection& direction) override;
    void Paint(QPainter& painter, double w, double h) override;
    // Degrees clockwise from straight up; false when hidden.
    bool direction(double& degrees) const;

private:
    float m_bearing = 999;
    float m_heading = 999;
};

// The next waypoints with their distances, one a line.
class ComingUp : public CDisplayView::CItemMultilineText, public Listener<CDataGotoMark> {
public:
    static constexpr int kTypeId = 97;
    explicit ComingUp(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGotoMark& go) override;
};

}  // namespace NDisplayGoto
