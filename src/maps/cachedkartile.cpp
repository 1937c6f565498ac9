#include "maps/cachedkartile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
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

}  // namespace

uint32_t DIB_square::chunkKey() const {
    const int64_t sx = std::max<int64_t>(0, sourceOf(x, level));
    const int64_t sy = std::max<int64_t>(0, sourceOf(y, level));
    return uint32_t(std::min<int64_t>(sy >> 10, 0xFFFF)) << 16 |
           uint32_t(std::min<int64_t>(sx >> 10, 0xFFFF));
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

void CCachedKartile::Draw(QPainter& painter, const QRect& screenRect, const QPoint& offset, int z,
                          bool& loading) {
    loading = false;
    if (!m_map || !m_map->isOpen() || screenRect.isEmpty()) {
        painter.fillRect(screenRect, Qt::white);
        return;
    }
    constexpr int S = DIB_square::kSide;
    Grid g;
    g.level = z;
    g.col0 = floorDiv(offset.x(), S);
    g.row0 = floorDiv(offset.y(), S);
    g.cols = floorDiv(offset.x() + screenRect.width() - 1, S) - g.col0 + 1;
    g.rows = floorDiv(offset.y() + screenRect.height() - 1, S) - g.row0 + 1;
    ensureWorker();

    applyDownloads();
    if (m_web) {
        // Chunks under the visible area: source pixels over 1024.
        const int64_t x0 = sourceOf(g.col0 * S, z) >> 10, y0 = sourceOf(g.row0 * S, z) >> 10;
        const int64_t x1 = (sourceOf((g.col0 + g.cols) * S, z) - 1) >> 10;
        const int64_t y1 = (sourceOf((g.row0 + g.rows) * S, z) - 1) >> 10;
        m_web->FilterNeeded(
            QRect(QPoint(int(std::max<int64_t>(x0, 0)), int(std::max<int64_t>(y0, 0))),
                  QPoint(int(std::min<int64_t>(x1, 0xFFFF)), int(std::min<int64_t>(y1, 0xFFFF)))));
    }
    std::vector<DIB_square*> finished;
    std::vector<std::pair<int, int>> progressCells;
    m_worker->GetProcessed(finished, z, progressCells);
    m_worker->FilterQueue(
        [&](DIB_square* s) {
            return s->level == z && g.contains(floorDiv(s->x, S), floorDiv(s->y, S));
        },
        progressCells);
    std::unordered_set<uint64_t> inProgress;
    for (const auto& [c, r] : progressCells) inProgress.insert(cellKey(c, r));
    for (DIB_square* s : finished) s->pixmapReady = false;

    const size_t wanted = size_t(3) * size_t(g.cols) * size_t(g.rows);
    while (m_pool.size() < wanted) m_pool.push_back(std::make_unique<DIB_square>());

    // A square read before the latest chunk data arrived, and lacking detail, is stale.
    const uint64_t generation = m_generation.load();
    auto stale = [generation](const DIB_square* s) {
        return s->missing > 0 && s->generation < generation;
    };
    auto better = [&](const DIB_square* a, const DIB_square* b) {
        if (stale(a) != stale(b)) return !stale(a);
        return a->missing < b->missing;
    };
    std::vector<DIB_square*> cells(size_t(g.cols) * size_t(g.rows), nullptr);
    std::unordered_map<uint64_t, DIB_square*> above, below;
    std::unordered_set<DIB_square*> used;
    auto offer = [&](std::unordered_map<uint64_t, DIB_square*>& grid, DIB_square* s) {
        DIB_square*& slot = grid[cellKey(floorDiv(s->x, S), floorDiv(s->y, S))];
        if (!slot || better(s, slot)) slot = s;
    };
    for (auto it = m_pool.begin(); it != m_pool.end();) {
        DIB_square* s = it->get();
        if (s->busy || s->level == DIB_square::kUnused || s->failed) {
            if (s->failed && !s->busy) s->invalidate();  // read again on a later pass
            ++it;
            continue;
        }
        const int c = floorDiv(s->x, S), r = floorDiv(s->y, S);
        if (s->level == z && g.contains(c, r)) {
            DIB_square*& cell = cells[size_t(r - g.row0) * g.cols + size_t(c - g.col0)];
            if (cell && !better(s, cell)) {
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
        if (s->level == z + 1) offer(above, s);
        if (s->level == z - 1) offer(below, s);
        ++it;
    }
    for (DIB_square* s : cells)
        if (s) used.insert(s);
    for (auto& m : {&above, &below})
        for (auto& [key, s] : *m) used.insert(s);

    auto screenOf = [&](int c, int r) {
        return QRect(screenRect.left() + c * S - offset.x(), screenRect.top() + r * S - offset.y(),
                     S, S);
    };
    painter.save();
    painter.setClipRect(screenRect);
    std::vector<std::pair<int, int>> toQueue;
    for (int r = g.row0; r < g.row0 + g.rows; ++r) {
        for (int c = g.col0; c < g.col0 + g.cols; ++c) {
            DIB_square* s = cells[size_t(r - g.row0) * g.cols + size_t(c - g.col0)];
            const QRect target = screenOf(c, r);
            if (s) {
                painter.drawPixmap(target, s->pixmapOf());
                if (s->missing > 0) loading = true;
                if (!stale(s)) continue;
            } else {
                loading = true;
                auto up = above.find(cellKey(floorDiv(c, 2), floorDiv(r, 2)));
                bool drawn = false;
                if (up != above.end()) {
                    DIB_square* p = up->second;
                    const QRect source((c - 2 * floorDiv(c, 2)) * S / 2,
                                       (r - 2 * floorDiv(r, 2)) * S / 2, S / 2, S / 2);
                    painter.drawPixmap(target, p->pixmapOf(), source);
                    drawn = true;
                } else {
                    for (int j = 0; j < 2; ++j)
                        for (int i = 0; i < 2; ++i) {
                            auto down = below.find(cellKey(2 * c + i, 2 * r + j));
                            if (down == below.end()) continue;
                            painter.drawPixmap(QRect(target.left() + i * S / 2,
                                                     target.top() + j * S / 2, S / 2, S / 2),
                                               down->second->pixmapOf());
                            drawn = true;
                        }
                }
                if (!drawn) painter.fillRect(target, Qt::white);
            }
            if (!inProgress.count(cellKey(c, r))) toQueue.emplace_back(c, r);
        }
    }
    painter.restore();

    // Least recently placed squares are reused for the missing cells.
    auto back = m_pool.rbegin();
    for (const auto& [c, r] : toQueue) {
        while (back != m_pool.rend() && ((*back)->busy || used.count(back->get()))) ++back;
        if (back == m_pool.rend()) break;
        DIB_square* s = back->get();
        ++back;
        s->invalidate();
        s->level = z;
        s->x = c * S;
        s->y = r * S;
        used.insert(s);
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
