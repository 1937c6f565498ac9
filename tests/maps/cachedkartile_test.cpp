// The threaded renderer: full screens of classic and version-3 twins made by
// the maker come out alike, a version-3 map that starts empty fills from a
// real nginx until it matches its classic twin, and closing with downloads
// in flight is clean.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include "chunkedtestmaps.h"
#include "maps/cachedkartile.h"
#include "support/stubhttpserver.h"

using namespace testsupport;
using namespace chunkedtest;

namespace {

constexpr int kW = 1920, kH = 1080;

// One draw onto `screen` at `offset`; true while squares are still loading.
bool drawOnce(CCachedKartile& r, QImage& screen, int z = 0, const QPoint& offset = {}) {
    QPainter painter(&screen);
    bool loading = false;
    r.Draw(painter, QRect(0, 0, kW, kH), offset, z, loading);
    return loading;
}

// Draws until the renderer has nothing more to load (or the time is up).
QImage drawSettled(CCachedKartile& r, const QPoint& offset, int z, bool* settled = nullptr,
                   int timeoutMs = 60000) {
    QImage screen(kW, kH, QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    bool loading = true;
    while (timer.elapsed() < timeoutMs) {
        loading = drawOnce(r, screen, z, offset);
        if (!loading && !r.isLoading()) break;
        r.WaitUntilIdle(200);
    }
    if (settled) *settled = !loading;
    return screen;
}

class CachedKartileTest : public ::testing::Test {
protected:
    void SetUp() override { twin = makeTwin(dir); }
    void TearDown() override { CWebWorker::SetServerBase({}); }
    TempDir dir;
    Twin twin;
};

TEST_F(CachedKartileTest, TwinsRenderTheSameFullScreenAtLevelsMinus2To3) {
    CCachedKartile classic, v3;
    classic.Open(nullptr, twin.classic);
    v3.Open(nullptr, installLocal(twin, dir.file("local"), true));
    ASSERT_TRUE(classic.map() && v3.map());
    EXPECT_EQ(std::pair(twin.v3.chunks, twin.v3.blankChunks), std::pair(6, 1)) << "chunks, blank";
    EXPECT_EQ(v3.map()->GetTitle(), classic.map()->GetTitle());
    EXPECT_TRUE(v3.map()->appearsFullyDownloadedWithin(CBounds(10.1, 10.9, 50.1, 50.9)));
    EXPECT_EQ(std::pair(classic.workerThreads(), v3.workerThreads()), std::pair(1, 4));
    for (int z = -2; z <= 3; ++z) {
        const QPoint offset = z < 0 ? QPoint(700 << -z, 300 << -z) : QPoint(-100, -50);
        bool a = false, b = false;
        const QImage ca = drawSettled(classic, offset, z, &a);
        const QImage cb = drawSettled(v3, offset, z, &b);
        EXPECT_TRUE(a && b) << "level " << z;
        EXPECT_TRUE(ca == cb) << "level " << z;
    }
    // The same view through ReadRectRGB directly: the squares are placed right.
    const QImage direct = renderRect(classic.map(), 512, 256, 256, 256, 0);
    const QImage screen = drawSettled(classic, QPoint(0, 0), 0);
    EXPECT_TRUE(screen.copy(512, 256, 256, 256) == direct);
}

TEST_F(CachedKartileTest, StandInsFromTheNextLevelWhileLoading) {
    CCachedKartile r;
    r.Open(nullptr, twin.classic);
    drawSettled(r, QPoint(0, 0), 1);
    // The first draw at level 0 shows level 1 squares stretched, not white.
    QImage screen(kW, kH, QImage::Format_RGB32);
    screen.fill(Qt::white);
    EXPECT_TRUE(drawOnce(r, screen));
    EXPECT_NE(screen.pixel(100, 100), qRgb(255, 255, 255));
}

TEST_F(CachedKartileTest, EmptyVersion3MapFillsFromNginxAndMatchesItsTwin) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    const auto nginx = serveMaps(twin.serverDir);
    ASSERT_TRUE(nginx);
    CCachedKartile classic, v3;
    classic.Open(nullptr, twin.classic);
    v3.Open(nullptr, installLocal(twin, dir.file("local"), false));
    ASSERT_TRUE(v3.map());
    for (int z : {2, 0}) {
        bool settled = false;
        const QImage b = drawSettled(v3, QPoint(0, 0), z, &settled, 30000);
        ASSERT_NE(v3.webWorker(), nullptr);
        EXPECT_TRUE(settled) << nginx->log().toStdString();
        EXPECT_TRUE(b == drawSettled(classic, QPoint(0, 0), z)) << "level " << z;
    }
    EXPECT_TRUE(v3.webWorker()->failures() == 0 && v3.webWorker()->chunksDone() > 0);
    // The level 0 view covers chunk columns 0 and 1; the rest came at level 2.
    CChunkFile* file = dynamic_cast<CKartile3*>(v3.map())->chunkFile();
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 2; ++c) EXPECT_TRUE(file->ChunkIsFullyDownloaded(r, c));
        EXPECT_LE(file->StoredLevel(r, 2), 2);
    }
    EXPECT_TRUE(file->IsBlank(1, 2));
}

TEST_F(CachedKartileTest, ServerThatIgnoresRangeNeverFillsAChunk) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    const auto nginx = serveMaps(twin.serverDir, "location / { max_ranges 0; }");
    ASSERT_TRUE(nginx);
    CCachedKartile v3;
    v3.Open(nullptr, installLocal(twin, dir.file("local"), false));
    QImage screen(kW, kH, QImage::Format_RGB32);
    bool loading = false;
    auto gaveUp = [&] {
        loading = drawOnce(v3, screen);
        return v3.webWorker() && v3.webWorker()->gaveUp();
    };
    ASSERT_TRUE(QTest::qWaitFor(gaveUp, 60000)) << "more than three failures in a row stop it";
    EXPECT_TRUE(loading) << "the missing chunks never came";
    EXPECT_EQ(v3.webWorker()->failures(), CWebWorker::kMaxFailures + 1);
    v3.webWorker()->Want(0, 0, 0);
    EXPECT_EQ(v3.webWorker()->wantedCount(), 0) << "a worker that gave up takes no more work";
    EXPECT_FALSE(dynamic_cast<CKartile3*>(v3.map())->chunkFile()->hasHeader())
        << "the start of the file is not a header";
}

TEST_F(CachedKartileTest, ClosingWithDownloadsInFlightIsClean) {
    // A server that takes requests and never answers.
    StubHttpServer stall([](const StubHttpServer::Request&, QTcpSocket*) {});
    CWebWorker::SetServerBase(QUrl(loopbackUrl(stall.port())));
    for (int round = 0; round < 3; ++round) {
        CCachedKartile v3;
        v3.Open(nullptr, installLocal(twin, dir.file("local"), false));
        QImage screen(kW, kH, QImage::Format_RGB32);
        const int before = stall.requests();
        EXPECT_TRUE(drawOnce(v3, screen));
        // Requests reach the server while squares are still being read.
        auto asked = [&] {
            drawOnce(v3, screen);
            return stall.requests() > before;
        };
        ASSERT_TRUE(QTest::qWaitFor(asked, 60000));
        v3.Close();  // returns although the server never answers
    }
    QCoreApplication::processEvents();  // queued pumps find nothing to touch
}

}  // namespace
