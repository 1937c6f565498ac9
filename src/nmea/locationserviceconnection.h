// CLocationServiceConnection: positions and satellites from the platform's
// location service (QtPositioning), written straight into the own position
// rather than through NMEA. `inactive` stays set until the first valid
// position arrives.
//
// The platform's default source is used unless `plugin` names a Qt
// positioning plugin (for instance "nmea" with the parameter
// "nmea.source" = a recorded file, which replays it in real time).
#pragma once

#include <QGeoPositionInfoSource>
#include <QGeoSatelliteInfo>
#include <QList>
#include <QObject>
#include <QVariantMap>
#include <string>

#include "nmea/dataconnection.h"

class QGeoSatelliteInfoSource;

class CLocationServiceConnection : public QObject, public CDataConnection {
public:
    static constexpr double kKnotsPerMetrePerSecond = 1.94384449;
    static constexpr double kPoorAccuracy = 30.0;     // metres: worse is no fix
    static constexpr int kSatelliteInterval = 10000;  // ms

    CLocationServiceConnection();
    ~CLocationServiceConnection() override;

    bool Open() override;
    void Close() override;
    void ContinueWhilePaused() override;
    void resumeFromBackground() override;

    void positionUpdated(const QGeoPositionInfo& info);
    void errorOccurred(QGeoPositionInfoSource::Error error);
    void satellitesInUseUpdated(const QList<QGeoSatelliteInfo>& satellites);
    void satellitesInViewUpdated(const QList<QGeoSatelliteInfo>& satellites);

    // Empty: the platform's default source.
    static QString plugin;
    static QVariantMap plugin_parameters;
    // Qt 6.4's nmea plugin replaying a file spins on the main thread in its
    // satellite source once the file ends; such replays go without it.
    static bool with_satellites;

private:
    QGeoPositionInfoSource* position_source = nullptr;
    QGeoSatelliteInfoSource* satellite_source = nullptr;
};
