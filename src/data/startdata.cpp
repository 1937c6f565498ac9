#include "data/startdata.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstring>

#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "data/datatruewind.h"
#include "data/overlaygpsposition.h"
#include "geo/units.h"
#include "overlays/markmanager.h"

CDataStartTimer CDataStartTimer::theStartTime;
CDataStartLine CDataStartLine::theStartLine;
std::function<void(OV_HWND)> CDataStartTimer::settingsDialogPresenter;
std::function<void(OV_HWND)> CDataStartTimer::axisDialogPresenter;

namespace {

class StartTimerPersistor : public PersistantData {
public:
    StartTimerPersistor() : PersistantData("CDataStartTimer") {}
    void DeclareData() override {
        CDataStartTimer& t = CDataStartTimer::theStartTime;
        Declare("time_of_start", t.time_of_start);
        Declare("period_minutes", t.period_minutes);
        Declare("after_start_page", t.after_start_page, int(sizeof t.after_start_page));
        Declare("new_track_at_start", t.new_track_at_start);
    }
};
StartTimerPersistor s_timerPersistor;

class StartLinePersistor : public PersistantData {
public:
    StartLinePersistor() : PersistantData("CDataStartLine") {}
    void DeclareData() override {
        CDataStartLine& l = CDataStartLine::theStartLine;
        Declare("left_lat", l.left_lat);
        Declare("left_lon", l.left_lon);
        Declare("right_lat", l.right_lat);
        Declare("right_lon", l.right_lon);
        Declare("axis", l.axis);
        // The distance frame is built from the loaded line.
        if (!s_saving) Listener<CDataStartLine>::Dispatch(l);
    }
};
StartLinePersistor s_linePersistor;

bool ownPosition(double& lat, double& lon) {
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (!own.HasPosition()) return false;
    lat = own.latitude;
    lon = own.longitude;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- timer

void CDataStartTimer::Changed() {
    Listener<CDataStartTimer>::Dispatch(*this);
    s_timerPersistor.changed = true;
}

void CDataStartTimer::StartCountdown() {
    time_of_start = std::floor(CHeartbeat::Timestamp()) + period_minutes * 60.0;
    Changed();
}

void CDataStartTimer::ClearStart() {
    time_of_start = 0;
    Changed();
}

double CDataStartTimer::NextTimeOfDay(double now, int hours, int minutes, int seconds) {
    const QDateTime nowLocal = QDateTime::fromMSecsSinceEpoch(qint64(now * 1000));
    const QDateTime at(nowLocal.date(), QTime(hours, minutes, seconds));
    double t = double(at.toMSecsSinceEpoch()) / 1000.0;
    if (t < now) t += 86400;
    return t;
}

void CDataStartTimer::StartAtTimeOfDay(int hours, int minutes, int seconds) {
    time_of_start = NextTimeOfDay(CHeartbeat::Timestamp(), hours, minutes, seconds);
    Changed();
}

void CDataStartTimer::SetPeriod(int minutes) {
    period_minutes = minutes;
    Changed();
}

void CDataStartTimer::SetNewTrackAtStart(bool on) {
    new_track_at_start = on;
    s_timerPersistor.changed = true;
}

void CDataStartTimer::SetAfterStartPage(const int32_t* signature) {
    if (signature && signature[0] != 0)
        std::memcpy(after_start_page, signature, sizeof after_start_page);
    else
        std::memset(after_start_page, 0, sizeof after_start_page);
    s_timerPersistor.changed = true;
}

bool CDataStartTimer::ApplyRemote(double startTime, int32_t period) {
    if (startTime == time_of_start && period == period_minutes) return false;
    time_of_start = startTime;
    period_minutes = period;
    s_timerPersistor.changed = true;
    PersistantData::SaveAll();
    return true;
}

void CDataStartTimer::showSettingsDialog(OV_HWND parent) {
    if (settingsDialogPresenter) settingsDialogPresenter(parent);
}

void CDataStartTimer::showAxisDialog(OV_HWND parent) {
    if (axisDialogPresenter) axisDialogPresenter(parent);
}

// ---------------------------------------------------------------- line

void CDataStartLine::Changed() {
    Listener<CDataStartLine>::Dispatch(*this);
    s_linePersistor.changed = true;
}

bool CDataStartLine::PingLeft() {
    if (!ownPosition(left_lat, left_lon)) return false;
    Changed();
    return true;
}

bool CDataStartLine::PingRight() {
    if (!ownPosition(right_lat, right_lon)) return false;
    Changed();
    return true;
}

void CDataStartLine::SetAxis(float degrees) {
    axis = std::fmod(std::fmod(degrees, 360.0f) + 360.0f, 360.0f);
    Changed();
    PersistantData::SaveAll();
}

bool CDataStartLine::ApplyRemote(double leftLat, double leftLon, double rightLat, double rightLon) {
    if (leftLat == left_lat && leftLon == left_lon && rightLat == right_lat &&
        rightLon == right_lon)
        return false;
    left_lat = leftLat;
    left_lon = leftLon;
    right_lat = rightLat;
    right_lon = rightLon;
    s_linePersistor.changed = true;
    PersistantData::SaveAll();
    return true;
}

// ---------------------------------------------------------------- axis

bool AxisFromSource(AxisSource source, float typed, float& axis) {
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    switch (source) {
        case AxisSource::kTyped: {
            if (!std::isfinite(typed)) return false;
            const CUnits& units = *CUnits::Default;
            axis = units.bearing_mode == 1 ? typed + units.magnetic_variation : typed;
            return true;
        }
        case AxisSource::kHeading:
            axis = own.damping.heading;
            return axis < 900;
        case AxisSource::kAverageWind:
            axis = CDataTrueWind::theAverageTrueWind.damping.angle;
            return CDataTrueWind::theAverageTrueWind.damping.magnitude > 0.1f;
        case AxisSource::kCourse:
            axis = own.course;
            return own.speed > 1.0f && axis < 900;
        case AxisSource::kGoto: {
            const CDataGotoMark& go = CMarkManager::theManager.go_to;
            return go.mark && go.GetAxis(axis);
        }
    }
    return false;
}
