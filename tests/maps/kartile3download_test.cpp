// Area downloads of version-3 maps from a real nginx: a polygon fills exactly
// the chunks it touches, a route those within its width, the whole map every
// chunk, after which the map draws like its classic twin; a server file laid
// out in slices fetches the same. Progress, refusals and cancelling.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include "app/base/apphooks.h"
#include "app/base/persistantdata.h"
#include "chunkedtestmaps.h"
#include "maps/kartile3area.h"
#include "online/progressdialogdata.h"
#include "online/webserver_nb.h"
#include "support/stubhttpserver.h"

using namespace testsupport;
using namespace chunkedtest;

namespace {

constexpr auto key = MakeChunkKey;

// Positions of map pixels.
Vertex at(const CKartile& map, int x, int y) {
    double lat, lon;
    map.xy_to_latlong(x, y, lat, lon);
    return Vertex(lon, lat);
}

// Chunks with anything stored (data or a blank entry).
std::vector<ChunkKey> filledChunks(CKartile3* map) {
    std::vector<ChunkKey> keys;
    CChunkFile* file = map->chunkFile();
    for (int r = 0; r < map->chunkRows(); ++r)
        for (int c = 0; c < map->chunkColumns(); ++c) {
            uint64_t entry = 0;
            if (file->hasHeader() && file->DirectoryEntry(r, c, entry) && entry != 0)
                keys.push_back(key(r, c));
        }
    return keys;
}

// A finished download in one line: whether it succeeded, chunks done and
// failed, and the message.
std::string outcome(const CProgressDialogData& p) {
    const std::string state = p.succeeded() ? "ok " : p.finished() ? "failed " : "running ";
    return state + std::to_string(p.done()) + "/" + std::to_string(p.failed()) + " " + p.message();
}

class AreaDownload : public ::testing::Test {
protected:
    void SetUp() override {
        twin = makeTwin(dir);
        local = installLocal(twin, dir.file("local"), false);
    }
    void TearDown() override {
        CWebWorker::SetServerBase({});
        CWebServer_NB_sliced::SetSliceSize(CWebServer_NB_sliced::kSliceSize);
    }
    // Starts a download and runs the event loop until its progress finishes.
    bool run(CProgressDialogData& progress, const std::function<void()>& start) {
        int finishedCalls = 0;
        progress.onFinished = [&](bool) { ++finishedCalls; };
        start();
        const bool done = QTest::qWaitFor([&] { return progress.finished(); }, 60000);
        QCoreApplication::processEvents();  // nothing more arrives after the end
        EXPECT_EQ(finishedCalls, 1);
        return done;
    }
    // The v3 map draws like its classic twin, pixel for pixel.
    void expectTwinPixels(CKartile* v3) {
        ktltest::OpenMap classic(twin.classic);
        for (int level : {0, 2, -1}) {
            const int w = level < 0 ? 800 : 2600 >> level, h = level < 0 ? 600 : 1536 >> level;
            const int x = level < 0 ? 900 : 0, y = level < 0 ? 700 : 0;
            EXPECT_TRUE(renderRect(classic.get(), x, y, w, h, level) ==
                        renderRect(v3, x, y, w, h, level))
                << "level " << level;
        }
    }
    TempDir dir;
    Twin twin;
    std::string local;
    std::unique_ptr<NginxServer> nginx;
};

TEST_F(AreaDownload, PolygonFillsExactlyItsChunksThenTheWholeMapMatchesTheTwin) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    ASSERT_TRUE(nginx = serveMaps(twin.serverDir));
    ktltest::OpenMap map(local);
    auto* v3 = v3Of(map);
    // A triangle whose box covers all six chunks but which misses the top
    // right one (row 0, column 2): its long edge passes below that chunk.
    const CPolygon triangle({at(*v3, 100, 100), at(*v3, 2500, 1400), at(*v3, 150, 1300)});
    const std::vector<ChunkKey> under = {key(0, 0), key(0, 1), key(1, 0), key(1, 1), key(1, 2)};
    EXPECT_EQ(CKartile3Area::UnderPolygon(*v3, triangle), under);

    CProgressDialogData progress("Download map");
    int changes = 0;
    progress.onChanged = [&] { ++changes; };
    ASSERT_TRUE(run(progress, [&] { v3->DownloadPolygon(&triangle, &progress); }));
    EXPECT_EQ(outcome(progress), "ok 5/0 ");
    EXPECT_GE(changes, 6) << "the start and every chunk";
    EXPECT_EQ(filledChunks(v3), under);
    EXPECT_TRUE(v3->chunkFile()->IsBlank(1, 2));
    for (ChunkKey k : {key(0, 0), key(0, 1), key(1, 0), key(1, 1)})
        EXPECT_TRUE(v3->chunkFile()->ChunkIsFullyDownloaded(ChunkKeyRow(k), ChunkKeyColumn(k)));
    EXPECT_FALSE(v3->isDownloadingArea());

    CProgressDialogData whole;
    ASSERT_TRUE(run(whole, [&] { v3->DownloadWholeMap(&whole); }));
    EXPECT_EQ(outcome(whole), "ok 6/0 ");
    EXPECT_TRUE(v3->chunkFile()->appearsFullyDownloaded());
    expectTwinPixels(v3);

    // Nothing left to fetch: finished at once, without the server.
    nginx->stop();
    CProgressDialogData again;
    v3->DownloadWholeMap(&again);
    EXPECT_EQ(outcome(again), "ok 6/0 ");
}

TEST_F(AreaDownload, RouteTakesTheChunksWithinItsWidthInMetres) {
    ktltest::OpenMap map(local);
    auto* v3 = v3Of(map);
    ASSERT_NE(v3, nullptr);
    // Along pixel row 300 to x = 900, a pixel being 1/2600 degree wide (27 m)
    // and 1/1500 high (74 m): the second chunk column starts 124 pixels (about
    // 3.4 km) further east, the third 31 km, the second chunk row 724 pixels
    // (about 54 km) further south, and the chunk diagonally beyond both is
    // 62 km away.
    const CPolyline route({at(*v3, 100, 300), at(*v3, 900, 300)});
    const std::pair<double, std::vector<ChunkKey>> cases[] = {
        {500, {key(0, 0)}},
        {5000, {key(0, 0), key(0, 1)}},
        {40000, {key(0, 0), key(0, 1), key(0, 2)}},
        {60000, {key(0, 0), key(0, 1), key(0, 2), key(1, 0), key(1, 1)}},
    };
    for (const auto& [width, keys] : cases)
        EXPECT_EQ(CKartile3Area::AlongRoute(*v3, route, width), keys) << width << " m";
}

TEST_F(AreaDownload, ServerFileInSlicesFetchesAndDrawsTheSame) {
    if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
    // The same map laid out in slices of 100000 bytes, as a server holds
    // files over 2 GiB in slices of 2^31.
    const QString sliced = dir.file("sliced");
    QDir().mkpath(sliced);
    CKartile3Maker::Result result;
    std::string error;
    ASSERT_TRUE(CKartile3Maker::make(twin.classic, sliced.toStdString(), result, error, 100000))
        << error;
    ASSERT_GT(result.slices, 3);
    EXPECT_EQ(readFile(sliced + "/twin.kt3").size(), 100000);
    ASSERT_TRUE(nginx = serveMaps(sliced));
    CWebServer_NB_sliced::SetSliceSize(100000);
    ktltest::OpenMap map(local);
    auto* v3 = v3Of(map);
    ASSERT_NE(v3, nullptr);
    CProgressDialogData progress;
    ASSERT_TRUE(run(progress, [&] { v3->DownloadWholeMap(&progress); }));
    EXPECT_TRUE(progress.succeeded()) << progress.message() << nginx->log().toStdString();
    expectTwinPixels(v3);

    // Made again with bigger slices: the surplus slices of the old layout go.
    ASSERT_TRUE(CKartile3Maker::make(twin.classic, sliced.toStdString(), result, error, 1000000));
    EXPECT_FALSE(QFile::exists(sliced + QString("/twin.kt3.%1").arg(result.slices)));
}

TEST_F(AreaDownload, RefusalsAndCancellingFinishOnceAndNotOk) {
    ktltest::OpenMap map(local);
    auto* v3 = v3Of(map);
    ASSERT_NE(v3, nullptr);

    // No map server set: nothing is contacted.
    CProgressDialogData noServer;
    v3->DownloadWholeMap(&noServer);
    EXPECT_EQ(outcome(noServer), "failed 0/6 No map server is set");

    // A server that takes requests and never answers; cancel mid-way.
    StubHttpServer stall([](const StubHttpServer::Request&, QTcpSocket*) {});
    CWebWorker::SetServerBase(QUrl(loopbackUrl(stall.port())));
    CProgressDialogData progress;
    bool done = false;
    progress.onFinished = [&](bool) { done = true; };
    v3->DownloadWholeMap(&progress);
    ASSERT_TRUE(v3->isDownloadingArea());
    CProgressDialogData second;
    v3->DownloadWholeMap(&second);
    EXPECT_EQ(outcome(second).substr(0, 6), "failed") << "one area download at a time";
    ASSERT_TRUE(QTest::qWaitFor([&] { return stall.requests() > 0; }, 5000));
    progress.Cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 30000)) << "cancelling ends the transfers";
    EXPECT_EQ(outcome(progress), "failed 0/6 Cancelled");
    EXPECT_FALSE(v3->isDownloadingArea());

    // A map closed during a download finishes it.
    CProgressDialogData closing;
    {
        ktltest::OpenMap other(installLocal(twin, dir.file("other"), false));
        const int before = stall.requests();
        v3Of(other)->DownloadWholeMap(&closing);
        ASSERT_TRUE(QTest::qWaitFor([&] { return stall.requests() > before; }, 30000));
    }
    EXPECT_EQ(outcome(closing), "failed 0/6 The map was closed");
    QCoreApplication::processEvents();  // queued ends find nothing to touch
}

TEST(ServerSetting, TheMapServerComesFromTheSettingsAndHasNoDefault) {
    CWebWorker::serverSetting().clear();
    CWebWorker::ApplyServerSetting();
    EXPECT_TRUE(CWebWorker::ServerChunkUrl("/maps/a.ktl").isEmpty()) << "no built-in server";

    // Start-up: the settings file is read, then the server step applies it.
    TempDir dir;
    PersistantData::SetFolders(dir.file("app").toStdString(), dir.file("docs").toStdString());
    ASSERT_TRUE(writeFile(dir.file("app/orvanta.ini"),
                          "CWebWorker:serverBase=http://127.0.0.1:9/charts/\n"));
    RunAppHooks(AppHook::LoadSettings);
    RunAppHooks(AppHook::ApplyMapServer);
    PersistantData::SetFolders("", "");
    EXPECT_EQ(CWebWorker::serverSetting(), "http://127.0.0.1:9/charts/");
    EXPECT_EQ(CWebWorker::ServerChunkUrl("/maps/a.ktl").toString(),
              "http://127.0.0.1:9/charts/a.kt3");

    for (const char* bad : {"ftp://127.0.0.1/charts/", "not a url", "http:///nohost"}) {
        CWebWorker::serverSetting() = bad;
        CWebWorker::ApplyServerSetting();
        EXPECT_TRUE(CWebWorker::ServerChunkUrl("/maps/a.ktl").isEmpty()) << bad;
    }
    CWebWorker::serverSetting().clear();
    CWebWorker::SetServerBase({});
}

}  // namespace
