#include "data/minmaxrange.h"

namespace {
constexpr float kEmptyMin = 1e30f;
constexpr float kEmptyMax = -1e30f;
}  // namespace

MinMaxRange::MinMaxRange(float rangeSeconds) : m_period(rangeSeconds * 0.1f) {
    reset();
}

void MinMaxRange::SetRangeTime(float rangeSeconds) {
    m_period = rangeSeconds * 0.1f;
}

void MinMaxRange::reset() {
    for (int i = 0; i < kBuckets; ++i) {
        m_min[i] = kEmptyMin;
        m_max[i] = kEmptyMax;
    }
    m_index = 0;
    m_bucketStart = 0;
}

void MinMaxRange::SetValue(float value, double time) {
    if (time - m_bucketStart > m_period) {
        m_bucketStart = time;
        m_index = (m_index + 1) % kBuckets;
        m_min[m_index] = kEmptyMin;
        m_max[m_index] = kEmptyMax;
    }
    if (value < m_min[m_index]) m_min[m_index] = value;
    if (value > m_max[m_index]) m_max[m_index] = value;
}

float MinMaxRange::GetMin() const {
    float v = kEmptyMin;
    for (float m : m_min)
        if (m < v) v = m;
    return v;
}

float MinMaxRange::GetMax() const {
    float v = kEmptyMax;
    for (float m : m_max)
        if (m > v) v = m;
    return v;
}

bool MinMaxRange::GetMinMax(float& min, float& max) const {
    min = GetMin();
    max = GetMax();
    return max > min;
}
