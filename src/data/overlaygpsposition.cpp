#include "data/overlaygpsposition.h"

#include <QImage>
#include <QPainter>
#include <cmath>

#include "app/base/apphooks.h"
#include "app/base/directories.h"
#include "app/base/heartbeat.h"
#include "app/base/persistantdata.h"
#include "app/base/screenresolution.h"
#include "data/compassdamping.h"
#include "geo/units.h"
#include "overlays/overlaytool.h"

GraphicsColor COverlayGPSPosition::gc_color2(0, 90, 255);
double COverlayGPSPosition::averaging_time = 30;
bool COverlayGPSPosition::show_heading = true;
int COverlayGPSPosition::record_in_background_mode = 1;
bool COverlayGPSPosition::screen_keep_alive = false;
bool COverlayGPSPosition::showOnLockScreen = false;
CompassCalibration COverlayGPSPosition::compass_cal;
void (*COverlayGPSPosition::settings_loaded)() = nullptr;

COverlayGPSPosition COverlayGPSPosition::theLatestPosition;

namespace {

constexpr double kMetresPerNauticalMile = 1852.0;
constexpr double kRadToDeg = 57.29577951308232;

// Earlier versions stored "averaging_time" as a float: 8 hex digits.
void readOlderAveragingTime(double& value) {
    const std::string text = PersistantData::s_current->Get("COverlayGPSPosition:averaging_time");
    if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return;
    float older = 0;
    PersistantData::s_current->GetData("COverlayGPSPosition:averaging_time", &older, sizeof older);
    value = older;
}

class Persistant : public PersistantData {
public:
    Persistant() : PersistantData("COverlayGPSPosition") {}
    void DeclareData() override {
        using P = COverlayGPSPosition;
        Declare("vector_scale", P::vector_scale);
        Declare("gc_color2", P::gc_color2);
        Declare("averaging_time", P::averaging_time);
        if (!s_saving) readOlderAveragingTime(P::averaging_time);
        Declare("show_heading", P::show_heading);
        Declare("show_vector", P::show_vector);
        Declare("record_in_background_mode", P::record_in_background_mode);
        Declare("use_averaged_direction", CDataSpeedDirection::use_averaged_direction);
        Declare("screen_keep_alive", P::screen_keep_alive);
        Declare("showOnLockScreen", P::showOnLockScreen);
        Declare("compass_damping_time_const", CompassDamping::default_time_const);
        std::string calibration = P::compass_cal.ToString();
        Declare("compass_calibration", calibration);
        Declare("range_ring_radius", P::range_ring_radius);
        Declare("num_range_rings", P::num_range_rings);
        P::SetNumRangeRings(P::num_range_rings);
        if (!s_saving) {
            P::compass_cal.FromString(calibration);
            if (!(P::averaging_time > 0) || !std::isfinite(P::averaging_time))
                P::averaging_time = 30;
            if (P::settings_loaded) P::settings_loaded();
        }
    }
};
Persistant s_persistant;

const AppHookRegistration s_load(AppHook::LoadLastPosition, [](const AppHookContext&) {
    COverlayGPSPosition::theLatestPosition.Load(COverlayGPSPosition::DataFilePath());
});
const AppHookRegistration s_save(AppHook::SaveLastPosition, [](const AppHookContext&) {
    COverlayGPSPosition::theLatestPosition.Save(COverlayGPSPosition::DataFilePath());
});

}  // namespace

COverlayGPSPosition::COverlayGPSPosition() : COverlayMovingTarget(kOwnPosition, 8, gc_color2) {}

COverlayGPSPosition::~COverlayGPSPosition() = default;

void COverlayGPSPosition::set_latlon(double lat, double lon) {
    latitude = lat;
    longitude = lon;
    grid.SetOrigin(lat, lon);
    if (mode == kTerrain) SetFromTerrain(lat, lon);
}

void COverlayGPSPosition::DispatchPositionUpdate() {
    if (!watchdog) watchdog = std::make_unique<Watchdog>(*this, kWatchdogTicks);
    watchdog->countdown = kWatchdogTicks;
    fix_seen = true;
    const double t = time;
    if (fix_status != kNoFix && t >= last_fix_time + 0.9) {
        last_fix_time = t;
        if (!COverlayTool::the_tool && CUnits::Default)
            CUnits::Default->SetBearingLocation(latitude, longitude, t);
        if (t > next_averaging_time && accuracy < 15) {
            GetAverageSpeed();
            UpdateOdometer();
        }
    } else if (t < last_fix_time) {
        // The clock went back: the history and the times due are from the
        // old clock and would hold the averages until it came round again.
        history_count = history_next = 0;
        last_fix_time = next_averaging_time = 0;
        leg_start_time = 0;
    }
    evaluate_best_direction();
    Listener<CDataGPSPosition>::Dispatch(*this);
    Listener<CDataSpeedDirection>::Dispatch(*this);
    if (last_action != kRemoved) COverlayObject::Dispatch(kChanged);
}

void COverlayGPSPosition::DispatchHeadingUpdate() {
    evaluate_best_direction();
    Listener<CDataSpeedDirection>::Dispatch(*this);
    if (last_action != kRemoved) COverlayObject::Dispatch(kDisplayChanged);
}

void COverlayGPSPosition::OnHeartbeat() {
    if (!fix_seen) return;
    fix_seen = false;
    altitude = -9999;
    best_source = kNone;
    best_sin = best_cos = 0;
    fix_owner = nullptr;
    Listener<CDataGPSPosition>::Dispatch(*this);
    if (last_action != kRemoved) COverlayObject::Dispatch(kDisplayChanged);
}

void COverlayGPSPosition::appendHistory(double t) {
    history[history_next] = {latitude, longitude, t};
    history_next = (history_next + 1) % kHistory;
    if (history_count < kHistory) ++history_count;
}

void COverlayGPSPosition::GetAverageSpeed() {
    const double now = time;
    const double T = averaging_time;
    next_averaging_time = now + T / 10;
    if (history_count == 0) {
        appendHistory(now);
        return;
    }
    // Oldest first: drop what is older than 1.5 T.
    while (history_count > 0) {
        const HistoryEntry& oldest = history[(history_next - history_count + kHistory) % kHistory];
        if (oldest.time >= now - 1.5 * T) break;
        --history_count;
    }
    if (history_count == 0) {
        appendHistory(now);
        return;
    }
    const HistoryEntry& from = history[(history_next - history_count + kHistory) % kHistory];
    const double hours = (now - from.time) / 3600.0;
    if (hours > 0 && grid.IsValid()) {
        double x, y;  // the old position in metres from the current one
        grid.latlon_to_xy(from.lat, from.lon, x, y);
        const double east = -x / kMetresPerNauticalMile / hours;  // knots
        const double north = -y / kMetresPerNauticalMile / hours;
        const double knots = std::hypot(east, north);
        if (knots < 200) speed_range.SetValue(float(knots), now);
        const double course = std::atan2(east, north) * kRadToDeg + 0.0;  // no -0 for due north
        set_averaged(float(knots), float(course < 0 ? course + 360 : course));
    }
    appendHistory(now);
}

void COverlayGPSPosition::UpdateOdometer() {
    if (leg_start_time != 0 && grid.IsValid())
        leg_distance = grid.distance(leg_start_lat, leg_start_lon);
    const double elapsed = time - leg_start_time;
    if ((elapsed > 60 && speed > 1) || (elapsed > 10 && hasChangedCourseSpd())) {
        total_distance += leg_distance;
        leg_distance = 0;
        leg_start_lat = latitude;
        leg_start_lon = longitude;
        leg_start_time = time;
    }
}

void COverlayGPSPosition::reset_history() {
    history_count = 0;
    history_next = 0;
    last_fix_time = 0;
    next_averaging_time = 0;
    speed_range.reset();
}

void COverlayGPSPosition::Map(CMapping& mapping, const CPolynomialProjection& projection) const {
    COverlayMovingTarget::Map(mapping, projection);
}

namespace {

// The fix icon: a dot in the symbol colour ringed in white; without a fix a
// hollow grey ring. Made once per colour and resolution.
const QImage& positionIcon(bool fix, const QColor& colour, double ratio, QPointF& offset) {
    static QImage images[2];
    static QColor madeColour;
    static double madeRatio = 0;
    if (madeColour != colour || madeRatio != ratio) {
        madeColour = colour;
        madeRatio = ratio;
        const int side = int(std::ceil(20 * ratio));
        for (int i = 0; i < 2; ++i) {
            QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.setRenderHint(QPainter::Antialiasing);
            const QPointF c(side / 2.0, side / 2.0);
            if (i == 1) {
                p.setPen(QPen(Qt::white, 2.5 * ratio));
                p.setBrush(colour);
                p.drawEllipse(c, 7 * ratio, 7 * ratio);
            } else {
                p.setPen(QPen(QColor(0x60, 0x60, 0x60), 3 * ratio));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(c, 6.5 * ratio, 6.5 * ratio);
            }
            images[i] = image;
        }
    }
    offset = QPointF(images[0].width() / 2.0, images[0].height() / 2.0);
    return images[fix ? 1 : 0];
}

}  // namespace

void COverlayGPSPosition::Draw(QPainter* painter, const CViewParams& view,
                               CMapping& mapping) const {
    if (mapping.screen_points.empty()) return;
    const FPoint s0 = mapping.screen_points[0];
    if (!FRect(s0.x - 32, s0.y - 32, s0.x + 32, s0.y + 32).IsOverlapping(view.screen_rect)) return;
    const double r = graphicsResolution;
    const QColor colour = gc_color2.toQColor();
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (best_source == kHeading) {
        // The heading as the map shows it.
        double sn, cs;
        screenDirection(mapping, sn, cs);
        const double tip = 16 * r, half = 6.956522 * r;
        const QPointF triangle[3] = {QPointF(s0.x + tip * sn, s0.y - tip * cs),
                                     QPointF(s0.x + half * cs, s0.y + half * sn),
                                     QPointF(s0.x - half * cs, s0.y - half * sn)};
        painter->setPen(Qt::NoPen);
        painter->setBrush(colour);
        painter->drawPolygon(triangle, 3);
    } else {
        DrawVelocityVector(painter, view, mapping);
    }
    if (num_range_rings > 0) DrawRangeRing(painter, view, mapping);
    QPointF offset;
    const QImage& icon = positionIcon(fix_seen, colour, r, offset);
    painter->drawImage(QPointF(s0.x, s0.y) - offset, icon);
    painter->restore();
}

bool COverlayGPSPosition::Serialize(IOStream& stream) {
    const bool reading = stream.isReading();
    Section section(stream);
    stream.declare(latitude);
    stream.declare(longitude);
    stream.declare(time);
    stream.declare(total_distance);
    CDataAltitude::Serialize(stream);
    section.Close();
    // A file cut short or damaged leaves no half-read position behind.
    if (reading && (!stream.ok() || !HasPosition())) latitude = longitude = 999;
    if (reading && !(total_distance >= 0 && std::isfinite(total_distance))) total_distance = 0;
    if (reading && !std::isfinite(time)) time = 0;
    return stream.ok();
}

std::string COverlayGPSPosition::DataFilePath() {
    return getAppDirectory() + "/gpsdata.ovtf";
}

bool COverlayGPSPosition::Load(const std::string& path) {
    return ReadFile(path, kFileMagic);
}

bool COverlayGPSPosition::Save(const std::string& path) {
    return WriteFile(path, kFileMagic);
}
