// The worker pool: every queued job runs once across the threads, the
// run-until-idle pass empties the queue on the calling thread too, and a
// refused start-up or a second shutdown stops cleanly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <set>
#include <thread>

#include "maps/workerthread.h"

namespace {

constexpr auto kDeadline = std::chrono::seconds(60);

class CountingWorker : public CWorkerThread {
public:
    CountingWorker(int threads, bool startOk = true)
        : CWorkerThread(2, threads), m_startOk(startOk) {
        for (int i = 0; i < threads; ++i) m_jobs.push_back(std::make_unique<Job>(this));
    }
    ~CountingWorker() override { Shutdown(); }

    JobData* GetJobForThread(int thread) override { return m_jobs[size_t(thread)].get(); }
    bool startup_in_first_thread() override { return m_startOk; }

    void add(int n) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue += n;
        WakeAll();
    }
    // Waits until `n` jobs are done.
    bool waitForDone(int n) {
        std::unique_lock<std::mutex> lock(m_doneMutex);
        return m_doneChanged.wait_for(lock, kDeadline, [&] { return done >= n; });
    }

    // Jobs wait, up to the deadline, until this holds (m_doneMutex held).
    std::function<bool()> holdUntil;
    int done = 0;  // m_doneMutex
    std::set<std::thread::id> ids;

private:
    class Job : public JobData {
    public:
        explicit Job(CountingWorker* w) : m_w(w) {}
        bool GetNextJob() override {
            if (m_w->m_queue == 0) return false;
            --m_w->m_queue;
            return true;
        }
        // Jobs may hold on until another thread has joined in, so sharing is seen.
        void ProcessJob() override {
            std::unique_lock<std::mutex> lock(m_w->m_doneMutex);
            m_w->ids.insert(std::this_thread::get_id());
            m_w->m_doneChanged.notify_all();
            if (m_w->holdUntil) m_w->m_doneChanged.wait_for(lock, kDeadline, m_w->holdUntil);
            ++m_w->done;
            m_w->m_doneChanged.notify_all();
        }

    private:
        CountingWorker* m_w;
    };
    int m_queue = 0;  // worker mutex
    bool m_startOk;
    std::vector<std::unique_ptr<Job>> m_jobs;
    std::mutex m_doneMutex;
    std::condition_variable m_doneChanged;
};

TEST(WorkerThread, EveryJobRunsOnceAcrossTheThreads) {
    CountingWorker w(4);
    w.holdUntil = [&w] { return w.ids.size() > 1; };
    w.Start();
    w.add(500);
    ASSERT_TRUE(w.waitForDone(500));
    w.add(100);  // woken again after idling
    ASSERT_TRUE(w.waitForDone(600));
    w.Shutdown();
    EXPECT_EQ(w.done, 600);
    EXPECT_GE(w.ids.size(), 2u);
    EXPECT_TRUE(w.isShutDown());
    w.Shutdown();  // twice is harmless
}

TEST(WorkerThread, RunUntilIdleEmptiesTheQueueAndReturns) {
    CountingWorker w(3);
    const std::thread::id caller = std::this_thread::get_id();
    w.holdUntil = [&w, caller] { return w.ids.count(caller) > 0; };
    w.add(200);
    w.RunJobsUntilIdle();
    EXPECT_EQ(w.done, 200);
    EXPECT_TRUE(w.ids.count(std::this_thread::get_id())) << "the caller works too";
    EXPECT_TRUE(w.isShutDown());
}

TEST(WorkerThread, RefusedStartUpShutsDownWithoutWork) {
    CountingWorker w(2, false);
    w.add(10);
    w.Start();
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (!w.isShutDown() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(w.isShutDown());
    EXPECT_EQ(w.done, 0);
}

}  // namespace
