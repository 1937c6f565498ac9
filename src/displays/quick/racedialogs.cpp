#include "displays/quick/racedialogs.h"

#include <QtQml/qqml.h>
#include <QCoreApplication>
#include <cstring>

#include "app/base/heartbeat.h"
#include "data/startdata.h"
#include "displays/displayviewarrangementset.h"
#include "displays/displayviewpageset.h"
#include "geo/units.h"

namespace {

void registerQmlType() {
    qmlRegisterType<CRaceDialogs>("Orvanta", 1, 0, "RaceDialogs");
}
Q_COREAPP_STARTUP_FUNCTION(registerQmlType)

CRaceDialogs* s_installed = nullptr;

}  // namespace

CRaceDialogs::CRaceDialogs(QObject* parent) : QObject(parent) {
    s_installed = this;
    CDataStartTimer::settingsDialogPresenter = [](OV_HWND) {
        if (s_installed) Q_EMIT s_installed->timerDialogRequested();
    };
    CDataStartTimer::axisDialogPresenter = [](OV_HWND) {
        if (s_installed) Q_EMIT s_installed->axisDialogRequested();
    };
}

CRaceDialogs::~CRaceDialogs() {
    if (s_installed != this) return;
    s_installed = nullptr;
    CDataStartTimer::settingsDialogPresenter = nullptr;
    CDataStartTimer::axisDialogPresenter = nullptr;
}

CDisplayViewArrangementSet& CRaceDialogs::layout() const {
    return m_layout ? *m_layout : CDisplayViewArrangementSet::theLayout();
}

QVariantMap CRaceDialogs::timerFields() const {
    const CDataStartTimer& timer = CDataStartTimer::theStartTime;
    QVariantMap fields;
    fields["period"] = timer.period_minutes;
    fields["newTrack"] = timer.new_track_at_start;
    std::string start;
    if (timer.IsSet()) CUnits::FormatTimeOfDay(timer.time_of_start, start);
    fields["start"] = QString::fromStdString(start);
    fields["secondsToStart"] = timer.IsSet() ? timer.time_of_start - CHeartbeat::Timestamp() : 0.0;
    QStringList pages;
    int chosen = -1;
    if (CDisplayViewPageSet* set = layout().getPageSet()) {
        for (const auto& page : set->pages) pages << QString::fromStdString(page->getPageName());
        if (timer.after_start_page[0] != 0) {
            CDisplayView* best = set->bestPageForSignature(timer.after_start_page);
            for (size_t i = 0; i < set->pages.size(); ++i)
                if (set->pages[i].get() == best) chosen = int(i);
        }
    }
    fields["pages"] = pages;
    fields["afterStartPage"] = chosen;
    return fields;
}

void CRaceDialogs::startCountdown(int periodMinutes) {
    CDataStartTimer& timer = CDataStartTimer::theStartTime;
    if (periodMinutes > 0) timer.period_minutes = periodMinutes;
    timer.StartCountdown();
}

void CRaceDialogs::clearStart() {
    CDataStartTimer::theStartTime.ClearStart();
}

void CRaceDialogs::startAt(int hours, int minutes, int seconds) {
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
        return;
    CDataStartTimer::theStartTime.StartAtTimeOfDay(hours, minutes, seconds);
}

void CRaceDialogs::applyTimer(int periodMinutes, bool newTrack, int afterStartPage) {
    CDataStartTimer& timer = CDataStartTimer::theStartTime;
    if (periodMinutes > 0 && periodMinutes != timer.period_minutes) timer.SetPeriod(periodMinutes);
    timer.SetNewTrackAtStart(newTrack);
    CDisplayViewPageSet* set = layout().getPageSet();
    if (set && afterStartPage >= 0 && afterStartPage < int(set->pages.size()))
        timer.SetAfterStartPage(set->pages[size_t(afterStartPage)]->signature());
    else
        timer.SetAfterStartPage(nullptr);
}

QVariantMap CRaceDialogs::axisFields() const {
    QVariantMap fields;
    fields["axis"] = CDataStartLine::theStartLine.axis;
    fields["magnetic"] = CUnits::Default->bearing_mode == 1;
    const struct {
        const char* name;
        const char* has;
        AxisSource source;
    } kSources[] = {{"heading", "hasHeading", AxisSource::kHeading},
                    {"averageWind", "hasAverageWind", AxisSource::kAverageWind},
                    {"course", "hasCourse", AxisSource::kCourse},
                    {"goto", "hasGoto", AxisSource::kGoto}};
    for (const auto& s : kSources) {
        float axis = 0;
        const bool has = AxisFromSource(s.source, 0, axis);
        fields[s.name] = has ? double(axis) : 0.0;
        fields[s.has] = has;
    }
    return fields;
}

bool CRaceDialogs::applyAxis(int source, double typed) {
    if (source < 0 || source > int(AxisSource::kGoto)) return false;
    float axis = 0;
    if (!AxisFromSource(AxisSource(source), float(typed), axis)) return false;
    CDataStartLine::theStartLine.SetAxis(axis);
    return true;
}
