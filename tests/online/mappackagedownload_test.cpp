// Map packages against a real nginx on loopback: first downloads, repairs of
// changed chunks, damaged chunks and packages, a server that dies mid-file,
// names that try to leave the package's folder, and a full disk.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include "maps/chartlist.h"
#include "maps/ktltestmaps.h"
#include "online/mappackage.h"
#include "online/mappackagedownload.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

constexpr int kMiB = 1 << 20;

QByteArray pattern(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) data[i] = char((i * 31 + i / 7919) & 0xFF);
    return data;
}

struct Outcome {
    int calls = 0;
    bool ok = false;
    std::string message;
    int requests = 0;
};

// Runs a download of the package to its end; the callback must come once.
Outcome download(const QString& package) {
    Outcome out;
    CMapPackageDownload d(package.toStdString(), [&](bool ok) {
        ++out.calls;
        out.ok = ok;
    });
    d.Start();
    EXPECT_EQ(out.calls, 0) << "the outcome comes from the event loop, not from Start";
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.calls > 0; }, 60000));
    QTest::qWait(20);
    EXPECT_EQ(out.calls, 1);
    out.message = d.errorMessage();
    out.requests = d.requestsSent();
    return out;
}

ino_t inodeOf(const QString& path) {
    struct stat st;
    return ::stat(path.toUtf8().constData(), &st) == 0 ? st.st_ino : 0;
}

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
        QDir().mkpath(served.file("maps"));
        ktltest::makeMap(
            served.file("maps/area.ktl"),
            ktltest::indexedImage(300, 200, [](int x, int y) { return (x ^ y) & 63; }));
        writeFile(served.file("maps/sub/big.bin"), pattern(3 * kMiB + kMiB / 2));
        server = std::make_unique<NginxServer>(served.path());
        ASSERT_TRUE(server->running()) << server->error().toStdString();
        remake();
    }
    // The package of what the server holds now, in the local folder.
    void remake(const QString& into = {}) {
        MapPackage p;
        std::string error;
        ASSERT_TRUE(MakeMapPackage(served.file("maps").toStdString(),
                                   "127.0.0.1:" + std::to_string(server->port()), "maps", p, error))
            << error;
        ASSERT_TRUE(WriteMapPackage((into.isEmpty() ? packagePath() : into).toStdString(), p));
    }
    QString packagePath() const { return local.file("charts.ovpkg"); }
    QByteArray servedBig() const { return readFile(served.file("maps/sub/big.bin")); }

    TempDir served, local;
    std::unique_ptr<NginxServer> server;
};

TEST_F(PackageTest, FirstDownloadThenOnlyTheChangedChunkAndTheCatalogueSeesTheMaps) {
    // A folder standing where a file goes is replaced by the file.
    writeFile(local.file("sub/big.bin/stale.txt"), "x");
    Outcome first = download(packagePath());
    ASSERT_TRUE(first.ok) << first.message;
    EXPECT_EQ(first.requests, 5);  // one chunk of the map, four of big.bin
    EXPECT_EQ(readFile(local.file("sub/big.bin")), servedBig());
    EXPECT_EQ(readFile(local.file("area.ktl")), readFile(served.file("maps/area.ktl")));
    CChartList catalogue;
    catalogue.AddSearchFolder(local.path().toStdString());
    catalogue.Refresh();
    EXPECT_EQ(catalogue.size(), 1);

    const ino_t before = inodeOf(local.file("sub/big.bin"));
    Outcome again = download(packagePath());
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(again.requests, 0) << "a complete copy asks the server nothing";
    EXPECT_EQ(inodeOf(local.file("sub/big.bin")), before) << "and is not rewritten";

    QByteArray changed = servedBig();
    changed[3 * kMiB + 5] = char(changed[3 * kMiB + 5] + 1);  // the last, shorter chunk
    writeFile(served.file("maps/sub/big.bin"), changed);
    remake();
    Outcome repair = download(packagePath());
    EXPECT_TRUE(repair.ok) << repair.message;
    EXPECT_EQ(repair.requests, 1);
    EXPECT_EQ(readFile(local.file("sub/big.bin")), changed);
    EXPECT_FALSE(QFile::exists(local.file("sub/big.bin.part")));
}

TEST_F(PackageTest, ALongerOldCopyIsCutToTheListedSize) {
    writeFile(local.file("sub/big.bin"), servedBig() + QByteArray(5000, 'T'));
    Outcome out = download(packagePath());
    EXPECT_TRUE(out.ok) << out.message;
    EXPECT_EQ(readFile(local.file("sub/big.bin")), servedBig());
}

TEST_F(PackageTest, ACorruptChunkIsRetriedThenFailsItsFileAndKeepsTheOldMap) {
    // An older copy whose first two chunks differ from the server's.
    QByteArray old = servedBig();
    old[10] = char(old[10] + 1);
    old[kMiB + 10] = char(old[kMiB + 10] + 1);
    writeFile(local.file("sub/big.bin"), old);
    // The server's bytes no longer sum to the package's checksums.
    QByteArray corrupt = servedBig();
    corrupt[kMiB + 1] = char(corrupt[kMiB + 1] ^ 0x40);
    writeFile(served.file("maps/sub/big.bin"), corrupt);
    Outcome out = download(packagePath());
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.message.find("Could not download sub/big.bin"), std::string::npos) << out.message;
    EXPECT_EQ(readFile(local.file("sub/big.bin")), old) << "the old map stays as it was";
    EXPECT_FALSE(QFile::exists(local.file("sub/big.bin.part")));
    EXPECT_EQ(readFile(local.file("area.ktl")), readFile(served.file("maps/area.ktl")))
        << "the other file is still fetched";
    // area.ktl and big.bin's first chunk once, its second four times.
    EXPECT_EQ(out.requests, 1 + 1 + 4);
}

TEST(PackageServerTest, AServerDyingMidChunkFailsTheFileAfterThreeRetries) {
    TempDir local;
    // Each range reply promises the whole chunk and ends half-way.
    StubHttpServer stub([](const StubHttpServer::Request&, QTcpSocket* socket) {
        socket->write(
            "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-99999/100000\r\n"
            "Content-Length: 100000\r\nConnection: close\r\n\r\n");
        socket->write(QByteArray(50000, 'a'));
        socket->flush();
        socket->disconnectFromHost();
    });
    MapPackage p{"127.0.0.1:" + std::to_string(stub.port()), "/m/", "", kMiB, {}};
    p.files.push_back(
        {"x.bin", 100000, {chunkChecksum(QByteArray(100000, 'a').constData(), 100000)}});
    ASSERT_TRUE(WriteMapPackage(local.file("p.ovpkg").toStdString(), p));
    Outcome out = download(local.file("p.ovpkg"));
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(stub.requests(), 4) << "the first try and three retries";
    EXPECT_FALSE(QFile::exists(local.file("x.bin")));
    EXPECT_FALSE(QFile::exists(local.file("x.bin.part")));
}

TEST(PackageNamesTest, NamesLeavingTheFolderAreRefusedAndNothingIsWrittenOutside) {
    TempDir root;
    const QString local = root.file("pkg"), outside = root.file("outside");
    QDir().mkpath(local);
    QDir().mkpath(outside);
    writeFile(outside + "/keep.bin", "mine");
    QFile::link(outside, local + "/link");  // a link inside that leads out
    for (const char* name : {"../outside/keep.bin", "/tmp/abs.bin", "a//b.bin", "./x.bin",
                             "a/../../x.bin", "a\\..\\x.bin", "link/keep.bin", "sub/ok.bin"}) {
        SCOPED_TRACE(name);
        const bool safe = std::string(name) == "link/keep.bin" || std::string(name) == "sub/ok.bin";
        EXPECT_EQ(packageNameIsSafe(name), safe);
        MapPackage p{"127.0.0.1:9", "/m/", "", kMiB, {}};
        p.files.push_back({name, 4, {chunkChecksum("data", 4)}});
        ASSERT_TRUE(WriteMapPackage((local + "/p.ovpkg").toStdString(), p));
        Outcome out = download(local + "/p.ovpkg");
        EXPECT_FALSE(out.ok);  // port 9 answers nothing either
        if (!safe || std::string(name).starts_with("link")) {
            EXPECT_NE(out.message.find("outside its folder"), std::string::npos) << out.message;
        }
        EXPECT_EQ(readFile(outside + "/keep.bin"), "mine");
        EXPECT_EQ(QDir(outside).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    }
}

TEST(PackageFormatTest, BadPackagesCompleteOnceWithAMessage) {
    TempDir dir;
    MapPackage good{"127.0.0.1:9", "/m/", "", 10, {{"a.bin", 4, {chunkChecksum("data", 4)}}}};
    const std::string bytes = MapPackageBytes(good);
    MapPackage oversized = good;
    oversized.files[0].size = 11;
    oversized.files[0].checksums = {0};
    const std::tuple<const char*, std::string, const char*> cases[] = {
        {"wrong magic", "abcd" + bytes.substr(4), "not a map package"},
        {"cut header", bytes.substr(0, 20), "header is cut short"},
        {"cut checksums", bytes.substr(0, bytes.size() - 2), "middle of the checksums"},
        {"size above the largest", MapPackageBytes(oversized), "beyond the allowed"},
        {"empty", "", "not a map package"},
    };
    for (const auto& [what, content, expected] : cases) {
        SCOPED_TRACE(what);
        writeFile(dir.file("p.ovpkg"), QByteArray::fromStdString(content));
        Outcome out = download(dir.file("p.ovpkg"));
        EXPECT_FALSE(out.ok);
        EXPECT_NE(out.message.find(expected), std::string::npos) << out.message;
        EXPECT_EQ(out.requests, 0);
    }
    Outcome missing = download(dir.file("none.ovpkg"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.message.empty());
}

TEST_F(PackageTest, AFullDiskIsFoundBeforeAnythingIsWritten) {
    const QString small = local.file("small");
    QDir().mkpath(small);
    if (::mount("tmpfs", small.toUtf8().constData(), "tmpfs", 0, "size=2m") != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    remake(small + "/charts.ovpkg");
    Outcome out = download(small + "/charts.ovpkg");
    EXPECT_FALSE(out.ok);
    EXPECT_NE(out.message.find("Not enough free space"), std::string::npos) << out.message;
    EXPECT_EQ(out.requests, 0);
    EXPECT_EQ(QDir(small).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"charts.ovpkg"});
    ::umount(small.toUtf8().constData());
}

}  // namespace
