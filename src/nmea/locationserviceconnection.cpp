#include "nmea/locationserviceconnection.h"

#include <QGeoSatelliteInfoSource>
#include <cmath>

#include "app/base/barometer.h"
#include "app/base/statusmessage.h"
#include "data/feedrmctogpsposition.h"
#include "data/overlaygpsposition.h"

QString CLocationServiceConnection::plugin;
QVariantMap CLocationServiceConnection::plugin_parameters;
bool CLocationServiceConnection::with_satellites = true;

namespace {

const CDataConnection::CConnectionTypeOf<CLocationServiceConnection> s_type(
    "Location Service", CDataConnection::kLocationService, 2);

// Qt's sources may throw nothing, but plugins are foreign code: keep their
// creation in one place.
QGeoPositionInfoSource* makePositionSource() {
    if (CLocationServiceConnection::plugin.isEmpty())
        return QGeoPositionInfoSource::createDefaultSource(nullptr);
    return QGeoPositionInfoSource::createSource(
        CLocationServiceConnection::plugin, CLocationServiceConnection::plugin_parameters, nullptr);
}

QGeoSatelliteInfoSource* makeSatelliteSource() {
    if (CLocationServiceConnection::plugin.isEmpty())
        return QGeoSatelliteInfoSource::createDefaultSource(nullptr);
    return QGeoSatelliteInfoSource::createSource(
        CLocationServiceConnection::plugin, CLocationServiceConnection::plugin_parameters, nullptr);
}

}  // namespace

CLocationServiceConnection::CLocationServiceConnection() = default;

CLocationServiceConnection::~CLocationServiceConnection() {
    Close();
}

bool CLocationServiceConnection::Open() {
    Close();
    position_source = makePositionSource();
    if (!position_source) {
        status = "Unable to connect to position info source";
        return false;
    }
    connect(position_source, &QGeoPositionInfoSource::positionUpdated, this,
            &CLocationServiceConnection::positionUpdated);
    connect(position_source, &QGeoPositionInfoSource::errorOccurred, this,
            &CLocationServiceConnection::errorOccurred);
    positionUpdated(position_source->lastKnownPosition());
    if (!(position_source->supportedPositioningMethods() &
          QGeoPositionInfoSource::SatellitePositioningMethods))
        status = "Location service may not be using Satellite Positioning";
    inactive = true;
    position_source->startUpdates();

    satellite_source = with_satellites ? makeSatelliteSource() : nullptr;
    if (satellite_source) {
        connect(satellite_source, &QGeoSatelliteInfoSource::satellitesInUseUpdated, this,
                &CLocationServiceConnection::satellitesInUseUpdated);
        connect(satellite_source, &QGeoSatelliteInfoSource::satellitesInViewUpdated, this,
                &CLocationServiceConnection::satellitesInViewUpdated);
        satellite_source->setUpdateInterval(kSatelliteInterval);
        satellite_source->startUpdates();
    }
    return true;
}

void CLocationServiceConnection::Close() {
    if (position_source) {
        position_source->disconnect(this);
        position_source->stopUpdates();
        position_source->deleteLater();
        position_source = nullptr;
    }
    if (satellite_source) {
        satellite_source->disconnect(this);
        satellite_source->stopUpdates();
        satellite_source->deleteLater();
        satellite_source = nullptr;
    }
}

void CLocationServiceConnection::ContinueWhilePaused() {
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    if (p.mode != CDataAltitude::kBarometer && p.mode != CDataAltitude::kBlend) StopBarometer();
}

void CLocationServiceConnection::resumeFromBackground() {
    if (position_source) position_source->startUpdates();
}

void CLocationServiceConnection::positionUpdated(const QGeoPositionInfo& info) {
    COverlayGPSPosition& p = COverlayGPSPosition::theLatestPosition;
    const double previous = p.time;
    int fix = CDataGPSPosition::kNoFix;
    const QGeoCoordinate c = info.coordinate();
    if (c.isValid()) {
        p.set_latlon(c.latitude(), c.longitude());
        p.time = double(info.timestamp().toMSecsSinceEpoch()) * 0.001;
        if (c.type() == QGeoCoordinate::Coordinate3D) {
            p.CDataAltitude::Set(c.altitude(), GetBarometricPressure(), p.time);
            fix = CDataGPSPosition::kGPSFix;
        }
        if (info.hasAttribute(QGeoPositionInfo::GroundSpeed)) {
            if (info.hasAttribute(QGeoPositionInfo::Direction))
                p.set_course(
                    float(info.attribute(QGeoPositionInfo::Direction)),
                    float(info.attribute(QGeoPositionInfo::GroundSpeed) * kKnotsPerMetrePerSecond));
            else
                p.set_course(0, 0);
            fix = CDataGPSPosition::kGPSFix;
        } else {
            p.set_course(0, 0);
        }
        if (info.hasAttribute(QGeoPositionInfo::HorizontalAccuracy)) {
            p.accuracy = float(info.attribute(QGeoPositionInfo::HorizontalAccuracy));
            if (!std::isfinite(p.accuracy)) p.accuracy = 0;  // some sources report NaN for unknown
            if (p.accuracy > kPoorAccuracy) fix = CDataGPSPosition::kNoFix;
        } else {
            p.accuracy = 0;
        }
        if (p.time > previous + 5.0) {
            fix = CDataGPSPosition::kNoFix;
            p.altitude = -9999;
            p.last_update_time = 0;
        }
        inactive = false;
        if (!status.empty()) {
            status.clear();
            SetStatusMessage("");
        }
    }
    p.fix_status = fix;
    p.fix_owner = position_source;
    if (fix != CDataGPSPosition::kNoFix || p.time >= previous + 5.0) p.DispatchPositionUpdate();
}

void CLocationServiceConnection::errorOccurred(QGeoPositionInfoSource::Error error) {
    switch (error) {
        case QGeoPositionInfoSource::AccessError:
            status = "Cannot access position info due to Location Permission settings";
            break;
        case QGeoPositionInfoSource::ClosedError:
            status = "The Location service was turned off";
            break;
        case QGeoPositionInfoSource::UpdateTimeoutError:
            status = "The location service is unable to provide regular updates";
            break;
        case QGeoPositionInfoSource::NoError:
            status.clear();
            break;
        default:
            status = "The location service encountered an unknown error";
            break;
    }
    SetStatusMessage(status);
}

void CLocationServiceConnection::satellitesInUseUpdated(const QList<QGeoSatelliteInfo>& list) {
    CDataGPSSatelliteSignals& s = CFeedRMC_to_GPSPosition::theFeed.satellites;
    s.used = int32_t(list.size());
    s.Clear();
    for (qsizetype i = 0; i < list.size() && i < CDataGPSSatelliteSignals::kSatellites; ++i) {
        const QGeoSatelliteInfo& sat = list[i];
        s.SetSatellite(int(i), sat.satelliteIdentifier(), sat.signalStrength(), true,
                       int(sat.attribute(QGeoSatelliteInfo::Elevation)),
                       int(sat.attribute(QGeoSatelliteInfo::Azimuth)));
    }
    Listener<CDataGPSSatelliteSignals>::Dispatch(s);
}

void CLocationServiceConnection::satellitesInViewUpdated(const QList<QGeoSatelliteInfo>& list) {
    CFeedRMC_to_GPSPosition::theFeed.satellites.in_view = int32_t(list.size());
}
