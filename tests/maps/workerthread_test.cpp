// The worker pool: every queued job runs once across the threads, the
// run-until-idle pass empties the queue on the calling thread too, and a
// refused start-up or a second shutdown stops cleanly.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <atomic>
#include <set>
#include <thread>

#include "maps/workerthread.h"

namespace {

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
    std::atomic<int> done{0};
    std::mutex idsMutex;
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
        void ProcessJob() override {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            ++m_w->done;
            std::lock_guard<std::mutex> lock(m_w->idsMutex);
            m_w->ids.insert(std::this_thread::get_id());
        }

    private:
        CountingWorker* m_w;
    };
    int m_queue = 0;  // worker mutex
    bool m_startOk;
    std::vector<std::unique_ptr<Job>> m_jobs;
};

TEST(WorkerThread, EveryJobRunsOnceAcrossTheThreads) {
    CountingWorker w(4);
    w.Start();
    w.add(500);
    QElapsedTimer t;
    t.start();
    while (w.done < 500 && t.elapsed() < 10000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    w.add(100);  // woken again after idling
    while (w.done < 600 && t.elapsed() < 10000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    w.Shutdown();
    EXPECT_EQ(w.done.load(), 600);
    EXPECT_GE(w.ids.size(), 2u);
    EXPECT_TRUE(w.isShutDown());
    w.Shutdown();  // twice is harmless
}

TEST(WorkerThread, RunUntilIdleEmptiesTheQueueAndReturns) {
    CountingWorker w(3);
    w.add(200);
    w.RunJobsUntilIdle();
    EXPECT_EQ(w.done.load(), 200);
    EXPECT_TRUE(w.ids.count(std::this_thread::get_id())) << "the caller works too";
    EXPECT_TRUE(w.isShutDown());
}

TEST(WorkerThread, RefusedStartUpShutsDownWithoutWork) {
    CountingWorker w(2, false);
    w.add(10);
    w.Start();
    QElapsedTimer t;
    t.start();
    while (!w.isShutDown() && t.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(w.isShutDown());
    EXPECT_EQ(w.done.load(), 0);
}

}  // namespace
