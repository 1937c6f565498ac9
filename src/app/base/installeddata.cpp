#include "app/base/installeddata.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

std::string installedDataDirectoryFor(const std::string& programDir) {
    if (programDir.empty()) return {};
    const QString dir = QDir::cleanPath(QString::fromStdString(programDir) + "/../share/orvanta");
    if (!QFileInfo(dir).isDir()) return {};
    return dir.toStdString();
}

std::string getInstalledDataDirectory() {
    // The link target's folder: a program started through a link in another
    // bin folder still finds the data of its own prefix.
    return installedDataDirectoryFor(QCoreApplication::applicationDirPath().toStdString());
}
