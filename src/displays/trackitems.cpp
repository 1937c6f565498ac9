#include "displays/trackitems.h"

#include "displays/itemkind.h"
#include "geo/units.h"
#include "overlays/trackmanager.h"

namespace NDisplayTrack {
namespace {

const CPlainItemKind<50, StartStopButton> startStopType("Track: Logging Button");
const CPlainItemKind<51, Distance> distanceType("Track: Distance travelled");
const CPlainItemKind<52, MovingTime> movingType("Track: Moving Time");
const CPlainItemKind<53, ElapsedTime> elapsedType("Track: Elapsed Time");
const CPlainItemKind<54, StoppedTime> stoppedType("Track: Time not moving");
const CPlainItemKind<55, AverageSpeedMoving> averageMovingType("Track: Avg Moving Speed");
const CPlainItemKind<56, MaxSpeed> maxSpeedType("Track: Max Speed");
const CPlainItemKind<117, ResumeButton> resumeType("Track: Resume Button");
const CPlainItemKind<128, AverageSpeedOverall> averageType("Track: Average Speed Overall");
const CPlainItemKind<130, Ascent> ascentType("Track: Ascent");
const CPlainItemKind<131, Descent> descentType("Track: Descent");

constexpr double kMinAveragingTime = 10;  // seconds

const CUnits& userUnits() {
    return *CUnits::Default;
}

std::string elapsed(double seconds) {
    std::string text;
    CUnits::FormatElapsedTime(seconds, text);
    return text;
}

std::string speed(double metresPerSecond) {
    std::string text;
    userUnits().FormatSpeedValue(float(metresPerSecond * kMsToKnots), text);
    return text;
}

// Ascent and descent, or false when the track has none to give.
bool climb(COverlayTrack* track, double& up, double& down) {
    double top = 0;
    return track && track->firstPoint() && track->getAltitudeMetrics(up, down, top);
}

}  // namespace

CTrackTextItemWithMenu::CTrackTextItemWithMenu(CDisplayView::CItemSettings& settings)
    : CItemText(settings) {}

void CTrackTextItemWithMenu::ShowLatest() {
    Show(CTrackManager::theManager.GetActiveTrack());
}

void CTrackTextItemWithMenu::OnUpdate(CTrackManager&) {
    ShowLatest();
}

std::vector<std::string> CTrackTextItemWithMenu::editMenus() const {
    return {CTrackManager::isRecording() ? "Stop Logging" : "Start Logging"};
}

bool CTrackTextItemWithMenu::onEditMenu(const std::string& entry) {
    if (entry != "Stop Logging" && entry != "Start Logging") return false;
    CTrackManager::theManager.ToggleTrackRecording();
    return true;
}

#define ORVANTA_TRACK_CONSTRUCTOR(Name)                                                    \
    Name::Name(CDisplayView::CItemSettings& settings) : CTrackTextItemWithMenu(settings) { \
        ShowLatest();                                                                      \
    }
ORVANTA_TRACK_CONSTRUCTOR(Distance)
ORVANTA_TRACK_CONSTRUCTOR(MovingTime)
ORVANTA_TRACK_CONSTRUCTOR(ElapsedTime)
ORVANTA_TRACK_CONSTRUCTOR(StoppedTime)
ORVANTA_TRACK_CONSTRUCTOR(AverageSpeedMoving)
ORVANTA_TRACK_CONSTRUCTOR(MaxSpeed)
ORVANTA_TRACK_CONSTRUCTOR(AverageSpeedOverall)
ORVANTA_TRACK_CONSTRUCTOR(Ascent)
ORVANTA_TRACK_CONSTRUCTOR(Descent)
#undef ORVANTA_TRACK_CONSTRUCTOR

void Distance::Show(COverlayTrack* track) {
    std::string value, unit;
    userUnits().FormatDistance(float(track ? track->getTotalDistance() : 0), value, unit);
    SetTitleUnits("Distance", unit);
    SetValue(track ? value : "---");
}

void MovingTime::Show(COverlayTrack* track) {
    SetTitleUnits("Moving Time", "");
    SetValue(track ? elapsed(track->getMovingTime()) : "---");
}

void ElapsedTime::Show(COverlayTrack* track) {
    SetTitleUnits("Elapsed", "");
    SetValue(track ? elapsed(track->getElapsedTime()) : "---");
}

void StoppedTime::Show(COverlayTrack* track) {
    SetTitleUnits("Time stopped", "");
    SetValue(track ? elapsed(track->getStoppedTime()) : "---");
}

void AverageSpeedMoving::Show(COverlayTrack* track) {
    SetTitleUnits("Moving Avg", userUnits().GetSpeedUnit());
    const double t = track ? track->getMovingTime() : 0;
    SetValue(t > kMinAveragingTime ? speed(track->getTotalDistance() / t) : "---");
}

void AverageSpeedOverall::Show(COverlayTrack* track) {
    SetTitleUnits("Track Avg", userUnits().GetSpeedUnit());
    const double t = track ? track->getElapsedTime() : 0;
    SetValue(t > kMinAveragingTime ? speed(track->getTotalDistance() / t) : "---");
}

void MaxSpeed::Show(COverlayTrack* track) {
    SetTitleUnits("Max Speed", userUnits().GetSpeedUnit());
    SetValue(track ? speed(track->max_speed) : "---");
}

void Ascent::Show(COverlayTrack* track) {
    SetTitleUnits("Ascent", userUnits().GetDepthUnit());
    double up = 0, down = 0;
    std::string value = "---";
    if (climb(track, up, down)) userUnits().FormatDepthValue(float(up), value);
    SetValue(value);
}

void Descent::Show(COverlayTrack* track) {
    SetTitleUnits("Descent", userUnits().GetDepthUnit());
    double up = 0, down = 0;
    std::string value = "---";
    if (climb(track, up, down)) userUnits().FormatDepthValue(float(down), value);
    SetValue(value);
}

// ---------------------------------------------------------------- buttons

StartStopButton::StartStopButton(CDisplayView::CItemSettings& settings) : CItemButton(settings) {
    OnUpdate(CTrackManager::theManager);
}

void StartStopButton::OnUpdate(CTrackManager&) {
    const bool recording = CTrackManager::isRecording();
    m_icon = recording ? "stop_recording.svg" : "record.svg";
    SetLabel(recording ? "Stop Logging" : "Start Logging");
}

void StartStopButton::onClick() {
    CTrackManager::theManager.ToggleTrackRecording();
}

ResumeButton::ResumeButton(CDisplayView::CItemSettings& settings) : CItemButton(settings) {
    OnUpdate(CTrackManager::theManager);
}

void ResumeButton::OnUpdate(CTrackManager&) {
    const bool recording = CTrackManager::isRecording();
    m_icon = recording ? "pause.svg" : "resume.svg";
    SetLabel(recording ? "Pause Logging" : "Resume Logging");
}

void ResumeButton::onClick() {
    CTrackManager::theManager.ResumeOrPauseRecording();
}

}  // namespace NDisplayTrack
