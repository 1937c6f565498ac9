// CDataDistanceToStart (`theDistanceToStart`): the time to the start, the
// signed distance to the start line and whether the boat would reach the
// line early or late, recomputed on every position, start timer and start
// line update and dispatched as Listener<CDataDistanceToStart>.
//
// The line frame is a local grid with its origin at the right (starboard)
// end; the normal (east, north) is the unit vector square to the line,
// pointing away from the approach side, so the distance to the line is
// -(position . normal), positive while approaching. Early/late =
// distance / closing speed - seconds to start (seconds, > 0 late).
//
// Two moments are announced as data sources of their own: the start itself
// (StartReached, when a page is chosen for it) and two minutes before the
// start (StartApproaching, when a new track is wanted), for the parts that
// switch pages and record tracks.
#pragma once

#include <string>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "data/startdata.h"
#include "maps/simplegrid.h"

struct StartReached {
    const int32_t* page_signature;  // CDataStartTimer::kSignatureLength entries
};

struct StartApproaching {
    double start_time;       // seconds since 1970
    std::string track_name;  // "Start at " and the start's time of day
};

class CDataDistanceToStart : public Listener<CDataStartTimer>,
                             public Listener<CDataGPSPosition>,
                             public Listener<CDataStartLine> {
public:
    static constexpr double kNoStart = 1e10;
    static constexpr double kMinLineLength = 5, kMaxLineLength = 10000;  // metres
    static constexpr double kNewTrackSeconds = 120;

    bool Compute();
    void OnUpdate(CDataStartTimer&) override { Compute(); }
    void OnUpdate(CDataGPSPosition&) override { Compute(); }
    void OnUpdate(CDataStartLine& line) override;

    double seconds_to_start = kNoStart;
    double distance_to_line = 0;  // metres, > 0 on the approach side
    bool distance_valid = false;
    double early_late = 0;  // seconds, > 0 late
    bool early_late_valid = false;
    CSimpleGrid line_frame;  // invalid while no usable line exists
    double normal_x = 0, normal_y = 0;

    static CDataDistanceToStart theDistanceToStart;
};

// Takes the offset between a fix's time and the system clock as the global
// timestamp correction, but only from a plausible time (2000..2100: a fix
// without a date reads as 1970) and only when it moves the correction by
// more than the clock's jitter. True when the correction changed.
bool UpdateTimestampCorrection(double fixTime, double systemTime);
