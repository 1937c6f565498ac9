// ovtool routes add: the new route's waypoints are named after the route,
// as the waypoint template names them, and keep those names in the file.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <iterator>
#include <string>

#include "support/testsupport.h"

namespace {

using namespace testsupport;

// "A, B, C": readable when a comparison fails.
std::string waypointNames(const QJsonObject& route) {
    QStringList names;
    for (const QJsonValue& wp : route["waypoints"].toArray()) names << wp["name"].toString();
    return names.join(", ").toStdString();
}

TEST(RoutesCommand, WaypointsAreNamedAfterTheirRoute) {
    struct Case {
        QString name;
        QStringList places;
        std::string waypoints;
    };
    const Case cases[] = {
        {"Needles", {"50.66", "-1.59", "50.70", "-1.50"}, "NeedlesP1, NeedlesP2"},
        {"Round the Island",
         {"50.76", "-1.30", "50.57", "-1.30", "50.70", "-1.10"},
         "Round the IslandP1, Round the IslandP2, Round the IslandP3"},
    };
    TempDir home;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const ProcessResult r = runOvtool(
            QStringList{"routes", "add", c.name} + c.places + QStringList{"--profile", "sea"},
            home.path());
        ASSERT_EQ(r.exitCode, 0) << r.err.constData();
        const QJsonObject added = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(added["name"].toString(), c.name);
        EXPECT_EQ(waypointNames(added), c.waypoints);
    }

    const ProcessResult list = runOvtool({"routes", "list", "--profile", "sea"}, home.path());
    ASSERT_EQ(list.exitCode, 0) << list.err.constData();
    const QJsonArray routes = QJsonDocument::fromJson(list.out).array();
    ASSERT_EQ(routes.size(), int(std::size(cases)));
    for (int i = 0; i < routes.size(); ++i) {
        SCOPED_TRACE(cases[i].name.toStdString());
        EXPECT_EQ(waypointNames(routes[i].toObject()), cases[i].waypoints);
    }
}

}  // namespace
