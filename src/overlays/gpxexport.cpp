#include "overlays/gpxexport.h"

#include "app/base/filedialogs.h"
#include "app/base/messagebox.h"
#include "app/base/statusmessage.h"
#include "app/base/stringutils.h"
#include "overlays/gpxoutput.h"
#include "overlays/markmanager.h"
#include "overlays/trackmanager.h"

std::vector<const CSyncable*> OverlayObjectsForExport(bool marks, bool routes, bool tracks) {
    std::vector<const CSyncable*> objects;
    auto take = [&objects](const auto& list) {
        for (const auto& object : list)
            if (!object->deleted) objects.push_back(object.get());
    };
    if (marks) take(CMarkManager::theManager.marks);
    if (routes) take(CMarkManager::theManager.routes);
    if (tracks) take(CTrackManager::theManager.tracks);
    return objects;
}

const CSyncable* FindOverlayObjectById(uint64_t id) {
    if (id == 0) return nullptr;
    for (const CSyncable* object : OverlayObjectsForExport(true, true, true))
        if (object->object_id == id) return object;
    return nullptr;
}

bool ExportGPXFile(const std::string& path, const std::vector<const CSyncable*>& objects,
                   std::string* error) {
    CGPXOutput output(path);
    if (FILE* file = output.file())
        for (const CSyncable* object : objects) object->WriteGPX(file);
    const bool ok = output.Close();
    if (!ok && error) *error = output.error();
    return ok;
}

void ExportGPXWithDialog(OV_HWND parent, const std::string& name,
                         std::function<std::vector<const CSyncable*>()> collect) {
    std::string suggested = make_safe_filename(name);
    if (suggested.empty()) suggested = "Orvanta";
    ExportFileAs(parent, "application/gpx+xml", suggested + ".gpx",
                 [parent, collect](const std::string& path) {
                     if (path.empty()) return;
                     const std::vector<const CSyncable*> objects = collect();
                     std::string error;
                     if (!ExportGPXFile(path, objects, &error)) {
                         MessageBoxOK(parent, "Problem", error);
                         return;
                     }
                     SetStatusMessage(std::to_string(objects.size()) + " object" +
                                      plural_s(objects.size()) + " exported");
                 });
}
