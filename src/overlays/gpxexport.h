// Exporting overlay objects as one GPX 1.1 document (the objects' own
// WriteGPX inside CGPXOutput).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CSyncable;
using OV_HWND = void*;

// The live (not deleted) marks, routes and tracks of the managers, of the
// kinds asked for, in that order.
std::vector<const CSyncable*> OverlayObjectsForExport(bool marks, bool routes, bool tracks);
// A live mark, route or track by its identity, or null.
const CSyncable* FindOverlayObjectById(uint64_t id);
// False, with the reason in error, when any write or the close failed; the
// file at path is then left as it was.
bool ExportGPXFile(const std::string& path, const std::vector<const CSyncable*>& objects,
                   std::string* error = nullptr);
// Asks where to save (suggesting name, made safe, with ".gpx"), then exports
// what collect gives at that moment (objects may go while the dialog is
// open); a failure is shown, a success noted in the status line.
void ExportGPXWithDialog(OV_HWND parent, const std::string& name,
                         std::function<std::vector<const CSyncable*>()> collect);
