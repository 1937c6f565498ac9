// The catalogue of installed maps: every map file in the search folders,
// as outline records in scale order (nautical miles per pixel, ascending,
// so the most detailed first; equal scales keep the order they were found
// in). The map view asks it for the best map at a place and scale, and for
// the next more or less detailed map.
//
// Queries go through a grid of 1° cells holding, in catalogue order, the
// maps whose bounds meet the cell, so a query looks at the maps near the
// place only. Maps covering very many cells are kept in one list of their
// own that every query also reads.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "maps/chartoutline.h"

class CChartList {
public:
    using Outlines = std::vector<std::unique_ptr<CChartOutline>>;

    CChartList() = default;
    CChartList(const CChartList&) = delete;
    CChartList& operator=(const CChartList&) = delete;

    // The folder list: the downloaded-maps folder, the application folder,
    // the map store's external folder when set, then each folder listed in
    // "map_folders.txt"; then a scan.
    void init();
    // Adds a folder unless the same folder (device and inode) is listed.
    bool AddSearchFolder(const std::string& path);
    bool add_to_folders(const std::string& path, int flags);

    void Refresh();
    // Rescans when a searched folder changed since the last scan.
    bool RefreshIfNeeded();

    // scale: wanted nautical miles per pixel; 0 asks for the most detailed.
    // Maps of unselected types count only when anyType is set, or when no
    // other map covers the place.
    CChartOutline* FindBestChart(double lat, double lon, double scale, bool anyType);
    // The least detailed of the maps below 0.97 x scale that covers the place.
    CChartOutline* ScaleIn(double lat, double lon, double scale);
    // The most detailed of the maps above 1.03 x scale that covers the place.
    CChartOutline* ScaleOut(double lat, double lon, double scale);
    // Appends every map covering the place, in scale order.
    void ChartsAt(double lat, double lon, std::vector<CChartOutline*>& list);
    // Steps `it` to the next map after it (start with -1) covering the place;
    // null and it = -1 when there is none.
    CChartOutline* NextHit(double lat, double lon, int& it);
    // The record of a file; scale (when known) finds it faster.
    CChartOutline* FindFile(const std::string& path, double scale = -1);

    // Takes a record out of the catalogue and destroys it; the file stays.
    bool DeleteChart(CChartOutline* outline);
    // The same, and a file in the downloaded-maps folder (a broken
    // download) is deleted too; maps elsewhere belong to the user and stay.
    bool RemoveAndDeleteChart(CChartOutline* outline);

    int size() const { return int(m_charts.size()); }
    const Outlines& charts() const { return m_charts; }
    struct Folder {
        std::string path;
        int flags = 0;
        dev_t device = 0;  // a folder is its device and inode, whatever path led to it
        ino_t inode = 0;
    };
    const std::vector<Folder>& folders() const { return m_folders; }
    // Files left out in the last scan because another copy was newer.
    const std::vector<std::string>& duplicates() const { return m_duplicates; }

    static std::string DownloadedMapsFolder();  // getAppDirectory("Tessarine")
    // A file that goes with a map (its place names, "ovnm"): "<map>.<ext>"
    // beside it, else the first "*.<ext>" in the map's folder, which a chart
    // set shares; "" when there is none.
    static std::string getAssocFile(const std::string& mapPath, const char* extension);

    // The catalogue made at start-up.
    static CChartList* the_list;

private:
    void SearchFolder(const std::string& path, Outlines& found);
    void resolveDuplicates(Outlines& found);
    void buildIndex();
    // Indices of the maps whose bounds may hold the place, in catalogue order.
    const std::vector<uint32_t>& candidates(double lat, double lon);
    bool removeRecord(CChartOutline* outline);

    Outlines m_charts;
    std::vector<Folder> m_folders;  // in search order
    std::set<std::pair<dev_t, ino_t>> m_searched;
    std::map<std::string, double> m_folderTimes;  // searched folder -> its time then
    std::vector<std::string> m_duplicates;

    std::vector<std::vector<uint32_t>> m_cells;  // 360 x 180 cells of 1°
    std::vector<uint32_t> m_wide;                // maps over too many cells
    std::vector<uint32_t> m_scratch;
};
