// Read-only files installed with the program: the demo maps and voyage.
//
// An installation keeps them in <prefix>/share/orvanta beside <prefix>/bin,
// wherever the prefix is (/usr, /usr/local, ~/.local or a folder unpacked
// from the package), so they are found relative to the program itself.
#pragma once

#include <string>

// The data folder of a program living in `programDir`: programDir/../share/orvanta
// in clean form, or "" when that is not a folder.
std::string installedDataDirectoryFor(const std::string& programDir);

// The data folder of the running program; "" when it was not installed (a
// build tree) or the folder was removed.
std::string getInstalledDataDirectory();
