// CDisplayView::CItemArrangement: the grid of one page, its stored item
// settings and the live items made from them.
//
// Cell arithmetic (pixels, page margins of the page set):
//   cellWidth = (viewWidth - left - right) / columns, likewise cellHeight
//   cell of (x, y): row = trunc((y - top) / cellHeight), clamped into the grid
//   item rectangle: left = column * cellWidth + margin + pageLeft,
//                   right = left + width * cellWidth - 2 * margin
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "displays/displayview.h"

class CDisplayView::CItemArrangement : public CSerializable {
public:
    // Larger grids are refused when read: 1,000 cells is 125 inches.
    static constexpr int kMaxCells = 1000;
    static constexpr int kMaxMargin = 100;

    CItemArrangement() = default;
    ~CItemArrangement() override;
    bool Serialize(IOStream& stream) override;

    void XY_to_cell(double x, double y, int& row, int& column) const;
    void XY_to_nearest_cell_boundary(double x, double y, int& row, int& column) const;
    CDisplayView::Rect GetItemRect(const CItem& item) const;
    void PositionItem(CItem& item);
    void Resized(double w, double h);
    void CreateItems(CDisplayView& page);
    void DestroyItems();
    void clear();
    // Adds settings (and a live item when the page has a window).
    CItem* AddItem(std::unique_ptr<CItemSettings> settings, CDisplayView& page);
    void RemoveItem(CItem* item);
    void RemoveItem(CItemSettings* settings);
    void AdjustLayer(CItem& item, int layer);
    bool findSpaceForItem(CItemSettings& item) const;
    void AdjustLayoutAroundtem(CItem& item);
    void AdjustCellsForScreen(int screenWidth, int screenHeight);
    bool Matches(const CItemArrangement& other) const;
    void Get5LargestItems(int* signature) const;
    int itemSize(const CItemSettings& s) const;
    CItem* FindItem(const CItemSettings* settings) const;
    // Clips every item into the grid and drops what is left outside.
    void ClipItemsIntoGrid();

    bool hasGrid() const { return rows > 0 && columns > 0; }
    void pageMargins(double& top, double& bottom, double& left, double& right) const;

    int32_t rows = -1;
    int32_t columns = -1;
    int32_t margin = 3;
    double cellWidth = -1, cellHeight = -1;
    double viewWidth = 0, viewHeight = 0;
    std::vector<std::unique_ptr<CItemSettings>> settings;
    std::multimap<int, std::unique_ptr<CItem>> items;  // layer -> item
    CDisplayViewPageSet* pageSet = nullptr;
    IWindow* window = nullptr;

private:
    std::unique_ptr<CItem> takeItem(CItem* item);
    void insertItem(std::unique_ptr<CItem> item);
    CItem* createItem(CItemSettings& s, CDisplayView& page);
    void destroyItem(std::unique_ptr<CItem> item);
    void eraseSettings(CItemSettings* s);
};
