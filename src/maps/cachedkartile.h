// The threaded renderer: turns any map, classic or version-3, into 256 x 256
// squares of 32-bit pixels for the map view.
//
// A square at level z covers output pixels [x, x + 256) x [y, y + 256) of
// that level (z > 0 reduces by 2^z, z < 0 magnifies by 2^-z), read by
// ReadRectRGB from source pixel (x * 2^z, y * 2^z). Squares are recycled
// through a pool; missing ones are queued for the worker threads (one for a
// classic map, four for a version-3 map) in chunk-key order, so the squares
// of one chunk are decoded back to back from the cached chunk. While a level
// loads, squares of the levels just above and below stand in. For version-3
// maps a web worker fetches the chunks the reads found missing.
//
// Everything here runs on the user-interface thread except the jobs; the
// threads never wait on that thread, so Close() can always join them.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/base/messagebox.h"
#include "maps/kartile.h"
#include "maps/workerthread.h"

class CWebWorker;

class DIB_square {
public:
    static constexpr int kSide = 256;
    static constexpr int kUnused = -999;

    DIB_square() : image(kSide, kSide, QImage::Format_RGB32) {}
    void invalidate() {
        level = kUnused;
        missing = 0;
        failed = false;
        pixmapReady = false;
    }
    // Chunk key of the square's source origin (chunk row y' >> 10, column x' >> 10).
    ChunkKey chunkKey() const;
    const QPixmap& pixmapOf();

    int x = 0, y = 0;  // output pixels of its level, multiples of 256
    int level = kUnused;
    QImage image;  // RGB32, 256 x 256
    QPixmap pixmap;
    bool pixmapReady = false;
    int missing = 0;          // levels of detail the read lacked
    bool failed = false;      // a tile read failed
    uint64_t generation = 0;  // chunk data arrivals seen when the read began
    bool busy = false;        // queued or being read (worker mutex)
};
using Dib_List = std::list<std::unique_ptr<DIB_square>>;

class CCachedKartile {
public:
    using OpenCallback = std::function<void(bool ok)>;

    CCachedKartile();
    ~CCachedKartile();
    CCachedKartile(const CCachedKartile&) = delete;
    CCachedKartile& operator=(const CCachedKartile&) = delete;

    // Opens a map through the shared registry; the callback gets the outcome.
    void Open(OV_HWND parent, const std::string& path, OpenCallback callback = {});
    // Stops the threads and downloads and gives the map back.
    void Close();
    CKartile* map() const { return m_map; }

    // A square to go one to one into `target` (painter coordinates).
    struct SquareCopy {
        const QImage* image;
        QRect target;
    };
    // Draws the area of level z whose top-left level-z pixel is `offset`
    // into screenRect. `loading` is set when squares are still coming. With
    // `copies`, the squares drawn one to one are left there for the caller
    // to copy into the frame itself; they stay unchanged until the next Draw.
    void Draw(QPainter& painter, const QRect& screenRect, const QPoint& offset, int z,
              bool& loading, std::vector<SquareCopy>* copies = nullptr);
    // True when finished squares or chunk data wait for the next Draw.
    bool TimerCallback();
    bool isLoading();
    void InvalidateAllDibs();

    double getScaleAt(double x, double y) const;  // nautical miles per source pixel
    double getKtlScaleAtCenter() const;
    bool CurrentChartDoesContain(double lat, double lon) const;

    CWebWorker* webWorker() const { return m_web.get(); }
    // Decoding threads: 1 for classic maps, 4 for version-3 maps, unless set
    // (before the first draw) to another count.
    int workerThreads() const;
    void SetWorkerThreads(int threads) { m_threadsOverride = threads; }
    // Runs the event loop until something waits for the next Draw or nothing
    // is loading, for tests and tools.
    void WaitUntilIdle(int timeoutMs);

    class CWorker;

private:
    struct Grid {
        int level = 0;
        int col0 = 0, row0 = 0, cols = 0, rows = 0;
        bool contains(int c, int r) const {
            return c >= col0 && r >= row0 && c < col0 + cols && r < row0 + rows;
        }
    };
    static uint64_t cellKey(int c, int r) { return uint64_t(uint32_t(c)) << 32 | uint32_t(r); }
    void ensureWorker();
    void applyDownloads();
    // The steps of Draw.
    struct Frame;
    static Grid visibleGrid(const QRect& screenRect, const QPoint& offset, int z);
    void collectFinished(Frame& f);
    void growPool(const Grid& g);
    void placeSquares(Frame& f);
    void drawCells(QPainter& painter, Frame& f, bool& loading, std::vector<SquareCopy>* copies);
    static bool drawStandIn(QPainter& painter, const Frame& f, int c, int r, const QRect& target);
    void queueMissing(Frame& f, bool& loading);

    CKartile* m_map = nullptr;
    Dib_List m_pool;  // most recently placed first
    std::unique_ptr<CWorker> m_worker;
    std::unique_ptr<CWebWorker> m_web;
    std::atomic<uint64_t> m_generation{0};  // chunk data arrivals
    int m_threadsOverride = 0;
};

// The decoding pool of a renderer.
class CCachedKartile::CWorker : public CWorkerThread {
public:
    CWorker(CKartile* map, int threads, CWebWorker* web, std::atomic<uint64_t>* generation);
    ~CWorker() override;

    JobData* GetJobForThread(int thread) override;

    void PutNeeded(DIB_square* square);
    // Finished squares, and the cells of level z that jobs are reading.
    void GetProcessed(std::vector<DIB_square*>& finished, int z,
                      std::vector<std::pair<int, int>>& inProgress);
    // Drops queued squares for which keep() is false (they come back unbusy).
    void FilterQueue(const std::function<bool(DIB_square*)>& keep,
                     std::vector<std::pair<int, int>>& inProgress);
    bool hasOutput();
    bool hasWork();

private:
    class Job;
    CKartile* m_map;
    std::multimap<ChunkKey, DIB_square*> m_needed;  // by chunk key, then insertion
    std::vector<DIB_square*> m_output;
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::atomic<uint64_t>* m_generation;
};
