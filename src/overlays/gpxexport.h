// Exporting overlay objects as one GPX 1.1 document (the objects' own
// WriteGPX inside CGPXOutput).
#pragma once

#include <string>
#include <vector>

class CSyncable;

// The live (not deleted) marks, routes and tracks of the managers, of the
// kinds asked for, in that order.
std::vector<const CSyncable*> OverlayObjectsForExport(bool marks, bool routes, bool tracks);
// False, with the reason in error, when any write or the close failed; the
// file at path is then left as it was.
bool ExportGPXFile(const std::string& path, const std::vector<const CSyncable*>& objects,
                   std::string* error = nullptr);
