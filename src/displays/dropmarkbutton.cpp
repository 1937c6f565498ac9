#include "displays/dropmarkbutton.h"

#include "app/base/statusmessage.h"
#include "data/overlaygpsposition.h"
#include "displays/itemkind.h"
#include "overlays/markmanager.h"

namespace NDisplayGPS {
namespace {

const CDisplayView::CItemSettingsType dropMarkType("GPS: Drop Mark Button", DropMarkButton::kTypeId,
                                                   7, 100, 70,
                                                   MakeItemSettings<DropMarkButton::CSettings>);

}  // namespace

DropMarkButton::CSettings::CSettings() : CItemSettings(kTypeId) {
    markTemplate.CopyAppearance(CMarkManager::theManager.default_mark);
    markTemplate.name = kDefaultTemplate;
}

CDisplayView::CItem* DropMarkButton::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new DropMarkButton(*this);
}

CDisplayView::CItemSettings::Fields DropMarkButton::CSettings::OwnFields() const {
    return {{"template", markTemplate.name}, {"icon", markTemplate.icon}};
}

bool DropMarkButton::CSettings::SerializeOwn(IOStream& stream) {
    const bool ok = markTemplate.Serialize(stream);
    // A page from elsewhere may carry an empty template; every drop would share a name.
    if (markTemplate.name.empty()) markTemplate.name = kDefaultTemplate;
    return ok;
}

DropMarkButton::DropMarkButton(CSettings& settings) : CItemButton(settings), m_settings(settings) {
    SetLabel("Drop Mark");
}

void DropMarkButton::onClick() {
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (!own.HasPosition()) {
        SetStatusMessage("No position to drop a mark at");
        return;
    }
    CMarkManager::theManager.CreateNewMark(nullptr, own.latitude, own.longitude,
                                           &m_settings.markTemplate);
}

}  // namespace NDisplayGPS
