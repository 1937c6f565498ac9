// CDisplayViewKartile: the map as an item on a page (kind 111). It owns the
// map view it shows; the front end gives it a CDVI_Kartile_Window that
// paints the view and hands it the user's input.
//
// The view's state (map, place, scale) lives in the item's settings in the
// page layout. The state kept before maps were page items ("mapview.ovtf")
// is read once by the first map item and then set aside.
//
// The map buttons (zoom in and out, larger- and smaller-scale map) act on
// the map item nearest to them on their page; with none they do nothing.
#pragma once

#include <memory>
#include <string>

#include "displays/displayview.h"

class CKartileView;

class CDisplayViewKartile : public CDisplayView::CItem {
public:
    static constexpr int kTypeId = 111;
    static constexpr const char* kOldStateFile = "mapview.ovtf";

    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings() : CItemSettings(kTypeId) {}
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        void SetIndex(int index) override { this->index = index; }
        Fields OwnFields() const override;
        std::string viewState;  // the view's stored form
        int index = 0;

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };

    explicit CDisplayViewKartile(CSettings& settings);
    ~CDisplayViewKartile() override;
    Kind kind() const override { return kMap; }
    CKartileView& view() const { return *m_view; }
    // Keeps the view's state in the settings; true when it changed.
    bool SaveState() override;

    // Where the old state file is looked for; the application folder when empty.
    static std::string directory;

private:
    CSettings& m_settings;
    std::unique_ptr<CKartileView> m_view;
};

// A toolbar button acting on the nearest map of its page.
class CMapButton : public CDisplayView::CItemButton {
public:
    using Action = void (*)(CKartileView&);
    CMapButton(CDisplayView::CItemSettings& settings, const char* label, Action action);
    void onClick() override;
    CDisplayViewKartile* findMap() const;

private:
    Action m_action;
};
