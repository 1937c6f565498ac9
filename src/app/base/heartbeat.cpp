#include "app/base/heartbeat.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

CHeartbeat::Counter::Counter(int32_t periodTicks) : countdown(periodTicks), period(periodTicks) {
    if (periodTicks > 0) {
        const int32_t r = int32_t(QRandomGenerator::global()->bounded(32768));
        countdown = r % periodTicks + 1;
    }
}

void CHeartbeat::Counter::AlignToClock(int n) {
    if (n == 0) return;
    // With x = t·n, the next firing is the start of the next 1/n-second slot:
    // the ticks left in the current slot, ((1 - (x - floor(x))) / n) · 10,
    // rounded up and at least one.
    const double x = CHeartbeat::Timestamp() * n;
    const double left = (1.0 - (x - std::floor(x))) / n * 10.0;
    countdown = std::max<int32_t>(1, int32_t(std::ceil(left - 1e-6)));
}

void CHeartbeat::Pulse() {
    CDataSource* source = Listener<CHeartbeat>::pDatasource;
    if (!source) return;
    source->ClearTimestamp();
    source->ForEach(
        [](CDataSource::callback& cb, void*) {
            // Every listener of CHeartbeat is a Counter (the only public way to listen).
            auto* counter = static_cast<Counter*>(static_cast<Listener<CHeartbeat>*>(cb.context));
            if (--counter->countdown < 1) {
                counter->countdown = counter->period;
                counter->OnHeartbeat();
            }
        },
        nullptr);
}

double CHeartbeat::Timestamp() {
    if (CDataSource* source = Listener<CHeartbeat>::pDatasource) return source->Timestamp();
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0 + CDataSource::timestamp_correction;
}

RunHeartbeatUntilShutdown::RunHeartbeatUntilShutdown(QObject* parent) : QObject(parent) {
    m_timerId = startTimer(100, Qt::CoarseTimer);
}

RunHeartbeatUntilShutdown::~RunHeartbeatUntilShutdown() {
    if (m_timerId) killTimer(m_timerId);
}

void RunHeartbeatUntilShutdown::timerEvent(QTimerEvent*) {
    CHeartbeat::Pulse();
}
