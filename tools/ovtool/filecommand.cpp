// ovtool file kind: what the program would make of files handed to it (on
// its command line, dropped on its window, or opened from a file manager).
#include <QJsonDocument>
#include <QJsonObject>

#include "app/appfiles.h"
#include "ovtoolcommand.h"

namespace {

int runKind(const QStringList& args) {
    if (args.isEmpty()) {
        ovtoolError("file kind needs at least one FILE");
        return 2;
    }
    for (const QString& path : args) {
        const QJsonObject line{{"path", path}, {"kind", AppFileKindName(ClassifyFile(path))}};
        ovtoolPrint(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
    }
    return 0;
}

const OvtoolCommand kindCommand("file kind", "FILE...",
                                "what the program would open each file as (JSON lines)", runKind);

}  // namespace
