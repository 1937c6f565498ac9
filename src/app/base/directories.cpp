#include "app/base/directories.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/base/fileutils.h"

namespace {

std::string withSub(const std::string& base, const char* sub) {
    std::string path = base;
    if (sub && *sub) path += std::string("/") + sub;
    QDir().mkpath(QString::fromStdString(path));
    return path;
}

std::string writableLocation(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location).toStdString();
}

}  // namespace

std::string getAppDirectory(const char* sub) {
    static const std::string base = writableLocation(QStandardPaths::AppLocalDataLocation);
    return withSub(base, sub);
}

std::string getCacheDirectory(const char* sub) {
    static const std::string base = writableLocation(QStandardPaths::CacheLocation);
    return withSub(base, sub);
}

std::string getDocsDirectory(const char* sub) {
    static const std::string base =
        writableLocation(QStandardPaths::DocumentsLocation) + "/Orvanta";
    return withSub(base, sub);
}

std::string getSharedAppDirectory(const char* sub) {
    static const std::string base = [] {
        const QStringList all =
            QStandardPaths::standardLocations(QStandardPaths::AppLocalDataLocation);
        if (all.size() >= 2 && QDir().mkpath(all[1]) && QFileInfo(all[1]).isWritable())
            return all[1].toStdString();
        return getAppDirectory("shared");
    }();
    return withSub(base, sub);
}

std::string tmpDirectoryFor(const std::string& temp) {
    if (temp.empty()) return getCacheDirectory("temp");
    // A private folder inside the shared one, so clean-ups touch only our files;
    // one planted by someone else, or a link, is not used.
    const std::string own = temp + "/orvanta-" + std::to_string(::getuid());
    ::mkdir(own.c_str(), 0700);
    struct stat st;
    if (::lstat(own.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        return own;
    return getCacheDirectory("temp");
}

std::string getTmpDirectory() {
    static const std::string base = tmpDirectoryFor(qgetenv("TEMP").toStdString());
    QDir().mkpath(QString::fromStdString(base));
    return base;
}

std::string getBundleDirectory() {
    return getAppDirectory("builtin");
}

std::string getBundleFilepath(const char* name, const char* extension) {
    const std::string dir = getBundleDirectory();
    const std::string versionFile = dir + "/version.txt";
    if (read_first_line(versionFile) != kApplicationVersion) {
        deleteDirectorySingleLevel(dir);
        getBundleDirectory();
        write_to_file(versionFile, kApplicationVersion);
    }
    const std::string file = std::string(name) + "." + extension;
    const std::string path = dir + "/" + file;
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        const QString resource = ":/" + QString::fromStdString(file);
        const QString tmp = QString::fromStdString(path + ".tmp");
        QFile::remove(tmp);
        if (QFile::copy(resource, tmp)) {
            QFile::setPermissions(tmp, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ReadGroup | QFileDevice::ReadOther);
            if (!rename(tmp.toStdString(), path)) QFile::remove(tmp);
        }
    }
    return path;
}

bool fileIsBundledWithApp(const std::string& path) {
    return path.find("builtin") != std::string::npos;
}

bool deleteAllTempFiles() {
    return deleteDirectorySingleLevel(getTmpDirectory());
}

namespace {

// Not a link, a folder, ours, and closed to everyone else.
bool isPrivateFolder(const char* path) {
    struct stat st;
    return path && *path && ::lstat(path, &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700;
}

}  // namespace

bool usePrivateRuntimeDirectory() {
    if (isPrivateFolder(::getenv("XDG_RUNTIME_DIR"))) return true;
    const char* tmp = ::getenv("TMPDIR");
    const std::string base = tmp && *tmp ? tmp : "/tmp";
    std::string own = base + "/orvanta-runtime-" + std::to_string(::getuid());
    ::mkdir(own.c_str(), 0700);
    if (!isPrivateFolder(own.c_str())) {
        // Planted by someone else or opened up: a fresh folder instead.
        own = base + "/orvanta-runtime-XXXXXX";
        if (!::mkdtemp(own.data()) || !isPrivateFolder(own.c_str())) return false;
    }
    return ::setenv("XDG_RUNTIME_DIR", own.c_str(), 1) == 0;
}
