// Editing a page by pointer and keys: select, move, resize, re-layer, lock,
// change the kind of an item, add and remove items.
#include <algorithm>

#include "app/base/timeutils.h"
#include "displays/displayview.h"
#include "displays/displayviewpageset.h"
#include "displays/itemarrangement.h"

namespace {

// Pixels from the bottom-right corner that grab the resize handle, and the
// squared drag distance that makes a press a drag.
double resizeGrip(bool touch) {
    return touch ? 40 : 30;
}
double dragThreshold(bool touch) {
    return touch ? 500 : 100;
}

}  // namespace

void CDisplayView::refreshSelectionRect() {
    if (m_selected)
        m_selectionRect = m_arrangement->GetItemRect(*m_selected);
    else
        m_selectionRect = Rect{};
}

void CDisplayView::SelectItem(CItem* item) {
    m_selected = item;
    refreshSelectionRect();
    if (m_window) m_window->Invalidate();
}

void CDisplayView::AdjustSelectedItemPosition() {
    if (!m_selected) return;
    CItemSettings& s = m_selected->settings();
    s.adjustToFitView(m_arrangement->columns, m_arrangement->rows);
    if (s.width < 1 || s.height < 1) {
        CItem* gone = m_selected;
        m_selected = nullptr;
        m_arrangement->RemoveItem(gone);
    } else {
        m_arrangement->PositionItem(*m_selected);
        m_arrangement->AdjustLayoutAroundtem(*m_selected);
        // The item may have been given way to and moved.
        if (!m_arrangement->FindItem(&s)) m_selected = nullptr;
    }
    refreshSelectionRect();
    if (m_window) m_window->Invalidate();
    modified = true;
}

void CDisplayView::onMouseDown(double x, double y, bool touch) {
    if (!isArranging()) return;
    refreshSelectionRect();
    m_moving = m_resizing = m_dragged = m_freshSelection = false;
    m_touch = touch;
    m_pressX = x;
    m_pressY = y;
    m_pressTime = GetTimeNow();
    m_arrangement->XY_to_cell(x, y, m_pressRow, m_pressColumn);
    if (m_selected && m_selected->settings().hitTest(m_pressRow, m_pressColumn)) {
        const double toCorner = (m_selectionRect.right - x) + (m_selectionRect.bottom - y);
        if (toCorner < resizeGrip(touch))
            m_resizing = true;
        else
            m_moving = true;
        return;
    }
    m_selected = NextItemAt(m_pressRow, m_pressColumn);
    refreshSelectionRect();
    if (m_selected) m_moving = m_freshSelection = true;
    if (m_window) m_window->Invalidate();
}

void CDisplayView::onMouseDragged(double x, double y) {
    if (!isArranging() || !m_selected) return;
    const double dx = x - m_pressX, dy = y - m_pressY;
    if (dx * dx + dy * dy > dragThreshold(m_touch)) m_dragged = true;
    if (m_selected->settings().locked || !m_dragged) return;
    Rect r = m_arrangement->GetItemRect(*m_selected);
    if (m_moving) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    } else if (m_resizing) {
        auto minimum = [&](double cell) {
            const double inner = cell - 2 * m_arrangement->margin;
            return inner < 45 ? 45.0 : double(int(inner));
        };
        r.right = std::max(r.right + dx, r.left + minimum(m_arrangement->cellWidth));
        r.bottom = std::max(r.bottom + dy, r.top + minimum(m_arrangement->cellHeight));
    }
    m_selectionRect = r;
    if (m_window) m_window->Invalidate();
}

void CDisplayView::onMouseUp(double, double) {
    if (!isArranging()) return;
    const bool longPress = GetTimeNow() - m_pressTime > 0.5;
    if (m_selected && !m_selected->settings().locked && (m_dragged || longPress) &&
        (m_moving || m_resizing)) {
        const int margin = m_arrangement->margin;
        int row, column, row2, column2;
        m_arrangement->XY_to_nearest_cell_boundary(m_selectionRect.left - margin,
                                                   m_selectionRect.top - margin, row, column);
        m_arrangement->XY_to_nearest_cell_boundary(m_selectionRect.right + margin,
                                                   m_selectionRect.bottom + margin, row2, column2);
        CItemSettings& s = m_selected->settings();
        s.row = row;
        s.column = column;
        s.height = row2 - row;
        s.width = column2 - column;
        AdjustSelectedItemPosition();
    } else if (!m_dragged && m_selected && !m_freshSelection) {
        // A second tap picks the next item below, wrapping to the top one.
        CItem* next = NextItemAt(m_pressRow, m_pressColumn, m_selected);
        if (!next) next = NextItemAt(m_pressRow, m_pressColumn);
        SelectItem(next);
    }
    m_moving = m_resizing = false;
}

bool CDisplayView::onArrowKey(int key, bool modifier) {
    if (!isArranging() || !m_selected || m_selected->settings().locked) return false;
    CItemSettings& s = m_selected->settings();
    const int rows = m_arrangement->rows, columns = m_arrangement->columns;
    bool accepted = false;
    if (!modifier) {
        if (key == -1 && s.column > 0) --s.column, accepted = true;
        if (key == -2 && s.row > 0) --s.row, accepted = true;
        if (key == 1 && s.column + s.width < columns) ++s.column, accepted = true;
        if (key == 2 && s.row + s.height < rows) ++s.row, accepted = true;
    } else {
        if (key == -1 && s.width > 0) --s.width, accepted = true;
        if (key == -2 && s.height > 0) --s.height, accepted = true;
        if (key == 1 && s.column + s.width < columns) ++s.width, accepted = true;
        if (key == 2 && s.row + s.height < rows) ++s.height, accepted = true;
    }
    if (accepted) AdjustSelectedItemPosition();
    return accepted;
}

void CDisplayView::SetItemLocked(CItem* item, bool locked) {
    if (!item) return;
    item->settings().locked = locked;
    modified = true;
    if (m_window) m_window->Invalidate();
}

void CDisplayView::SetItemLayer(CItem* item, int layer) {
    if (!item) return;
    m_arrangement->AdjustLayer(*item, layer);
    if (!m_arrangement->FindItem(&item->settings()) && m_selected == item) m_selected = nullptr;
    refreshSelectionRect();
    modified = true;
    if (m_window) m_window->Invalidate();
}

CDisplayView::CItemSettings* CDisplayView::ChangeItemKind(CItem* item, int type) {
    if (!item) return nullptr;
    if (item->typeId() == type) return &item->settings();
    if (!CItemSettingsType::findType(type)) return nullptr;
    const CItemSettings old = item->settings();
    if (m_selected == item) m_selected = nullptr;
    m_arrangement->RemoveItem(item);
    const bool wasAdding = adding;
    adding = false;
    CItemSettings* s = AddItem(type, old.row, old.column, old.height, old.width, old.layer);
    adding = wasAdding;
    SelectItem(s ? m_arrangement->FindItem(s) : nullptr);
    modified = true;
    return s;
}

CDisplayView::CItemSettings* CDisplayView::AddItemAtPress(int type) {
    const CItemSettingsType* kind = CItemSettingsType::findType(type);
    if (!kind || !m_arrangement->hasGrid() || m_arrangement->cellWidth <= 0 ||
        m_arrangement->cellHeight <= 0)
        return nullptr;
    const int rows = m_arrangement->rows, columns = m_arrangement->columns;
    const int width = int((kind->defaultWidthPx - 1) / m_arrangement->cellWidth + 1);
    const int height = int((kind->defaultHeightPx - 1) / m_arrangement->cellHeight + 1);
    const int row = std::max(0, std::min(m_pressRow, rows - height));
    const int column = std::max(0, std::min(m_pressColumn, columns - width));
    adding = true;
    CItemSettings* s = AddItem(type, row, column, height, width, 0);
    adding = false;
    SelectItem(s ? m_arrangement->FindItem(s) : nullptr);
    modified = true;
    return s;
}
