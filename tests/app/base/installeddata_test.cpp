// The data folder an installed program finds beside itself.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/base/installeddata.h"
#include "support/testsupport.h"

namespace {

using testsupport::TempDir;

TEST(InstalledData, FoundBesideTheProgramFolder) {
    TempDir prefix;
    const std::string root = prefix.path().toStdString();
    ASSERT_TRUE(QDir().mkpath(prefix.file("bin")));
    ASSERT_TRUE(QDir().mkpath(prefix.file("share/orvanta/demo")));
    ASSERT_TRUE(QDir().mkpath(prefix.file("lib/bin")));
    ASSERT_TRUE(testsupport::writeFile(prefix.file("files/share/orvanta"), "not a folder"));
    ASSERT_TRUE(QDir().mkpath(prefix.file("files/bin")));

    // Name, the program's folder, the data folder found.
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"installed", root + "/bin", root + "/share/orvanta"},
        {"trailing slash", root + "/bin/", root + "/share/orvanta"},
        {"dotted program path", root + "/lib/../bin", root + "/share/orvanta"},
        {"no share folder in that prefix", root + "/lib/bin", ""},
        {"a file where the folder belongs", root + "/files/bin", ""},
        {"no program folder", "", ""},
    };
    for (const auto& [name, programDir, expected] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(installedDataDirectoryFor(programDir), expected);
    }
}

// The real program, copied into a prefix as an installation lays it out.
TEST(InstalledData, InstalledToolPrintsItsPrefixFolder) {
    TempDir prefix;
    ASSERT_TRUE(QDir().mkpath(prefix.file("bin")));
    ASSERT_TRUE(QDir().mkpath(prefix.file("share/orvanta/demo")));
    const QString tool = prefix.file("bin/ovtool");
    ASSERT_TRUE(QFile::copy(testsupport::ovtoolBin(), tool));

    TempDir home;
    const auto env = testsupport::isolatedEnvironment(home.path());
    const auto installed = testsupport::runProcess(tool, {"data", "path"}, 60000, env);
    EXPECT_EQ(installed.exitCode, 0) << installed.err.constData();
    EXPECT_EQ(installed.out.trimmed(), prefix.file("share/orvanta").toUtf8());

    // The build tree has no such folder beside its bin: a clear refusal.
    const auto built =
        testsupport::runProcess(testsupport::ovtoolBin(), {"data", "path"}, 60000, env);
    EXPECT_EQ(built.exitCode, 1);
    EXPECT_TRUE(built.out.isEmpty());
    EXPECT_TRUE(built.err.contains("no installed data beside")) << built.err.constData();

    // A link in another bin folder runs the build tree's program, which
    // looks beside its real self.
    TempDir other;
    ASSERT_TRUE(QDir().mkpath(other.file("bin")));
    ASSERT_TRUE(QDir().mkpath(other.file("share/orvanta")));
    ASSERT_TRUE(QFile::link(testsupport::ovtoolBin(), other.file("bin/ovtool")));
    const auto linked =
        testsupport::runProcess(other.file("bin/ovtool"), {"data", "path"}, 60000, env);
    EXPECT_EQ(linked.exitCode, 1) << linked.out.constData();
}

}  // namespace
