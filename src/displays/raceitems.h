// The race start family: the countdown, the distance to the start line,
// the early/late estimate, and the buttons that start the countdown and
// ping the ends of the line. Timer items and buttons add "Timer Settings"
// to their menu, which opens the start settings dialog.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "app/base/heartbeat.h"
#include "data/distancetostart.h"
#include "data/startdata.h"
#include "displays/displayview.h"

namespace NDisplayRace {

extern const char* const kTimerSettings;  // "Timer Settings"

class CTimerItem : public CDisplayView::CItemText {
public:
    using CItemText::CItemText;
    std::vector<std::string> editMenus() const override { return {kTimerSettings}; }
    bool onEditMenu(const std::string& entry) override;
};

class CTimerButton : public CDisplayView::CItemButton {
public:
    using CItemButton::CItemButton;
    std::vector<std::string> editMenus() const override { return {kTimerSettings}; }
    bool onEditMenu(const std::string& entry) override;
};

// Counts down to the start, then up from it, redrawn on each whole second.
class DisplayStartTimer : public CTimerItem, public Listener<CDataStartTimer> {
public:
    static constexpr int kTypeId = 84;
    explicit DisplayStartTimer(CDisplayView::CItemSettings& settings);
    ~DisplayStartTimer() override;
    void OnUpdate(CDataStartTimer&) override { Show(); }
    void Show();
    int state() const { return m_state; }

private:
    class Ticker;
    std::unique_ptr<Ticker> m_ticker;
    int m_state = -1;  // 0 no start, 1 before, 2 after
};

class DisplayStartDistance : public CTimerItem, public Listener<CDataDistanceToStart> {
public:
    static constexpr int kTypeId = 89;
    explicit DisplayStartDistance(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataDistanceToStart& d) override { Show(d); }
    void Show(const CDataDistanceToStart& d);
};

class DisplayStartEarly : public CTimerItem, public Listener<CDataDistanceToStart> {
public:
    static constexpr int kTypeId = 90;
    explicit DisplayStartEarly(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataDistanceToStart& d) override { Show(d); }
    void Show(const CDataDistanceToStart& d);
};

#define ORVANTA_RACE_BUTTON(Name, Id)                         \
    class Name : public CTimerButton {                        \
    public:                                                   \
        static constexpr int kTypeId = Id;                    \
        explicit Name(CDisplayView::CItemSettings& settings); \
        void onClick() override;                              \
    };
ORVANTA_RACE_BUTTON(DisplayStartPingRight, 91)
ORVANTA_RACE_BUTTON(DisplayStartPingLeft, 92)
ORVANTA_RACE_BUTTON(DisplayStartCountdown, 93)
#undef ORVANTA_RACE_BUTTON

}  // namespace NDisplayRace
