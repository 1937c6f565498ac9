// Files and links handed to the program from outside: arbitrary file
// content through the kind recognition, and arbitrary text as a command-line
// link and as the name of a file to download. A download name must stay a
// plain file name inside the data folder.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>

#include "app/appfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first byte picks the name the content is saved under.
    static const char* const names[] = {"a.ktl", "a.ovtf", "a.pstf", "a.dvpage", "a.nmea", "a.bin"};
    const QString path = dir.filePath(names[size ? data[0] % 6 : 0]);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(bytes);
        file.close();
        AppFileKindName(ClassifyFile(path));
        QFile::remove(path);
    }

    const QString text = QString::fromUtf8(bytes);
    QString command, query;
    ParseActivityLink(text, &command, &query);
    const QString safe = SafeDownloadName(text);
    if (!safe.isEmpty() &&
        (safe.contains('/') || safe.contains('\\') || safe.startsWith('.') || safe == ".." ||
         QDir::cleanPath(QDir(dir.path()).filePath(safe)) != QDir(dir.path()).filePath(safe)))
        __builtin_trap();
    return 0;
}
