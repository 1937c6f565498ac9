// The notification mechanism: order, lifetime of sources, and listeners
// that come and go while a dispatch runs.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/base/datasource.h"

namespace {

struct Value {
    int n = 0;
};

class Recorder : public Listener<Value> {
public:
    Recorder(std::vector<std::string>& log, std::string name, int priority = 0)
        : Listener<Value>(priority), m_log(log), m_name(std::move(name)) {}
    void OnUpdate(Value& v) override {
        m_log.push_back(m_name + ":" + std::to_string(v.n));
        if (action) action();
    }
    std::function<void()> action;

private:
    std::vector<std::string>& m_log;
    std::string m_name;
};

TEST(DataSource, CallsListenersInAttachmentOrderAndPriority) {
    std::vector<std::string> log;
    Recorder a(log, "A"), b(log, "B"), high(log, "H", 5);
    Value v{1};
    Listener<Value>::Dispatch(v);
    EXPECT_EQ(log, (std::vector<std::string>{"H:1", "A:1", "B:1"}));
}

TEST(DataSource, ListenerDetachedDuringDispatchIsNotCalled) {
    std::vector<std::string> log;
    auto a = std::make_unique<Recorder>(log, "A");
    auto b = std::make_unique<Recorder>(log, "B");
    auto c = std::make_unique<Recorder>(log, "C");
    a->action = [&] { b.reset(); };
    Value v{1};
    Listener<Value>::Dispatch(v);
    EXPECT_EQ(log, (std::vector<std::string>{"A:1", "C:1"}));
}

TEST(DataSource, ListenerAttachedDuringDispatchWaitsForTheNext) {
    std::vector<std::string> log;
    Recorder a(log, "A");
    std::unique_ptr<Recorder> late;
    a.action = [&] {
        if (!late) late = std::make_unique<Recorder>(log, "L");
    };
    Value v{1};
    Listener<Value>::Dispatch(v);
    v.n = 2;
    Listener<Value>::Dispatch(v);
    EXPECT_EQ(log, (std::vector<std::string>{"A:1", "A:2", "L:2"}));
}

TEST(DataSource, LastListenerLeavingDuringDispatchIsSafe) {
    std::vector<std::string> log;
    auto a = std::make_unique<Recorder>(log, "A");
    a->action = [&] { a.reset(); };
    Value v{1};
    Listener<Value>::Dispatch(v);
    EXPECT_EQ(Listener<Value>::pDatasource, nullptr);
    // A new listener gets a fresh source that works.
    Recorder b(log, "B");
    Listener<Value>::Dispatch(v);
    EXPECT_EQ(log, (std::vector<std::string>{"A:1", "B:1"}));
}

TEST(DataSource, TimestampIsReadOncePerDispatch) {
    std::vector<double> seen;
    class Stamp : public Listener<Value> {
    public:
        explicit Stamp(std::vector<double>& s) : seen(s) {}
        void OnUpdate(Value&) override { seen.push_back(pDatasource->Timestamp()); }
        std::vector<double>& seen;
    } s1(seen), s2(seen);
    CDataSource::timestamp_correction = 1000.0;
    Value v;
    Listener<Value>::Dispatch(v);
    CDataSource::timestamp_correction = 0;
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_GT(seen[0], 1.7e9 + 1000.0);
}

}  // namespace
