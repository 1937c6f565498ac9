// ovtool pkg: the server side of map packages (a package describing a folder
// of maps) and the client side (downloading or repairing the maps a package
// lists, headlessly, with progress on stderr).
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <cstdio>
#include <memory>

#include "app/base/stringutils.h"
#include "online/mappackage.h"
#include "online/mappackagedownload.h"
#include "online/progressdialogdata.h"
#include "ovtoolcommand.h"

namespace {

int runMake(const QStringList& args);
int runGet(const QStringList& args);
int runInfo(const QStringList& args);

const OvtoolCommand makeCommand("pkg make", "FOLDER --server URL -o FILE.ovpkg",
                                "a map package of every file under FOLDER, served from URL",
                                runMake);
const OvtoolCommand getCommand("pkg get", "FILE.ovpkg",
                               "download or repair the maps of a package beside it", runGet);
const OvtoolCommand infoCommand("pkg info", "FILE.ovpkg", "a package's server and files (JSON)",
                                runInfo);

int runMake(const QStringList& args) {
    QString folder, server, output;
    for (int i = 0; i < args.size(); ++i) {
        if ((args[i] == "--server" || args[i] == "-o") && i + 1 < args.size()) {
            QString& value = args[i] == "-o" ? output : server;
            value = args[++i];
        } else if (!args[i].startsWith('-') && folder.isEmpty())
            folder = args[i];
        else
            return ovtoolUsageError(makeCommand);
    }
    if (folder.isEmpty() || server.isEmpty() || output.isEmpty())
        return ovtoolUsageError(makeCommand);
    const QUrl url(server);
    if (!url.isValid() || url.scheme() != "http" || url.host().isEmpty()) {
        ovtoolError("--server takes an http address such as http://host:port/folder");
        return 2;
    }
    // The download speaks plain HTTP to the host, so a port goes with it.
    QString host = url.host();
    if (url.port() > 0) host += ':' + QString::number(url.port());
    MapPackage package;
    std::string error;
    if (!MakeMapPackage(folder.toStdString(), host.toStdString(), url.path().toStdString(), package,
                        error)) {
        ovtoolError(QString::fromStdString(error));
        return 1;
    }
    if (!WriteMapPackage(output.toStdString(), package)) {
        ovtoolError("could not write " + output);
        return 1;
    }
    std::fprintf(stderr, "%s: %d files, %lld chunks\n", qPrintable(output),
                 int(package.files.size()), static_cast<long long>(package.totalChunks()));
    return 0;
}

int runGet(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith('-')) return ovtoolUsageError(getCommand);
    auto progress = std::make_shared<CProgressDialogData>("Download maps");
    progress->onChanged = [&] {
        std::fprintf(stderr, "\r%d/%d chunks", progress->done() + progress->failed(),
                     progress->total());
        std::fflush(stderr);
    };
    bool done = false;
    CMapPackageDownload download(
        args[0].toStdString(), [&](bool) { done = true; }, progress);
    download.Start();
    while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (progress->started()) std::fprintf(stderr, "\n");
    const int requests = download.requestsSent(), written = int(download.filesWritten().size());
    std::fprintf(stderr, "%d chunks present, %d fetched in %d request%s, %d file%s written\n",
                 download.chunksPresent(), download.chunksFetched(), requests, plural_s(requests),
                 written, plural_s(written));
    for (const std::string& path : download.filesWritten())
        std::fprintf(stderr, "  wrote %s\n", path.c_str());
    if (!download.ok()) {
        ovtoolError(QString::fromStdString(download.errorMessage()));
        return 1;
    }
    return 0;
}

int runInfo(const QStringList& args) {
    if (args.size() != 1) return ovtoolUsageError(infoCommand);
    MapPackage package;
    std::string error;
    if (!ReadMapPackage(args[0].toStdString(), package, error)) {
        ovtoolError(QString::fromStdString(error));
        return 1;
    }
    QJsonArray files;
    for (const MapPackageEntry& e : package.files)
        files.append(QJsonObject{{"name", QString::fromStdString(e.name)},
                                 {"size", double(e.size)},
                                 {"chunks", int(e.checksums.size())}});
    const QJsonObject info{{"host", QString::fromStdString(package.host)},
                           {"folder", QString::fromStdString(package.folder)},
                           {"largest", double(package.largestSize)},
                           {"files", files}};
    ovtoolPrint(QString::fromUtf8(QJsonDocument(info).toJson(QJsonDocument::Compact)));
    return 0;
}

}  // namespace
