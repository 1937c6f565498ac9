#include "displays/displayviewpageset.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"
#include "geo/units.h"

CDisplayViewPageSet::CDisplayViewPageSet(CDisplayViewArrangementSet* owner_) : owner(owner_) {}

CDisplayViewPageSet::~CDisplayViewPageSet() = default;

bool CDisplayViewPageSet::Serialize(IOStream& stream) {
    uint32_t count = uint32_t(pages.size());
    {
        Section section(stream);
        if (!section.ok() || !stream.declaremagic(kMagic)) return false;
        stream.declare(count);
        stream.declare(screenWidth);
        stream.declare(screenHeight);
        stream.declare(name);
        if (!section.Close() || !stream.ok()) return false;
    }
    if (stream.isWriting()) {
        for (auto& page : pages) page->Serialize(stream);
        return stream.ok();
    }
    if (screenWidth < 0 || screenWidth > kMaxScreenSize || screenHeight < 0 ||
        screenHeight > kMaxScreenSize || count > CSerializable::kMaxListCount)
        return stream.refuse();
    clear();
    // Pages past the limit are read and let go, so the file still loads.
    for (uint32_t i = 0; i < count; ++i) {
        auto page = std::make_unique<CDisplayView>();
        page->setPageSet(this);
        if (!page->Serialize(stream)) return false;
        if (pages.size() < size_t(kMaxPages)) pages.push_back(std::move(page));
    }
    m_current = pages.empty() ? nullptr : pages.front().get();
    return stream.ok();
}

int CDisplayViewPageSet::currentIndex() const {
    for (size_t i = 0; i < pages.size(); ++i)
        if (pages[i].get() == m_current) return int(i);
    return -1;
}

CDisplayView* CDisplayViewPageSet::getCurrentPage() {
    checkCurrentPage();
    return m_current;
}

void CDisplayViewPageSet::checkCurrentPage() {
    if (pages.empty()) {
        auto page = std::make_unique<CDisplayView>();
        page->setPageSet(this);
        page->AdjustCellsForScreen();
        pages.push_back(std::move(page));
    }
    if (currentIndex() < 0) m_current = pages.front().get();
}

void CDisplayViewPageSet::setPage(CDisplayView* page) {
    for (auto& p : pages)
        if (p.get() == page) m_current = page;
}

void CDisplayViewPageSet::nextPage() {
    checkCurrentPage();
    const int i = currentIndex();
    m_current = pages[size_t(i + 1) % pages.size()].get();
}

void CDisplayViewPageSet::previousPage() {
    checkCurrentPage();
    const int i = currentIndex();
    m_current = pages[size_t(i == 0 ? int(pages.size()) - 1 : i - 1)].get();
}

CDisplayView* CDisplayViewPageSet::AddNewPage() {
    if (pages.size() >= size_t(kMaxPages)) return nullptr;
    auto page = std::make_unique<CDisplayView>();
    page->setPageSet(this);
    page->AdjustCellsForScreen();
    CDisplayView* raw = page.get();
    const int at = currentIndex();
    pages.insert(pages.begin() + (at < 0 ? int(pages.size()) : at + 1), std::move(page));
    m_current = raw;
    modified = true;
    return raw;
}

bool CDisplayViewPageSet::AppendPage(std::unique_ptr<CDisplayView> page) {
    if (!page || pages.size() >= size_t(kMaxPages)) return false;
    page->setPageSet(this);
    // A page made for another screen gets this one's grid.
    if (page->gridNeedsAdjusting()) page->AdjustCellsForScreen();
    pages.push_back(std::move(page));
    modified = true;
    return true;
}

bool CDisplayViewPageSet::RemoveCurrentPage() {
    if (pages.size() < 2) return false;
    const int i = currentIndex();
    if (i < 0) return false;
    pages[size_t(i)]->DetachFromWindow();
    pages.erase(pages.begin() + i);
    m_current = pages[size_t(std::min(i, int(pages.size()) - 1))].get();
    modified = true;
    return true;
}

CDisplayView* CDisplayViewPageSet::DuplicateCurrentPage() {
    CDisplayView* current = getCurrentPage();
    if (pages.size() >= size_t(kMaxPages)) return nullptr;
    IOStream out = IOStream::ForWriting();
    current->Serialize(out);
    auto copy = std::make_unique<CDisplayView>();
    copy->setPageSet(this);
    IOStream in = IOStream::ForReading(out.bytes());
    if (!copy->Serialize(in)) return nullptr;
    CDisplayView* raw = copy.get();
    pages.insert(pages.begin() + currentIndex() + 1, std::move(copy));
    m_current = raw;
    modified = true;
    return raw;
}

bool CDisplayViewPageSet::MoveCurrentPage(int delta) {
    const int i = currentIndex();
    const int to = i + delta;
    if (i < 0 || to < 0 || to >= int(pages.size()) || delta == 0) return false;
    std::unique_ptr<CDisplayView> page = std::move(pages[size_t(i)]);
    pages.erase(pages.begin() + i);
    pages.insert(pages.begin() + to, std::move(page));
    modified = true;
    return true;
}

CDisplayView* CDisplayViewPageSet::FindPageMatching(const CDisplayView& page) const {
    for (auto& p : pages)
        if (p->arrangement().Matches(page.arrangement())) return p.get();
    return nullptr;
}

CDisplayView* CDisplayViewPageSet::bestPageForSignature(const int* signature) const {
    CDisplayView* best = nullptr;
    int bestScore = 0;
    for (auto& p : pages) {
        const int score = p->compareSignature(signature);
        if (score > bestScore) {
            bestScore = score;
            best = p.get();
        }
    }
    return best;
}

bool CDisplayViewPageSet::setBestPageForSignature(const int* signature) {
    CDisplayView* best = bestPageForSignature(signature);
    if (best) m_current = best;
    return best != nullptr;
}

int CDisplayViewPageSet::SizeDifference(int w, int h) const {
    int d = std::abs(screenWidth - w) + std::abs(screenHeight - h);
    if ((w >= h) != (screenWidth >= screenHeight)) d *= 2;
    return d;
}

std::string CDisplayViewPageSet::getScreenName() const {
    if (!name.empty()) return name;
    const bool metric = CUnits::Default && CUnits::Default->unit_family == CUnits::Metric;
    const double factor = metric ? 0.0255 : 0.01;
    const char* unit = metric ? "cm" : "\"";
    char text[96];
    std::snprintf(text, sizeof text, "%.1f%s w x %.1f%s h", screenWidth * factor, unit,
                  screenHeight * factor, unit);
    return text;
}

void CDisplayViewPageSet::AdjustPagesForScreen() {
    for (auto& p : pages) p->AdjustCellsForScreen();
}

void CDisplayViewPageSet::ReIndexItems() {
    for (auto* t = CDisplayView::CItemSettingsType::first_type; t; t = t->next)
        if (t->indexed) ReIndexItemsOfType(t->typeId);
}

void CDisplayViewPageSet::ReIndexItemsOfType(int typeId) {
    std::vector<std::tuple<int64_t, size_t, CDisplayView::CItemSettings*>> found;
    for (auto& p : pages) {
        const auto& a = p->arrangement();
        if (!a.hasGrid()) continue;
        for (auto& s : a.settings) {
            if (int(s->GetTypeId()) != typeId) continue;
            const int64_t place =
                100 - (int64_t(s->row) * a.rows + s->column) * 100 / (int64_t(a.rows) * a.columns);
            found.emplace_back(a.itemSize(*s) + place * place, found.size(), s.get());
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
    int next = 0;
    for (auto& entry : found) std::get<2>(entry)->SetIndex(next++);
}

void CDisplayViewPageSet::clear() {
    pages.clear();
    m_current = nullptr;
}
