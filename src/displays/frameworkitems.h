// The framework's own small items: a hint, a blank spacer, a static text,
// the battery level, a background image and the logo.
#pragma once

#include <string>

#include "displays/displayview.h"

class CDisplayViewHint : public CDisplayView::CItemText {
public:
    static constexpr int kTypeId = 69;
    explicit CDisplayViewHint(CDisplayView::CItemSettings& settings);
};

// A spacer: it has no window and draws nothing.
class CDisplayViewBlank : public CDisplayView::CItem {
public:
    static constexpr int kTypeId = 88;
    using CItem::CItem;
};

class CDisplayViewStaticText : public CDisplayView::CItemMultilineText {
public:
    static constexpr int kTypeId = 132;
    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings() : CItemSettings(kTypeId) {}
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        Fields OwnFields() const override { return {{"text", text}}; }
        std::string text = "Custom Text";

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };
    explicit CDisplayViewStaticText(CSettings& settings);
    void SetText(const std::string& text);

private:
    CSettings& m_settings;
};

// This platform reports no battery, so the state shown is the unknown one.
class CDisplayViewBattery : public CDisplayView::CItemText {
public:
    static constexpr int kTypeId = 121;
    enum State { kUnknown = 0, kDischarging = 1, kCharging = 2, kFull = 3 };
    explicit CDisplayViewBattery(CDisplayView::CItemSettings& settings);
    void ShowState(int state, double level);
};

// An image fixed in an item: the front end draws `imagePath`.
class CDVStaticImageBase : public CDisplayView::CItem {
public:
    using CItem::CItem;
    Kind kind() const override { return kImage; }
    virtual std::string imagePath() const = 0;
    virtual bool scaleToFill() const { return false; }
};

class CDVBackgroundImage : public CDVStaticImageBase {
public:
    static constexpr int kTypeId = 120;
    class CSettings : public CDisplayView::CItemSettings {
    public:
        CSettings() : CItemSettings(kTypeId) {}
        CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override;
        Fields OwnFields() const override {
            return {{"file", file}, {"scale", scale_to_fill ? "fill" : "fit"}};
        }
        std::string file;
        bool scale_to_fill = true;

    protected:
        bool SerializeOwn(IOStream& stream) override;
    };
    explicit CDVBackgroundImage(CSettings& settings);
    std::string imagePath() const override { return m_settings.file; }
    bool scaleToFill() const override { return m_settings.scale_to_fill; }
    std::vector<std::string> editMenus() const override;
    bool onEditMenu(const std::string& entry) override;

private:
    CSettings& m_settings;
};

class CItemLogo : public CDVStaticImageBase {
public:
    static constexpr int kTypeId = 65;
    using CDVStaticImageBase::CDVStaticImageBase;
    std::string imagePath() const override { return "qrc:/orvanta_logo.png"; }
};
