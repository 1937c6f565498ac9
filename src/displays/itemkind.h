// Helpers for declaring item kinds: settings without fields of their own
// that make one kind of live item, and the factory the registry calls.
#pragma once

#include <string>
#include <type_traits>

#include "displays/displayview.h"

// A kind's own section holding one text (a name, a text to show).
inline bool SerializeTextSection(CSerializable::IOStream& stream, std::string& text) {
    CSerializable::Section section(stream);
    if (!section.ok()) return false;
    stream.declare(text);
    return section.Close() && stream.ok();
}

template <class Settings>
CDisplayView::CItemSettings* MakeItemSettings() {
    return new Settings;
}

// Settings of kind Id with no fields beyond the base; Item(settings) is the
// live item (void: the kind has no live item in this program).
template <int Id, class Item = void>
class CPlainItemSettings : public CDisplayView::CItemSettings {
public:
    CPlainItemSettings() : CItemSettings(Id) {}
    CDisplayView::CItem* CreateItem(CDisplayView::IWindow*) override {
        if constexpr (std::is_void_v<Item>)
            return nullptr;
        else
            return new Item(*this);
    }
};

// The registration of a kind with plain settings; the footprint of a text
// item unless told otherwise. Kinds without a live item stay out of the menu.
template <int Id, class Item = void>
class CPlainItemKind : public CDisplayView::CItemSettingsType {
public:
    explicit CPlainItemKind(const char* name, int layer = 5, int widthPx = 200, int heightPx = 100)
        : CItemSettingsType(name, Id, layer, widthPx, heightPx,
                            MakeItemSettings<CPlainItemSettings<Id, Item>>, !std::is_void_v<Item>) {
    }
};
