// CDisplayProfileItem (kind 133, "Other:Profile"): profiles of tracks and
// routes stacked in one item, each in an equal band of (height - 10) / n
// pixels: distance along on x, height or speed on y. A press or drag
// picks the sample under the finger, marks it in the graph and hands it to
// the highlight callback (by default the map's highlight). While a route is
// followed, its profile carries the "along route" marker at the fraction of
// the route done. Ground-height profiles are computed again when elevation
// tiles arrive.
//
// The item's settings name one track or route it shows of its own accord
// (its menu "Show"): a route's ground heights, a track's altitudes or speeds.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"
#include "displays/displayview.h"
#include "elevation/overlayprofilesource.h"
#include "elevation/profileline.h"
#include "elevation/profilesource.h"

class MZElevationData;

class CDisplayProfileItem : public CDisplayView::CItemDraw,
                            public CProfileSource::Watcher,
                            public Listener<MZElevationData> {
public:
    static constexpr int kTypeId = 133;
    static constexpr double kFrame = 10;  // pixels of the item no band uses

    struct Shown {
        CProfileSource* source = nullptr;
        ProfileQuantity quantity = ProfileQuantity::GroundHeight;
        std::vector<ProfileSample> samples;
        std::vector<QPointF> polygon;  // in the band's own pixels
        ProfilePicker picker;
        double progressX = -1;           // the "along route" marker; negative: none
        double width = -1, height = -1;  // the band the polygon was made for
        bool stale = true;
    };
    using Highlight = std::function<void(CProfileSource&, const ProfileSample&)>;

    // The track or route the item shows by choice, stored with the page.
    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings() : CItemSettings(kTypeId) {}
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        Fields OwnFields() const override;
        COverlayProfileSource::Kind source_kind = COverlayProfileSource::Kind::None;
        uint64_t source_id = 0;
        ProfileQuantity quantity = ProfileQuantity::GroundHeight;

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };

    explicit CDisplayProfileItem(CDisplayView::CItemSettings& settings);
    ~CDisplayProfileItem() override;

    // The item a new profile goes to: the page's largest profile item, or a
    // new one across the top of the page, about 120 pixels high (the page
    // is then marked changed). Null when the page has no live items.
    static CDisplayProfileItem* findProfileItemToUse(CDisplayView& page);

    void addProfile(CProfileSource& source, ProfileQuantity quantity);
    void removeProfile(CProfileSource& source);
    void clearProfiles();
    const std::vector<std::unique_ptr<Shown>>& profiles() const { return m_profiles; }
    // Recomputes what is stale for an item of this size (Paint does it too).
    void layout(double w, double h);
    // The picked sample, or -1 / -1.
    int clickedProfile() const { return m_clickedProfile; }
    int clickedIndex() const { return m_clickedIndex; }

    void Paint(QPainter& painter, double w, double h) override;
    bool takesPointer() const override { return true; }
    void onPointer(double x, double y, bool pressed) override;
    std::vector<std::string> editMenus() const override;
    bool onEditMenu(const std::string& entry) override;

    void profileSourceChanged(CProfileSource& source) override;
    void profileProgressChanged(CProfileSource& source) override;
    void profileSourceGone(CProfileSource& source) override;
    void OnUpdate(MZElevationData& store) override;

    // Shows this track or route (and only it) from now on, and stores the
    // choice; Kind::None clears it.
    void chooseSource(COverlayProfileSource::Kind kind, uint64_t id, ProfileQuantity quantity);
    COverlayProfileSource* chosenSource() const { return m_chosen.get(); }

    // Where picked samples go; set to nothing to keep them to the item.
    static Highlight& highlightCallback();

private:
    double bandHeight(double h) const;
    void recompute(Shown& shown, double w, double band);
    bool updateProgress(Shown& shown, double w);
    void paintBand(QPainter& painter, const Shown& shown, int index, double w, double band);

    // The "Show" entries: menu text, then what it shows.
    struct Choice {
        std::string entry;
        COverlayProfileSource::Kind kind;
        uint64_t id;
        ProfileQuantity quantity;
    };
    static std::vector<Choice> choices();
    void showChosen();

    CSettings* m_settings = nullptr;  // null for plain settings
    std::unique_ptr<COverlayProfileSource> m_chosen;
    std::vector<std::unique_ptr<Shown>> m_profiles;
    int m_clickedProfile = -1;
    int m_clickedIndex = -1;
    double m_width = 0, m_height = 0;
};
