// ovtool data path: where an installed program keeps its demo maps and voyage,
// so that scripts and users can hand them to orvanta.
#include <QCoreApplication>

#include "app/base/installeddata.h"
#include "ovtoolcommand.h"

namespace {

int runPath(const QStringList& args) {
    if (!args.isEmpty()) {
        ovtoolError("data path takes no arguments");
        return 2;
    }
    const std::string dir = getInstalledDataDirectory();
    if (dir.empty()) {
        ovtoolError(QString("no installed data beside %1 (not an installed program?)")
                        .arg(QCoreApplication::applicationDirPath()));
        return 1;
    }
    ovtoolPrint(QString::fromStdString(dir));
    return 0;
}

const OvtoolCommand pathCommand("data path", "",
                                "the installed data folder (<prefix>/share/orvanta)", runPath);

}  // namespace
