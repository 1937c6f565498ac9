// Names of new marks, routes and tracks from a template such as "P#",
// "Drop Mark #" or "%yyyy-MM-dd% #": date and time fields are expanded, and
// the last '#' becomes one more than the highest number already following
// the same prefix.
#pragma once

#include <memory>
#include <string>
#include <vector>

// The name for the template given the names in use.
std::string NameFromTemplate(const std::string& nameTemplate,
                             const std::vector<const std::string*>& namesInUse, double when);

// Numbers only from objects that still exist: a deleted object's tombstone
// must not push the numbering on.
template <class T>
std::string GetNameFromTemplate(const std::string& nameTemplate,
                                const std::vector<std::unique_ptr<T>>& list, double when) {
    std::vector<const std::string*> names;
    names.reserve(list.size());
    for (const auto& object : list)
        if (!object->deleted) names.push_back(&object->name);
    return NameFromTemplate(nameTemplate, names, when);
}
