#include "data/distancetostart.h"

#include <QDateTime>
#include <cmath>

#include "data/overlaygpsposition.h"
#include "geo/units.h"

CDataDistanceToStart CDataDistanceToStart::theDistanceToStart;

namespace {

constexpr double kPlausibleFrom = 946684800;    // 2000-01-01
constexpr double kPlausibleUntil = 4102444800;  // 2100-01-01
constexpr double kClockJitter = 0.5;            // seconds
constexpr double kKnotsToMetresPerSecond = 0.5144444444444445;

}  // namespace

bool UpdateTimestampCorrection(double fixTime, double systemTime) {
    if (!(fixTime > kPlausibleFrom && fixTime < kPlausibleUntil)) return false;
    const double correction = fixTime - systemTime;
    if (std::fabs(correction - CDataSource::timestamp_correction) <= kClockJitter) return false;
    CDataSource::timestamp_correction = correction;
    return true;
}

void CDataDistanceToStart::OnUpdate(CDataStartLine& line) {
    distance_valid = early_late_valid = false;
    line_frame = CSimpleGrid();
    if (!line.HasRight()) return;
    line_frame.SetOrigin(line.right_lat, line.right_lon);
    if (!line.HasLeft() || !line_frame.IsValid()) {
        line_frame = CSimpleGrid();
        return;
    }
    double x = 0, y = 0;
    line_frame.latlon_to_xy(line.left_lat, line.left_lon, x, y);
    const double length = std::hypot(x, y);
    if (!(length >= kMinLineLength && length <= kMaxLineLength)) {
        line_frame = CSimpleGrid();
        return;
    }
    normal_x = y / length;
    normal_y = -x / length;
    Compute();
}

bool CDataDistanceToStart::Compute() {
    distance_valid = early_late_valid = false;
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    if (own.fix_status == CDataGPSPosition::kNoFix) return false;
    if (own.fix_status != CDataGPSPosition::kSimulated)
        UpdateTimestampCorrection(own.time, double(QDateTime::currentMSecsSinceEpoch()) / 1000.0);

    const CDataStartTimer& timer = CDataStartTimer::theStartTime;
    const double previous = seconds_to_start;
    if (!timer.IsSet()) {
        seconds_to_start = kNoStart;
    } else {
        seconds_to_start = timer.time_of_start - own.time;
        const double now = seconds_to_start;
        // Only a start seen coming switches the page, not one long past at start-up.
        if (previous > 0 && previous < kNoStart && now <= 0 && timer.after_start_page[0] != 0) {
            StartReached reached{timer.after_start_page};
            Listener<StartReached>::Dispatch(reached);
        }
        if (timer.new_track_at_start && previous >= kNewTrackSeconds && now < kNewTrackSeconds &&
            previous < kNoStart) {
            StartApproaching approaching{timer.time_of_start, "Start at "};
            std::string time;
            CUnits::FormatTimeOfDay(timer.time_of_start, time);
            approaching.track_name += time;
            Listener<StartApproaching>::Dispatch(approaching);
        }
    }

    if (!line_frame.IsValid() || !own.HasPosition()) return false;
    double px = 0, py = 0;
    line_frame.latlon_to_xy(own.latitude, own.longitude, px, py);
    const double d = px * normal_x + py * normal_y;
    distance_to_line = -d;
    distance_valid = true;

    const double T = seconds_to_start;
    if (T > 0 && T < 3600 && -d > 0 && own.best_source == CDataSpeedDirection::kCourseOverGround) {
        const double closing = (own.best_sin * normal_x + own.best_cos * normal_y) * own.speed;
        if (closing > 0.1) {
            early_late = -d / (closing * kKnotsToMetresPerSecond) - T;
            early_late_valid = true;
        }
    }
    Listener<CDataDistanceToStart>::Dispatch(*this);
    return true;
}
