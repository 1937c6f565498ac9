#include "maps/chartlist.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/fileio.h"
#include "app/base/fileutils.h"
#include "maps/selectmaptypes.h"

namespace {

constexpr int kColumns = 360;  // cells of 1° from longitude -180
constexpr int kRows = 180;     // from latitude -90
constexpr int kMaxCellsPerMap = 4096;
constexpr double kMostDetailed = 1e-8;  // the scale asked for by "0"

// Clamped as doubles first: a far-off bound must not overflow the int.
int column(double lon) {
    return int(std::clamp(std::floor(lon) + 180, 0.0, kColumns - 1.0));
}
int row(double lat) {
    return int(std::clamp(std::floor(lat) + 90, 0.0, kRows - 1.0));
}

bool folderIdentity(const std::string& path, dev_t& device, ino_t& inode) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    device = st.st_dev;
    inode = st.st_ino;
    return true;
}

// The lines that are neither blank nor comments ('#' first), trimmed.
std::vector<std::string> read_line_noncomment(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') continue;
        line.erase(line.find_last_not_of(" \t\r") + 1);
        lines.push_back(line.substr(first));
    }
    return lines;
}

std::unique_ptr<CChartList> g_catalogue;

const AppHookRegistration s_createCatalogue(AppHook::CreateMapCatalogue, [](const AppHookContext&) {
    if (!g_catalogue) g_catalogue = std::make_unique<CChartList>();
    CChartList::the_list = g_catalogue.get();
    g_catalogue->init();
});

}  // namespace

CChartList* CChartList::the_list = nullptr;

std::string CChartList::DownloadedMapsFolder() {
    return getAppDirectory("Tessarine");
}

// ---------------------------------------------------------------- folders and scan

void CChartList::init() {
    m_folders.clear();
    AddSearchFolder(DownloadedMapsFolder());
    AddSearchFolder(getAppDirectory());
    if (!CSelectMapTypes::external_folder.empty())
        AddSearchFolder(CSelectMapTypes::external_folder);
    std::string list;
    if (read_whole_file(getAppDirectory() + "/map_folders.txt", list))
        for (const std::string& folder : read_line_noncomment(list)) AddSearchFolder(folder);
    Refresh();
}

bool CChartList::AddSearchFolder(const std::string& path) {
    return add_to_folders(path, 0);
}

bool CChartList::add_to_folders(const std::string& path, int flags) {
    Folder folder{path, flags};
    if (!folderIdentity(path, folder.device, folder.inode)) return false;
    for (const Folder& f : m_folders)
        if (f.device == folder.device && f.inode == folder.inode) return false;
    m_folders.push_back(folder);
    return true;
}

void CChartList::Refresh() {
    m_searched.clear();
    m_folderTimes.clear();
    Outlines found;
    for (const Folder& folder : m_folders) SearchFolder(folder.path, found);
    resolveDuplicates(found);
    // Most detailed first; equal scales stay in the order they were found.
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return *a < *b; });
    m_charts = std::move(found);
    buildIndex();
}

bool CChartList::RefreshIfNeeded() {
    for (const auto& [folder, time] : m_folderTimes) {
        if (getLastWriteTime(folder) != time) {
            Refresh();
            return true;
        }
    }
    return false;
}

void CChartList::SearchFolder(const std::string& path, Outlines& found) {
    dev_t device;
    ino_t inode;
    if (!folderIdentity(path, device, inode) || !m_searched.insert({device, inode}).second) return;
    m_folderTimes[path] = getLastWriteTime(path);
    for (const std::string& name : listDirectory(path, "*.KTL")) {
        auto outline = std::make_unique<CChartOutline>();
        if (outline->Read(path + "/" + name)) found.push_back(std::move(outline));
    }
    for (const std::string& sub : listSubDirectories(path)) SearchFolder(path + "/" + sub, found);
}

void CChartList::resolveDuplicates(Outlines& found) {
    // The same file name in two folders: the newer copy stays in the
    // catalogue, the other is only left out (never deleted).
    m_duplicates.clear();
    std::map<std::string, size_t> byName;
    std::vector<bool> drop(found.size(), false);
    for (size_t i = 0; i < found.size(); ++i) {
        auto [it, fresh] = byName.emplace(found[i]->fileName(), i);
        if (fresh) continue;
        const size_t kept = it->second;
        const size_t loser = found[i]->modified > found[kept]->modified ? kept : i;
        if (loser == kept) it->second = i;
        drop[loser] = true;
        m_duplicates.push_back(found[loser]->path);
    }
    size_t out = 0;
    for (size_t i = 0; i < found.size(); ++i)
        if (!drop[i]) found[out++] = std::move(found[i]);
    found.resize(out);
}

// ---------------------------------------------------------------- index

void CChartList::buildIndex() {
    m_cells.assign(size_t(kColumns) * kRows, {});
    m_wide.clear();
    for (uint32_t i = 0; i < m_charts.size(); ++i) {
        const CBounds& b = m_charts[i]->bounds;
        if (b.isEmpty()) continue;  // holds no place
        const int c0 = column(b.left), c1 = column(b.right);
        const int r0 = row(b.bottom), r1 = row(b.top);
        if ((c1 - c0 + 1) * (r1 - r0 + 1) > kMaxCellsPerMap) {
            m_wide.push_back(i);
            continue;
        }
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) m_cells[size_t(r) * kColumns + size_t(c)].push_back(i);
    }
}

const std::vector<uint32_t>& CChartList::candidates(double lat, double lon) {
    m_scratch.clear();
    if (!std::isfinite(lat) || !std::isfinite(lon) || m_cells.empty()) return m_scratch;
    const std::vector<uint32_t>& cell = m_cells[size_t(row(lat)) * kColumns + size_t(column(lon))];
    if (m_wide.empty()) return cell;
    std::merge(cell.begin(), cell.end(), m_wide.begin(), m_wide.end(),
               std::back_inserter(m_scratch));
    return m_scratch;
}

// ---------------------------------------------------------------- queries

CChartOutline* CChartList::FindBestChart(double lat, double lon, double scale, bool anyType) {
    const double s = scale > 0 ? scale : kMostDetailed;
    CChartOutline* best = nullptr;
    double bestCloseness = -1;
    for (uint32_t i : candidates(lat, lon)) {
        CChartOutline* o = m_charts[i].get();
        if (o->scale <= 0 || (!anyType && !o->typeIsSelected())) continue;
        // 1 when the scales are equal, toward 0 as they part.
        double r = s / o->scale;
        if (r > 1) r = 1 / r;
        if (r > bestCloseness && o->doesContain(lat, lon)) {
            best = o;
            bestCloseness = r;
        }
    }
    // A map of an unselected type is better than none.
    if (!best && !anyType) return FindBestChart(lat, lon, scale, true);
    return best;
}

CChartOutline* CChartList::ScaleIn(double lat, double lon, double scale) {
    const double limit = 0.97 * scale;
    const std::vector<uint32_t>& list = candidates(lat, lon);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        CChartOutline* o = m_charts[*it].get();
        if (o->scale <= 0 || o->scale >= limit || !o->typeIsSelected()) continue;
        if (o->doesContain(lat, lon)) return o;
    }
    return nullptr;
}

CChartOutline* CChartList::ScaleOut(double lat, double lon, double scale) {
    const double limit = 1.03 * scale;
    for (uint32_t i : candidates(lat, lon)) {
        CChartOutline* o = m_charts[i].get();
        if (o->scale <= limit || !o->typeIsSelected()) continue;
        if (o->doesContain(lat, lon)) return o;
    }
    return nullptr;
}

void CChartList::ChartsAt(double lat, double lon, std::vector<CChartOutline*>& list) {
    for (uint32_t i : candidates(lat, lon))
        if (m_charts[i]->doesContain(lat, lon)) list.push_back(m_charts[i].get());
}

CChartOutline* CChartList::NextHit(double lat, double lon, int& it) {
    const std::vector<uint32_t>& list = candidates(lat, lon);
    auto from = it < 0 ? list.begin() : std::upper_bound(list.begin(), list.end(), uint32_t(it));
    for (; from != list.end(); ++from) {
        if (m_charts[*from]->doesContain(lat, lon)) {
            it = int(*from);
            return m_charts[*from].get();
        }
    }
    it = -1;
    return nullptr;
}

CChartOutline* CChartList::FindFile(const std::string& path, double scale) {
    if (scale >= 0) {
        auto lo = std::lower_bound(m_charts.begin(), m_charts.end(), scale,
                                   [](const auto& o, double s) { return o->scale < s; });
        for (; lo != m_charts.end() && (*lo)->scale == scale; ++lo)
            if ((*lo)->path == path) return lo->get();
    }
    for (auto& o : m_charts)
        if (o->path == path) return o.get();
    return nullptr;
}

bool CChartList::removeRecord(CChartOutline* outline) {
    auto it = std::find_if(m_charts.begin(), m_charts.end(),
                           [outline](const auto& o) { return o.get() == outline; });
    if (it == m_charts.end()) return false;
    m_charts.erase(it);
    buildIndex();
    return true;
}

bool CChartList::DeleteChart(CChartOutline* outline) {
    return removeRecord(outline);
}

bool CChartList::RemoveAndDeleteChart(CChartOutline* outline) {
    if (!outline) return false;
    const std::string path = outline->path;
    if (!removeRecord(outline)) return false;
    const std::string downloads = DownloadedMapsFolder() + "/";
    if (path.compare(0, downloads.size(), downloads) == 0) DeleteFileA(path.c_str());
    return true;
}

std::string CChartList::getAssocFile(const std::string& mapPath, const char* extension) {
    const size_t slash = mapPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : mapPath.substr(0, slash);
    const size_t dot = mapPath.rfind('.');
    const std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                                 ? mapPath
                                 : mapPath.substr(0, dot);
    const std::string own = stem + "." + extension;
    if (getFileSize(own) > 0) return own;
    const std::vector<std::string> shared =
        listDirectory(folder, ("*." + std::string(extension)).c_str());
    return shared.empty() ? std::string() : folder + "/" + shared.front();
}
