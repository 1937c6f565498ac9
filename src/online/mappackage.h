// The map package file (".ovpkg"): a list of map files held on a web server,
// with a checksum for every 1 MiB chunk of each, so that a local copy can be
// checked and repaired chunk by chunk.
//
// Layout (typed-serializer stream, little-endian, strings in its wide form):
//   int32 magic 0x319E8613, string server host ("host" or "host:port"),
//   string server folder, string (unused), int64 largest file size,
//   int32 file count F, then F times: string name, int64 size S,
//   ceil(S / 1 MiB) x uint32 chunk checksums.
// A chunk's checksum is the sum of its bytes as unsigned 8-bit values,
// wrapping in 32 bits.
//
// The reader trusts nothing of the file: names must be relative paths that
// stay inside the package's folder, sizes lie within the program's own cap,
// and the checksum list must be whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t kMapPackageMagic = 0x319E8613;
constexpr int64_t kPackageChunkSize = int64_t(1) << 20;
// The largest file a package may make the program write, whatever the
// package says: larger than any map, small enough to check free space against.
constexpr int64_t kMaxPackageFileSize = int64_t(64) << 30;
// More files than any chart set has; a longer list is a damaged package.
constexpr int32_t kMaxPackageFiles = 100000;

uint32_t chunkChecksum(const void* data, size_t length);
// Chunks of a file of `size` bytes: size / 1 MiB rounded up.
int64_t chunkCount(int64_t size);

// A name from a package that may be joined to its folder: relative, "/"
// separated, with no empty, "." or ".." component and no NUL or backslash.
bool packageNameIsSafe(const std::string& name);

struct MapPackageEntry {
    std::string name;  // relative to the server folder and the package's folder
    int64_t size = 0;
    std::vector<uint32_t> checksums;  // one per chunk
};

struct MapPackage {
    std::string host;    // "host" or "host:port"
    std::string folder;  // on the server, with a leading and a trailing "/"
    std::string comment;
    int64_t largestSize = 0;
    std::vector<MapPackageEntry> files;

    // The sum of the sizes of all files.
    int64_t totalBytes() const;
    int64_t totalChunks() const;
};

// Reads a whole package. A file entry of size 0 ends the list (the files
// after it are not read). False with `error` set for a missing file, a wrong
// magic, a truncated or oversized list, or an unsafe name.
bool ReadMapPackage(const std::string& path, MapPackage& package, std::string& error);
bool ReadMapPackageBytes(const std::string& bytes, MapPackage& package, std::string& error);

// Writes a package (through "<path>.tmp" and a rename).
bool WriteMapPackage(const std::string& path, const MapPackage& package);
std::string MapPackageBytes(const MapPackage& package);

// The package of every plain file under `folder` (recursively, names in
// sorted order, hidden files and packages left out), with their checksums.
bool MakeMapPackage(const std::string& folder, const std::string& host,
                    const std::string& serverFolder, MapPackage& package, std::string& error);
