// ovtool settings against real files in a private HOME.
#include <gtest/gtest.h>

#include <QFile>

#include "app/base/attributes.h"
#include "support/testsupport.h"

using testsupport::runOvtool;
using testsupport::TempDir;

namespace {

const QString kUnits = "CDefaultUnits:units";  // an int setting in 0..5

QString iniPath(const TempDir& home, const QString& profile = "default") {
    return home.path() + "/.local/share/Orvanta/" + profile + "/orvanta.ini";
}

CAttributes readIni(const QString& path) {
    CAttributes a;
    a.AddFile(path.toStdString());
    return a;
}

}  // namespace

TEST(SettingsCommand, SetGetAndListThroughThePersistorsOfAProfile) {
    TempDir home;
    ASSERT_TRUE(testsupport::writeFile(iniPath(home, "sea"), "Elsewhere:kept=a+b\n"));
    auto r = runOvtool({"settings", "set", kUnits, "3", "--profile", "sea"}, home.path());
    ASSERT_EQ(r.exitCode, 0) << r.err.constData();
    EXPECT_EQ(r.out, "CDefaultUnits:units=3\n");
    const CAttributes ini = readIni(iniPath(home, "sea"));
    EXPECT_EQ(ini.Get(kUnits.toStdString()), "0x3");
    EXPECT_EQ(ini.Get("Elsewhere:kept"), "a b");
    EXPECT_FALSE(QFile::exists(iniPath(home)));

    r = runOvtool({"settings", "get", kUnits, "--profile", "sea"}, home.path());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "3\n");
    // Without a runtime folder, too: Qt is given a private one and says nothing.
    QProcessEnvironment env = testsupport::isolatedEnvironment(home.path());
    env.remove("XDG_RUNTIME_DIR");
    env.insert("TMPDIR", home.file("tmp"));
    r = testsupport::runProcess(testsupport::ovtoolBin(), {"settings", "list", "--profile", "sea"},
                                60000, env);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.contains("\nCDefaultUnits:units=3\n"));
    EXPECT_TRUE(r.out.endsWith('\n'));
    EXPECT_FALSE(r.err.contains("QStandardPaths")) << r.err.constData();
}

TEST(SettingsCommand, RefusesUnknownKeysAndBadValuesWithoutWriting) {
    TempDir home;
    ASSERT_EQ(runOvtool({"settings", "set", kUnits, "2"}, home.path()).exitCode, 0);
    const QByteArray before = testsupport::readFile(iniPath(home));
    // Arguments, exit status, error.
    const std::tuple<QStringList, int, const char*> cases[] = {
        {{"set", kUnits, "99"}, 1, "not a valid value"},
        {{"set", kUnits, "two"}, 1, "not a valid value"},
        {{"set", "NoSuchThing:field", "1"}, 1, "no setting NoSuchThing:field"},
        {{"get", "CDefaultUnits:nothing"}, 1, "no setting"},
        {{"get"}, 2, ""},
        {{"list", "--profile"}, 2, ""},
    };
    for (const auto& [args, exitCode, error] : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto r = runOvtool(QStringList{"settings"} + args, home.path());
        EXPECT_EQ(r.exitCode, exitCode);
        EXPECT_TRUE(r.err.contains(error)) << r.err.constData();
    }
    EXPECT_EQ(testsupport::readFile(iniPath(home)), before);
}
