// The factory layout. Items are placed by fractions of the page so that the
// same pages fit both design screens.
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"

namespace {

struct Placement {
    int type;
    double top, left, bottom, right;  // fractions of the page, 0..1
};

// Map page: the map over the whole page, the toolbar buttons down the right.
const Placement kMapPage[] = {
    {111, 0, 0, 1, 1},
    {123, 0.02, 0.9, 0.12, 0.99},
    {124, 0.13, 0.9, 0.23, 0.99},
    {135, 0.26, 0.9, 0.36, 0.99},
    {136, 0.37, 0.9, 0.47, 0.99},
};

// GPS values: three rows of three.
const Placement kGpsPage[] = {
    {42, 0, 0, 1 / 3., 1 / 3.},      {41, 0, 1 / 3., 1 / 3., 2 / 3.}, {46, 0, 2 / 3., 1 / 3., 1},
    {43, 1 / 3., 0, 2 / 3., 2 / 3.}, {45, 1 / 3., 2 / 3., 2 / 3., 1}, {47, 2 / 3., 0, 1, 1 / 3.},
    {76, 2 / 3., 1 / 3., 1, 2 / 3.}, {118, 2 / 3., 2 / 3., 1, 1},
};

// Go-to: the arrow on the left half, the values on the right.
const Placement kGotoPage[] = {
    {26, 0, 0, 0.75, 0.5},      {22, 0, 0.5, 0.25, 0.75}, {23, 0, 0.75, 0.25, 1},
    {24, 0.25, 0.5, 0.5, 0.75}, {25, 0.25, 0.75, 0.5, 1}, {57, 0.5, 0.5, 0.75, 0.75},
    {58, 0.5, 0.75, 0.75, 1},   {66, 0.75, 0, 1, 0.5},    {97, 0.75, 0.5, 1, 1},
};

// Race start: the countdown and the line on the left, the true wind
// against the course axis on the right.
const Placement kRacePage[] = {
    {84, 0, 0, 0.4, 0.5},    {89, 0.4, 0, 0.6, 0.25},   {90, 0.4, 0.25, 0.6, 0.5},
    {92, 0.6, 0, 0.8, 0.25}, {91, 0.6, 0.25, 0.8, 0.5}, {93, 0.8, 0, 1, 0.5},
    {99, 0, 0.5, 0.75, 1},   {105, 0.75, 0.5, 1, 0.75}, {107, 0.75, 0.75, 1, 1},
};

// Instruments: the two wind dials and two speedometers above, the values below.
const Placement kInstrumentsPage[] = {
    {100, 0, 0, 0.5, 0.25},          {99, 0, 0.25, 0.5, 0.5},         {101, 0, 0.5, 0.5, 0.75},
    {102, 0, 0.75, 0.5, 1},          {33, 0.5, 0, 2 / 3., 0.25},      {36, 0.5, 0.25, 2 / 3., 0.5},
    {78, 0.5, 0.5, 2 / 3., 0.75},    {82, 0.5, 0.75, 2 / 3., 1},      {34, 2 / 3., 0, 5 / 6., 0.25},
    {35, 2 / 3., 0.25, 5 / 6., 0.5}, {86, 2 / 3., 0.5, 5 / 6., 0.75}, {87, 2 / 3., 0.75, 5 / 6., 1},
    {113, 5 / 6., 0, 1, 0.25},       {112, 5 / 6., 0.25, 1, 0.5},     {80, 5 / 6., 0.5, 1, 0.75},
    {81, 5 / 6., 0.75, 1, 1},
};

template <size_t N>
void addPage(CDisplayViewPageSet& set, const char* name, const Placement (&items)[N]) {
    CDisplayView* page = set.AddNewPage();
    if (!page) return;
    page->name = name;
    const auto& grid = page->arrangement();
    for (const Placement& p : items) {
        const int row = int(p.top * grid.rows + 0.5), column = int(p.left * grid.columns + 0.5);
        const int bottom = int(p.bottom * grid.rows + 0.5),
                  right = int(p.right * grid.columns + 0.5);
        page->AddItem(p.type, row, column, bottom - row, right - column);
    }
}

void addPageSet(CDisplayViewArrangementSet& arrangement, const char* name, int w, int h) {
    CDisplayViewPageSet* set = arrangement.AddNewArrangement(w, h);
    if (!set) return;
    set->name = name;
    // AddNewArrangement gives the set an empty first page; the factory pages replace it.
    set->clear();
    addPage(*set, "Map", kMapPage);
    addPage(*set, "GPS", kGpsPage);
    addPage(*set, "Go to", kGotoPage);
    addPage(*set, "Race", kRacePage);
    addPage(*set, "Instruments", kInstrumentsPage);
    set->setPage(set->pages.front().get());
}

}  // namespace

void MakeDefaultLayout(CDisplayViewArrangementSet& set) {
    set.clear();
    // A 1280 x 800 laptop screen and an 800 x 480 panel, at 96 dpi.
    addPageSet(set, "Laptop screen", 1333, 833);
    addPageSet(set, "Small screen 800 x 480", 833, 500);
    set.setPageset(set.pageSets.front().get());
}
