// ovtool version: the application version, as the bundled-files check uses it.
#include "app/base/directories.h"
#include "ovtoolcommand.h"

namespace {

int runVersion(const QStringList& args) {
    if (!args.isEmpty()) {
        ovtoolError("version takes no arguments");
        return 2;
    }
    ovtoolPrint(QString::fromLatin1(kApplicationVersion));
    return 0;
}

const OvtoolCommand versionCommand("version", "", "print the Orvanta version", runVersion);

}  // namespace
