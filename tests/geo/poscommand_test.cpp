// ovtool pos, run as the real program: one run of each subcommand.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "support/testsupport.h"

using testsupport::runOvtool;
using testsupport::TempDir;

TEST(PosCommand, EachSubcommandPrintsItsAnswer) {
    TempDir home;
    auto r = runOvtool({"pos", "formats"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed().split('\n').size(), 9);
    EXPECT_TRUE(r.out.contains("\nIrish Grid\n"));

    r = runOvtool({"pos", "format", "--format", "Deg,Min", "50.5", "-1.25"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.out), QString::fromUtf8("50°30.000'N, 1°15.000'W\n"));

    r = runOvtool({"pos", "parse", "--format", "MGRS", "30UXC9954209348", "--json"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject parsed = QJsonDocument::fromJson(r.out).object();
    EXPECT_NEAR(parsed["lat"].toDouble(), 51.5, 1e-4);
    EXPECT_NEAR(parsed["lon"].toDouble(), -0.125, 1e-4);

    // 2025.0 in the program's years of 3.14712e7 seconds; an official test value.
    const QString t = QString::number(55 * 3.14712e7, 'f', 0);
    r = runOvtool({"pos", "declination", "-80", "240", "--time", t}, home.path());
    EXPECT_NEAR(QString::fromUtf8(r.out).toDouble(), 68.78, 0.1);
}

TEST(PosCommand, RefusesBadInput) {
    TempDir home;
    const std::pair<QStringList, int> cases[] = {
        {{"format", "1", "2"}, 2},
        {{"format", "--format", "Maidenhead", "1", "2"}, 2},
        {{"format", "--format", "MGRS", "x", "2"}, 2},
        {{"format", "--format", "NZTM", "51.5", "-0.125"}, 1},  // off the grid
        {{"declination", "95", "2"}, 2},
        {{"declination", "5", "2", "--time"}, 2},
        {{"parse", "--format", "MGRS", "not a grid"}, 1},
    };
    for (const auto& [args, exitCode] : cases) {
        const auto r = runOvtool(QStringList{"pos"} + args, home.path());
        EXPECT_EQ(r.exitCode, exitCode) << args.join(' ').toStdString();
        EXPECT_FALSE(r.crashed);
    }
}
