// Fuzzes reading a map package: whatever the bytes, the reader either
// refuses them or gives files whose names stay inside the package's folder,
// whose sizes lie within the program's cap and whose checksum lists are whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "online/mappackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MapPackage package;
    std::string error;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!ReadMapPackageBytes(bytes, package, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (package.folder.empty() || package.folder.front() != '/' || package.folder.back() != '/')
        __builtin_trap();
    for (const MapPackageEntry& e : package.files) {
        if (!packageNameIsSafe(e.name)) __builtin_trap();
        if (e.size <= 0 || e.size > kMaxPackageFileSize) __builtin_trap();
        if (int64_t(e.checksums.size()) != chunkCount(e.size)) __builtin_trap();
    }
    // What is written back reads the same.
    MapPackage again;
    if (!ReadMapPackageBytes(MapPackageBytes(package), again, error)) __builtin_trap();
    if (again.files.size() != package.files.size()) __builtin_trap();
    return 0;
}
