// Arbitrary bytes read as sync records of marks over a local list that holds
// a synchronised mark and a local-only one. Whatever merges in must be one
// object per identity, and must travel back out and in again.
#include <cstdint>
#include <set>
#include <string>

#include "overlays/overlaymark.h"

namespace {

using IOStream = CSerializable::IOStream;
using Marks = std::vector<std::unique_ptr<COverlayMark>>;
constexpr double kSyncTime = 1.7e9;

Marks localMarks() {
    Marks marks;
    for (uint64_t id : {1, 2}) {
        marks.push_back(std::make_unique<COverlayMark>());
        marks.back()->SetObjectID(id);
        marks.back()->name = "local " + std::to_string(id);
        marks.back()->lat = 50;
        marks.back()->lon = -4;
    }
    marks.back()->do_not_sync = true;
    return marks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Marks marks = localMarks();
    IOStream in = IOStream::ForReading(std::string(reinterpret_cast<const char*>(data), size));
    if (!ReadSyncT(in, marks, kSyncTime)) return 0;
    std::set<uint64_t> ids;
    for (const auto& m : marks)
        if (m->object_id == 0 || !ids.insert(m->object_id).second) __builtin_trap();
    if (marks.size() > 2 + size / 8) __builtin_trap();
    // The local-only mark wins over what arrives for it.
    for (const auto& m : marks)
        if (m->object_id == 2 && m->name != "local 2") __builtin_trap();

    IOStream out = IOStream::ForWriting();
    if (!WriteSyncList(out, marks, -1e300, kSyncTime)) __builtin_trap();
    Marks again;
    IOStream back = IOStream::ForReading(out.bytes());
    if (!ReadSyncT(back, again, kSyncTime)) __builtin_trap();
    return 0;
}
