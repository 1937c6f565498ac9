#include "maps/webworker.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>

#include "app/base/apphooks.h"
#include "app/base/persistantdata.h"
#include "maps/chunkfile.h"
#include "maps/kartile3.h"
#include "online/webserver_nb.h"

namespace {

QUrl& serverBase() {
    static QUrl base;
    return base;
}

class WebWorkerPersistor : public PersistantData {
public:
    WebWorkerPersistor() : PersistantData("CWebWorker") {}
    void DeclareData() override { Declare("serverBase", CWebWorker::serverSetting()); }
};
WebWorkerPersistor s_persistor;

// After LoadSettings: the catalogue is the first step that may open maps.
const AppHookRegistration s_serverAtStart(AppHook::ApplyMapServer, [](const AppHookContext&) {
    CWebWorker::ApplyServerSetting();
});

}  // namespace

// One download at a time: the steps of a chunk, each a byte range of the
// server's chunk file, continued from the previous step's completion.
class CWebWorker::Slot {
public:
    Slot(CWebWorker* owner, const QUrl& url)
        : m_owner(owner),
          m_path(url.path()),
          m_web(url.host(), false, url.scheme() == "https", url.port(0)) {}

    bool busy = false;
    bool headerJob = false;
    ChunkKey key = kNoChunkKey;
    int level = 0;

    void startHeader() {
        busy = true;
        headerJob = true;
        fetch(0, int(CChunkFile::kHeaderSize), [this] {
            CKartile3* map = m_owner->m_map;
            std::string why;
            if (!map->chunkFile()->WriteServerHeader(m_buffer.data(), map->chunkColumns(),
                                                     map->chunkRows(), &why))
                return finish(false, QString::fromStdString(why));
            finish(true, {});
        });
    }

    void startChunk(ChunkKey chunkKey, int wantedLevel) {
        busy = true;
        headerJob = false;
        key = chunkKey;
        level = wantedLevel;
        CChunkFile* file = m_owner->m_map->chunkFile();
        m_columns = file->columns();
        m_rows = file->rows();
        const int64_t index = int64_t(row()) * m_columns + column();
        uint64_t offset;
        if (file->serverOffsets().Lookup(index, offset)) return haveServerOffset(offset);
        // A block of neighbouring entries in one request.
        const int64_t total = int64_t(m_columns) * m_rows;
        const int64_t first =
            index / CCacheServerChunkOffset::kBlock * CCacheServerChunkOffset::kBlock;
        const int count = int(std::min<int64_t>(CCacheServerChunkOffset::kBlock, total - first));
        fetch(int64_t(CChunkFile::kHeaderSize) + 8 * first, 8 * count, [this, first, count, index] {
            CChunkFile* f = m_owner->m_map->chunkFile();
            f->serverOffsets().Store(first, reinterpret_cast<const uint64_t*>(m_buffer.data()),
                                     count);
            uint64_t offset = 0;
            f->serverOffsets().Lookup(index, offset);
            haveServerOffset(offset);
        });
    }

    void cancel() { m_web.Cancel(); }

private:
    int row() const { return ChunkKeyRow(key); }
    int column() const { return ChunkKeyColumn(key); }

    void haveServerOffset(uint64_t offset) {
        CChunkFile* file = m_owner->m_map->chunkFile();
        if (offset == CChunkFile::kBlankEntry)
            return finish(file->MarkBlank(row(), column()), "cannot write the chunk file");
        const uint64_t directoryEnd =
            CChunkFile::kHeaderSize + 8 * uint64_t(m_columns) * uint64_t(m_rows);
        if (offset == 0) return finish(false, "the server has no such chunk");
        if (offset < directoryEnd || offset > CChunkFile::kMaxOffset)
            return finish(false, "the server's directory entry is out of range");
        m_serverOffset = offset;
        fetch(int64_t(offset), int(CChunkFile::kRecordHeaderSize), [this] {
            std::string why;
            const int need = CChunkFile::ServerRecordNeed(m_buffer.data(), level, m_record, &why);
            if (need < 0) return finish(false, QString::fromStdString(why));
            // Words stored here already are not fetched again.
            CChunkFile* f = m_owner->m_map->chunkFile();
            uint64_t localOffset;
            CChunkFile::RecordHeader local;
            m_words.clear();
            if (f->StoredRecord(row(), column(), localOffset, local) &&
                std::memcmp(local.sizes, m_record.sizes, sizeof local.sizes) == 0 &&
                std::memcmp(local.checksum, m_record.checksum, sizeof local.checksum) == 0 &&
                !f->ReadStoredWords(row(), column(), std::min(local.present, need), m_words))
                m_words.clear();
            const int have = int(m_words.size());
            if (have >= need) return finish(true, {});
            const int64_t at = int64_t(m_serverOffset) + int64_t(CChunkFile::kRecordHeaderSize) +
                               4 * int64_t(have);
            fetch(at, 4 * (need - have), [this, need, have] {
                m_words.resize(size_t(need));
                std::memcpy(m_words.data() + have, m_buffer.data(), 4 * size_t(need - have));
                std::string why;
                if (!m_owner->m_map->chunkFile()->StoreRecordPrefix(row(), column(), m_record,
                                                                    m_words.data(), need, &why))
                    return finish(false, QString::fromStdString(why));
                finish(true, {});
            });
        });
    }

    // Reads [offset, offset + length) of the server file into m_buffer,
    // continuing across slice ends; only complete replies count.
    void fetch(int64_t offset, int length, std::function<void()> then) {
        m_buffer.resize(size_t(length));
        m_fetched = 0;
        m_then = std::move(then);
        fetchMore(offset, length);
    }
    void fetchMore(int64_t offset, int length) {
        const int asked =
            CWebServer_NB_sliced::clippedLength(offset + m_fetched, length - m_fetched);
        // The client may call back before ReadSlices returns.
        auto completed = std::make_shared<bool>(false);
        m_web.SetCompletion([this, offset, length, asked, completed](int result) {
            *completed = true;
            if (result != asked)
                return finish(false,
                              m_web.errorText().isEmpty() ? "short reply" : m_web.errorText());
            m_fetched += asked;
            if (m_fetched < length) return fetchMore(offset, length);
            auto then = std::move(m_then);
            then();
        });
        if (m_web.ReadSlices(m_path, offset + m_fetched, length - m_fetched,
                             m_buffer.data() + m_fetched) < 0 &&
            !*completed) {
            m_web.SetCompletion(nullptr);
            finish(false, "Request failed");
        }
    }

    void finish(bool ok, const QString& error) {
        busy = false;
        m_owner->slotFinished(*this, ok, false, error);
    }

    CWebWorker* m_owner;
    QString m_path;
    CWebServer_NB_sliced m_web;
    std::vector<char> m_buffer;
    int m_fetched = 0;
    std::function<void()> m_then;
    int m_columns = 0, m_rows = 0;
    uint64_t m_serverOffset = 0;
    CChunkFile::RecordHeader m_record;
    std::vector<uint32_t> m_words;
};

CWebWorker::CWebWorker(CKartile3* map, const QUrl& serverChunkUrl)
    : m_map(map), m_url(serverChunkUrl), m_context(new QObject) {}

CWebWorker::~CWebWorker() {
    // Deleting a slot's client drops its reply without calling back.
    m_slots.clear();
    m_context.reset();
}

void CWebWorker::SetServerBase(const QUrl& base) {
    serverBase() = base;
}

std::string& CWebWorker::serverSetting() {
    static std::string setting;
    return setting;
}

void CWebWorker::ApplyServerSetting() {
    const QUrl url(QString::fromStdString(serverSetting()).trimmed(), QUrl::StrictMode);
    const bool usable = url.isValid() && !url.host().isEmpty() &&
                        (url.scheme() == "http" || url.scheme() == "https");
    SetServerBase(usable ? url : QUrl());
}

QUrl CWebWorker::ServerChunkUrl(const std::string& headerPath) {
    QUrl base = serverBase();
    if (base.isEmpty()) return {};
    QString path = base.path();
    if (!path.endsWith('/')) path += '/';
    base.setPath(path + QFileInfo(QString::fromStdString(headerPath)).completeBaseName() + ".kt3");
    return base;
}

void CWebWorker::Want(int row, int column, int level) {
    if (row < 0 || column < 0) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_gaveUp) return;
        const ChunkKey key = MakeChunkKey(row, column);
        auto [it, added] = m_wanted.emplace(key, level);
        if (!added && level >= it->second) return;
        it->second = std::min(it->second, level);
    }
    schedulePump();
}

void CWebWorker::schedulePump() {
    if (m_pumpPosted.exchange(true)) return;
    QMetaObject::invokeMethod(
        m_context.get(),
        [this] {
            m_pumpPosted = false;
            pump();
        },
        Qt::QueuedConnection);
}

void CWebWorker::FilterNeeded(const QRect& chunkBox) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_wanted.begin(); it != m_wanted.end();) {
        const QPoint p(ChunkKeyColumn(it->first), ChunkKeyRow(it->first));
        it = chunkBox.contains(p) ? std::next(it) : m_wanted.erase(it);
    }
}

void CWebWorker::CancelAll() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_wanted.clear();
    }
    for (auto& slot : m_slots)
        if (slot->busy) slot->cancel();
}

bool CWebWorker::OutputReady() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_output.empty();
}

std::vector<ChunkKey> CWebWorker::ProcessWebOutput() {
    std::vector<ChunkKey> keys;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        keys.swap(m_output);
    }
    for (ChunkKey key : keys) m_map->invalidate_read_cache(key);
    return keys;
}

bool CWebWorker::idle() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_wanted.empty() && !m_gaveUp) return false;
    for (const auto& slot : m_slots)
        if (slot->busy) return false;
    return true;
}

bool CWebWorker::gaveUp() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_gaveUp;
}

int CWebWorker::failures() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

int CWebWorker::wantedCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_wanted.size());
}

QString CWebWorker::lastError() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastError;
}

void CWebWorker::pump() {
    if (!m_url.isValid() || !m_map->chunkFile() || !m_map->is_writable()) return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_wanted.empty() || m_gaveUp) return;
    }
    if (m_slots.empty())
        for (int i = 0; i < kSlots; ++i) m_slots.push_back(std::make_unique<Slot>(this, m_url));
    for (auto& slot : m_slots) {
        if (slot->busy) continue;
        if (!takeWork(*slot)) break;
    }
}

bool CWebWorker::takeWork(Slot& slot) {
    CChunkFile* file = m_map->chunkFile();
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_gaveUp || m_headerInFlight) return false;
    if (!file->hasHeader()) {
        m_headerInFlight = true;
        lock.unlock();
        slot.startHeader();
        return true;
    }
    // The largest wanted level first: coarse views arrive before detail.
    auto best = m_wanted.end();
    for (auto it = m_wanted.begin(); it != m_wanted.end();) {
        bool fetching = false;
        for (const auto& other : m_slots)
            if (other->busy && !other->headerJob && other->key == it->first) fetching = true;
        if (fetching || !file->CanDownloadChunk(ChunkKeyRow(it->first), ChunkKeyColumn(it->first),
                                                it->second)) {
            if (best == it) best = m_wanted.end();
            it = m_wanted.erase(it);
            continue;
        }
        if (best == m_wanted.end() || it->second > best->second) best = it;
        ++it;
    }
    if (best == m_wanted.end()) return false;
    const ChunkKey key = best->first;
    const int level = best->second;
    lock.unlock();
    slot.startChunk(key, level);
    return true;
}

void CWebWorker::slotFinished(Slot& slot, bool ok, bool cancelled, const QString& error) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (slot.headerJob) m_headerInFlight = false;
        if (ok) {
            m_failures = 0;
            if (!slot.headerJob) {
                m_output.push_back(slot.key);
                auto it = m_wanted.find(slot.key);
                if (it != m_wanted.end() && it->second >= slot.level) m_wanted.erase(it);
            }
        } else if (!cancelled) {
            m_lastError = error;
            if (++m_failures > kMaxFailures) {
                m_gaveUp = true;
                m_wanted.clear();
            }
        }
    }
    if (ok && !slot.headerJob) ++m_done;
    if (onChunkDone && !slot.headerJob) onChunkDone(slot.key, ok);
    if (onSettled && idle()) onSettled();
    schedulePump();
}
