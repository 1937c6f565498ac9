// The program's folders and the files bundled inside it.
//
// Each base folder is looked up once per process (after the application name
// is final, see -profile) and created when missing. Paths are UTF-8 with "/"
// separators and no trailing "/"; a `sub` argument adds one component.
#pragma once

#include <string>

// The application version; a change refreshes the extracted bundled files.
constexpr char kApplicationVersion[] = "1.2.1";

std::string getAppDirectory(const char* sub = nullptr);    // writable app-local data
std::string getCacheDirectory(const char* sub = nullptr);  // writable cache
std::string getDocsDirectory(const char* sub = nullptr);   // documents + "/Orvanta"
// Data shared between installations: the second app-local data location when
// the platform has one that is writable, else getAppDirectory("shared").
std::string getSharedAppDirectory(const char* sub = nullptr);
// Temporary files: a folder of the program's own, never a shared one such as
// /tmp itself: "$TEMP/orvanta-<uid>" when TEMP is set, else the cache "temp".
std::string getTmpDirectory();
// The temporary folder for a given TEMP value (empty: not set).
std::string tmpDirectoryFor(const std::string& temp);
std::string getBundleDirectory();  // getAppDirectory("builtin")

// Path of a file bundled with the program, extracted from the resources
// (":/name.ext") into the bundle folder on first use. The folder is emptied
// once whenever the application version changes.
std::string getBundleFilepath(const char* name, const char* extension);
bool fileIsBundledWithApp(const std::string& path);

// Deletes the plain files directly inside getTmpDirectory().
bool deleteAllTempFiles();

// Before Qt starts: unless XDG_RUNTIME_DIR names a folder of ours with mode
// 0700, points it at a private one in TMPDIR (or /tmp), so Qt neither warns
// nor uses a folder someone else controls. False when none could be made.
bool usePrivateRuntimeDirectory();
