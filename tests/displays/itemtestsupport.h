// A page on show in a recording window, holding one item of each kind
// asked for, with the user's units set to nautical and true bearings.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "displays/displayview.h"
#include "displaytestsupport.h"
#include "geo/units.h"

namespace displaytest {

class ShownPage {
public:
    explicit ShownPage(const std::vector<int>& kinds) : window(1325, 825) {
        savedUnits = *CUnits::Default;
        CUnits::Default->set_unit_family(CUnits::Nautical);
        CUnits::Default->depth_unit = CUnits::DepthM;
        CUnits::Default->bearing_mode = 0;
        CUnits::Default->magnetic_variation = 0;
        int row = 0;
        for (int kind : kinds) {
            page().AddItem(kind, row, 0, 6, 20);
            row = (row + 6) % 60;
        }
        page().Attach(window);
    }
    ~ShownPage() {
        page().DetachFromWindow();
        *CUnits::Default = savedUnits;
    }
    CDisplayView& page() { return *layout.page; }
    template <class Item>
    Item* item(int kind) {
        Item* found = nullptr;
        page().forAllItemsOfType(kind, [&](CDisplayView::CItem& i) {
            if (!found) found = dynamic_cast<Item*>(&i);
        });
        return found;
    }
    CDisplayView::CItemText* text(int kind) { return item<CDisplayView::CItemText>(kind); }
    // The text item of a kind shows this title and value (and units, when given).
    void expectShows(int kind, const char* title, const char* value, const char* units = nullptr) {
        SCOPED_TRACE(title);
        CDisplayView::CItemText* shown = text(kind);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title(), title);
        EXPECT_EQ(shown->value(), value);
        if (units) {
            EXPECT_EQ(shown->units(), units);
        }
    }

    OnePage layout;
    PageWindow window;
    CUnits savedUnits;
};

}  // namespace displaytest
