// The find-place search: names, categories, the user's own objects through
// registered providers, typed coordinates in every position format, and
// showing a chosen result on the map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geo/units.h"
#include "online/dlgfindplace.h"
#include "online/searchproviders.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

class FindPlace : public ::testing::Test {
protected:
    void SetUp() override {
        const std::vector<GeoNameRecord> places = {
            {"London", 0, 51.5, -0.12},
            {"Ablonville", 0, 49.3, 0.1},
            {"Longhope", 1, 58.8, -3.2},
            {"Étretat", 0, 49.7, 0.2},
            {"Nowhere", 2, 10, 10},
            {"Lonely", -1, 11, 11},
            {"Cowes Harbour", 1, 50.76, -1.3},
        };
        writeFile(dir.file("p.ovnm"),
                  QByteArray::fromStdString(GeoNameDatabaseBytes({"Towns", "Harbours"}, places)));
        dialog.init(dir.file("p.ovnm").toStdString());
        ASSERT_TRUE(dialog.hasDatabase());
    }
    // "Group (n): a, b | Group (n): c" for the current results.
    std::string shown() const {
        std::string text;
        for (const auto& g : dialog.groups()) {
            text += (text.empty() ? "" : " | ") + g.label() + ":";
            for (const auto& r : g.results) text += " " + r.name;
        }
        return text;
    }
    TempDir dir;
    CDlgFindPlace dialog;
};

TEST_F(FindPlace, SearchesAsATable) {
    const std::pair<const char*, const char*> cases[] = {
        {"lon", "Towns (2): London Ablonville | Harbours (1): Longhope"},
        {"  LONDON ", "Towns (1): London"},
        {"étr", "Towns (1): Étretat"},
        {"ÉTRETAT", "Towns (1): Étretat"},
        {"harbour", "Harbours (1): Cowes Harbour"},
        {"nowhere", ""},  // its category is not in the table
        {"lonely", ""},   // no category
        {"zzz", ""},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        dialog.onChangedSearch(text);
        EXPECT_EQ(shown(), expected);
        EXPECT_EQ(dialog.hint().empty(), std::string(expected) != "");
    }
    dialog.onChangedSearch("");
    EXPECT_EQ(dialog.hint(), "Enter a placename, overlay name or grid coordinates");
}

TEST_F(FindPlace, WithoutADatabaseOnlyOverlaysAndCoordinatesAreFound) {
    CDlgFindPlace none;
    none.init(dir.file("missing.ovnm").toStdString());
    none.onChangedSearch("london");
    EXPECT_TRUE(none.groups().empty());
    EXPECT_EQ(none.hint(), "No placename database. Try search using another map");
}

TEST_F(FindPlace, OwnObjectsComeFromTheProvidersAndAreRevealedWhenChosen) {
    int revealed = 0;
    const int marks = SearchProviders::Register("Marks", 10, [&](const std::string& text) {
        std::vector<SearchableObject> found;
        if (text == "Lon") found.push_back({"Lon buoy", CBounds(1, 1, 2, 2), [&] { ++revealed; }});
        return found;
    });
    const int tracks = SearchProviders::Register("Tracks", 30, [](const std::string&) {
        return std::vector<SearchableObject>{{"Lon track", CBounds(1, 3, 2, 4), {}}};
    });
    std::vector<CBounds> areas;
    dialog.showArea = [&](const CBounds& b) { areas.push_back(b); };
    dialog.onChangedSearch("Lon");
    SearchProviders::Unregister(marks);
    SearchProviders::Unregister(tracks);
    EXPECT_EQ(shown(),
              "Towns (2): London Ablonville | Harbours (1): Longhope | Marks (1): Lon buoy | "
              "Tracks (1): Lon track");
    ASSERT_TRUE(dialog.itemSelected(2, 0));
    EXPECT_EQ(revealed, 1);
    ASSERT_TRUE(dialog.itemSelected(0, 0));
    EXPECT_FALSE(dialog.itemSelected(4, 0));
    EXPECT_FALSE(dialog.itemSelected(0, 2));
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0], CBounds(0.99, 1.01, 1.99, 2.01));
    EXPECT_NEAR(areas[1].left, -0.13, 1e-9);
    EXPECT_NEAR(areas[1].top, 51.51, 1e-9);
}

TEST_F(FindPlace, ACoordinateInEveryPositionFormatIsFound) {
    const double lat = 50.7512, lon = -1.2934;  // grids that can't show it are left out
    int formats = 0;
    for (auto* f = CUnits::PositionFormatType::First(); f; f = f->next) {
        std::string text;
        if (!f->format(lat, lon, text)) continue;
        SCOPED_TRACE(std::string(f->name) + ": " + text);
        ++formats;
        dialog.onChangedSearch(text);
        ASSERT_FALSE(dialog.groups().empty());
        const auto& g = dialog.groups().back();
        ASSERT_EQ(g.title, "Coordinates");
        const bool near = std::any_of(g.results.begin(), g.results.end(), [&](const auto& r) {
            return std::fabs(r.bounds.center().y - lat) < 1e-3 &&
                   std::fabs(r.bounds.center().x - lon) < 1e-3;
        });
        EXPECT_TRUE(near);
    }
    EXPECT_GE(formats, 4);
    const char* outside[] = {"95N 10E", "45N 400E", "91°N 10°E", "90°S 0°E", "q", "N 5"};
    for (const char* text : outside) {
        SCOPED_TRACE(text);
        dialog.onChangedSearch(text);
        EXPECT_TRUE(dialog.groups().empty());
    }
}

}  // namespace
