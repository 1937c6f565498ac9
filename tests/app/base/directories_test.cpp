// Folders and bundled files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "app/base/directories.h"
#include "app/base/fileutils.h"
#include "app/base/stringutils.h"
#include "support/testsupport.h"

namespace {

TEST(Directories, SubFoldersAreCreated) {
    const std::string base = getAppDirectory(nullptr);
    EXPECT_TRUE(QDir(QString::fromStdString(base)).exists());
    const std::string elev = getAppDirectory("elev");
    EXPECT_EQ(elev, base + "/elev");
    EXPECT_TRUE(QDir(QString::fromStdString(elev)).exists());
    EXPECT_TRUE(string_ends_with(getDocsDirectory(nullptr), "/Orvanta"));
    EXPECT_TRUE(QDir(QString::fromStdString(getSharedAppDirectory("x"))).exists());
}

TEST(BundledFiles, ExtractedOnceAndRefreshedWhenTheVersionChanges) {
    const std::string dir = getBundleDirectory();
    deleteDirectorySingleLevel(dir);
    const std::string path = getBundleFilepath("WMM_COF", "txt");
    EXPECT_EQ(path, dir + "/WMM_COF.txt");
    EXPECT_TRUE(fileIsBundledWithApp(path));
    EXPECT_GT(getFileSize(path), 4000);
    EXPECT_EQ(read_first_line(dir + "/version.txt"), "1.2.1");

    // An older version's extracted files are thrown away once.
    write_to_file(dir + "/version.txt", "1.0.0");
    write_to_file(dir + "/stale.txt", "old");
    write_to_file(path, "old model");
    const std::string again = getBundleFilepath("WMM_COF", "txt");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir + "/stale.txt")));
    EXPECT_GT(getFileSize(again), 4000);
    EXPECT_EQ(read_first_line(dir + "/version.txt"), "1.2.1");

    // A file the program doesn't carry gives a path to nothing.
    const std::string none = getBundleFilepath("no_such_file", "pstf");
    EXPECT_EQ(getFileSize(none), -1);
    EXPECT_FALSE(fileIsBundledWithApp("/home/user/maps/a.ktl"));
}

TEST(TempFiles, OwnFolderInsideASharedTemp) {
    testsupport::TempDir shared;
    const std::string own = tmpDirectoryFor(shared.path().toStdString());
    EXPECT_EQ(own, shared.path().toStdString() + "/orvanta-" + std::to_string(getuid()));
    struct stat st;
    ASSERT_EQ(stat(own.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A link planted at that name is not followed.
    testsupport::TempDir other, target;
    const std::string planted = other.path().toStdString() + "/orvanta-" + std::to_string(getuid());
    ASSERT_EQ(symlink(target.path().toUtf8().constData(), planted.c_str()), 0);
    EXPECT_NE(tmpDirectoryFor(other.path().toStdString()), planted);
}

TEST(TempFiles, DeleteAllTempFilesKeepsOtherFiles) {
    const std::string tmp = getTmpDirectory();
    write_to_file(tmp + "/a.tmp", "x");
    QDir().mkpath(QString::fromStdString(tmp + "/keep"));
    EXPECT_TRUE(deleteAllTempFiles());
    EXPECT_TRUE(listDirectory(tmp).empty());
    EXPECT_TRUE(QDir(QString::fromStdString(tmp + "/keep")).exists());
}

}  // namespace
