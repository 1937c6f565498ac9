// ProfileLine: the series a profile draws, computed from a plain list of
// points, and the polygon that draws it.
//
// Distances along the line are metres in a local grid (maps/simplegrid.h)
// centred on the middle of the line's bounds. Three series:
//   ground heights  at n evenly spaced places along the line, heights from
//                   the elevation tiles at the level suiting the spacing
//                   (places without a height yet are left out);
//   altitudes       the recorded altitudes at the first point past each of
//                   n - 1 equal distance steps (altitudes of 0 or none skipped);
//   speeds          at the first point past each step that is 10 s or more
//                   after the previous sample: distance / time since it, m/s.
// A line of length 0 has no series and draws nothing.
#pragma once

#include <QPointF>
#include <vector>

#include "elevation/profilesource.h"

class MZElevationData;

struct ProfileSample {
    double distance = 0;  // metres along the line
    float value = 0;      // metres, or metres a second
    double lat = 0, lon = 0;
};

enum class ProfileQuantity { GroundHeight, Altitude, Speed };

class ProfileLine {
public:
    static constexpr double kMinSpeedInterval = 10;  // seconds between speed samples
    // A point this fraction of the length short of a step still takes it:
    // sums of distances do not land exactly on multiples of the step.
    static constexpr double kStepSlack = 1e-9;

    explicit ProfileLine(std::vector<ProfilePoint> points);

    double length() const { return m_along.empty() ? 0 : m_along.back(); }
    const std::vector<double>& along() const { return m_along; }
    const std::vector<ProfilePoint>& points() const { return m_points; }
    // The place at a distance along the line.
    ProfilePoint pointAt(double distance) const;

    std::vector<ProfileSample> series(ProfileQuantity quantity, int n,
                                      MZElevationData* store) const;
    std::vector<ProfileSample> groundHeights(MZElevationData& store, int n) const;
    std::vector<ProfileSample> altitudes(int n) const;
    std::vector<ProfileSample> speeds(int n) const;

private:
    std::vector<ProfilePoint> m_points;
    std::vector<double> m_along;  // metres from the first point, per point
};

// The filled graph of samples in a w x h area (pixels, y down): x by
// distance over (w - 2) pixels, y by value over (h - 2) pixels from the
// lowest at the bottom, closed along the bottom. Empty with fewer than two
// samples, a line of length 0, equal values, or an area under 2 pixels.
std::vector<QPointF> profilePolygon(const std::vector<ProfileSample>& samples, double w, double h);

// Picking along a drawn series: the sample under pixel x, starting from the
// last one found so that drags move smoothly.
class ProfilePicker {
public:
    // polygon: from profilePolygon, its first `samples` points the samples'.
    int xToDataIndex(const std::vector<QPointF>& polygon, int samples, double x);
    static double dataIndexToX(const std::vector<QPointF>& polygon, int samples, int index);

private:
    int m_last = 0;
};
