#include "online/searchproviders.h"

#include <algorithm>

namespace {

std::vector<SearchProviders::Provider>& providers() {
    static std::vector<SearchProviders::Provider> list;
    return list;
}

}  // namespace

int SearchProviders::Register(const std::string& group, int rank, Function function) {
    static int nextId = 1;
    auto& list = providers();
    const auto at = std::upper_bound(list.begin(), list.end(), rank,
                                     [](int r, const Provider& p) { return r < p.rank; });
    const int id = nextId++;
    list.insert(at, Provider{id, group, rank, std::move(function)});
    return id;
}

void SearchProviders::Unregister(int id) {
    std::erase_if(providers(), [id](const Provider& p) { return p.id == id; });
}

const std::vector<SearchProviders::Provider>& SearchProviders::all() {
    return providers();
}
