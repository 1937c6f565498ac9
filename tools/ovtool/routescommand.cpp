// ovtool routes list: the routes of a profile's "routes.ovtf" with their
// waypoints and their legs (bearing and length of each).
// ovtool routes add NAME LAT LON LAT LON...: a route through those places,
// followed from the next start with --follow.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

#include "app/base/persistantdata.h"
#include "maps/simplegrid.h"
#include "overlays/markmanager.h"
#include "ovtoolcommand.h"

namespace {

QJsonObject routeJson(COverlayRoute& route) {
    QJsonArray waypoints;
    for (const auto& wp : route.waypoints)
        waypoints.append(QJsonObject{
            {"name", QString::fromStdString(wp->name)}, {"lat", wp->lat}, {"lon", wp->lon}});
    QJsonArray legs;
    for (size_t i = 1; i < route.waypoints.size(); ++i) {
        const COverlayMark& a = *route.waypoints[i - 1];
        const COverlayMark& b = *route.waypoints[i];
        const CSimpleGrid grid(a.lat, a.lon);
        double distance = 0, bearing = 0;
        grid.distance_and_bearing(b.lat, b.lon, distance, bearing);
        legs.append(QJsonObject{{"from", QString::fromStdString(a.name)},
                                {"to", QString::fromStdString(b.name)},
                                {"bearing_deg", std::round(bearing * 10) / 10},
                                {"distance_m", distance}});
    }
    return QJsonObject{{"name", QString::fromStdString(route.name)},
                       {"length_m", route.getTotalLengthMeters()},
                       {"followed", route.is_followed},
                       {"waypoints", waypoints},
                       {"legs", legs},
                       {"ovid", QString::fromStdString(route.GetObjectIDstr())}};
}

int runList(const QStringList& args);
int runAdd(const QStringList& args);

const OvtoolCommand listCommand("routes list", "[--profile P]",
                                "the routes as JSON: waypoints, and legs with bearing and length",
                                runList);

const OvtoolCommand addCommand("routes add", "NAME LAT LON LAT LON... [--follow] [--profile P]",
                               "a route through the places, printed as JSON", runAdd);

int runAdd(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args)) return ovtoolUsageError(addCommand);
    const bool follow = args.removeAll("--follow") > 0;
    if (args.size() < 5 || args.size() % 2 == 0) return ovtoolUsageError(addCommand);
    std::vector<std::pair<double, double>> places;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        bool okLat = false, okLon = false;
        const double lat = args[i].toDouble(&okLat), lon = args[i + 1].toDouble(&okLon);
        if (!okLat || !okLon || std::fabs(lat) > 90 || std::fabs(lon) > 180)
            return ovtoolUsageError(addCommand);
        places.emplace_back(lat, lon);
    }
    PersistantData::LoadAll("orvanta");
    CMarkManager& manager = CMarkManager::theManager;
    manager.LoadRoutes();
    COverlayRoute* route = manager.CreateNewRoute();
    // Named first: the waypoints take their names from the route's.
    route->name = args[0].toStdString();
    for (const auto& [lat, lon] : places) route->AddWaypoint(lat, lon);
    manager.FinishRouteBuilding();
    route->is_followed = follow;  // taken up when the program loads the file
    manager.routes_changed = true;
    if (!manager.SaveRoutesIfNeeded()) {
        ovtoolError("can't write " + QString::fromStdString(CMarkManager::RoutesFilePath()));
        return 1;
    }
    ovtoolPrint(QString::fromUtf8(QJsonDocument(routeJson(*route)).toJson(QJsonDocument::Indented))
                    .trimmed());
    return 0;
}

int runList(const QStringList& argsIn) {
    QStringList args = argsIn;
    if (!ovtoolTakeProfile(args) || !args.isEmpty()) return ovtoolUsageError(listCommand);
    PersistantData::LoadAll("orvanta");
    CMarkManager& manager = CMarkManager::theManager;
    manager.LoadRoutes();
    QJsonArray list;
    for (auto& route : manager.routes)
        if (!route->deleted) list.append(routeJson(*route));
    ovtoolPrint(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Indented)).trimmed());
    return 0;
}

}  // namespace
