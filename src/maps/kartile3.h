// A version-3 map: the usual header file (kind 0x01 or 0x20) with palette and
// georeferencing, its pixels in a chunk file next to it ("<name>.KT3", else
// "<name>.kt3") that fills from a web server as the map is looked at.
//
// Tiles are cut from decoded 1024 x 1024 chunks kept in an LRU cache of 64
// (64 MiB). Cached chunks are shared pointers with a read-write lock: a
// reader keeps its chunk alive while copying, so dropping chunks when new
// data arrives never frees memory under a reader, and a chunk is only
// renamed for another key when nobody else holds it.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "maps/chunkfile.h"
#include "maps/kartile.h"

class CWebWorker;
class QObject;

template <class Chunk, class Scratch>
class CLRUcache {
public:
    using Ptr = std::shared_ptr<Chunk>;
    explicit CLRUcache(size_t capacity = 64) : m_capacity(capacity) {}

    // The chunk of `key`, loaded for `level` or finer through
    // factory->LoadChunk, returned read-locked: pass it to Release.
    template <class Factory>
    Ptr Get(ChunkKey key, int level, Factory* factory, Scratch* scratch) {
        for (;;) {
            Ptr chunk = find(key);
            if (chunk->levelLoaded > level) {
                std::unique_lock<std::shared_mutex> write(chunk->lock);
                if (chunk->key == key && chunk->levelLoaded > level)
                    chunk->Load(factory, level, scratch);
            }
            chunk->lock.lock_shared();
            if (chunk->key == key && chunk->levelLoaded <= level) return chunk;
            chunk->lock.unlock_shared();  // dropped or reloaded meanwhile: again
        }
    }
    static void Release(const Ptr& chunk) { chunk->lock.unlock_shared(); }

    // The next read of `key` loads it afresh.
    void invalidate(ChunkKey key) {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (auto it = m_list.begin(); it != m_list.end(); ++it) {
            if ((*it)->key != key) continue;
            {
                std::unique_lock<std::shared_mutex> write((*it)->lock);
                (*it)->key = kNoChunkKey;
            }
            m_list.erase(it);
            return;
        }
    }
    void invalidateAll() {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (Ptr& chunk : m_list) {
            std::unique_lock<std::shared_mutex> write(chunk->lock);
            chunk->key = kNoChunkKey;
        }
        m_list.clear();
    }
    size_t size() const {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_list.size();
    }

private:
    Ptr find(ChunkKey key) {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (auto it = m_list.begin(); it != m_list.end(); ++it) {
            if ((*it)->key == key) {
                m_list.splice(m_list.begin(), m_list, it);
                return m_list.front();
            }
        }
        Ptr chunk;
        // Reuse the least recently used chunk only when no reader holds it.
        if (m_list.size() >= m_capacity && m_list.back().use_count() == 1) {
            chunk = m_list.back();
            m_list.pop_back();
        } else {
            if (m_list.size() >= m_capacity) m_list.pop_back();
            chunk = std::make_shared<Chunk>();
        }
        {
            std::unique_lock<std::shared_mutex> write(chunk->lock);
            chunk->key = key;
            chunk->levelLoaded = Chunk::kNothingLoaded;
        }
        m_list.push_front(chunk);
        return chunk;
    }

    size_t m_capacity;
    mutable std::mutex m_mutex;
    std::list<Ptr> m_list;  // most recently used first
};

class CKartile3 : public CKartile {
public:
    class CachedChunk {
    public:
        static constexpr int kNothingLoaded = 999;
        CachedChunk() : pixels(new uint8_t[CChunkFile::kChunkPixels]) {}
        // Decodes this key's chunk at `level`; a failed read leaves all 0.
        void Load(CKartile3* map, int level, ThreadDataForRead* scratch);

        ChunkKey key = kNoChunkKey;
        // The level asked for at the last load; read before taking the lock.
        std::atomic<int> levelLoaded{kNothingLoaded};
        int obtained = CChunkFile::kNoLevel;
        std::shared_mutex lock;
        std::unique_ptr<uint8_t[]> pixels;  // stored-row order, 1024 per row
    };

    CKartile3() = default;
    ~CKartile3() override;

    bool OnOpen() override;
    int ReadBlock(int x, int y, int level, unsigned char* out, ThreadDataForRead* scratch) override;
    void invalidate_read_cache(ChunkKey key) override { m_cache.invalidate(key); }
    void invalidate_read_cache() override { m_cache.invalidateAll(); }
    bool is_writable() override;
    bool appearsFullyDownloadedWithin(const CBounds& bounds) override;

    // Area downloads: every chunk under a polygon, within `width` metres of a
    // route, or of the whole map is fetched at full detail from the map
    // server (CWebWorker::SetServerBase) while the event loop runs. Progress
    // goes to `progress` (which may be null, else must live until it
    // finishes): the chunks already complete count as done at the start;
    // each chunk then counts as stored or, when the download gives up
    // (more than three transport failures in a row) or is cancelled, as
    // failed. It finishes once every chunk is settled; ok when all are
    // stored. One area download runs per map at a time.
    void DownloadPolygon(const CPolygon* area, CProgressDialogData* progress) override;
    void DownloadRoute(const CPolyline* route, double width,
                       CProgressDialogData* progress) override;
    void DownloadWholeMap(CProgressDialogData* progress);
    // The same for chosen chunk keys, complete down to `level` (0..9).
    void DownloadChunks(std::vector<ChunkKey> keys, int level, CProgressDialogData* progress);
    bool isDownloadingArea() const { return m_download != nullptr; }

    CChunkFile* chunkFile() const { return m_chunks.get(); }
    int chunkColumns() const { return (widthInTiles() + 15) / 16; }
    int chunkRows() const { return (heightInTiles() + 15) / 16; }
    // Chunk keys under an area (degrees), clipped to the image.
    std::vector<ChunkKey> ChunksWithin(const CBounds& bounds) const;
    // The chunk file's name for a header path: ".KT3" when present, else ".kt3".
    static std::string ChunkFilePath(const std::string& headerPath);
    int requestedLevel() const { return m_requestedLevel.load(); }

private:
    struct AreaDownload;
    void settleDownload();

    std::unique_ptr<CChunkFile> m_chunks;
    std::unique_ptr<AreaDownload> m_download;
    std::unique_ptr<QObject> m_downloadContext;  // receives the queued end of a download
    std::shared_ptr<int> m_lifetime = std::make_shared<int>(0);  // expires with this map
    std::atomic<int> m_requestedLevel{0};  // the level of the latest tile read
    CLRUcache<CachedChunk, ThreadDataForRead> m_cache;
};
