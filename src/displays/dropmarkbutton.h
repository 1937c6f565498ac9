// The drop-mark button: one press leaves a mark where the boat is, named
// and drawn from the button's own template ("Drop Mark #" by default), so
// that a man-overboard or a fishing spot is marked without looking.
#pragma once

#include "displays/displayview.h"
#include "overlays/overlaymark.h"

namespace NDisplayGPS {

class DropMarkButton : public CDisplayView::CItemButton {
public:
    static constexpr int kTypeId = 103;
    static constexpr const char* kDefaultTemplate = "Drop Mark #";

    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings();
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        Fields OwnFields() const override;
        COverlayMark markTemplate;

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };

    explicit DropMarkButton(CSettings& settings);
    void onClick() override;

private:
    CSettings& m_settings;
};

}  // namespace NDisplayGPS
