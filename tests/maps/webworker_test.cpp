// Downloading chunks: ovtool ktl make --v3 and ktl fetch from a real nginx
// fill a version-3 map until ovtool ktl render draws it exactly like its
// classic twin; the
// download slots against servers that lack the file, lie about ranges or
// die mid-transfer never store a wrong byte.
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>

#include "chunkedtestmaps.h"
#include "maps/kartile3.h"
#include "maps/webworker.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"

using namespace testsupport;
using namespace chunkedtest;

namespace {

QString urlOf(int port, const QString& path = "/") {
    return QString("http://127.0.0.1:%1%2").arg(port).arg(path);
}

TEST(KtlFetchCommand, FillsAMapFromNginxThatThenRendersLikeItsClassicTwin) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    TempDir dir;
    ASSERT_TRUE(twinImage().save(dir.file("twin.png")));
    const auto made = runOvtool({"ktl", "make", dir.file("twin.png"), "-o", dir.file("twin.ktl"),
                                 "--bounds", "10,11,50,51", "--v3", dir.file("server")},
                                dir.path());
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    EXPECT_TRUE(made.out.contains("6 chunks (1 blank)")) << made.out.toStdString();
    NginxServer nginx(dir.file("server"));
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();

    // Part of the map first: the chunks under a small area only.
    const QString local = dir.file("local/twin.ktl");
    const auto part = runOvtool(
        {"ktl", "fetch", urlOf(nginx.port(), "/"), local, "--area", "10.01,10.02,50.98,50.99"},
        dir.path());
    ASSERT_EQ(part.exitCode, 0) << part.err.toStdString();
    EXPECT_TRUE(part.out.contains("1 of 1 chunks complete")) << part.out.toStdString();

    const auto all = runOvtool({"ktl", "fetch", urlOf(nginx.port(), "/"), local}, dir.path());
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_TRUE(all.out.contains("6 of 6 chunks complete")) << all.out.toStdString();
    EXPECT_TRUE(all.err.contains("[##############################] 6/6 chunks"));

    for (const char* level : {"0", "-1"}) {
        const QStringList rect =
            QString(level) == "-1" ? QStringList{"--rect", "900,700,800,600"} : QStringList{};
        const auto a = runOvtool(QStringList{"ktl", "render", dir.file("twin.ktl"), "--level",
                                             level, "-o", dir.file("a.png")} +
                                     rect,
                                 dir.path());
        const auto b = runOvtool(
            QStringList{"ktl", "render", local, "--level", level, "-o", dir.file("b.png")} + rect,
            dir.path());
        ASSERT_EQ(a.exitCode, 0) << a.err.toStdString();
        ASSERT_EQ(b.exitCode, 0) << b.err.toStdString();
        const QImage ia(dir.file("a.png")), ib(dir.file("b.png"));
        EXPECT_FALSE(ia.isNull());
        EXPECT_TRUE(ia == ib) << "level " << level;
    }
}

class WebWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        twin = makeTwin(dir);
        local = installLocal(twin, dir.file("local"), false);
    }
    // Wants every chunk and waits until the worker is idle or gives up.
    void fetchAll(CWebWorker& worker, CKartile3* map, int timeoutMs = 60000) {
        for (int r = 0; r < map->chunkRows(); ++r)
            for (int c = 0; c < map->chunkColumns(); ++c) worker.Want(r, c, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return worker.idle() || worker.gaveUp(); }, timeoutMs));
    }
    TempDir dir;
    Twin twin;
    std::string local;
};

TEST_F(WebWorkerTest, CoarseLevelsFirstThenFinerOnesExtendTheRecord) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    NginxServer nginx(twin.serverDir);
    ASSERT_TRUE(nginx.running());
    ktltest::OpenMap map(local);
    auto* v3 = dynamic_cast<CKartile3*>(map.get());
    ASSERT_NE(v3, nullptr);
    CWebWorker worker(v3, QUrl(urlOf(nginx.port(), "/twin.kt3")));
    worker.Want(0, 0, 4);
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.idle(); }, 60000));
    CChunkFile* file = v3->chunkFile();
    EXPECT_EQ(file->StoredLevel(0, 0), 4);
    EXPECT_EQ(worker.ProcessWebOutput(), std::vector<ChunkKey>{MakeChunkKey(0, 0)});
    worker.Want(0, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return worker.idle(); }, 60000));
    uint64_t offset;
    CChunkFile::RecordHeader h;
    ASSERT_TRUE(file->StoredRecord(0, 0, offset, h));
    EXPECT_EQ(h.present, h.sizes[0]);
    EXPECT_EQ(worker.failures(), 0);
}

TEST_F(WebWorkerTest, ServerDyingMidTransferStoresNothing) {
    // Serves the real bytes of each range but closes half way through the data.
    const QByteArray server = readFile(QString::fromStdString(twin.v3.chunkPath));
    StubHttpServer dying([&](const StubHttpServer::Request& req, QTcpSocket* socket) {
        const QByteArray range = req.header("Range");
        const int dash = range.indexOf('-');
        const qint64 first = range.mid(6, dash - 6).toLongLong();
        const qint64 last = range.mid(dash + 1).toLongLong();
        const QByteArray body = server.mid(first, last - first + 1);
        const bool cut = body.size() > 100;
        socket->write(
            "HTTP/1.1 206 Partial Content\r\nContent-Length: " + QByteArray::number(body.size()) +
            "\r\nContent-Range: bytes " + QByteArray::number(first) + "-" +
            QByteArray::number(last) + "/" + QByteArray::number(server.size()) + "\r\n\r\n");
        socket->write(cut ? body.left(body.size() / 2) : body);
        socket->flush();
        if (cut) socket->disconnectFromHost();
    });
    ktltest::OpenMap map(local);
    auto* v3 = dynamic_cast<CKartile3*>(map.get());
    CWebWorker worker(v3, QUrl(urlOf(dying.port(), "/twin.kt3")));
    fetchAll(worker, v3);
    EXPECT_TRUE(worker.gaveUp()) << worker.lastError().toStdString();
    CChunkFile* file = v3->chunkFile();
    EXPECT_TRUE(file->hasHeader()) << "small ranges came whole";
    for (int r = 0; r < file->rows(); ++r)
        for (int c = 0; c < file->columns(); ++c) {
            uint64_t offset;
            CChunkFile::RecordHeader h;
            EXPECT_FALSE(file->StoredRecord(r, c, offset, h)) << "chunk " << r << "," << c;
        }
}

}  // namespace
