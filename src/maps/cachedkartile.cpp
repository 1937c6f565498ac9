#include "maps/cachedkartile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <limits>
#include <unordered_set>

#include "maps/kartile3.h"
#include "maps/webworker.h"

namespace {

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Source pixel of an output coordinate of level z.
int64_t sourceOf(int v, int z) {
    return z >= 0 ? int64_t(v) << z : int64_t(v) >> -z;
}

// Chunk index of a source pixel coordinate, kept inside an int.
int chunkIndexOf(int64_t source) {
    return int(std::clamp<int64_t>(source >> 10, 0, std::numeric_limits<int>::max()));
}

}  // namespace

ChunkKey DIB_square::chunkKey() const {
    return MakeChunkKey(chunkIndexOf(sourceOf(y, level)), chunkIndexOf(sourceOf(x, level)));
}

// ---------------------------------------------------------------- worker

class CCachedKartile::CWorker::Job : public CWorkerThread::JobData {
public:
    Job(CWorker* worker, CWebWorker* web) : m_worker(worker) {
        if (web)
            scratch.missingData = [web](CKartile*, int row, int column, int wanted, int) {
                web->Want(row, column, wanted);
            };
    }
    bool GetNextJob() override {
        if (m_worker->m_needed.empty()) return false;
        current = m_worker->m_needed.begin()->second;
        m_worker->m_needed.erase(m_worker->m_needed.begin());
        return true;
    }
    void ProcessJob() override {
        DIB_square* s = current;
        s->generation = m_worker->m_generation->load();
        scratch.missing = 0;
        const int z = s->level;
        const int failed = m_worker->m_map->ReadRectRGB(
            int(sourceOf(s->x, z)), int(sourceOf(s->y, z)), DIB_square::kSide, DIB_square::kSide,
            DIB_square::kSide, z, reinterpret_cast<uint32_t*>(s->image.bits()), &scratch);
        s->missing = scratch.missing;
        s->failed = failed != 0;
        std::lock_guard<std::mutex> lock(m_worker->m_mutex);
        m_worker->m_output.push_back(s);
        current = nullptr;
    }

    ThreadDataForRead scratch;
    DIB_square* current = nullptr;  // worker mutex

private:
    CWorker* m_worker;
};

CCachedKartile::CWorker::CWorker(CKartile* map, int threads, CWebWorker* web,
                                 std::atomic<uint64_t>* generation)
    : CWorkerThread(2, threads), m_map(map), m_generation(generation) {
    for (int i = 0; i < threadCount(); ++i) m_jobs.push_back(std::make_unique<Job>(this, web));
}

CCachedKartile::CWorker::~CWorker() {
    Shutdown();  // before the jobs go
}

CWorkerThread::JobData* CCachedKartile::CWorker::GetJobForThread(int thread) {
    return m_jobs[size_t(thread)].get();
}

void CCachedKartile::CWorker::PutNeeded(DIB_square* square) {
    std::lock_guard<std::mutex> lock(m_mutex);
    square->busy = true;
    m_needed.emplace(square->chunkKey(), square);
    WakeOne();
}

void CCachedKartile::CWorker::GetProcessed(std::vector<DIB_square*>& finished, int z,
                                           std::vector<std::pair<int, int>>& inProgress) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (DIB_square* s : m_output) s->busy = false;
    finished.insert(finished.end(), m_output.begin(), m_output.end());
    m_output.clear();
    for (const auto& job : m_jobs)
        if (job->current && job->current->level == z)
            inProgress.emplace_back(floorDiv(job->current->x, DIB_square::kSide),
                                    floorDiv(job->current->y, DIB_square::kSide));
}

void CCachedKartile::CWorker::FilterQueue(const std::function<bool(DIB_square*)>& keep,
                                          std::vector<std::pair<int, int>>& inProgress) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_needed.begin(); it != m_needed.end();) {
        DIB_square* s = it->second;
        if (keep(s)) {
            inProgress.emplace_back(floorDiv(s->x, DIB_square::kSide),
                                    floorDiv(s->y, DIB_square::kSide));
            ++it;
        } else {
            s->busy = false;
            s->invalidate();
            it = m_needed.erase(it);
        }
    }
}

bool CCachedKartile::CWorker::hasOutput() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_output.empty();
}

bool CCachedKartile::CWorker::hasWork() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_needed.empty() || !m_output.empty()) return true;
    for (const auto& job : m_jobs)
        if (job->current) return true;
    return false;
}

// ---------------------------------------------------------------- renderer

CCachedKartile::CCachedKartile() = default;

CCachedKartile::~CCachedKartile() {
    Close();
}

void CCachedKartile::Open(OV_HWND parent, const std::string& path, OpenCallback callback) {
    Close();
    bool opened = false;
    m_map = CKartile::Create(parent, path, [&](CKartile*, bool ok) { opened = ok; });
    if (m_map && !opened) {
        m_map->Destroy();
        m_map = nullptr;
    }
    if (callback) callback(m_map != nullptr);
}

void CCachedKartile::Close() {
    // Threads first: they may still tell the web worker what they miss.
    m_worker.reset();
    m_web.reset();
    for (auto& s : m_pool) {
        s->busy = false;
        s->invalidate();
    }
    if (m_map) m_map->Destroy();
    m_map = nullptr;
}

int CCachedKartile::workerThreads() const {
    if (!m_map) return 0;
    if (m_threadsOverride > 0) return m_threadsOverride;
    return m_map->versionWord() > 0xFFFFFF ? 4 : 1;
}

void CCachedKartile::ensureWorker() {
    if (m_worker) return;
    if (auto* chunked = dynamic_cast<CKartile3*>(m_map)) {
        const QUrl url = CWebWorker::ServerChunkUrl(chunked->path());
        if (url.isValid() && chunked->is_writable())
            m_web = std::make_unique<CWebWorker>(chunked, url);
    }
    m_worker = std::make_unique<CWorker>(m_map, workerThreads(), m_web.get(), &m_generation);
    m_worker->Start();
}

void CCachedKartile::applyDownloads() {
    if (!m_web) return;
    if (!m_web->ProcessWebOutput().empty()) ++m_generation;
}

bool CCachedKartile::TimerCallback() {
    if (!m_worker) return false;
    return m_worker->hasOutput() || (m_web && m_web->OutputReady());
}

bool CCachedKartile::isLoading() {
    if (!m_worker) return false;
    return m_worker->hasWork() || (m_web && (!m_web->idle() || m_web->OutputReady()));
}

void CCachedKartile::InvalidateAllDibs() {
    for (auto& s : m_pool)
        if (!s->busy) s->invalidate();
    ++m_generation;
}

// Converted once, on this thread, when first drawn.
const QPixmap& DIB_square::pixmapOf() {
    if (!pixmapReady) {
        pixmap = QPixmap::fromImage(image);
        pixmapReady = true;
    }
    return pixmap;
}

// One Draw's view of the squares: the visible grid of level z, the squares
// placed in its cells, and those of levels z + 1 and z - 1 standing in.
struct CCachedKartile::Frame {
    QRect screenRect;
    QPoint offset;
    Grid g;
    uint64_t generation = 0;  // chunk data arrivals when the frame began
    std::unordered_set<uint64_t> inProgress;
    std::vector<DIB_square*> cells;  // row by row over the grid
    std::unordered_map<uint64_t, DIB_square*> above, below;
    std::unordered_set<DIB_square*> used;
    std::vector<std::pair<int, int>> toQueue;

    DIB_square*& cell(int c, int r) {
        return cells[size_t(r - g.row0) * size_t(g.cols) + size_t(c - g.col0)];
    }
    // Read before the latest chunk data arrived, and lacking detail.
    bool stale(const DIB_square* s) const { return s->missing > 0 && s->generation < generation; }
    bool better(const DIB_square* a, const DIB_square* b) const {
        if (stale(a) != stale(b)) return !stale(a);
        return a->missing < b->missing;
    }
    QRect screenOf(int c, int r) const {
        constexpr int S = DIB_square::kSide;
        return QRect(screenRect.left() + c * S - offset.x(), screenRect.top() + r * S - offset.y(),
                     S, S);
    }
};

void CCachedKartile::Draw(QPainter& painter, const QRect& screenRect, const QPoint& offset, int z,
                          bool& loading, std::vector<SquareCopy>* copies) {
    loading = false;
    if (!m_map || !m_map->isOpen() || screenRect.isEmpty()) {
        painter.fillRect(screenRect, Qt::white);
        return;
    }
    Frame f;
    f.screenRect = screenRect;
    f.offset = offset;
    f.g = visibleGrid(screenRect, offset, z);
    ensureWorker();
    collectFinished(f);
    growPool(f.g);
    placeSquares(f);
    drawCells(painter, f, loading, copies);
    queueMissing(f, loading);
}

CCachedKartile::Grid CCachedKartile::visibleGrid(const QRect& screenRect, const QPoint& offset,
                                                 int z) {
    constexpr int S = DIB_square::kSide;
    Grid g;
    g.level = z;
    g.col0 = floorDiv(offset.x(), S);
    g.row0 = floorDiv(offset.y(), S);
    g.cols = floorDiv(offset.x() + screenRect.width() - 1, S) - g.col0 + 1;
    g.rows = floorDiv(offset.y() + screenRect.height() - 1, S) - g.row0 + 1;
    return g;
}

// Applies finished downloads, takes the finished squares, and keeps only the
// queued squares still wanted; the cells being read are marked in progress.
void CCachedKartile::collectFinished(Frame& f) {
    constexpr int S = DIB_square::kSide;
    const Grid& g = f.g;
    const int z = g.level;
    applyDownloads();
    if (m_web) {
        // Chunks under the visible area: source pixels over 1024.
        // A view wholly left of or above the map gives an empty box.
        auto last = [z](int v) {
            return int(std::clamp<int64_t>((sourceOf(v * S, z) - 1) >> 10, -1,
                                           std::numeric_limits<int>::max()));
        };
        m_web->FilterNeeded(QRect(
            QPoint(chunkIndexOf(sourceOf(g.col0 * S, z)), chunkIndexOf(sourceOf(g.row0 * S, z))),
            QPoint(last(g.col0 + g.cols), last(g.row0 + g.rows))));
    }
    std::vector<DIB_square*> finished;
    std::vector<std::pair<int, int>> progressCells;
    m_worker->GetProcessed(finished, z, progressCells);
    m_worker->FilterQueue(
        [&](DIB_square* s) {
            return s->level == z && g.contains(floorDiv(s->x, S), floorDiv(s->y, S));
        },
        progressCells);
    for (const auto& [c, r] : progressCells) f.inProgress.insert(cellKey(c, r));
    for (DIB_square* s : finished) s->pixmapReady = false;
    f.generation = m_generation.load();
}

void CCachedKartile::growPool(const Grid& g) {
    const size_t wanted = size_t(3) * size_t(g.cols) * size_t(g.rows);
    while (m_pool.size() < wanted) m_pool.push_back(std::make_unique<DIB_square>());
}

// Squares of level z go into their cells (the better of two stays) and to
// the front of the pool; those of the levels beside it stand in.
void CCachedKartile::placeSquares(Frame& f) {
    constexpr int S = DIB_square::kSide;
    const int z = f.g.level;
    f.cells.assign(size_t(f.g.cols) * size_t(f.g.rows), nullptr);
    auto offer = [&](std::unordered_map<uint64_t, DIB_square*>& grid, DIB_square* s) {
        DIB_square*& slot = grid[cellKey(floorDiv(s->x, S), floorDiv(s->y, S))];
        if (!slot || f.better(s, slot)) slot = s;
    };
    for (auto it = m_pool.begin(); it != m_pool.end();) {
        DIB_square* s = it->get();
        if (s->busy || s->level == DIB_square::kUnused || s->failed) {
            if (s->failed && !s->busy) s->invalidate();  // read again on a later pass
            ++it;
            continue;
        }
        const int c = floorDiv(s->x, S), r = floorDiv(s->y, S);
        if (s->level == z && f.g.contains(c, r)) {
            DIB_square*& cell = f.cell(c, r);
            if (cell && !f.better(s, cell)) {
                s->invalidate();
                ++it;
                continue;
            }
            if (cell) cell->invalidate();
            cell = s;
            auto next = std::next(it);
            m_pool.splice(m_pool.begin(), m_pool, it);
            it = next;
            continue;
        }
        if (s->level == z + 1) offer(f.above, s);
        if (s->level == z - 1) offer(f.below, s);
        ++it;
    }
    for (DIB_square* s : f.cells)
        if (s) f.used.insert(s);
    for (auto& m : {&f.above, &f.below})
        for (auto& [key, s] : *m) f.used.insert(s);
}

// Each cell: its square, else the square of level z + 1 at twice the size,
// else those of level z - 1 at half the size, else white. Cells without a
// fresh square of their own and not being read are noted for queueing.
void CCachedKartile::drawCells(QPainter& painter, Frame& f, bool& loading,
                               std::vector<SquareCopy>* copies) {
    const Grid& g = f.g;
    painter.save();
    painter.setClipRect(f.screenRect);
    for (int r = g.row0; r < g.row0 + g.rows; ++r) {
        for (int c = g.col0; c < g.col0 + g.cols; ++c) {
            DIB_square* s = f.cell(c, r);
            const QRect target = f.screenOf(c, r);
            if (s) {
                if (copies)
                    copies->push_back({&s->image, target});
                else
                    painter.drawPixmap(target, s->pixmapOf());
                if (s->missing > 0) loading = true;
                if (!f.stale(s)) continue;
            } else {
                loading = true;
                if (!drawStandIn(painter, f, c, r, target)) painter.fillRect(target, Qt::white);
            }
            if (!f.inProgress.count(cellKey(c, r))) f.toQueue.emplace_back(c, r);
        }
    }
    painter.restore();
}

bool CCachedKartile::drawStandIn(QPainter& painter, const Frame& f, int c, int r,
                                 const QRect& target) {
    constexpr int S = DIB_square::kSide;
    auto up = f.above.find(cellKey(floorDiv(c, 2), floorDiv(r, 2)));
    if (up != f.above.end()) {
        const QRect source((c - 2 * floorDiv(c, 2)) * S / 2, (r - 2 * floorDiv(r, 2)) * S / 2,
                           S / 2, S / 2);
        painter.drawPixmap(target, up->second->pixmapOf(), source);
        return true;
    }
    bool drawn = false;
    for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
            auto down = f.below.find(cellKey(2 * c + i, 2 * r + j));
            if (down == f.below.end()) continue;
            painter.drawPixmap(
                QRect(target.left() + i * S / 2, target.top() + j * S / 2, S / 2, S / 2),
                down->second->pixmapOf());
            drawn = true;
        }
    return drawn;
}

// Least recently placed squares are reused for the missing cells.
void CCachedKartile::queueMissing(Frame& f, bool& loading) {
    constexpr int S = DIB_square::kSide;
    auto back = m_pool.rbegin();
    for (const auto& [c, r] : f.toQueue) {
        while (back != m_pool.rend() && ((*back)->busy || f.used.count(back->get()))) ++back;
        if (back == m_pool.rend()) break;
        DIB_square* s = back->get();
        ++back;
        s->invalidate();
        s->level = f.g.level;
        s->x = c * S;
        s->y = r * S;
        f.used.insert(s);
        m_worker->PutNeeded(s);
        loading = true;
    }
}

void CCachedKartile::WaitUntilIdle(int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs && isLoading() && !TimerCallback()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
}

double CCachedKartile::getScaleAt(double x, double y) const {
    return m_map ? m_map->get_scale(x, y) : 0;
}

double CCachedKartile::getKtlScaleAtCenter() const {
    return m_map ? m_map->get_scale(m_map->width() / 2.0, m_map->height() / 2.0) : 0;
}

bool CCachedKartile::CurrentChartDoesContain(double lat, double lon) const {
    return m_map && m_map->doesContain(lat, lon);
}
