// ovtool pos, run as the real program.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "support/testsupport.h"

using testsupport::runOvtool;
using testsupport::TempDir;

namespace {

QJsonObject jsonOf(const testsupport::ProcessResult& r) {
    return QJsonDocument::fromJson(r.out).object();
}

}  // namespace

TEST(PosCommand, FormatsAndParsesEveryFormat) {
    TempDir home;
    auto r = runOvtool({"pos", "formats"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList names = QString::fromUtf8(r.out).trimmed().split('\n');
    EXPECT_EQ(names.size(), 9);
    EXPECT_TRUE(names.contains("Irish Grid"));

    r = runOvtool({"pos", "format", "--format", "Deg,Min", "50.5", "-1.25"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QString::fromUtf8("50°30.000'N, 1°15.000'W"));

    // Every format's text reads back to where it came from; London is off
    // the Irish Grid and NZTM.
    for (const QString& name : names) {
        r = runOvtool({"pos", "format", "--format", name, "51.5", "-0.125", "--json"}, home.path());
        ASSERT_EQ(r.exitCode, name == "Irish Grid" || name == "NZTM" ? 1 : 0) << name.toStdString();
        const QJsonObject formatted = jsonOf(r);
        if (!formatted["ok"].toBool()) {
            EXPECT_EQ(formatted["text"].toString(), "<off grid>");
            continue;
        }
        r = runOvtool({"pos", "parse", "--format", name, formatted["text"].toString(), "--json"},
                      home.path());
        ASSERT_EQ(r.exitCode, 0) << name.toStdString() << " " << r.err.toStdString();
        const QJsonObject parsed = jsonOf(r);
        EXPECT_NEAR(parsed["lat"].toDouble(), 51.5, 1e-4) << name.toStdString();
        EXPECT_NEAR(parsed["lon"].toDouble(), -0.125, 1e-4) << name.toStdString();
    }
}

TEST(PosCommand, DeclinationAtAGivenTime) {
    TempDir home;
    // 2025.0 in the program's years of 3.14712e7 seconds.
    const QString t = QString::number(55 * 3.14712e7, 'f', 0);
    auto r = runOvtool({"pos", "declination", "80", "0", "--time", t, "--json"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = jsonOf(r);
    EXPECT_NEAR(o["year"].toDouble(), 2025.0, 1e-6);
    EXPECT_NEAR(o["declination"].toDouble(), 1.28, 0.1);
    r = runOvtool({"pos", "declination", "-80", "240", "--time", t}, home.path());
    EXPECT_NEAR(QString::fromUtf8(r.out).toDouble(), 68.78, 0.1);
}

TEST(PosCommand, RefusesBadInput) {
    TempDir home;
    EXPECT_EQ(runOvtool({"pos", "format", "1", "2"}, home.path()).exitCode, 2);
    EXPECT_EQ(
        runOvtool({"pos", "format", "--format", "Maidenhead", "1", "2"}, home.path()).exitCode, 2);
    EXPECT_EQ(runOvtool({"pos", "format", "--format", "MGRS", "x", "2"}, home.path()).exitCode, 2);
    EXPECT_EQ(runOvtool({"pos", "declination", "95", "2"}, home.path()).exitCode, 2);
    EXPECT_EQ(runOvtool({"pos", "declination", "5", "2", "--time"}, home.path()).exitCode, 2);
    auto r = runOvtool({"pos", "parse", "--format", "NZTM", "1", "1e300", "--json"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(jsonOf(r)["ok"].toBool(true));
    r = runOvtool({"pos", "parse", "--format", "MGRS", "not a grid"}, home.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(r.crashed);
}
