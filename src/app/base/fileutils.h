// File helpers over plain paths (UTF-8, "/" separators). None throws;
// failure is the return value: false, -1, 0 or an empty result.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Whole file into `out`; false when it can't be read in full.
bool read_whole_file(const std::string& path, std::string& out);
std::string read_first_line(const std::string& path);  // without its end of line
// Writes text through "<path>.tmp", fsync and rename, so the file is whole or old.
bool write_to_file(const std::string& path, const std::string& text);
bool touchFile(const std::string& path);  // creates it or sets its time to now

int64_t getFileSize(const std::string& path);      // -1 when missing
double getLastWriteTime(const std::string& path);  // seconds since 1970, 0 when missing
bool getLastWriteTimeAndSize(const std::string& path, double& time, int64_t& size);
// True when the file is missing or was last written more than `seconds` ago.
bool fileIsOlder(const std::string& path, double seconds);
// True when the file exists and was written within the last `seconds`.
bool fileWrittenWithin(const std::string& path, double seconds);

// Names (not paths) of the plain files, or of the sub-folders, of a folder,
// sorted; `pattern` is a case-insensitive wildcard ("*.ktl").
std::vector<std::string> listDirectory(const std::string& dir, const char* pattern = "*");
std::vector<std::string> listSubDirectories(const std::string& dir);
bool deleteDirectorySingleLevel(const std::string& dir);  // its files, not its sub-folders
int64_t getDirectorySizeSingleLevel(const std::string& dir);
int64_t getFreeDiskSpace(const std::string& path);  // bytes available, -1 unknown

// Copies through "<to>.tmp" and a rename; false leaves no partial target.
bool CopyFile(const std::string& from, const std::string& to);
bool rename(const std::string& from, const std::string& to);

// Unpacks a gzip file. Fails on a missing source, a corrupt or truncated
// stream, a write error, output beyond `maxBytes`, or output that would not
// leave kGUnzipDiskReserve free on the destination's disk; then it leaves no
// output file behind.
constexpr int64_t kGUnzipDefaultLimit = int64_t(16) << 30;
constexpr int64_t kGUnzipDiskReserve = int64_t(64) << 20;
bool GUnzipFile(const std::string& source, const std::string& destination,
                int64_t maxBytes = kGUnzipDefaultLimit);

// "1.5KB" style size of the file at a path ("" when missing).
std::string format_filesize(const std::string& path);

// MIME type for a file extension (case-insensitive), "*/*" when unknown.
const char* mime_type_from_extension(const char* extension);
