// ovtool ktl fetch: downloads the chunks of a version-3 map (all of them, or
// those under an area) from the web server into the local chunk file, with a
// progress bar, through the same download slots the program uses.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QUrl>
#include <cstdio>

#include "ktlcommand.h"
#include "maps/kartile3.h"
#include "maps/webworker.h"
#include "online/webserver_nb.h"
#include "ovtoolcommand.h"

namespace {

int runFetch(const QStringList& args);

const OvtoolCommand fetchCommand(
    "ktl fetch", "URL-BASE FILE.ktl [--area W,E,S,N] [--level L]",
    "download the chunks of a version-3 map (FILE.ktl is fetched too when missing)", runFetch);

constexpr int kStallMs = 60000;  // no chunk finished for this long: give up

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
    CWebWorker worker(chunked, CWebWorker::ServerChunkUrl(file.toStdString()));

    std::vector<uint32_t> keys;
    if (area.empty()) {
        for (int r = 0; r < chunked->chunkRows(); ++r)
            for (int c = 0; c < chunked->chunkColumns(); ++c)
                keys.push_back(uint32_t(r) << 16 | uint32_t(c));
    } else {
        keys = chunked->ChunksWithin(CBounds(area[0], area[1], area[2], area[3]));
    }
    CChunkFile* chunks = chunked->chunkFile();
    auto complete = [&] {
        int n = 0;
        for (uint32_t key : keys)
            if (chunks->hasHeader() &&
                chunks->StoredLevel(int(key >> 16), int(key & 0xFFFF)) <= level)
                ++n;
        return n;
    };
    const int total = int(keys.size());
    int done = complete();
    progressBar(done, total);
    worker.onChunkDone = [&](uint32_t, bool ok) {
        if (ok) progressBar(++done, total);
    };
    for (uint32_t key : keys) worker.Want(int(key >> 16), int(key & 0xFFFF), level);

    QElapsedTimer stall;
    stall.start();
    int lastDone = -1;
    // The header arrives first; the chunks only become wanted-and-fetchable after it.
    while (!worker.gaveUp() && stall.elapsed() < kStallMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (worker.idle()) break;
        if (worker.chunksDone() != lastDone) {
            lastDone = worker.chunksDone();
            stall.restart();
        }
        QThread::msleep(1);
    }
    worker.ProcessWebOutput();
    done = complete();
    progressBar(done, total);
    std::fprintf(stderr, "\n");
    if (done < total) {
        ovtoolError(
            QString("%1 of %2 chunks are still missing: %3")
                .arg(total - done)
                .arg(total)
                .arg(worker.lastError().isEmpty() ? "the server stalled" : worker.lastError()));
        return 1;
    }
    ovtoolPrint(QString("%1: %2 of %2 chunks complete").arg(file).arg(total));
    return 0;
}

}  // namespace
