// A pool of threads sharing one job queue and one finished list under one
// mutex and condition variable. Subclasses hand each thread a job object;
// a job finds its next piece of work with the mutex held (GetNextJob) and
// does it without (ProcessJob).
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class CWorkerThread {
public:
    class JobData {
    public:
        virtual ~JobData() = default;
        // Called with the worker mutex held: whether there is work to do.
        virtual bool GetNextJob() = 0;
        // Called without the mutex.
        virtual void ProcessJob() = 0;
    };

    // Mode 2 and above run at low priority.
    CWorkerThread(int mode, int threads);
    virtual ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    virtual JobData* GetJobForThread(int thread) = 0;
    // Runs first in the first thread; false shuts the worker down.
    virtual bool startup_in_first_thread() { return true; }

    void Start();
    // Stops every thread and waits for them; safe to call twice.
    void Shutdown();
    // Runs the jobs in the calling thread (and the others) until none is left.
    void RunJobsUntilIdle();

    int threadCount() const { return m_threads; }
    bool isShutDown() const;

protected:
    void WakeOne() { m_condition.notify_one(); }
    void WakeAll() { m_condition.notify_all(); }

    mutable std::mutex m_mutex;  // the worker mutex: guards the subclass's queues too

private:
    void firstThread(bool untilIdle);
    void jobLoop(JobData* job, bool untilIdle);
    void lowerPriority();

    int m_mode;
    int m_threads;
    bool m_shutdown = false;
    bool m_started = false;
    std::condition_variable m_condition;
    std::thread m_first;
    std::vector<std::thread> m_others;  // started and joined by the first thread
};
