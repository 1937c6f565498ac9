#include "displays/itemarrangement.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "displays/displayviewpageset.h"

CDisplayView::CItemArrangement::~CItemArrangement() {
    DestroyItems();
}

void CDisplayView::CItemArrangement::pageMargins(double& top, double& bottom, double& left,
                                                 double& right) const {
    top = bottom = left = right = 0;
    if (!pageSet) return;
    top = pageSet->marginTop;
    bottom = pageSet->marginBottom;
    left = pageSet->marginLeft;
    right = pageSet->marginRight;
}

bool CDisplayView::CItemArrangement::Serialize(IOStream& stream) {
    {
        Section grid(stream);
        if (!grid.ok()) return false;
        stream.declare(rows);
        stream.declare(columns);
        stream.declare(margin);
        if (!grid.Close() || !stream.ok()) return false;
    }
    // A zero grid divides by zero and a huge one builds a huge occupancy map.
    if (stream.isReading() && (rows < 1 || rows > kMaxCells || columns < 1 || columns > kMaxCells ||
                               margin < 0 || margin > kMaxMargin))
        return stream.refuse();
    Section list(stream);
    if (!list.ok()) return false;
    if (stream.isWriting()) {
        uint32_t count = uint32_t(settings.size());
        stream.declare(count);
        for (auto& s : settings) WritePolymorphic(stream, s.get());
        return list.Close() && stream.ok();
    }
    DestroyItems();
    settings.clear();
    if (stream.atEnd()) return list.Close();
    uint32_t count = 0;
    if (!CSerializableListCount(stream, count)) return false;
    for (uint32_t i = 0; i < count && !stream.atEnd(); ++i) {
        std::unique_ptr<CSerializable> record = ReadPolymorphic(stream);
        if (!stream.ok()) return false;
        // Unknown kinds are skipped; the rest of the page loads.
        auto* s = dynamic_cast<CItemSettings*>(record.get());
        if (!s) continue;
        record.release();
        settings.emplace_back(s);
    }
    ClipItemsIntoGrid();
    return list.Close() && stream.ok();
}

void CDisplayView::CItemArrangement::ClipItemsIntoGrid() {
    if (!hasGrid()) return;
    std::erase_if(settings, [&](const std::unique_ptr<CItemSettings>& s) {
        s->adjustToFitView(columns, rows);
        return s->width < 1 || s->height < 1;
    });
}

// ---------------------------------------------------------------- geometry

void CDisplayView::CItemArrangement::XY_to_cell(double x, double y, int& row, int& column) const {
    double top, bottom, left, right;
    pageMargins(top, bottom, left, right);
    row = cellHeight > 0 ? int(std::clamp((y - top) / cellHeight, -1e9, 1e9)) : 0;
    column = cellWidth > 0 ? int(std::clamp((x - left) / cellWidth, -1e9, 1e9)) : 0;
    row = std::clamp(row, 0, std::max(rows - 1, 0));
    column = std::clamp(column, 0, std::max(columns - 1, 0));
}

void CDisplayView::CItemArrangement::XY_to_nearest_cell_boundary(double x, double y, int& row,
                                                                 int& column) const {
    double top, bottom, left, right;
    pageMargins(top, bottom, left, right);
    row = cellHeight > 0 ? int(std::clamp((y - top + cellHeight / 2) / cellHeight, -1e9, 1e9)) : 0;
    column = cellWidth > 0 ? int(std::clamp((x - left + cellWidth / 2) / cellWidth, -1e9, 1e9)) : 0;
}

CDisplayView::Rect CDisplayView::CItemArrangement::GetItemRect(const CItem& item) const {
    double top, bottom, left, right;
    pageMargins(top, bottom, left, right);
    const CItemSettings& s = item.settings();
    Rect r;
    r.left = s.column * cellWidth + margin + left;
    r.top = s.row * cellHeight + margin + top;
    r.right = r.left + s.width * cellWidth - 2 * margin;
    r.bottom = r.top + s.height * cellHeight - 2 * margin;
    if (item.edgeToEdge) {
        if (s.column == 0) r.left = 0;
        if (s.row == 0) r.top = 0;
        if (s.column + s.width == columns) r.right = viewWidth;
        if (s.row + s.height == rows) r.bottom = viewHeight;
    }
    return r;
}

void CDisplayView::CItemArrangement::PositionItem(CItem& item) {
    IWindow* w = item.window();
    if (!w) return;
    const CItemSettings& s = item.settings();
    if (s.row < rows && s.column < columns) {
        const Rect r = GetItemRect(item);
        w->Move(r.left, r.top, r.right - r.left, r.bottom - r.top);
        w->SetLayer(s.layer);
    } else {
        w->Move(-1000, -1000, 0, 0);
    }
}

void CDisplayView::CItemArrangement::Resized(double w, double h) {
    double top, bottom, left, right;
    pageMargins(top, bottom, left, right);
    viewWidth = w;
    viewHeight = h;
    if (!hasGrid()) return;
    cellWidth = (w - left - right) / columns;
    cellHeight = (h - top - bottom) / rows;
    for (auto& [layer, item] : items) PositionItem(*item);
}

int CDisplayView::CItemArrangement::itemSize(const CItemSettings& s) const {
    if (!hasGrid()) return 0;
    const int64_t w = int64_t(s.width) * 100 / columns;
    const int64_t h = int64_t(s.height) * 100 / rows;
    return int(std::min<int64_t>(w * w + h * h, INT_MAX));
}

// ---------------------------------------------------------------- live items

CDisplayView::CItem* CDisplayView::CItemArrangement::createItem(CItemSettings& s,
                                                                CDisplayView& page) {
    std::unique_ptr<CItem> item(s.CreateItem(window));
    if (!item) return nullptr;
    item->setPage(&page);
    if (window) item->setWindow(window->NewItemWindow(*item));
    CItem* raw = item.get();
    insertItem(std::move(item));
    return raw;
}

void CDisplayView::CItemArrangement::insertItem(std::unique_ptr<CItem> item) {
    const int layer = item->settings().layer;
    items.emplace(layer, std::move(item));
}

std::unique_ptr<CDisplayView::CItem> CDisplayView::CItemArrangement::takeItem(CItem* item) {
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->second.get() != item) continue;
        std::unique_ptr<CItem> taken = std::move(it->second);
        items.erase(it);
        return taken;
    }
    return nullptr;
}

void CDisplayView::CItemArrangement::destroyItem(std::unique_ptr<CItem> item) {
    if (!item) return;
    IWindow* w = item->window();
    item->setWindow(nullptr);
    if (w && window) window->DeleteItemWindow(w);
    item.reset();
}

void CDisplayView::CItemArrangement::CreateItems(CDisplayView& page) {
    DestroyItems();
    for (auto& s : settings) createItem(*s, page);
    if (window) {
        double w = 0, h = 0;
        window->GetSize(w, h);
        Resized(w, h);
        window->ItemsChanged();
    }
}

void CDisplayView::CItemArrangement::DestroyItems() {
    while (!items.empty()) {
        std::unique_ptr<CItem> item = std::move(items.begin()->second);
        items.erase(items.begin());
        destroyItem(std::move(item));
    }
}

void CDisplayView::CItemArrangement::clear() {
    DestroyItems();
    settings.clear();
}

CDisplayView::CItem* CDisplayView::CItemArrangement::FindItem(const CItemSettings* s) const {
    for (auto& [layer, item] : items)
        if (&item->settings() == s) return item.get();
    return nullptr;
}

CDisplayView::CItem* CDisplayView::CItemArrangement::AddItem(std::unique_ptr<CItemSettings> s,
                                                             CDisplayView& page) {
    CItemSettings* raw = s.get();
    settings.push_back(std::move(s));
    if (!window) return nullptr;
    CItem* item = createItem(*raw, page);
    raw->adjustToFitView(columns, rows);
    if (item) {
        PositionItem(*item);
        AdjustLayoutAroundtem(*item);
        window->ItemsChanged();
    }
    return item;
}

void CDisplayView::CItemArrangement::eraseSettings(CItemSettings* s) {
    std::erase_if(settings, [&](const std::unique_ptr<CItemSettings>& p) { return p.get() == s; });
    if (pageSet) pageSet->modified = true;
}

void CDisplayView::CItemArrangement::RemoveItem(CItem* item) {
    if (!item) return;
    item->onItemRemoved();
    CItemSettings* s = &item->settings();
    destroyItem(takeItem(item));
    eraseSettings(s);
    if (window) window->ItemsChanged();
}

void CDisplayView::CItemArrangement::RemoveItem(CItemSettings* s) {
    if (CItem* item = FindItem(s)) return RemoveItem(item);
    eraseSettings(s);
}

void CDisplayView::CItemArrangement::AdjustLayer(CItem& item, int layer) {
    std::unique_ptr<CItem> taken = takeItem(&item);
    if (!taken) return;
    taken->settings().layer = std::clamp(layer, 1, 9);
    insertItem(std::move(taken));
    PositionItem(item);
    AdjustLayoutAroundtem(item);
}

// ---------------------------------------------------------------- layout

namespace {

int64_t overlapCells(const CDisplayView::CItemSettings& a, const CDisplayView::CItemSettings& b) {
    const int64_t w =
        std::min<int64_t>(a.column + a.width, b.column + b.width) - std::max(a.column, b.column);
    const int64_t h =
        std::min<int64_t>(a.row + a.height, b.row + b.height) - std::max(a.row, b.row);
    return w > 0 && h > 0 ? w * h : 0;
}

int64_t square(int64_t v) {
    return v * v;
}

}  // namespace

namespace {

// Blocked cells of a grid as a summed-area table, so that whether a block is
// free costs the same for any block: sum[r][c] = blocked cells above row r
// and left of column c.
class BlockedCells {
public:
    BlockedCells(int rows, int columns) : m_columns(columns + 1) {
        m_sum.assign(size_t(rows + 1) * size_t(m_columns), 0);
    }
    // Marks a rectangle (already inside the grid) through its corners; Finish
    // turns the marks into the table.
    void Mark(int r1, int c1, int r2, int c2) {
        at(r1, c1) += 1;
        at(r1, c2) -= 1;
        at(r2, c1) -= 1;
        at(r2, c2) += 1;
    }
    void Finish() {
        const int rows = int(m_sum.size() / size_t(m_columns)) - 1;
        // The marks summed give how many items cover each cell...
        for (int r = 0; r <= rows; ++r)
            for (int c = 0; c < m_columns; ++c)
                at(r, c) += (r ? at(r - 1, c) : 0) + (c ? at(r, c - 1) : 0) -
                            (r && c ? at(r - 1, c - 1) : 0);
        // ...and covered cells summed again give the table, shifted by one.
        std::vector<int32_t> table(m_sum.size(), 0);
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c < m_columns; ++c)
                table[size_t(r) * m_columns + c] =
                    (at(r - 1, c - 1) > 0 ? 1 : 0) + table[size_t(r - 1) * m_columns + c] +
                    table[size_t(r) * m_columns + c - 1] - table[size_t(r - 1) * m_columns + c - 1];
        m_sum.swap(table);
    }
    // Blocked cells in the h x w block at (r, c).
    int32_t Count(int r, int c, int h, int w) const {
        return get(r + h, c + w) - get(r, c + w) - get(r + h, c) + get(r, c);
    }
    // Whole block rows free from the top, and whole block columns free from the left.
    int FreeRows(int r, int c, int h, int w) const {
        return largest(h, [&](int k) { return Count(r, c, k, w) == 0; });
    }
    int FreeColumns(int r, int c, int h, int w) const {
        return largest(w, [&](int k) { return Count(r, c, h, k) == 0; });
    }

private:
    int32_t& at(int r, int c) { return m_sum[size_t(r) * m_columns + c]; }
    int32_t get(int r, int c) const { return m_sum[size_t(r) * m_columns + c]; }
    // The largest k in 0..n for which free(k) holds (free is monotonic).
    template <class F>
    static int largest(int n, F free) {
        int lo = 0, hi = n;
        while (lo < hi) {
            const int mid = (lo + hi + 1) / 2;
            if (free(mid))
                lo = mid;
            else
                hi = mid - 1;
        }
        return lo;
    }

    int m_columns;
    std::vector<int32_t> m_sum;
};

}  // namespace

bool CDisplayView::CItemArrangement::findSpaceForItem(CItemSettings& item) const {
    if (!hasGrid()) return false;
    const int h = item.height, w = item.width, r0 = item.row, c0 = item.column;
    if (rows - h < 0 || h < 1 || w < 1) return false;
    // Only the other items of the same layer block.
    BlockedCells blocked(rows, columns);
    for (const auto& s : settings) {
        if (s.get() == &item || s->layer != item.layer) continue;
        const int r1 = std::clamp(s->row, 0, rows), c1 = std::clamp(s->column, 0, columns);
        const int r2 = int(std::clamp<int64_t>(int64_t(s->row) + s->height, r1, rows));
        const int c2 = int(std::clamp<int64_t>(int64_t(s->column) + s->width, c1, columns));
        if (r2 > r1 && c2 > c1) blocked.Mark(r1, c1, r2, c2);
    }
    blocked.Finish();
    bool found = false;
    int64_t best = 0;
    int bestRow = 0, bestColumn = 0, bestHeight = 0, bestWidth = 0;
    for (int r = 0; r <= rows - h; ++r) {
        for (int c = 0; c <= columns - w; ++c) {
            int hh = h, ww = w;
            if (blocked.Count(r, c, h, w) != 0) {
                const int freeRows = blocked.FreeRows(r, c, h, w);
                const int freeCols = blocked.FreeColumns(r, c, h, w);
                const bool cutRows = freeRows >= h / 2, cutCols = freeCols >= w / 2;
                if (cutRows && cutCols) {
                    if (int64_t(w - freeCols) * h > int64_t(h - freeRows) * w)
                        hh = freeRows;
                    else
                        ww = freeCols;
                } else if (cutRows) {
                    hh = freeRows;
                } else if (cutCols) {
                    ww = freeCols;
                } else {
                    continue;
                }
                if (hh == 0 || ww == 0) continue;
            }
            const int64_t penalty = 2 * (square(h - hh) + square(w - ww));
            const int64_t score = std::max(square(c - c0) + square(r - r0),
                                           square(r + hh - (r0 + h)) + square(c + ww - (c0 + w))) +
                                  penalty;
            if (!found || score < best) {
                found = true;
                best = score;
                bestRow = r;
                bestColumn = c;
                bestHeight = hh;
                bestWidth = ww;
            }
        }
    }
    if (!found) return false;
    item.row = bestRow;
    item.column = bestColumn;
    item.height = bestHeight;
    item.width = bestWidth;
    return true;
}

void CDisplayView::CItemArrangement::AdjustLayoutAroundtem(CItem& item) {
    CItemSettings& s = item.settings();
    int64_t overlap = 0;
    for (auto& [layer, other] : items)
        if (other.get() != &item && layer == s.layer) overlap += overlapCells(s, other->settings());
    if (overlap == 0) return;
    // A small overlap: the item itself gives way.
    if (5 * overlap <= 2 * int64_t(s.width) * s.height && findSpaceForItem(s)) {
        PositionItem(item);
        return;
    }
    std::vector<std::unique_ptr<CItem>> displaced;
    for (auto it = items.begin(); it != items.end();) {
        if (it->second.get() != &item && it->first == s.layer &&
            overlapCells(s, it->second->settings()) > 0) {
            displaced.push_back(std::move(it->second));
            it = items.erase(it);
        } else {
            ++it;
        }
    }
    std::stable_sort(displaced.begin(), displaced.end(), [](const auto& a, const auto& b) {
        return int64_t(a->settings().width) * a->settings().height <
               int64_t(b->settings().width) * b->settings().height;
    });
    bool removed = false;
    for (auto& other : displaced) {
        if (findSpaceForItem(other->settings())) {
            CItem* raw = other.get();
            insertItem(std::move(other));
            PositionItem(*raw);
        } else {
            CItemSettings* gone = &other->settings();
            other->onItemRemoved();
            destroyItem(std::move(other));
            eraseSettings(gone);
            removed = true;
        }
    }
    if (removed && window) window->ItemsChanged();
}

void CDisplayView::CItemArrangement::AdjustCellsForScreen(int screenWidth, int screenHeight) {
    if (screenWidth <= 50 || screenHeight <= 50) return;
    DestroyItems();
    const int oldRows = rows, oldColumns = columns;
    rows = std::clamp(int(screenHeight * 0.08), 1, kMaxCells);
    columns = std::clamp(int(screenWidth * 0.08), 1, kMaxCells);
    if (oldRows < 1 || oldColumns < 1) return;
    auto scale = [](int v, int from, int to) { return int(double(v) / from * to + 0.5); };
    for (auto& s : settings) {
        s->row = scale(s->row, oldRows, rows);
        s->column = scale(s->column, oldColumns, columns);
        s->height = std::max(scale(s->height, oldRows, rows), 1);
        s->width = std::max(scale(s->width, oldColumns, columns), 1);
    }
}

bool CDisplayView::CItemArrangement::Matches(const CItemArrangement& other) const {
    if (settings.size() != other.settings.size()) return false;
    for (const auto& s : settings) {
        const bool found =
            std::any_of(other.settings.begin(), other.settings.end(), [&](const auto& o) {
                return o->GetTypeId() == s->GetTypeId() && o->row == s->row &&
                       o->column == s->column && o->height == s->height && o->width == s->width;
            });
        if (!found) return false;
    }
    return true;
}

void CDisplayView::CItemArrangement::Get5LargestItems(int* signature) const {
    std::vector<std::pair<int, int>> bySize;  // size, kind; list order kept for equal sizes
    for (const auto& s : settings)
        if (s->GetTypeId() != 120) bySize.emplace_back(itemSize(*s), int(s->GetTypeId()));
    std::stable_sort(bySize.begin(), bySize.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    for (int i = 0; i < CDisplayView::kSignatureLength; ++i)
        signature[i] = i < int(bySize.size()) ? bySize[size_t(i)].second : 0;
}
