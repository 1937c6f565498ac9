#include "ktlmakev3.h"

#include <QDir>

#include "maps/kartile3maker.h"
#include "ovtoolcommand.h"

int ktlMakeV3(const QString& classicPath, const QString& outDir, qint64 sliceBytes) {
    if (!QDir().mkpath(outDir)) {
        ovtoolError(QString("can't create %1").arg(outDir));
        return 1;
    }
    CKartile3Maker::Result result;
    std::string error;
    if (!CKartile3Maker::make(classicPath.toStdString(), outDir.toStdString(), result, error,
                              sliceBytes)) {
        ovtoolError(QString::fromStdString(error));
        return 1;
    }
    ovtoolPrint(
        QString("%1 and %2: %3 chunks (%4 blank), %5 bytes of chunk file%6")
            .arg(QString::fromStdString(result.headerPath))
            .arg(QString::fromStdString(result.chunkPath))
            .arg(result.chunks)
            .arg(result.blankChunks)
            .arg(qulonglong(result.chunkFileBytes))
            .arg(result.slices > 1 ? QString(" in %1 slices").arg(result.slices) : QString()));
    return 0;
}
