#include "online/dlgfindplace.h"

#include <algorithm>
#include <cmath>

#include "app/base/stringutils.h"
#include "geo/units.h"
#include "online/searchproviders.h"

namespace {

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

CBounds pointBounds(double lat, double lon) {
    return CBounds(lon, lon, lat, lat);
}

}  // namespace

std::vector<PositionReading> ScanAnyPosition(const std::string& text) {
    auto fits = [](double a, double o) { return a > -90 && a < 90 && o > -180 && o < 360; };
    // A position has digits; some grid readers take a lone letter as one.
    if (std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) < 2)
        return {};
    double a = 999, o = 999;
    const CUnits::PositionFormatType* own =
        CUnits::Default ? CUnits::Default->position_format : nullptr;
    if (own && own->scan(text.c_str(), a, o) && fits(a, o)) return {{own->name, a, o}};
    // Any other format that reads it; a grid reads any two numbers, so
    // there may be several readings, each named.
    std::vector<PositionReading> readings;
    for (auto* f = CUnits::PositionFormatType::First(); f; f = f->next) {
        a = o = 999;
        if (f == own || !f->scan(text.c_str(), a, o) || !fits(a, o)) continue;
        const bool known = std::any_of(readings.begin(), readings.end(), [&](const auto& r) {
            return std::fabs(r.lat - a) < 1e-7 && std::fabs(r.lon - o) < 1e-7;
        });
        if (!known) readings.push_back({f->name, a, o});
    }
    return readings;
}

std::string CDlgFindPlace::Group::label() const {
    return title + " (" + std::to_string(results.size()) + ")";
}

void CDlgFindPlace::init(const std::string& databasePath) {
    m_database.Close();
    if (!databasePath.empty()) m_database.Open(databasePath);
    onChangedSearch(m_search);
}

std::string CDlgFindPlace::hint() const {
    if (!m_groups.empty()) return {};
    if (!m_database.isOpen()) return "No placename database. Try search using another map";
    if (trimmed(m_search).empty()) return "Enter a placename, overlay name or grid coordinates";
    return "Nothing found";
}

CDlgFindPlace::Group& CDlgFindPlace::groupFor(const std::string& title) {
    for (Group& g : m_groups)
        if (g.title == title) return g;
    m_groups.push_back(Group{title, {}});
    return m_groups.back();
}

void CDlgFindPlace::onChangedSearch(const std::string& text) {
    m_search = text;
    m_groups.clear();
    const std::string search = trimmed(text);
    if (!search.empty()) {
        addPlaces(upperLatin1(UTF8_to_Latin(search)));
        addOverlays(search);
        addCoordinates(search);
    }
    if (searchStringChanged) searchStringChanged();
}

void CDlgFindPlace::addPlaces(const std::string& upper) {
    if (!m_database.isOpen()) return;
    const int count = int(m_database.categories().size());
    size_t added = 0;
    auto add = [&](CGeoNameDatabase::Cursor e) {
        const CGeoNameDatabase::Place p = CGeoNameDatabase::placeAt(e);
        if (p.category < 0 || p.category >= count) return;
        groupFor(m_database.categories()[size_t(p.category)])
            .results.push_back({Latin_to_UTF8(p.latinName), pointBounds(p.lat, p.lon), {}});
        ++added;
    };
    // Names that start with the text come first, then those that hold it.
    const auto prefixed = m_database.FindPrefix(upper, kMaxPlaces);
    for (CGeoNameDatabase::Cursor e : prefixed) add(e);
    std::vector<CGeoNameDatabase::Cursor> seen(prefixed);
    std::sort(seen.begin(), seen.end());
    for (auto e = m_database.GetNextMatchingEntry(nullptr, -1, upper.c_str());
         e && added < kMaxPlaces; e = m_database.GetNextMatchingEntry(e, -1, upper.c_str()))
        if (!std::binary_search(seen.begin(), seen.end(), e)) add(e);
}

void CDlgFindPlace::addOverlays(const std::string& text) {
    for (const SearchProviders::Provider& provider : SearchProviders::all()) {
        std::vector<SearchableObject> found = provider.function(text);
        if (found.empty()) continue;
        Group& group = groupFor(provider.group);
        for (SearchableObject& o : found)
            group.results.push_back({std::move(o.name), o.bounds, std::move(o.reveal)});
    }
}

void CDlgFindPlace::addCoordinates(const std::string& text) {
    const std::vector<PositionReading> readings = ScanAnyPosition(text);
    for (const PositionReading& r : readings) {
        std::string shown;
        if (CUnits::Default)
            CUnits::Default->FormatPosition(r.lat, r.lon, shown);
        else
            shown = std::to_string(r.lat) + " " + std::to_string(r.lon);
        if (readings.size() > 1) shown = r.format + ": " + shown;
        groupFor("Coordinates").results.push_back({shown, pointBounds(r.lat, r.lon), {}});
    }
}

bool CDlgFindPlace::itemSelected(int group, int index) {
    if (group < 0 || group >= int(m_groups.size())) return false;
    const auto& results = m_groups[size_t(group)].results;
    if (index < 0 || index >= int(results.size())) return false;
    const Result& r = results[size_t(index)];
    if (r.reveal) r.reveal();
    CBounds b = r.bounds;
    b.left -= kMargin, b.right += kMargin, b.bottom -= kMargin, b.top += kMargin;
    if (showArea) showArea(b);
    return true;
}
