#include "displays/displayviewarrangementset.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "app/base/statusmessage.h"
#include "displays/itemarrangement.h"

bool CDisplayViewArrangementSet::shown_layout_hint = false;

namespace {

std::string bundledDefaultLayout() {
    return getBundleFilepath("default_page_layout", "pstf");
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

const AppHookRegistration s_saveLayout(AppHook::SaveLayout, [](const AppHookContext&) {
    CDisplayViewArrangementSet& layout = CDisplayViewArrangementSet::theLayout();
    if (layout.loaded) layout.save_layout_if_changed();
});

}  // namespace

std::string (*CDisplayViewArrangementSet::defaultLayoutPath)() = bundledDefaultLayout;

CDisplayViewArrangementSet& CDisplayViewArrangementSet::theLayout() {
    static CDisplayViewArrangementSet layout;
    return layout;
}

CDisplayViewArrangementSet::CDisplayViewArrangementSet() = default;
CDisplayViewArrangementSet::~CDisplayViewArrangementSet() = default;

std::string CDisplayViewArrangementSet::path(const char* name) const {
    return (m_directory.empty() ? getAppDirectory() : m_directory) + "/" + name;
}

bool CDisplayViewArrangementSet::Serialize(IOStream& stream) {
    uint32_t count = uint32_t(pageSets.size());
    {
        Section section(stream);
        if (!section.ok() || !stream.declaremagic(kMagic)) return false;
        stream.declare(count);
        if (!section.Close() || !stream.ok()) return false;
    }
    if (stream.isWriting()) {
        if (m_current) m_current->ReIndexItems();
        for (auto& set : pageSets) set->Serialize(stream);
        return stream.ok();
    }
    clear();
    if (count > uint32_t(kMaxPageSets)) count = kMaxPageSets;
    for (uint32_t i = 0; i < count; ++i) {
        auto set = std::make_unique<CDisplayViewPageSet>(this);
        if (!set->Serialize(stream)) return false;
        pageSets.push_back(std::move(set));
    }
    m_current = pageSets.empty() ? nullptr : pageSets.front().get();
    return stream.ok();
}

// ---------------------------------------------------------------- page sets

CDisplayViewPageSet* CDisplayViewArrangementSet::getPageSet() {
    if (pageSets.empty()) {
        pageSets.push_back(std::make_unique<CDisplayViewPageSet>(this));
        m_current = nullptr;
    }
    if (!m_current) m_current = pageSets.front().get();
    return m_current;
}

void CDisplayViewArrangementSet::setPageset(CDisplayViewPageSet* set) {
    m_current = set;
    if (!set) return;
    set->ReIndexItems();
    set->setBestPageForSignature(m_signature);
}

CDisplayViewPageSet* CDisplayViewArrangementSet::FindBestFitPageSet(int w, int h) {
    if (int64_t(w) * h < 1) return nullptr;
    if (pageSets.empty()) {
        CDisplayViewPageSet* set = AddNewArrangement(w, h);
        return set;
    }
    CDisplayViewPageSet* best = m_current;
    // Staying with the current set is worth 20 hundredths of an inch.
    int bestDifference = best ? best->SizeDifference(w, h) - 20 : 0;
    for (auto& set : pageSets) {
        const int d = set->SizeDifference(w, h);
        if (!best || d < bestDifference) {
            best = set.get();
            bestDifference = d;
        }
    }
    return best;
}

bool CDisplayViewArrangementSet::setBestPagesetForWindowSize(double w, double h) {
    storeCurrentPageSignature();
    CDisplayViewPageSet* best = FindBestFitPageSet(toHundredths(w), toHundredths(h));
    if (!best || best == m_current) return false;
    if (m_current)
        if (CDisplayView* page = m_current->getCurrentPage()) page->DetachFromWindow();
    setPageset(best);
    return true;
}

void CDisplayViewArrangementSet::storeCurrentPageSignature() {
    if (!m_current) return;
    CDisplayView* page = m_current->getCurrentPage();
    if (!page) return;
    std::memcpy(m_signature, page->signature(), sizeof m_signature);
}

CDisplayViewPageSet* CDisplayViewArrangementSet::AddNewArrangement(int w, int h) {
    if (pageSets.size() >= size_t(kMaxPageSets)) return nullptr;
    if (m_current)
        if (CDisplayView* page = m_current->getCurrentPage()) page->DetachFromWindow();
    auto set = std::make_unique<CDisplayViewPageSet>(this);
    set->screenWidth = w;
    set->screenHeight = h;
    set->AddNewPage();
    m_current = set.get();
    pageSets.push_back(std::move(set));
    changed = true;
    return m_current;
}

bool CDisplayViewArrangementSet::RemoveCurrentArrangement() {
    if (pageSets.size() < 2 || !m_current) return false;
    double w = 0, h = 0;
    if (CDisplayView* page = m_current->getCurrentPage()) {
        w = page->arrangement().viewWidth;
        h = page->arrangement().viewHeight;
        page->DetachFromWindow();
    }
    std::erase_if(pageSets, [&](const auto& s) { return s.get() == m_current; });
    m_current = nullptr;
    CDisplayViewPageSet* best = FindBestFitPageSet(toHundredths(w), toHundredths(h));
    setPageset(best ? best : pageSets.front().get());
    m_current->modified = true;
    changed = true;
    return true;
}

void CDisplayViewArrangementSet::clear() {
    pageSets.clear();
    m_current = nullptr;
}

// ---------------------------------------------------------------- files

bool CDisplayViewArrangementSet::ReadFileWithMagic(const std::string& file) {
    if (ReadFile(file, kLayoutFileMagic)) return true;
    // Older files have no magic section.
    return ReadFile(file, 0);
}

bool CDisplayViewArrangementSet::WriteFileWithMagic(const std::string& file) {
    return WriteFile(file, kLayoutFileMagic);
}

bool CDisplayViewArrangementSet::readSignature() {
    std::string bytes;
    if (!read_whole_file(path(kSignatureFile), bytes) || bytes.size() != sizeof m_signature)
        return false;
    std::memcpy(m_signature, bytes.data(), sizeof m_signature);
    std::memcpy(m_written, m_signature, sizeof m_written);
    m_writtenKnown = true;
    return true;
}

bool CDisplayViewArrangementSet::writeSignature() {
    storeCurrentPageSignature();
    if (m_writtenKnown && std::memcmp(m_written, m_signature, sizeof m_written) == 0) return true;
    if (!write_to_file(path(kSignatureFile),
                       std::string(reinterpret_cast<const char*>(m_signature), sizeof m_signature)))
        return false;
    std::memcpy(m_written, m_signature, sizeof m_written);
    m_writtenKnown = true;
    return true;
}

void CDisplayViewArrangementSet::loadInitialLayout() {
    loaded = true;
    readSignature();
    const std::string layout = path(kLayoutFile);
    if (ReadFileWithMagic(layout)) return;
    if (fileExists(layout)) {
        recoverFrom(layout);
        return;
    }
    restoreDefaultLayout(0, 0);
}

// One bad byte must not lose every page: keep the damaged file for the user,
// then take the last good copy or the factory layout.
bool CDisplayViewArrangementSet::recoverFrom(const std::string& damaged) {
    const std::string bad = damaged + ".bad";
    std::error_code error;
    std::filesystem::remove(bad, error);
    std::filesystem::rename(damaged, bad, error);
    const std::string backup = damaged + ".backup";
    if (fileExists(backup) && ReadFileWithMagic(backup) && CopyFile(backup, damaged)) {
        SetStatusMessage("The page layout was damaged; the last saved copy was restored");
        return true;
    }
    const bool restored = restoreDefaultLayout(0, 0);
    SetStatusMessage("The page layout was damaged; the factory pages were restored");
    return restored;
}

bool CDisplayViewArrangementSet::LoadFile(const std::string& file, double w, double h) {
    if (!pageSets.empty()) storeCurrentPageSignature();
    if (m_current)
        if (CDisplayView* page = m_current->getCurrentPage()) page->DetachFromWindow();
    clear();
    if (!ReadFileWithMagic(file)) return false;
    if (w * h >= 1) {
        setBestPagesetForWindowSize(w, h);
        changed = true;
        save_layout_if_changed();
    }
    return true;
}

bool CDisplayViewArrangementSet::restoreDefaultLayout(double w, double h) {
    const std::string layout = path(kLayoutFile);
    std::error_code error;
    std::filesystem::remove(layout, error);
    const std::string factory = defaultLayoutPath ? defaultLayoutPath() : std::string();
    if (!factory.empty() && CopyFile(factory, layout) && LoadFile(layout, w, h)) return true;
    // Without a readable bundled file the program makes the same layout itself.
    clear();
    MakeDefaultLayout(*this);
    changed = true;
    return save_layout_if_changed();
}

bool CDisplayViewArrangementSet::save_layout_if_changed() {
    for (auto& set : pageSets) {
        for (auto& page : set->pages)
            for (auto& [layer, item] : page->arrangement().items)
                if (item->SaveState()) page->modified = true;
        changed |= set->modified;
        set->modified = false;
        for (auto& page : set->pages) {
            changed |= page->modified;
            page->modified = false;
        }
    }
    bool ok = true;
    if (changed) {
        ok = WriteFileWithMagic(path(kLayoutFile));
        if (ok) changed = false;
    }
    return writeSignature() && ok;
}

bool CDisplayViewArrangementSet::saveBackupLayout() {
    save_layout_if_changed();
    return CopyFile(path(kLayoutFile), path(kLayoutFile) + ".backup");
}

bool CDisplayViewArrangementSet::revertToSavedLayout(double w, double h) {
    const std::string backup = path(kLayoutFile) + ".backup";
    if (fileExists(backup)) CopyFile(backup, path(kLayoutFile));
    return LoadFile(path(kLayoutFile), w, h);
}

namespace {

// One page set holding one borrowed set, for export.
class SinglePageSetFile : public CSerializable {
public:
    explicit SinglePageSetFile(CDisplayViewPageSet& set) : m_set(set) {}
    bool Serialize(IOStream& stream) override {
        uint32_t count = 1;
        {
            Section section(stream);
            stream.declaremagic(CDisplayViewArrangementSet::kMagic);
            stream.declare(count);
        }
        return m_set.Serialize(stream);
    }

private:
    CDisplayViewPageSet& m_set;
};

}  // namespace

bool CDisplayViewArrangementSet::ExportPageSet(CDisplayViewPageSet* set, const std::string& file) {
    if (!set) return false;
    SinglePageSetFile single(*set);
    return single.WriteFile(file, kLayoutFileMagic);
}

bool CDisplayViewArrangementSet::ExportPage(CDisplayView& page, const std::string& file) {
    return page.WriteFile(file, CDisplayView::kPageFileMagic);
}

bool CDisplayViewArrangementSet::ImportPage(const std::string& file) {
    CDisplayViewPageSet* set = getPageSet();
    if (set->pages.size() >= size_t(CDisplayViewPageSet::kMaxPages)) {
        SetStatusMessage("A page set holds at most 100 pages");
        return false;
    }
    auto page = std::make_unique<CDisplayView>();
    page->setPageSet(set);
    if (!page->ReadFile(file, CDisplayView::kPageFileMagic)) {
        SetStatusMessage("Reading the .dvpage file failed");
        return false;
    }
    return set->AppendPage(std::move(page));
}
