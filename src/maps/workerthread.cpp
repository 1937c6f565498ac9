#include "maps/workerthread.h"

#include <sys/resource.h>
#include <unistd.h>

CWorkerThread::CWorkerThread(int mode, int threads)
    : m_mode(mode), m_threads(threads < 1 ? 1 : threads) {}

CWorkerThread::~CWorkerThread() {
    Shutdown();
}

bool CWorkerThread::isShutDown() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shutdown;
}

void CWorkerThread::lowerPriority() {
    if (m_mode < 2) return;
    // A higher nice value for this thread only keeps decoding from slowing
    // the user interface; failure just leaves the normal priority.
    (void)setpriority(PRIO_PROCESS, id_t(gettid()), 5);
}

void CWorkerThread::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_started || m_shutdown) return;
    m_started = true;
    m_first = std::thread([this] { firstThread(false); });
}

void CWorkerThread::firstThread(bool untilIdle) {
    if (!untilIdle) lowerPriority();
    if (!startup_in_first_thread()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdown = true;
        m_condition.notify_all();
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 1; i < m_threads && !m_shutdown; ++i) {
            JobData* job = GetJobForThread(i);
            m_others.emplace_back([this, job, untilIdle] {
                if (!untilIdle) lowerPriority();
                jobLoop(job, untilIdle);
            });
        }
    }
    jobLoop(GetJobForThread(0), untilIdle);
    for (std::thread& t : m_others)
        if (t.joinable()) t.join();
}

void CWorkerThread::jobLoop(JobData* job, bool untilIdle) {
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_shutdown) {
        if (!job->GetNextJob()) {
            if (untilIdle) return;
            m_condition.wait(lock);
            continue;
        }
        lock.unlock();
        job->ProcessJob();
        lock.lock();
    }
}

void CWorkerThread::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shutdown = true;
        m_condition.notify_all();
    }
    if (m_first.joinable()) m_first.join();
    // Threads of a run-until-idle pass are joined by it; a worker never started has none.
    for (std::thread& t : m_others)
        if (t.joinable()) t.join();
}

void CWorkerThread::RunJobsUntilIdle() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_shutdown) return;
        m_started = true;
    }
    firstThread(true);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_shutdown = true;
}
