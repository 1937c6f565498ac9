#include "overlays/nametemplate.h"

#include <algorithm>
#include <cstdlib>

#include "app/base/stringutils.h"

std::string NameFromTemplate(const std::string& nameTemplate,
                             const std::vector<const std::string*>& namesInUse, double when) {
    const std::string expanded = ExpandDateAndTime(nameTemplate, when);
    const size_t hash = expanded.rfind('#');
    if (hash == std::string::npos) return expanded;
    const std::string prefix = expanded.substr(0, hash);
    long highest = 0;
    for (const std::string* name : namesInUse) {
        if (name->compare(0, prefix.size(), prefix) != 0) continue;
        const long number = std::strtol(name->c_str() + prefix.size(), nullptr, 10);
        // A name such as P99999999999999999999 must not overflow the next number.
        highest = std::max(highest, std::min(number, 999999999L));
    }
    return prefix + std::to_string(highest + 1) + expanded.substr(hash + 1);
}
