// CDlgFindPlace: the logic of the find-place dialog, free of any front end.
// Every edit of the search text rebuilds a two-level results tree: one node
// per place category with matches, one per kind of the user's own objects
// ("Marks", "Routes", "Tracks"), and "Coordinates" when the text reads as a
// position in the user's position format, or else in any other. Each
// node's name ends with its count, " (%d)". Choosing a result widens its
// bounds by 0.01 degrees on every side and shows that area on the map.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "maps/geometry.h"
#include "online/geonamedatabase.h"

class CDlgFindPlace {
public:
    static constexpr size_t kMaxPlaces = 500;  // place results per search
    static constexpr double kMargin = 0.01;    // degrees around a result

    struct Result {
        std::string name;  // UTF-8
        CBounds bounds;
        std::function<void()> reveal;
    };
    struct Group {
        std::string title;  // "Harbours", "Marks", "Coordinates"...
        std::vector<Result> results;
        std::string label() const;  // title and " (count)"
    };

    // A database path, or empty for none. A file that fails to open is left
    // alone and the dialog goes on without place names.
    void init(const std::string& databasePath);
    bool hasDatabase() const { return m_database.isOpen(); }
    const CGeoNameDatabase& database() const { return m_database; }

    void onChangedSearch(const std::string& text);
    const std::string& searchString() const { return m_search; }
    const std::vector<Group>& groups() const { return m_groups; }
    // What the empty list says, or "" when there are results.
    std::string hint() const;

    // Reveals the object if hidden and shows its area; false for no such item.
    bool itemSelected(int group, int index);

    // Set by whoever shows the dialog: the map shows the area (the model's
    // ShowAreaOnTheMap), and the search text changed.
    std::function<void(const CBounds&)> showArea;
    std::function<void()> searchStringChanged;

private:
    void addPlaces(const std::string& upper);
    void addOverlays(const std::string& text);
    void addCoordinates(const std::string& text);
    Group& groupFor(const std::string& title);

    CGeoNameDatabase m_database;
    std::string m_search;
    std::vector<Group> m_groups;
};

// A position typed in any of the position formats: the user's own format's
// reading alone when it reads the text, else every other format's.
struct PositionReading {
    std::string format;
    double lat, lon;
};
std::vector<PositionReading> ScanAnyPosition(const std::string& text);
