// Downloading chunks: ovtool ktl make --v3 and ktl fetch from a real nginx
// fill a version-3 map until it draws exactly like its classic twin; a
// server dying mid-transfer never leaves a wrong byte stored.
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>

#include "chunkedtestmaps.h"
#include "support/stubhttpserver.h"

using namespace testsupport;
using namespace chunkedtest;

namespace {

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

    const QString local = dir.file("local/twin.ktl");
    const auto all = runOvtool({"ktl", "fetch", loopbackUrl(nginx.port(), "/"), local}, dir.path());
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_TRUE(all.out.contains("6 of 6 chunks complete")) << all.out.toStdString();

    ktltest::OpenMap classic(dir.file("twin.ktl").toStdString()), fetched(local.toStdString());
    ASSERT_TRUE(classic.ok() && fetched.ok());
    EXPECT_TRUE(renderRect(classic.get(), 0, 0, 2600, 1536, 0) ==
                renderRect(fetched.get(), 0, 0, 2600, 1536, 0));
}

class WebWorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        twin = makeTwin(dir);
        local = installLocal(twin, dir.file("local"), false);
    }
    TempDir dir;
    Twin twin;
    std::string local;
};

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
    auto* v3 = v3Of(map);
    CWebWorker worker(v3, QUrl(loopbackUrl(dying.port(), "/twin.kt3")));
    for (int r = 0; r < v3->chunkRows(); ++r)
        for (int c = 0; c < v3->chunkColumns(); ++c) worker.Want(r, c, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return worker.idle() || worker.gaveUp(); }, 60000));
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
