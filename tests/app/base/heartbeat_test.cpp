// The heartbeat's timing rules: random phase, periods, clock alignment, and
// counters that come and go inside a tick.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "app/base/heartbeat.h"

namespace {

class Probe : public CHeartbeat::Counter {
public:
    explicit Probe(int period) : Counter(period) {}
    void OnHeartbeat() override {
        fired.push_back(tick);
        if (onFire) onFire();
    }
    std::vector<int> fired;
    int tick = 0;
    std::function<void()> onFire;
};

void pulse(std::vector<Probe*> probes, int ticks) {
    for (int t = 1; t <= ticks; ++t) {
        for (Probe* p : probes) p->tick = t;
        CHeartbeat::Pulse();
    }
}

TEST(Heartbeat, CounterFiresFirstWithinOnePeriodThenEveryPeriod) {
    CHeartbeat::Pulse();  // with no counter at all: nothing to do
    for (int trial = 0; trial < 20; ++trial) {
        Probe p(10);
        ASSERT_GE(p.countdown, 1);
        ASSERT_LE(p.countdown, 10);
        const int first = p.countdown;
        pulse({&p}, 35);
        ASSERT_GE(p.fired.size(), 3u);
        EXPECT_EQ(p.fired[0], first);
        for (size_t i = 1; i < p.fired.size(); ++i) EXPECT_EQ(p.fired[i] - p.fired[i - 1], 10);
    }
}

TEST(Heartbeat, CountersCreatedAndDestroyedInsideATick) {
    Probe a(1);
    auto b = std::make_unique<Probe>(1);
    std::unique_ptr<Probe> c;
    a.onFire = [&] {
        b.reset();  // a later counter leaves mid-tick
        if (!c) c = std::make_unique<Probe>(1);
    };
    pulse({&a}, 3);
    EXPECT_EQ(a.fired.size(), 3u);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->fired.size(), 2u);  // from the tick after its creation
}

TEST(Heartbeat, ClockAlignmentFiresAtTheStartOfTheNextSlot) {
    Probe p(10);
    // The tick's timestamp, n, the countdown.
    const std::tuple<double, int, int> cases[] = {
        {1000.3, 1, 7},  {1000.0, 1, 10}, {1000.95, 1, 1},
        {1000.91, 1, 1}, {1000.3, 2, 2},  {1000.05, 2, 5},
    };
    for (auto [time, n, countdown] : cases) {
        SCOPED_TRACE(time);
        Listener<CHeartbeat>::pDatasource->timestamp = time;
        p.AlignToClock(n);
        EXPECT_EQ(p.countdown, countdown);
    }
    Listener<CHeartbeat>::pDatasource->ClearTimestamp();
    p.countdown = 4;
    p.AlignToClock(0);
    EXPECT_EQ(p.countdown, 4);
}

}  // namespace
