// The heartbeat's timing rules: random phase, periods, clock alignment, and
// counters that come and go inside a tick.
#include <gtest/gtest.h>

#include <QDateTime>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
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

TEST(Heartbeat, CountersOfEqualPeriodGetSpreadPhases) {
    std::vector<std::unique_ptr<Probe>> probes;
    std::set<int> phases;
    for (int i = 0; i < 50; ++i) {
        probes.push_back(std::make_unique<Probe>(10));
        phases.insert(probes.back()->countdown);
    }
    EXPECT_GT(phases.size(), 3u);
}

TEST(Heartbeat, PulseWithoutCountersDoesNothingAndTimestampIsTheClock) {
    ASSERT_EQ(Listener<CHeartbeat>::pDatasource, nullptr);
    CHeartbeat::Pulse();
    const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    CDataSource::timestamp_correction = 3600;
    EXPECT_NEAR(CHeartbeat::Timestamp(), now + 3600, 1.0);
    CDataSource::timestamp_correction = 0;
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

}  // namespace
