// ovtool ktl fetch: downloads the chunks of a version-3 map (all of them, or
// those under an area) from the web server into the local chunk file, with a
// progress bar, through the same download slots the program uses.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>

#include "ktlcommand.h"
#include "maps/kartile3.h"
#include "maps/kartile3area.h"
#include "maps/webworker.h"
#include "online/progressdialogdata.h"
#include "online/webserver_nb.h"
#include "ovtoolcommand.h"

namespace {

int runFetch(const QStringList& args);

const OvtoolCommand fetchCommand(
    "ktl fetch", "URL-BASE FILE.ktl [--area W,E,S,N] [--level L] [--slice-bytes N]",
    "download the chunks of a version-3 map (FILE.ktl is fetched too when missing)", runFetch);

void progressBar(int done, int total) {
    constexpr int kWidth = 30;
    const int filled = total > 0 ? done * kWidth / total : kWidth;
    std::fprintf(stderr, "\r[%s%s] %d/%d chunks", std::string(size_t(filled), '#').c_str(),
                 std::string(size_t(kWidth - filled), ' ').c_str(), done, total);
    std::fflush(stderr);
}

// The header file from the server, when it is not here yet.
bool fetchHeaderFile(const QUrl& base, const QString& local) {
    QDir().mkpath(QFileInfo(local).absolutePath());
    CWebServer_NB web(base.host(), false, base.scheme() == "https", base.port(0));
    QString path = base.path();
    if (!path.endsWith('/')) path += '/';
    int result = -99;
    web.SetCompletion([&](int r) { result = r; });
    if (web.GetFile(path + QFileInfo(local).fileName(), local) || result == -99)
        while (result == -99) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (result != 1) ovtoolError(QString("can't download %1: %2").arg(local, web.errorText()));
    return result == 1;
}

int runFetch(const QStringList& args) {
    QStringList positional;
    std::vector<double> area;
    int level = 0;
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == "--area") {
            if (!ktlTakeValue(args, i, value) || !ktlParseNumbers(value, 4, area)) {
                ovtoolError("--area takes WEST,EAST,SOUTH,NORTH in degrees");
                return 2;
            }
        } else if (args[i] == "--level") {
            bool ok = false;
            if (!ktlTakeValue(args, i, value)) return ovtoolUsageError(fetchCommand);
            level = value.toInt(&ok);
            if (!ok || level < 0 || level > 9) {
                ovtoolError("--level takes 0 (full detail) to 9");
                return 2;
            }
        } else if (args[i] == "--slice-bytes") {
            // Server files laid out in slices of another size than 2 GiB (tests).
            bool ok = false;
            if (!ktlTakeValue(args, i, value)) return ovtoolUsageError(fetchCommand);
            const qint64 bytes = value.toLongLong(&ok);
            if (!ok || bytes < 40) {
                ovtoolError("--slice-bytes takes a size of at least 40 bytes");
                return 2;
            }
            CWebServer_NB_sliced::SetSliceSize(bytes);
        } else if (args[i].startsWith('-')) {
            return ovtoolUsageError(fetchCommand);
        } else {
            positional << args[i];
        }
    }
    if (positional.size() != 2) return ovtoolUsageError(fetchCommand);
    const QUrl base(positional[0]);
    const QString file = positional[1];
    if (!base.isValid() || (base.scheme() != "http" && base.scheme() != "https")) {
        ovtoolError("URL-BASE must be an http or https address");
        return 2;
    }
    if (!QFileInfo::exists(file) && !fetchHeaderFile(base, file)) return 1;

    CKartile* map = ktlOpenMap(file);
    if (!map) return 1;
    std::unique_ptr<CKartile, void (*)(CKartile*)> guard(map, [](CKartile* m) { m->Destroy(); });
    auto* chunked = dynamic_cast<CKartile3*>(map);
    if (!chunked) {
        ovtoolError(QString("%1 is not a version-3 map").arg(file));
        return 1;
    }
    if (!chunked->is_writable()) {
        ovtoolError(QString("the chunk file of %1 is read-only").arg(file));
        return 1;
    }
    CWebWorker::SetServerBase(base);
    std::vector<ChunkKey> keys;
    if (area.empty()) {
        for (int r = 0; r < chunked->chunkRows(); ++r)
            for (int c = 0; c < chunked->chunkColumns(); ++c) keys.push_back(MakeChunkKey(r, c));
    } else {
        keys = CKartile3Area::UnderPolygon(*chunked,
                                           CPolygon(CBounds(area[0], area[1], area[2], area[3])));
    }
    CProgressDialogData progress("Download map");
    progress.onChanged = [&] {
        if (progress.started()) progressBar(progress.done(), progress.total());
    };
    chunked->DownloadChunks(keys, level, &progress);
    while (!progress.finished()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    std::fprintf(stderr, "\n");
    const int total = progress.total(), done = progress.done();
    if (!progress.succeeded()) {
        ovtoolError(QString("%1 of %2 chunks are still missing: %3")
                        .arg(total - done)
                        .arg(total)
                        .arg(QString::fromStdString(progress.message())));
        return 1;
    }
    ovtoolPrint(QString("%1: %2 of %2 chunks complete").arg(file).arg(total));
    return 0;
}

}  // namespace
