// ovtool ovtf dump FILE: any .ovtf file as JSON.
#include <QJsonDocument>

#include "app/base/fileutils.h"
#include "overlays/ovtfdump.h"
#include "ovtoolcommand.h"

namespace {

int runDump(const QStringList& args);

const OvtoolCommand dumpCommand("ovtf dump", "FILE",
                                "describe an .ovtf file as JSON (sections, records, fields)",
                                runDump);

int runDump(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(dumpCommand);
    std::string bytes;
    if (!read_whole_file(args[0].toStdString(), bytes)) {
        ovtoolError(QString("can't read %1").arg(args[0]));
        return 1;
    }
    const QJsonObject description = DescribeOvtf(bytes);
    ovtoolPrint(QString::fromUtf8(QJsonDocument(description).toJson(QJsonDocument::Indented)));
    if (!description["file_header"].toBool()) {
        ovtoolError(QString("%1 is not an .ovtf file").arg(args[0]));
        return 1;
    }
    return 0;
}

}  // namespace
