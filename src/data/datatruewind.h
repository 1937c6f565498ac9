// CDataTrueWind: the true wind from the instruments, damped, with a
// minimum/maximum history of its speed and direction. Two process-wide
// objects: `theTrueWind` (10 s damping, 600 s ranges) and
// `theAverageTrueWind` (300 s damping, 1800 s ranges). One dispatch of
// Listener<CDataTrueWind> (with theTrueWind) follows each update of both.
//
// Producers: Feed_TrueWind_from_MWD from the true wind sentence; when no
// such sentence has come for longer than theTrueWind's time constant,
// Feed_TrueWind_from_MWV derives it from the apparent wind, the boat's
// speed through the water (over ground without a log) and its heading
// (course without a compass).
// Units: knots, degrees true (the direction the wind blows from), seconds.
#pragma once

#include "app/base/datasource.h"
#include "data/minmaxrange.h"
#include "data/velocitydamping.h"
#include "nmea/nmea_instruments.h"

class CDataTrueWind {
public:
    CDataTrueWind(float timeConstant, float rangeSeconds);

    // One sample: damping, then the ranges take the damped magnitude and angle.
    void Add(float direction, float speed, double time);
    void reset();

    VelocityDamping damping;
    MinMaxRange speed_range;
    MinMaxRange direction_range;  // plain min/max of the angle, no wrap-around

    static CDataTrueWind theTrueWind;
    static CDataTrueWind theAverageTrueWind;
    // Both objects take a sample and theTrueWind is dispatched.
    static void AddSample(float direction, float speed, double time);
    static double last_mwd_time;  // the latest true wind sentence, seconds
};

// The wind felt on a moving boat less the boat's own motion. Angles are
// degrees from the bow, clockwise, of where the wind comes from; speeds in
// one unit. The true wind's vector is the apparent one minus the head wind
// of the boat's speed: (A sin a, A cos a - V).
struct TrueWindRelative {
    float angle;  // degrees from the bow 0..360
    float speed;
};
TrueWindRelative TrueWindFromApparent(float apparentAngle, float apparentSpeed, float boatSpeed);

class Feed_TrueWind_from_MWD : public Listener<CNMEA_Instruments::MWD> {
public:
    void OnUpdate(CNMEA_Instruments::MWD& mwd) override;
    static Feed_TrueWind_from_MWD theFeed;
};

class Feed_TrueWind_from_MWV : public Listener<CNMEA_Instruments::MWV>,
                               public Listener<CNMEA_Instruments::VHW> {
public:
    void OnUpdate(CNMEA_Instruments::MWV& mwv) override;
    void OnUpdate(CNMEA_Instruments::VHW& vhw) override;
    static Feed_TrueWind_from_MWV theFeed;

private:
    float m_waterSpeed = -1;  // knots; below 0 without a log
    double m_waterSpeedTime = 0;
};
