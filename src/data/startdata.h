// The race start data: the start time (`theStartTime`) and the start line
// (`theStartLine`), each a live data source of its own type and a settings
// section ("CDataStartTimer", "CDataStartLine").
//
// Times are seconds since 1970 UTC, positions degrees (WGS84), the axis
// degrees true. An end with latitude 0 is not set. Changes made here by the
// user dispatch the object and mark its settings changed; values received
// from other devices go through Feed_StartInfo, which stores them only
// when they differ (ApplyRemote*).
#pragma once

#include <cstdint>
#include <functional>

#include "app/base/datasource.h"

using OV_HWND = void*;

class CDataStartTimer {
public:
    static constexpr int kSignatureLength = 5;

    double time_of_start = 0;  // 0 = no start set
    int32_t period_minutes = 5;
    int32_t after_start_page[kSignatureLength] = {0, 0, 0, 0, 0};  // first 0 = none
    bool new_track_at_start = false;

    bool IsSet() const { return time_of_start > 0; }

    // User actions (each dispatches and marks the settings changed).
    void StartCountdown();  // heartbeat clock now + period
    void ClearStart();
    // Today's local date at the time of day; tomorrow when that has passed.
    void StartAtTimeOfDay(int hours, int minutes, int seconds);
    void SetPeriod(int minutes);
    void SetNewTrackAtStart(bool on);
    // Null or a zero first entry: no page switch at the start.
    void SetAfterStartPage(const int32_t* signature);
    void Changed();

    // The instant of a time of day after `now` (both seconds since 1970):
    // local date of now at that time, plus a day when it is earlier than now.
    static double NextTimeOfDay(double now, int hours, int minutes, int seconds);

    // A received start: stored, saved and true only when it differs.
    bool ApplyRemote(double startTime, int32_t period);

    // The start and axis settings dialogs; the front end installs the presenters.
    static void showSettingsDialog(OV_HWND parent);
    static void showAxisDialog(OV_HWND parent);
    static std::function<void(OV_HWND)> settingsDialogPresenter;
    static std::function<void(OV_HWND)> axisDialogPresenter;

    static CDataStartTimer theStartTime;
};

class CDataStartLine {
public:
    double left_lat = 0, left_lon = 0;    // port end
    double right_lat = 0, right_lon = 0;  // starboard end
    float axis = 0;                       // course axis, degrees true

    bool HasLeft() const { return left_lat != 0; }
    bool HasRight() const { return right_lat != 0 && right_lon != 0; }

    // Ends at the latest own position; false (nothing changed) without one.
    bool PingLeft();
    bool PingRight();
    void SetAxis(float degrees);  // dispatches and saves the settings
    void Changed();

    // A received line: stored, saved and true only when it differs.
    bool ApplyRemote(double leftLat, double leftLon, double rightLat, double rightLon);

    static CDataStartLine theStartLine;
};

// Where the axis dialog may take the axis from.
enum class AxisSource { kTyped, kHeading, kAverageWind, kCourse, kGoto };
// The axis a source gives now (degrees true); false when it has none. A
// typed value is magnetic when bearings are shown magnetic.
bool AxisFromSource(AxisSource source, float typed, float& axis);
