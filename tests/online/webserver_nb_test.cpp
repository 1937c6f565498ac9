// The plain-file web client against a real nginx on loopback, and against a
// stub server for stalls and deaths mid-transfer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <QNetworkAccessManager>

#include "online/networkaccess.h"
#include "online/webserver_nb.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

QByteArray pattern(int size, int seed = 0) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) data[i] = char((i * 31 + seed) & 0xFF);
    return data;
}

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
        writeFile(root.file("maps/a.bin"), pattern(100000));
        writeFile(root.file("small.bin"), pattern(2000, 7));
        writeFile(root.file("norange/a.bin"), pattern(5000));
        server = std::make_unique<NginxServer>(root.path(), "location /norange/ { max_ranges 0; }");
        ASSERT_TRUE(server->running()) << server->error().toStdString();
    }
    std::unique_ptr<CWebServer_NB> client() {
        return std::make_unique<CWebServer_NB>("127.0.0.1", false, false, server->port());
    }
    // Runs the request and waits for its completion.
    int runToCompletion(CWebServer_NB& web, const std::function<bool()>& startRequest) {
        int result = -99;
        bool done = false;
        web.SetCompletion([&](int r) {
            result = r;
            done = true;
        });
        if (!startRequest() && done) return result;
        EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, 15000));
        return result;
    }

    TempDir root, local;
    std::unique_ptr<NginxServer> server;
};

TEST_F(WebServerTest, WholeFileArrivesAndNoTmpStays) {
    auto web = client();
    int progressCalls = 0;
    web->SetProgress([&](int64_t received, int64_t total) {
        ++progressCalls;
        EXPECT_LE(received, total);
        return true;
    });
    const QString target = local.file("a.bin");
    EXPECT_EQ(runToCompletion(*web, [&] { return web->GetFile("/maps/a.bin", target); }), 1);
    EXPECT_FALSE(web->failed());
    EXPECT_EQ(readFile(target), pattern(100000));
    EXPECT_FALSE(QFile::exists(target + ".tmp"));
    EXPECT_GT(progressCalls, 0);
}

TEST_F(WebServerTest, FailedDownloadLeavesTheEarlierCopyAndNoTmp) {
    auto web = client();
    const QString target = local.file("keep.bin");
    writeFile(target, "earlier copy");
    EXPECT_EQ(runToCompletion(*web, [&] { return web->GetFile("/maps/missing.bin", target); }), 0);
    EXPECT_TRUE(web->failed());
    EXPECT_FALSE(web->errorText().isEmpty());
    EXPECT_EQ(readFile(target), "earlier copy");
    EXPECT_FALSE(QFile::exists(target + ".tmp"));

    // A tmp file that can't be made fails at once with its own message.
    EXPECT_EQ(runToCompletion(*web, [&] { return web->GetFile("/maps/a.bin", "/no/such/dir/x"); }),
              -1);
    EXPECT_EQ(web->errorText(), "Could not open tmp file for writing: /no/such/dir/x.tmp");
}

TEST_F(WebServerTest, CancelledByProgressLeavesNothingAndKeepsTheErrorText) {
    auto web = client();
    web->SetProgress([](int64_t, int64_t) { return false; });
    const QString target = local.file("c.bin");
    EXPECT_EQ(runToCompletion(*web, [&] { return web->GetFile("/maps/a.bin", target); }), 0);
    EXPECT_TRUE(web->failed());
    EXPECT_TRUE(web->errorText().isEmpty());
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_FALSE(QFile::exists(target + ".tmp"));
}

TEST_F(WebServerTest, RangeReadsAndShortReplies) {
    auto web = client();
    QByteArray buffer(500, 'x');
    EXPECT_EQ(runToCompletion(*web, [&] {
                  return web->ReadPartialFileSlice_NB("/maps/a.bin", 1000, 500, buffer.data());
              }),
              500);
    EXPECT_EQ(buffer, pattern(100000).mid(1000, 500));

    // Past the end of the file: fewer bytes, not an error.
    QByteArray tail(500, 'x');
    EXPECT_EQ(runToCompletion(*web, [&] {
                  return web->ReadPartialFileSlice_NB("/small.bin", 1900, 500, tail.data());
              }),
              100);
    EXPECT_EQ(tail.left(100), pattern(2000, 7).mid(1900, 100));
}

TEST_F(WebServerTest, AServerThatIgnoresRangeIsRefused) {
    auto web = client();
    QByteArray buffer(100, 'x');
    EXPECT_EQ(runToCompletion(*web, [&] {
                  return web->ReadPartialFileSlice_NB("/norange/a.bin", 1000, 100, buffer.data());
              }),
              -1);
    EXPECT_TRUE(web->failed());
    EXPECT_EQ(buffer, QByteArray(100, 'x'));  // the start of the file was not taken
}

TEST_F(WebServerTest, SizeOnly) {
    auto web = client();
    int64_t size = -2;
    bool done = false;
    web->GetSizeOnly("/maps/a.bin", [&](int64_t s) {
        size = s;
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_EQ(size, 100000);
    done = false;
    web->GetSizeOnly("/maps/none.bin", [&](int64_t s) {
        size = s;
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_EQ(size, -1);
    EXPECT_TRUE(web->failed());
}

TEST_F(WebServerTest, CallbackMayStartTheNextRequest) {
    auto web = client();
    QByteArray first(10, 0), second(10, 0);
    int finalResult = -99;
    web->SetCompletion([&](int) {
        web->SetCompletion([&](int r) { finalResult = r; });
        web->ReadPartialFileSlice_NB("/maps/a.bin", 20, 10, second.data());
    });
    web->ReadPartialFileSlice_NB("/maps/a.bin", 0, 10, first.data());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finalResult != -99; }, 10000));
    EXPECT_EQ(finalResult, 10);
    EXPECT_EQ(second, pattern(100000).mid(20, 10));
}

TEST_F(WebServerTest, SlicedFilesAcrossTheTwoGigabyteBoundary) {
    // Sparse slices: the last bytes of slice 0 and the first of slice 1.
    const int64_t slice = CWebServer_NB_sliced::kSliceSize;
    const QString base = root.file("maps/big.dat");
    {
        QFile f(base);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(slice));
        f.seek(slice - 10);
        f.write("0123456789");
    }
    writeFile(base + ".1", "abcdefghij");

    EXPECT_EQ(CWebServer_NB_sliced::slicePath("/maps/big.dat", slice - 10), "/maps/big.dat");
    EXPECT_EQ(CWebServer_NB_sliced::slicePath("/maps/big.dat", slice), "/maps/big.dat.1");
    EXPECT_EQ(CWebServer_NB_sliced::slicePath("/maps/big.dat", 5 * slice + 3), "/maps/big.dat.5");
    EXPECT_EQ(CWebServer_NB_sliced::clippedLength(slice - 10, 100), 10);
    EXPECT_EQ(CWebServer_NB_sliced::clippedLength(slice, 100), 100);

    CWebServer_NB_sliced web("127.0.0.1", false, false, server->port());
    QByteArray buffer(20, '-');
    int result = -99;
    web.SetCompletion([&](int r) { result = r; });
    EXPECT_EQ(web.ReadSlices("/maps/big.dat", slice - 10, 20, buffer.data()), 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result != -99; }, 10000));
    EXPECT_EQ(result, 10);
    result = -99;
    web.SetCompletion([&](int r) { result = r; });
    EXPECT_EQ(web.ReadSlices("/maps/big.dat", slice, 10, buffer.data() + 10), 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return result != -99; }, 10000));
    EXPECT_EQ(result, 10);
    EXPECT_EQ(buffer, QByteArray("0123456789abcdefghij"));
}

TEST(WebServerFailures, StalledTransferHitsTheTimeout) {
    StubHttpServer stub([](const StubHttpServer::Request&, QTcpSocket* socket) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n0123456789");
        // ...and nothing more.
    });
    TempDir local;
    CWebServer_NB web("127.0.0.1", false, false, stub.port());
    int result = -99;
    web.SetCompletion([&](int r) { result = r; });
    web.GetFile("/slow.bin", local.file("slow.bin"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result != -99; }, kTransferTimeoutMs + 8000));
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(web.failed());
    EXPECT_FALSE(QFile::exists(local.file("slow.bin")));
    EXPECT_FALSE(QFile::exists(local.file("slow.bin.tmp")));
}

TEST(WebServerFailures, ServerDyingMidTransferFails) {
    StubHttpServer stub([](const StubHttpServer::Request&, QTcpSocket* socket) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
        socket->write(QByteArray(1000, 'z'));
        socket->flush();
        socket->close();
    });
    TempDir local;
    CWebServer_NB web("127.0.0.1", false, false, stub.port());
    int result = -99;
    web.SetCompletion([&](int r) { result = r; });
    web.GetFile("/dies.bin", local.file("dies.bin"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return result != -99; }, 10000));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(QFile::exists(local.file("dies.bin")));
    EXPECT_FALSE(QFile::exists(local.file("dies.bin.tmp")));
}

TEST(WebServerFailures, ExplicitCancelCompletesOnceAsFailure) {
    StubHttpServer stub([](const StubHttpServer::Request&, QTcpSocket*) {});  // never answers
    CWebServer_NB web("127.0.0.1", false, false, stub.port());
    int calls = 0, result = -99;
    web.SetCompletion([&](int r) {
        ++calls;
        result = r;
    });
    QByteArray buffer(10, 0);
    web.ReadPartialFileSlice_NB("/x", 0, 10, buffer.data());
    QTimer::singleShot(200, &web, [&] { web.Cancel(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(web.busy());
}

TEST(NetworkAccess, AgentStringAndTimeout) {
    const QByteArray agent = applicationAgentString();
    EXPECT_TRUE(agent.startsWith("OVAP/1.2.1-")) << agent.constData();
    EXPECT_TRUE(agent.contains('/'));
    EXPECT_EQ(getGlobalNetworkAccessManager()->transferTimeout(), kTransferTimeoutMs);
    EXPECT_EQ(getGlobalNetworkAccessManager(), getGlobalNetworkAccessManager());
}

}  // namespace
