// The 100 ms heartbeat that drives all time-based work.
//
// CHeartbeat is a data source whose listeners are CHeartbeat::Counter
// objects. Each counter counts down ticks and calls its owner's
// OnHeartbeat() every `period` ticks. Counters start at a random phase so
// that counters of equal period created together don't fire on one tick.
#pragma once

#include <QObject>

#include "app/base/datasource.h"

class CHeartbeat {
public:
    class Counter : public Listener<CHeartbeat> {
    public:
        explicit Counter(int32_t periodTicks);
        ~Counter() override = default;

        void OnUpdate(CHeartbeat&) override {}
        virtual void OnHeartbeat() = 0;
        virtual void OnWakeup() {}

        // Phases the countdown by the clock so that the next firing falls on
        // the first tick of the next 1/n-second slot (n = 1: the next whole
        // second); n = 0 changes nothing.
        void AlignToClock(int n);

        int32_t countdown = 0;  // ticks until the next OnHeartbeat
        int32_t period = 0;     // ticks between calls
    };

    // A counter owned by an object that does its timed work in its own
    // OnHeartbeat(), so the owner need not be a listener itself.
    template <class Owner>
    class Forwarder : public Counter {
    public:
        Forwarder(Owner& owner, int32_t periodTicks) : Counter(periodTicks), m_owner(owner) {}
        void OnHeartbeat() override { m_owner.OnHeartbeat(); }

    private:
        Owner& m_owner;
    };

    // One tick: every counter counts down and fires when it falls below 1.
    static void Pulse();
    // The current tick's time (seconds since 1970 plus the timestamp
    // correction); the corrected wall clock when no counter exists.
    static double Timestamp();
};

// Owns the 100 ms timer of the main loop; each timer event is one Pulse.
class RunHeartbeatUntilShutdown : public QObject {
public:
    explicit RunHeartbeatUntilShutdown(QObject* parent = nullptr);
    ~RunHeartbeatUntilShutdown() override;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    int m_timerId = 0;
};
