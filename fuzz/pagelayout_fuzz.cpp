// An arbitrary page layout (.pstf) or page (.dvpage) file, read as the
// program reads them, then laid out: names, signatures, choosing a page set,
// finding space for items. Reads must end and refuse what can't be real;
// the layout arithmetic must stay inside its grid.
#include <cstdint>
#include <string>

#include "displays/displayviewarrangementset.h"
#include "displays/itemarrangement.h"

namespace {

using IOStream = CSerializable::IOStream;

// The whole-file reading of the container, from bytes instead of a path.
bool readFromBytes(CSerializable& object, const std::string& bytes, uint32_t magic) {
    IOStream stream = IOStream::ForReading(bytes);
    if (!stream.declareheader()) return false;
    {
        CSerializable::Section section(stream);
        if (!section.ok() || !stream.declaremagic(magic)) return false;
    }
    return object.Serialize(stream) && stream.ok();
}

void exercise(CDisplayView& page) {
    page.getPageName();
    auto& grid = page.arrangement();
    int checked = 0;
    for (auto& s : grid.settings) {
        if (++checked > 4) break;
        CDisplayView::CItemSettings copy = *s;
        grid.findSpaceForItem(copy);
        if (grid.hasGrid() && (copy.row < 0 || copy.column < 0 ||
                               copy.row + copy.height > grid.rows ||
                               copy.column + copy.width > grid.columns))
            __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    CDisplayViewArrangementSet layout;
    if (readFromBytes(layout, bytes, CDisplayViewArrangementSet::kLayoutFileMagic)) {
        if (layout.pageSets.size() > size_t(CDisplayViewArrangementSet::kMaxPageSets))
            __builtin_trap();
        for (auto& set : layout.pageSets) {
            if (set->pages.size() > size_t(CDisplayViewPageSet::kMaxPages)) __builtin_trap();
            set->getScreenName();
            for (auto& page : set->pages) exercise(*page);
        }
        layout.setBestPagesetForWindowSize(1280, 800);
        layout.setBestPagesetForWindowSize(480, 800);
    }
    CDisplayView page;
    if (readFromBytes(page, bytes, CDisplayView::kPageFileMagic)) exercise(page);
    return 0;
}
