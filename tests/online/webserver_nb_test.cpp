// The plain-file web client against a real nginx on loopback, and against a
// stub server for stalls and deaths mid-transfer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <limits>

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
    EXPECT_EQ(
        runToCompletion(
            *web,
            [&] { return web->ReadPartialFileSlice_NB("/maps/a.bin", 1000, 500, buffer.data()); }),
        500);
    EXPECT_EQ(buffer, pattern(100000).mid(1000, 500));

    // Past the end of the file: fewer bytes, not an error.
    QByteArray tail(500, 'x');
    EXPECT_EQ(
        runToCompletion(
            *web,
            [&] { return web->ReadPartialFileSlice_NB("/small.bin", 1900, 500, tail.data()); }),
        100);
    EXPECT_EQ(tail.left(100), pattern(2000, 7).mid(1900, 100));

    // A real server that ignores Range: refused, the file's start not taken.
    QByteArray ignored(100, 'x');
    EXPECT_EQ(runToCompletion(*web,
                              [&] {
                                  return web->ReadPartialFileSlice_NB("/norange/a.bin", 1000, 100,
                                                                      ignored.data());
                              }),
              -1);
    EXPECT_EQ(ignored, QByteArray(100, 'x'));
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

// Runs one request against a stub that answers with `reply` and waits for
// its completion.
int againstStub(const QByteArray& reply, const std::function<bool(CWebServer_NB&)>& start,
                bool keepOpen = false) {
    StubHttpServer stub([&](const StubHttpServer::Request&, QTcpSocket* socket) {
        if (reply.isEmpty()) return;  // never answers
        socket->write(reply);
        socket->flush();
        if (!keepOpen) socket->disconnectFromHost();
    });
    CWebServer_NB web("127.0.0.1", false, false, stub.port());
    int calls = 0, result = -99;
    web.SetCompletion([&](int r) {
        ++calls;
        result = r;
    });
    if (!start(web)) return -98;
    if (reply.isEmpty()) {  // cancelled once the request has arrived
        EXPECT_TRUE(QTest::qWaitFor([&] { return stub.requests() > 0; }, 30000));
        web.Cancel();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, kTransferTimeoutMs + 30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(web.busy());
    return result;
}

TEST(WebServerFailures, RangeRepliesThatAreNotTheRangeAskedAreRefused) {
    const QByteArray body = pattern(100);
    const struct {
        const char* name;
        QByteArray reply;
    } cases[] = {
        {"200 to a Range request", StubHttpServer::reply(200, pattern(5000))},
        {"206 from another offset",
         "HTTP/1.1 206 X\r\nContent-Range: bytes 0-99/5000\r\nContent-Length: 100\r\n\r\n" + body},
        {"206 longer than asked",
         "HTTP/1.1 206 X\r\nContent-Range: bytes 1000-1199/5000\r\nContent-Length: 100\r\n\r\n" +
             body},
        {"206 past its own total",
         "HTTP/1.1 206 X\r\nContent-Range: bytes 1000-1099/1050\r\nContent-Length: 100\r\n\r\n" +
             body},
        {"206 without Content-Range", "HTTP/1.1 206 X\r\nContent-Length: 100\r\n\r\n" + body},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray buffer(100, 'x');
        EXPECT_EQ(againstStub(c.reply,
                              [&](CWebServer_NB& web) {
                                  return web.ReadPartialFileSlice_NB("/a.bin", 1000, 100,
                                                                     buffer.data());
                              }),
                  -1);
        EXPECT_EQ(buffer, QByteArray(100, 'x'));  // nothing of the reply was taken
    }
}

TEST(WebServerFailures, FilesThatStallDieOrExceedTheirLimitsLeaveNothing) {
    const QByteArray big = pattern(5000);
    const int64_t none = std::numeric_limits<int64_t>::max();
    const struct {
        const char* name;
        QByteArray reply;
        int64_t limit;
        bool keepOpen;
    } cases[] = {
        {"stalls", "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n0123456789", none, true},
        {"dies mid-transfer", "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + big, none,
         false},
        {"states more than the limit", StubHttpServer::reply(200, big), 4000, false},
        {"sends more than the limit", "HTTP/1.0 200 OK\r\n\r\n" + big, 4000, false},
        {"states more than the disk holds",
         "HTTP/1.1 200 OK\r\nContent-Length: 999999999999999\r\n\r\n" + big, none, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir local;
        const QString target = local.file("f.bin");
        const auto start = [&](CWebServer_NB& web) {
            web.SetFileLimit(c.limit);
            return web.GetFile("/f.bin", target);
        };
        EXPECT_EQ(againstStub(c.reply, start, c.keepOpen), 0);
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_FALSE(QFile::exists(target + ".tmp"));
    }
    // Within the limit, a body without a stated length is taken whole.
    TempDir local;
    EXPECT_EQ(againstStub("HTTP/1.0 200 OK\r\n\r\n" + big,
                          [&](CWebServer_NB& web) {
                              web.SetFileLimit(5000);
                              return web.GetFile("/f.bin", local.file("f.bin"));
                          }),
              1);
    EXPECT_EQ(readFile(local.file("f.bin")), big);
}

TEST(WebServerFailures, ExplicitCancelCompletesOnceAsFailure) {
    QByteArray buffer(10, 0);
    EXPECT_EQ(againstStub({},
                          [&](CWebServer_NB& web) {
                              return web.ReadPartialFileSlice_NB("/x", 0, 10, buffer.data());
                          }),
              -1);
}

}  // namespace
