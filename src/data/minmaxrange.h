// MinMaxRange: rolling minimum and maximum of a live value over a time range.
//
// The range is cut into ten buckets of a tenth of the range each; a value
// goes into the current bucket, and a new bucket is started (clearing the
// oldest) once the current one is older than its period. GetMin/GetMax scan
// all buckets, so they cover between nine and ten bucket periods.
#pragma once

class MinMaxRange {
public:
    static constexpr int kBuckets = 10;

    explicit MinMaxRange(float rangeSeconds = 300.0f);

    void SetRangeTime(float rangeSeconds);  // keeps the history
    void reset();
    void SetValue(float value, double time);  // time in seconds

    float GetMin() const;  // 1e30 when empty
    float GetMax() const;  // -1e30 when empty
    // True when some spread exists (max > min).
    bool GetMinMax(float& min, float& max) const;

private:
    float m_min[kBuckets];
    float m_max[kBuckets];
    int m_index = 0;
    double m_bucketStart = 0;
    float m_period;  // seconds per bucket
};
