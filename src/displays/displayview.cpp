#include "displays/displayview.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "app/base/timeutils.h"
#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"

CDisplayView::CDisplayView() : m_arrangement(std::make_unique<CItemArrangement>()) {}

CDisplayView::~CDisplayView() {
    // The window hears that its page went away.
    DetachFromWindow();
    m_arrangement->DestroyItems();
}

void CDisplayView::setPageSet(CDisplayViewPageSet* set) {
    m_pageSet = set;
    m_arrangement->pageSet = set;
}

bool CDisplayView::Serialize(IOStream& stream) {
    Section section(stream);
    if (!section.ok()) return false;
    if (stream.isWriting()) signature();
    stream.declare(name);
    for (int& entry : m_signature) stream.declare(entry);
    if (stream.isReading()) {
        m_selected = nullptr;
        m_arrangement->DestroyItems();
    }
    if (!m_arrangement->Serialize(stream)) return false;
    if (!section.Close() || !stream.ok()) return false;
    if (stream.isReading()) Resized(false);
    return true;
}

// ---------------------------------------------------------------- window

void CDisplayView::Attach(IWindow& window) {
    if (m_window == &window) return;
    DetachFromWindow();
    m_window = &window;
    m_arrangement->window = &window;
    if (m_pageSet) {
        window.GetMargins(m_pageSet->marginTop, m_pageSet->marginBottom, m_pageSet->marginLeft,
                          m_pageSet->marginRight);
        if (m_pageSet->screenHeight == 0 && m_pageSet->owner) {
            double w = 0, h = 0;
            window.GetSize(w, h);
            m_pageSet->screenWidth = m_pageSet->owner->toHundredths(w);
            m_pageSet->screenHeight = m_pageSet->owner->toHundredths(h);
        }
    }
    if (!m_arrangement->hasGrid() && m_pageSet)
        m_arrangement->AdjustCellsForScreen(m_pageSet->screenWidth, m_pageSet->screenHeight);
    m_arrangement->CreateItems(*this);
}

void CDisplayView::DetachFromWindow() {
    if (!m_window) return;
    m_selected = nullptr;
    m_arrangement->DestroyItems();
    IWindow* old = m_window;
    m_window = nullptr;
    m_arrangement->window = nullptr;
    old->ItemsChanged();
}

bool CDisplayView::Resized(bool allowPageSetChange) {
    if (!m_window) return false;
    double w = 0, h = 0;
    m_window->GetSize(w, h);
    if (m_pageSet)
        m_window->GetMargins(m_pageSet->marginTop, m_pageSet->marginBottom, m_pageSet->marginLeft,
                             m_pageSet->marginRight);
    if (w * h <= 0) {
        DetachFromWindow();
        return false;
    }
    CDisplayViewArrangementSet* owner = m_pageSet ? m_pageSet->owner : nullptr;
    if (allowPageSetChange && owner) {
        CDisplayViewPageSet* before = m_pageSet;
        if (owner->setBestPagesetForWindowSize(w, h) && owner->getPageSet() != before) return true;
    }
    m_arrangement->Resized(w, h);
    if (isArranging()) refreshSelectionRect();
    return false;
}

void CDisplayView::AdjustCellsForScreen() {
    if (!m_pageSet) return;
    m_selected = nullptr;
    m_arrangement->AdjustCellsForScreen(m_pageSet->screenWidth, m_pageSet->screenHeight);
    if (m_window) {
        m_arrangement->CreateItems(*this);
        m_window->Invalidate();
    }
    modified = true;
}

bool CDisplayView::gridNeedsAdjusting() const {
    if (!m_pageSet) return false;
    const int rows = m_arrangement->rows, columns = m_arrangement->columns;
    return std::abs(rows * 100 / kCellsPerInch - m_pageSet->screenHeight) > rows * 100 / 128 ||
           std::abs(columns * 100 / kCellsPerInch - m_pageSet->screenWidth) > columns * 100 / 128;
}

// ---------------------------------------------------------------- items

CDisplayView::CItemSettings* CDisplayView::AddItem(int type, int row, int column, int height,
                                                   int width, int layer) {
    const CItemSettingsType* kind = CItemSettingsType::findType(type);
    std::unique_ptr<CItemSettings> s = CItemSettingsType::CreateSettings(type);
    if (!kind || !s) return nullptr;
    s->row = row;
    s->column = column;
    s->height = height;
    s->width = width;
    s->layer = std::clamp(layer != 0 ? layer : kind->defaultLayer, 1, 9);
    if (adding) {
        if (CItem* under = NextItemAt(row, column))
            if (s->layer <= under->settings().layer)
                s->layer = std::min(under->settings().layer + 1, 9);
    }
    CItemSettings* raw = s.get();
    m_arrangement->AddItem(std::move(s), *this);
    if (!m_window) raw->adjustToFitView(m_arrangement->columns, m_arrangement->rows);
    modified = true;
    return raw;
}

void CDisplayView::RemoveItem(CItemSettings* settings) {
    if (m_selected && &m_selected->settings() == settings) m_selected = nullptr;
    m_arrangement->RemoveItem(settings);
    modified = true;
}

CDisplayView::CItem* CDisplayView::NextItemAt(int row, int column, const CItem* after) const {
    auto& items = m_arrangement->items;
    bool passed = after == nullptr;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        CItem* item = it->second.get();
        if (!passed) {
            passed = item == after;
            continue;
        }
        if (item->settings().hitTest(row, column)) return item;
    }
    return nullptr;
}

CDisplayView::CItem* CDisplayView::findItemAt(int typeId, int row, int column) const {
    auto gap = [](int v, int start, int size) {
        if (v < start) return start - v;
        if (v >= start + size) return v - (start + size - 1);
        return 0;
    };
    CItem* best = nullptr;
    int bestDistance = INT_MAX;
    int bestLayer = 0;
    for (auto& [layer, item] : m_arrangement->items) {
        if (item->typeId() != typeId) continue;
        const CItemSettings& s = item->settings();
        const int d = gap(column, s.column, s.width) + gap(row, s.row, s.height);
        // Ties go to the higher layer, then to the earlier item.
        if (d < bestDistance || (d == bestDistance && layer > bestLayer)) {
            best = item.get();
            bestDistance = d;
            bestLayer = layer;
        }
    }
    return best;
}

CDisplayView::CItem* CDisplayView::FindLargestItemOfType(int typeId, int& size) const {
    CItem* best = nullptr;
    for (auto& [layer, item] : m_arrangement->items) {
        if (item->typeId() != typeId) continue;
        const int s = m_arrangement->itemSize(item->settings());
        if (s > size) {
            size = s;
            best = item.get();
        }
    }
    return best;
}

void CDisplayView::forAllItemsOfType(int typeId,
                                     const std::function<void(CItem&)>& function) const {
    for (auto& [layer, item] : m_arrangement->items)
        if (item->typeId() == typeId) function(*item);
}

// ---------------------------------------------------------------- names and signatures

const int* CDisplayView::signature() {
    m_arrangement->Get5LargestItems(m_signature);
    return m_signature;
}

std::string CDisplayView::getPageName() {
    if (!name.empty()) return name;
    if (m_signature[0] == 0) signature();
    if (m_arrangement->settings.empty()) return "Empty page";
    const std::string first = CItemSettingsType::getNameOfType(m_signature[0]);
    if (m_signature[1] == 0) return first;
    return first + ", " + CItemSettingsType::getNameOfType(m_signature[1]) + " etc";
}

int CDisplayView::compareSignature(const int* other) {
    signature();
    int score = 0;
    for (int i = 0; i < kSignatureLength; ++i) {
        if (other[i] == 0) continue;
        if (std::find(m_signature, m_signature + kSignatureLength, other[i]) !=
            m_signature + kSignatureLength)
            ++score;
    }
    if (other[0] == m_signature[0]) score += 5;
    return score;
}

bool CDisplayView::isArranging() const {
    return m_pageSet && m_pageSet->owner && m_pageSet->owner->arranging;
}

bool CDisplayView::isCurrentPage() const {
    return m_pageSet && m_pageSet->getCurrentPage() == this;
}

void CDisplayView::ClearAll() {
    m_selected = nullptr;
    m_arrangement->clear();
    modified = true;
    if (m_window) m_window->ItemsChanged();
}

void CDisplayView::SaveIfNeeded() {
    if (m_pageSet && m_pageSet->owner) m_pageSet->owner->save_layout_if_changed();
}
