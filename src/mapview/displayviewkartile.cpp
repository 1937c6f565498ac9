#include "mapview/displayviewkartile.h"

#include <filesystem>
#include <system_error>

#include "app/base/directories.h"
#include "displays/itemarrangement.h"
#include "displays/itemkind.h"
#include "mapview/kartileview.h"
#include "overlays/markmanager.h"

namespace {

const CDisplayView::CItemSettingsType mapType("Other:Map", CDisplayViewKartile::kTypeId, 2, 400,
                                              400, MakeItemSettings<CDisplayViewKartile::CSettings>,
                                              true, true);

template <int Id>
class ButtonSettings : public CDisplayView::CItemSettings {
public:
    ButtonSettings() : CItemSettings(Id) {}
    CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
};

template <>
CDisplayView::CItem* ButtonSettings<123>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "+", [](CKartileView& v) { v.SmoothZoom(-1); });
}
template <>
CDisplayView::CItem* ButtonSettings<124>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "\u2212", [](CKartileView& v) { v.SmoothZoom(+1); });
}
template <>
CDisplayView::CItem* ButtonSettings<135>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "Scale In", [](CKartileView& v) { v.ChangeMapScale(-1); });
}
template <>
CDisplayView::CItem* ButtonSettings<136>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "Scale Out", [](CKartileView& v) { v.ChangeMapScale(+1); });
}
template <>
CDisplayView::CItem* ButtonSettings<126>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "Add Mark", [](CKartileView& v) { v.CreateNewMark(); });
}

template <>
CDisplayView::CItem* ButtonSettings<127>::CreateItem(CDisplayView::IWindow*) {
    return new CMapButton(*this, "Add Route",
                          [](CKartileView&) { CMarkManager::theManager.CreateNewRoute(); });
}

using Kind = CDisplayView::CItemSettingsType;
const Kind zoomInType("Toolbar: Zoom In", 123, 7, 70, 50, MakeItemSettings<ButtonSettings<123>>);
const Kind zoomOutType("Toolbar: Zoom Out", 124, 7, 70, 50, MakeItemSettings<ButtonSettings<124>>);
const Kind scaleInType("Toolbar:Scale In", 135, 7, 70, 50, MakeItemSettings<ButtonSettings<135>>);
const Kind addMarkType("Toolbar: Add Mark", 126, 7, 70, 50, MakeItemSettings<ButtonSettings<126>>);
const Kind addRouteType("Toolbar: Add Route", 127, 7, 70, 50,
                        MakeItemSettings<ButtonSettings<127>>);
const Kind scaleOutType("Toolbar:Scale Out", 136, 7, 70, 50, MakeItemSettings<ButtonSettings<136>>);

std::string stateOf(CKartileView& view) {
    CSerializable::IOStream out = CSerializable::IOStream::ForWriting();
    view.Serialize(out);
    return out.bytes();
}

}  // namespace

std::string CDisplayViewKartile::directory;

bool CDisplayViewKartile::CSettings::SerializeOwn(IOStream& stream) {
    return SerializeTextSection(stream, viewState);
}

CDisplayView::CItem* CDisplayViewKartile::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new CDisplayViewKartile(*this);
}

CDisplayView::CItemSettings::Fields CDisplayViewKartile::CSettings::OwnFields() const {
    return {
        {"view_state", viewState.empty() ? "none" : std::to_string(viewState.size()) + " bytes"}};
}

CDisplayViewKartile::CDisplayViewKartile(CSettings& settings)
    : CItem(settings), m_settings(settings), m_view(std::make_unique<CKartileView>()) {
    edgeToEdge = true;
    if (!settings.viewState.empty()) {
        CSerializable::IOStream in = CSerializable::IOStream::ForReading(settings.viewState);
        m_view->Serialize(in);
        return;
    }
    if (settings.index != 0) return;
    // The main map takes the place kept before maps were on pages, once.
    const std::string folder = directory.empty() ? getAppDirectory() : directory;
    const std::string old = folder + "/" + kOldStateFile;
    std::error_code error;
    if (!std::filesystem::exists(old, error)) return;
    m_view->ReadFile(old, CKartileView::kStateMagic);
    std::filesystem::rename(old, old + ".old", error);
    SaveState();
}

CDisplayViewKartile::~CDisplayViewKartile() {
    SaveState();
}

bool CDisplayViewKartile::SaveState() {
    if (!m_view->hasMap()) return false;
    std::string state = stateOf(*m_view);
    if (state == m_settings.viewState) return false;
    m_settings.viewState = std::move(state);
    if (page()) page()->modified = true;
    return true;
}

CMapButton::CMapButton(CDisplayView::CItemSettings& settings, const char* label, Action action)
    : CItemButton(settings), m_action(action) {
    SetLabel(label);
}

CDisplayViewKartile* CMapButton::findMap() const {
    if (!page()) return nullptr;
    const auto& s = settings();
    return dynamic_cast<CDisplayViewKartile*>(
        page()->findItemAt(CDisplayViewKartile::kTypeId, s.row, s.column));
}

void CMapButton::onClick() {
    if (CDisplayViewKartile* map = findMap()) m_action(map->view());
}
