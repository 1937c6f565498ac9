// What the find-place search asks besides the place-name file: the user's
// own objects (marks, routes, tracks), each kind offered by a provider that
// its manager registers. With no provider registered, the search finds
// places and coordinates only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "maps/geometry.h"

struct SearchableObject {
    std::string name;  // UTF-8
    CBounds bounds;    // longitudes left/right, latitudes bottom/top
    // Makes a hidden object visible (and tells its listeners); may be empty.
    std::function<void()> reveal;
};

class SearchProviders {
public:
    // Every object of the provider's kind whose name holds `text` in any case.
    using Function = std::function<std::vector<SearchableObject>(const std::string& text)>;

    // Adds a provider whose results go under `group` ("Marks", "Routes",
    // "Tracks"); groups are listed by rank, lowest first. Returns an id.
    static int Register(const std::string& group, int rank, Function function);
    static void Unregister(int id);

    struct Provider {
        int id;
        std::string group;
        int rank;
        Function function;
    };
    // In rank order (registration order among equal ranks).
    static const std::vector<Provider>& all();
};
