#include "displays/raceitems.h"

#include <cmath>

#include "displays/itemkind.h"
#include "geo/numbertext.h"
#include "geo/units.h"

namespace NDisplayRace {

const char* const kTimerSettings = "Timer Settings";

namespace {

const CPlainItemKind<84, DisplayStartTimer> k84("Instruments:Timer:Time to start");
const CPlainItemKind<89, DisplayStartDistance> k89("Instruments:Timer:Distance to line");
const CPlainItemKind<90, DisplayStartEarly> k90("Instruments:Timer:ETA Early/Late at Start");
const CPlainItemKind<91, DisplayStartPingRight> k91("Instruments:Timer:Ping Start Line Right Mark");
const CPlainItemKind<92, DisplayStartPingLeft> k92("Instruments:Timer:Ping Start Line Left Mark");
const CPlainItemKind<93, DisplayStartCountdown> k93("Instruments:Timer:Start countdown sequence");

bool openTimerSettings(const std::string& entry, CDisplayView::CItem& item) {
    if (entry != kTimerSettings) return false;
    CDataStartTimer::showSettingsDialog(item.window());
    return true;
}

std::string elapsed(double seconds) {
    std::string text;
    CUnits::FormatElapsedTime(seconds, text);
    return text;
}

}  // namespace

bool CTimerItem::onEditMenu(const std::string& entry) {
    return openTimerSettings(entry, *this);
}

bool CTimerButton::onEditMenu(const std::string& entry) {
    return openTimerSettings(entry, *this);
}

// ---------------------------------------------------------------- countdown

// One firing a second, on the first tick of each whole second.
class DisplayStartTimer::Ticker : public CHeartbeat::Counter {
public:
    explicit Ticker(DisplayStartTimer& item) : Counter(10), m_item(item) { AlignToClock(1); }
    void OnHeartbeat() override { m_item.Show(); }

private:
    DisplayStartTimer& m_item;
};

DisplayStartTimer::DisplayStartTimer(CDisplayView::CItemSettings& settings)
    : CTimerItem(settings), m_ticker(std::make_unique<Ticker>(*this)) {
    Show();
}

DisplayStartTimer::~DisplayStartTimer() = default;

void DisplayStartTimer::Show() {
    const CDataStartTimer& timer = CDataStartTimer::theStartTime;
    if (!timer.IsSet()) {
        if (m_state != 0) {
            m_state = 0;
            SetTitleUnits("Time till start", "");
            SetValue("---");
        }
        return;
    }
    // The tick falls just after the whole second: the nearest second is meant.
    const double T = std::round(timer.time_of_start - CHeartbeat::Timestamp());
    const int state = T > 0 ? 1 : 2;
    if (state != m_state) {
        m_state = state;
        SetTitleUnits(T > 0 ? "Time to start" : "Time since start", "");
    }
    SetValue(T > 0 ? elapsed(T) : "+" + elapsed(-T));
}

// ---------------------------------------------------------------- distance, early/late

DisplayStartDistance::DisplayStartDistance(CDisplayView::CItemSettings& settings)
    : CTimerItem(settings) {
    SetTitleUnits("Distance to Line", "");
    Show(CDataDistanceToStart::theDistanceToStart);
}

void DisplayStartDistance::Show(const CDataDistanceToStart& d) {
    if (!d.distance_valid) {
        SetValue("");
        return;
    }
    // Beyond the line the distance is negative; its unit is chosen by its size.
    std::string value, units;
    CUnits::Default->FormatDistance(float(std::fabs(d.distance_to_line)), value, units);
    SetTitleUnits("Distance to Line", units);
    SetValue(d.distance_to_line < 0 ? "-" + value : value);
}

DisplayStartEarly::DisplayStartEarly(CDisplayView::CItemSettings& settings) : CTimerItem(settings) {
    SetTitleUnits("Early/Late (s)", "");
    Show(CDataDistanceToStart::theDistanceToStart);
}

void DisplayStartEarly::Show(const CDataDistanceToStart& d) {
    if (!d.early_late_valid) {
        SetValue("");
        return;
    }
    if (d.early_late >= 0) {
        SetTitleUnits("Late (s)", "");
        SetValue(stringFormat("+%.0f", d.early_late));
    } else {
        SetTitleUnits("Early (s)", "");
        SetValue(stringFormat("%.0f", d.early_late));
    }
}

// ---------------------------------------------------------------- buttons

DisplayStartPingRight::DisplayStartPingRight(CDisplayView::CItemSettings& settings)
    : CTimerButton(settings) {
    SetLabel("Ping Right");
}

void DisplayStartPingRight::onClick() {
    CDataStartLine::theStartLine.PingRight();
}

DisplayStartPingLeft::DisplayStartPingLeft(CDisplayView::CItemSettings& settings)
    : CTimerButton(settings) {
    SetLabel("Ping Left");
}

void DisplayStartPingLeft::onClick() {
    CDataStartLine::theStartLine.PingLeft();
}

DisplayStartCountdown::DisplayStartCountdown(CDisplayView::CItemSettings& settings)
    : CTimerButton(settings) {
    SetLabel("Start");
}

void DisplayStartCountdown::onClick() {
    CDataStartTimer::theStartTime.StartCountdown();
}

}  // namespace NDisplayRace
