// Fixtures for the AIS and DSC target tests: a clean manager with default
// settings, the own vessel, targets placed in metres from it and sent as
// real AIS sentences, and a clock the data sources and heartbeat read.
#pragma once

#include <QDateTime>
#include <string>

#include "app/base/deviceservices.h"
#include "app/base/heartbeat.h"
#include "app/base/statusmessage.h"
#include "data/aistargetmanager.h"
#include "data/dsctargetmanager.h"
#include "data/owngpstestsupport.h"
#include "data/overlaygpsposition.h"
#include "maps/simplegrid.h"
#include "nmea/aisencoder.h"
#include "nmea/nmeatestsupport.h"
#include "overlays/markmanager.h"
#include "overlays/overlaytool.h"

namespace aistest {

constexpr double kOwnLat = 50.78, kOwnLon = -1.20;  // the eastern Solent

// Makes the data sources' and the heartbeat's clock read `when`.
inline void clockAt(double when) {
    CDataSource::timestamp_correction = when - double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    if (CDataSource* heartbeat = Listener<CHeartbeat>::pDatasource) heartbeat->ClearTimestamp();
}

// Runs the heartbeat long enough for every two-minute counter to fire once.
inline void expiryCheck() {
    for (int i = 0; i < CAISTargetManager::kExpiryTicks; ++i) CHeartbeat::Pulse();
}

inline void notificationsCleared() {
    for (auto& all = CUserNotifications::instance(); !all.notifications().empty();)
        all.cancel(all.notifications().front().id);
}

inline const CUserNotifications::Notification* notification(long long id) {
    for (const auto& n : CUserNotifications::instance().notifications())
        if (n.id == id) return &n;
    return nullptr;
}

// Everything the target tests touch, back to the state at start.
inline void reset() {
    if (COverlayTool::the_tool) COverlayTool::Deselect();
    CAISTargetManager::theManager.ClearAll();
    CDSCTargetManager::theManager.ClearAll();
    CMarkManager::theManager.ClearAll();
    notificationsCleared();
    using M = CAISTargetManager;
    M::cpa_alarm_distance = 300, M::cpa_classB_distance = 100, M::cpa_alarm_time = 1200;
    M::cpa_min_closing_velocity_knots = 1;
    M::alarm_beep = true, M::record_tracks = false, M::show_ais_range_ring = false;
    CDataSource::timestamp_correction = 0;
    // An own fix left behind moves the clock (the start line takes the
    // correction from it) and, going stale, the map.
    owngps::resetOwnPosition();
    SetStatusMessage("");
}

struct Fresh {
    Fresh() { reset(); }
    ~Fresh() { reset(); }
};

// The own vessel at (lat, lon), as a fix heard by the manager.
inline void ownVessel(float course, float speed, double lat = kOwnLat, double lon = kOwnLon) {
    CDataGPSPosition own;
    own.latitude = lat, own.longitude = lon, own.course = course, own.speed = speed;
    own.fix_status = CDataGPSPosition::kGPSFix;
    CAISTargetManager::theManager.OnUpdate(own);
}

// A position x metres east and y north of (lat0, lon0), by default the own
// vessel's place.
inline AisPositionReport at(uint32_t mmsi, double x, double y, float course, float speed,
                            double lat0 = kOwnLat, double lon0 = kOwnLon) {
    AisPositionReport r;
    r.mmsi = mmsi, r.course = course, r.speed = speed, r.heading = int(course), r.nav_status = 0;
    CSimpleGrid(lat0, lon0).xy_to_latlon(x, y, r.latitude, r.longitude);
    return r;
}

// Static data of a vessel: name, ship type and length split bow and stern.
inline AisStaticReport vessel(uint32_t mmsi, const std::string& name = "", int shipType = 0,
                              int toBow = 0, int toStern = 0) {
    AisStaticReport r;
    r.mmsi = mmsi, r.name = name, r.ship_type = shipType, r.to_bow = toBow, r.to_stern = toStern;
    return r;
}

inline void send(const AisPayload& payload) {
    for (const std::string& line : payload.sentences())
        EXPECT_TRUE(nmeatest::dispatch(line)) << line;
}

inline CAISTarget* target(uint32_t mmsi) {
    return CAISTargetManager::theManager.Find(mmsi);
}

}  // namespace aistest
