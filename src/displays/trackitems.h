// The track family: statistics of the active track (the one being
// recorded, or the last one) and the buttons that start, stop, pause and
// resume recording. Every text item follows the active track
// (Listener<COverlayTrack>) and asks for it when made, so that it shows
// values at once; its menu starts or stops logging.
//
// Speeds are worked in m/s and shown in the user's unit through knots
// (x 1.94384449); times by CUnits::FormatElapsedTime.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "displays/displayview.h"
#include "overlays/overlaytrack.h"

class CTrackManager;

namespace NDisplayTrack {

constexpr double kMsToKnots = 1.94384449;

class CTrackTextItemWithMenu : public CDisplayView::CItemText,
                               public Listener<COverlayTrack>,
                               public Listener<CTrackManager> {
public:
    explicit CTrackTextItemWithMenu(CDisplayView::CItemSettings& settings);
    void OnUpdate(COverlayTrack& track) override { Show(&track); }
    void OnUpdate(CTrackManager&) override;
    // Null: no track at all.
    virtual void Show(COverlayTrack* track) = 0;
    std::vector<std::string> editMenus() const override;
    bool onEditMenu(const std::string& entry) override;

protected:
    void ShowLatest();
};

#define ORVANTA_TRACK_ITEM(Name, Id)                          \
    class Name : public CTrackTextItemWithMenu {              \
    public:                                                   \
        static constexpr int kTypeId = Id;                    \
        explicit Name(CDisplayView::CItemSettings& settings); \
        void Show(COverlayTrack* track) override;             \
    };
ORVANTA_TRACK_ITEM(Distance, 51)
ORVANTA_TRACK_ITEM(MovingTime, 52)
ORVANTA_TRACK_ITEM(ElapsedTime, 53)
ORVANTA_TRACK_ITEM(StoppedTime, 54)
ORVANTA_TRACK_ITEM(AverageSpeedMoving, 55)
ORVANTA_TRACK_ITEM(MaxSpeed, 56)
ORVANTA_TRACK_ITEM(AverageSpeedOverall, 128)
ORVANTA_TRACK_ITEM(Ascent, 130)
ORVANTA_TRACK_ITEM(Descent, 131)
#undef ORVANTA_TRACK_ITEM

// "Start Logging" / "Stop Logging": toggles recording.
class StartStopButton : public CDisplayView::CItemButton, public Listener<CTrackManager> {
public:
    static constexpr int kTypeId = 50;
    explicit StartStopButton(CDisplayView::CItemSettings& settings);
    void OnUpdate(CTrackManager&) override;
    void onClick() override;
};

// "Pause Logging" / "Resume Logging".
class ResumeButton : public CDisplayView::CItemButton, public Listener<CTrackManager> {
public:
    static constexpr int kTypeId = 117;
    explicit ResumeButton(CDisplayView::CItemSettings& settings);
    void OnUpdate(CTrackManager&) override;
    void onClick() override;
};

}  // namespace NDisplayTrack
