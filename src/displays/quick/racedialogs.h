// CRaceDialogs: the QML element "RaceDialogs" (module "Orvanta") that
// presents the start settings dialog and the axis dialog. Creating one
// installs it as the presenter of both (CDataStartTimer::showSettingsDialog,
// showAxisDialog); the scene asks for the fields and answers through the
// invokable methods, which act on the race start data.
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

class CDisplayViewArrangementSet;

class CRaceDialogs : public QObject {
    Q_OBJECT
public:
    explicit CRaceDialogs(QObject* parent = nullptr);
    ~CRaceDialogs() override;

    // Another layout than the user's (tests).
    void setLayout(CDisplayViewArrangementSet* layout) { m_layout = layout; }

    // {period, start (time of day text or ""), secondsToStart, newTrack,
    //  pages (names of the current page set), afterStartPage (index or -1)}
    Q_INVOKABLE QVariantMap timerFields() const;
    Q_INVOKABLE void startCountdown(int periodMinutes);
    Q_INVOKABLE void clearStart();
    Q_INVOKABLE void startAt(int hours, int minutes, int seconds);
    // OK of the dialog: the period, the new-track choice and the page to
    // show at the start (-1: none).
    Q_INVOKABLE void applyTimer(int periodMinutes, bool newTrack, int afterStartPage);

    // {axis, heading, hasHeading, averageWind, hasAverageWind, course,
    //  hasCourse, goto, hasGoto, magnetic}
    Q_INVOKABLE QVariantMap axisFields() const;
    // source: 0 typed, 1 heading, 2 average wind, 3 course, 4 go-to.
    Q_INVOKABLE bool applyAxis(int source, double typed);

Q_SIGNALS:
    void timerDialogRequested();
    void axisDialogRequested();

private:
    CDisplayViewArrangementSet& layout() const;
    CDisplayViewArrangementSet* m_layout = nullptr;
};
