#include "displays/frameworkitems.h"

#include <cstdio>

#include "displays/itemkind.h"

namespace {

using HintSettings = CPlainItemSettings<CDisplayViewHint::kTypeId, CDisplayViewHint>;
using BlankSettings = CPlainItemSettings<CDisplayViewBlank::kTypeId, CDisplayViewBlank>;
using BatterySettings = CPlainItemSettings<CDisplayViewBattery::kTypeId, CDisplayViewBattery>;
using LogoSettings = CPlainItemSettings<CItemLogo::kTypeId, CItemLogo>;

const CDisplayView::CItemSettingsType hintType("Other:Hint To change data",
                                               CDisplayViewHint::kTypeId, 5, 200, 100,
                                               MakeItemSettings<HintSettings>);
const CDisplayView::CItemSettingsType blankType("Other:Blank", CDisplayViewBlank::kTypeId, 5, 200,
                                                100, MakeItemSettings<BlankSettings>);
const CDisplayView::CItemSettingsType staticTextType(
    "Other:Static Text", CDisplayViewStaticText::kTypeId, 5, 200, 100,
    MakeItemSettings<CDisplayViewStaticText::CSettings>);
const CDisplayView::CItemSettingsType batteryType("Other:Battery Level",
                                                  CDisplayViewBattery::kTypeId, 5, 200, 100,
                                                  MakeItemSettings<BatterySettings>);
const CDisplayView::CItemSettingsType backgroundType(
    "Other:Background Image", CDVBackgroundImage::kTypeId, 1, 200, 200,
    MakeItemSettings<CDVBackgroundImage::CSettings>);
const CDisplayView::CItemSettingsType logoType("Other:Logo", CItemLogo::kTypeId, 2, 200, 100,
                                               MakeItemSettings<LogoSettings>);

}  // namespace

CDisplayViewHint::CDisplayViewHint(CDisplayView::CItemSettings& settings) : CItemText(settings) {
    SetTitleUnits("Hint: To change data", "");
    SetValue("Menu > Edit Layout");
}

// ---------------------------------------------------------------- static text

bool CDisplayViewStaticText::CSettings::SerializeOwn(IOStream& stream) {
    return SerializeTextSection(stream, text);
}

CDisplayView::CItem* CDisplayViewStaticText::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new CDisplayViewStaticText(*this);
}

CDisplayViewStaticText::CDisplayViewStaticText(CSettings& settings)
    : CItemMultilineText(settings), m_settings(settings) {
    SetValue(settings.text);
}

void CDisplayViewStaticText::SetText(const std::string& text) {
    m_settings.text = text;
    SetValue(text);
    if (page()) page()->modified = true;
}

// ---------------------------------------------------------------- battery

CDisplayViewBattery::CDisplayViewBattery(CDisplayView::CItemSettings& settings)
    : CItemText(settings) {
    ShowState(kUnknown, 0);
}

void CDisplayViewBattery::ShowState(int state, double level) {
    char percent[16];
    std::snprintf(percent, sizeof percent, "%d%%", int(100 * level));
    switch (state) {
        case kCharging:
            SetTitleUnits("Battery charging", "");
            SetValue(percent);
            break;
        case kDischarging:
            SetTitleUnits("Battery discharging", "");
            SetValue(percent);
            break;
        case kFull:
            SetTitleUnits("Battery full", "");
            SetValue("100%");
            break;
        default:
            SetTitleUnits("Battery unknown", "");
            SetValue("---");
    }
}

// ---------------------------------------------------------------- background image

bool CDVBackgroundImage::CSettings::SerializeOwn(IOStream& stream) {
    Section section(stream);
    if (!section.ok()) return false;
    const bool hadName = !stream.isReading() || !stream.atEnd();
    stream.declarefilename(file);
    // The scale is stored only after a file name.
    if (hadName) stream.declare(scale_to_fill);
    return section.Close() && stream.ok();
}

CDisplayView::CItem* CDVBackgroundImage::CSettings::CreateItem(CDisplayView::IWindow*) {
    return new CDVBackgroundImage(*this);
}

CDVBackgroundImage::CDVBackgroundImage(CSettings& settings)
    : CDVStaticImageBase(settings), m_settings(settings) {}

std::vector<std::string> CDVBackgroundImage::editMenus() const {
    return {"Change Image", "Scale:To fill", "Scale:To fit"};
}

bool CDVBackgroundImage::onEditMenu(const std::string& entry) {
    if (entry != "Scale:To fill" && entry != "Scale:To fit") return false;
    m_settings.scale_to_fill = entry == "Scale:To fill";
    if (page()) page()->modified = true;
    invalidate();
    return true;
}
