#include "data/datatruewind.h"

#include <cmath>
#include <numbers>

#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"

CDataTrueWind CDataTrueWind::theTrueWind(10.0f, 600.0f);
CDataTrueWind CDataTrueWind::theAverageTrueWind(300.0f, 1800.0f);
double CDataTrueWind::last_mwd_time = 0;
Feed_TrueWind_from_MWD Feed_TrueWind_from_MWD::theFeed;
Feed_TrueWind_from_MWV Feed_TrueWind_from_MWV::theFeed;

namespace {

class TrueWindPersistor : public PersistantData {
public:
    TrueWindPersistor() : PersistantData("CDataTrueWind") {}
    void DeclareData() override {
        declareTimeConstant("time_constant", CDataTrueWind::theTrueWind);
        declareTimeConstant("avg_wind_time_constant", CDataTrueWind::theAverageTrueWind);
    }

private:
    void declareTimeConstant(const char* key, CDataTrueWind& wind) {
        float value = wind.damping.time_constant;
        Declare(key, value);
        if (!s_saving) wind.damping.SetTimeConstant(value);
    }
};
TrueWindPersistor s_persistor;

double sourceTime(CDataSource* source) {
    return source ? source->Timestamp() : 0;
}

}  // namespace

CDataTrueWind::CDataTrueWind(float timeConstant, float rangeSeconds)
    : damping(timeConstant), speed_range(rangeSeconds), direction_range(rangeSeconds) {}

void CDataTrueWind::Add(float direction, float speed, double time) {
    damping.Set(direction, speed, time);
    speed_range.SetValue(damping.magnitude, time);
    direction_range.SetValue(damping.angle, time);
}

void CDataTrueWind::reset() {
    damping = VelocityDamping(damping.time_constant);
    speed_range.reset();
    direction_range.reset();
}

void CDataTrueWind::AddSample(float direction, float speed, double time) {
    theTrueWind.Add(direction, speed, time);
    theAverageTrueWind.Add(direction, speed, time);
    Listener<CDataTrueWind>::Dispatch(theTrueWind);
}

TrueWindRelative TrueWindFromApparent(float apparentAngle, float apparentSpeed, float boatSpeed) {
    const double a = apparentAngle * std::numbers::pi / 180;
    const double x = apparentSpeed * std::sin(a);
    const double y = apparentSpeed * std::cos(a) - boatSpeed;
    const double speed = std::hypot(x, y);
    if (speed < 1e-6) return {0, 0};
    double angle = std::atan2(x, y) * 180 / std::numbers::pi;
    if (angle < 0) angle += 360;
    return {float(angle), float(speed)};
}

void Feed_TrueWind_from_MWD::OnUpdate(CNMEA_Instruments::MWD& mwd) {
    const double t = sourceTime(Listener<CNMEA_Instruments::MWD>::pDatasource);
    CDataTrueWind::last_mwd_time = t;
    CDataTrueWind::AddSample(mwd.wind_direction, mwd.wind_speed, t);
}

void Feed_TrueWind_from_MWV::OnUpdate(CNMEA_Instruments::VHW& vhw) {
    if (!vhw.has_speed) return;
    m_waterSpeed = vhw.speed_through_water;
    m_waterSpeedTime = sourceTime(Listener<CNMEA_Instruments::VHW>::pDatasource);
}

void Feed_TrueWind_from_MWV::OnUpdate(CNMEA_Instruments::MWV& mwv) {
    if (mwv.reference != 0) return;
    const double t = sourceTime(Listener<CNMEA_Instruments::MWV>::pDatasource);
    CDataTrueWind& wind = CDataTrueWind::theTrueWind;
    // The instruments' own true wind wins while it comes.
    if (CDataTrueWind::last_mwd_time > 0 &&
        t - CDataTrueWind::last_mwd_time <= wind.damping.time_constant)
        return;
    const COverlayGPSPosition& own = COverlayGPSPosition::theLatestPosition;
    float heading = own.damping.heading;
    if (heading >= 900) heading = own.course;
    if (heading >= 900) return;
    // A log reading older than 10 s is no longer the boat's speed.
    const float boatSpeed =
        m_waterSpeed >= 0 && t - m_waterSpeedTime <= 10 ? m_waterSpeed : own.speed;
    const TrueWindRelative relative =
        TrueWindFromApparent(mwv.wind_angle, mwv.wind_speed, boatSpeed);
    const float direction = std::fmod(heading + relative.angle, 360.0f);
    CDataTrueWind::AddSample(direction, relative.speed, t);
}
