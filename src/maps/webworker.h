// Fetches the chunks a version-3 map is missing from the web server that
// holds a copy of its chunk file, through six download slots.
//
// Decoder threads say what they miss (Want, under this object's own mutex)
// and never wait for the network: the slots run on the user-interface
// thread's event loop, every request a byte range of the server's chunk file
// (header, a block of directory entries, a record header, the data words a
// level needs beyond what is stored). A prefix is written only after its
// level checksums pass. Finished chunks are handed back by ProcessWebOutput,
// which drops them from the map's chunk cache so the next draw decodes the
// finer level. More than three transport failures in a row stop the worker.
#pragma once

#include <QObject>
#include <QRect>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "maps/chunkkey.h"

class CKartile3;
class CWebServer_NB_sliced;

class CWebWorker {
public:
    static constexpr int kSlots = 6;
    static constexpr int kMaxFailures = 3;  // failures in a row tolerated

    // serverChunkUrl: the server's copy of the chunk file, e.g.
    // "http://127.0.0.1:8080/maps/name.kt3". Create and use on the
    // user-interface thread; Want may come from any thread.
    CWebWorker(CKartile3* map, const QUrl& serverChunkUrl);
    ~CWebWorker();
    CWebWorker(const CWebWorker&) = delete;
    CWebWorker& operator=(const CWebWorker&) = delete;

    // The server base for maps opened in the program: the chunk file of
    // "<folder>/<name>.ktl" is "<base>/<name>.kt3". Empty: no downloads.
    static void SetServerBase(const QUrl& base);
    static QUrl ServerChunkUrl(const std::string& headerPath);
    // The base comes from the setting "CWebWorker:serverBase" of
    // "orvanta.ini" at start-up, once the settings are loaded. The map
    // server is the deployment's own: it has no built-in default, so without
    // the setting nothing is downloaded. Only an http or https address with
    // a host counts; anything else leaves downloads off.
    static void ApplyServerSetting();
    static std::string& serverSetting();

    // A chunk (row, column) is wanted at `level` (the finer of this and any
    // earlier wish counts).
    void Want(int row, int column, int level);
    // Drops wanted chunks outside a box of chunk columns and rows.
    void FilterNeeded(const QRect& chunkBox);
    // Drops every wanted chunk and aborts the transfers in flight (they end
    // as failed downloads).
    void CancelAll();
    // Finished downloads wait to be applied.
    bool OutputReady() const;
    // Applies finished downloads: their chunks leave the cache. Returns their keys.
    std::vector<ChunkKey> ProcessWebOutput();

    // Nothing wanted, nothing in flight.
    bool idle() const;
    bool gaveUp() const;
    int failures() const;
    int chunksDone() const { return m_done.load(); }
    int wantedCount() const;
    QString lastError() const;

    // Called on the user-interface thread after each chunk download ends.
    std::function<void(ChunkKey key, bool ok)> onChunkDone;
    // Called on the user-interface thread when a download ends and leaves
    // the worker idle: nothing wanted (or given up) and nothing in flight.
    std::function<void()> onSettled;

private:
    class Slot;
    friend class Slot;

    void pump();  // user-interface thread: gives free slots work
    void schedulePump();
    bool takeWork(Slot& slot);
    void slotFinished(Slot& slot, bool ok, bool cancelled, const QString& error);

    CKartile3* m_map;
    QUrl m_url;
    std::unique_ptr<QObject> m_context;  // receives queued pumps; dies with us
    std::vector<std::unique_ptr<Slot>> m_slots;

    mutable std::mutex m_mutex;
    std::map<ChunkKey, int> m_wanted;  // key -> finest level wanted
    std::vector<ChunkKey> m_output;
    int m_failures = 0;
    bool m_gaveUp = false;
    bool m_headerInFlight = false;
    QString m_lastError;
    std::atomic<bool> m_pumpPosted{false};
    std::atomic<int> m_done{0};
};
