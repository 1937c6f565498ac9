#include "app/base/backgroundactivity.h"

#include <set>

namespace {

std::set<std::string>& reasons() {
    static std::set<std::string> list;
    return list;
}

}  // namespace

void AddBackgroundActivity(const std::string& reason) {
    reasons().insert(reason);
}

void RemoveBackgroundActivity(const std::string& reason) {
    reasons().erase(reason);
}

bool HasBackgroundActivity() {
    return !reasons().empty();
}
