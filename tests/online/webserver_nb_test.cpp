// The plain-file web client against a real nginx on loopback, and against a
// stub server for replies a real server won't give on demand.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTcpSocket>
#include <QTest>
#include <limits>
#include <tuple>

#include "online/networkaccess.h"
#include "online/webserver_nb.h"
#include "support/nginxserver.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// Starts a request and waits for its completion, which must come exactly
// once; `whileWaiting` runs once first (a cancel, say).
int runOnce(CWebServer_NB& web, const std::function<bool()>& start,
            const std::function<void()>& whileWaiting = {}) {
    int calls = 0, result = -99;
    web.SetCompletion([&](int r) {
        ++calls;
        result = r;
    });
    start();
    if (whileWaiting) whileWaiting();
    EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, kTransferTimeoutMs + 30000));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
    return result;
}

QByteArray pattern(int size) {
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i) data[i] = char((i * 31) & 0xFF);
    return data;
}

class WebServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!NginxServer::available()) GTEST_SKIP() << "nginx is not installed";
        writeFile(root.file("maps/a.bin"), pattern(100000));
        server = std::make_unique<NginxServer>(root.path());
        ASSERT_TRUE(server->running()) << server->error().toStdString();
        web = std::make_unique<CWebServer_NB_sliced>("127.0.0.1", false, false, server->port());
    }
    int run(const std::function<bool()>& start) { return runOnce(*web, start); }

    TempDir root, local;
    std::unique_ptr<NginxServer> server;
    std::unique_ptr<CWebServer_NB_sliced> web;
};

TEST_F(WebServerTest, WholeFilesArriveOrLeaveTheEarlierCopyAndNoTmp) {
    int progressCalls = 0;
    web->SetProgress(
        [&](int64_t received, int64_t total) { return ++progressCalls && received <= total; });
    const QString target = local.file("a.bin");
    EXPECT_EQ(run([&] { return web->GetFile("/maps/a.bin", target); }), 1);
    EXPECT_EQ(readFile(target), pattern(100000));
    EXPECT_GT(progressCalls, 0);

    EXPECT_EQ(run([&] { return web->GetFile("/maps/missing.bin", target); }), 0);
    EXPECT_FALSE(web->errorText().isEmpty());
    web->SetProgress([](int64_t, int64_t) { return false; });  // cancelled on the way
    EXPECT_EQ(run([&] { return web->GetFile("/maps/a.bin", target); }), 0);
    EXPECT_TRUE(web->failed());
    EXPECT_EQ(readFile(target), pattern(100000));
    EXPECT_FALSE(QFile::exists(target + ".tmp"));

    EXPECT_EQ(run([&] { return web->GetFile("/maps/a.bin", "/no/such/dir/x"); }), -1);
    EXPECT_EQ(web->errorText(), "Could not open tmp file for writing: /no/such/dir/x.tmp");
}

TEST_F(WebServerTest, RangeReadsShortRepliesAndSizes) {
    // 500 bytes asked from an offset; past the end of the file, fewer come, not an error.
    for (const auto& [offset, count] : {std::pair{1000, 500}, std::pair{99900, 100}}) {
        QByteArray buffer(500, 'x');
        const auto start = [&, at = offset] {
            return web->ReadPartialFileSlice_NB("/maps/a.bin", at, 500, buffer.data());
        };
        EXPECT_EQ(run(start), count);
        EXPECT_EQ(buffer.left(count), pattern(100000).mid(offset, count));
    }

    // A size query, and a callback that starts the next request.
    std::vector<int64_t> sizes;
    web->GetSizeOnly("/maps/a.bin", [&](int64_t s) {
        sizes.push_back(s);
        web->GetSizeOnly("/maps/none.bin", [&](int64_t s2) { sizes.push_back(s2); });
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return sizes.size() == 2; }, 30000));
    EXPECT_EQ(sizes, (std::vector<int64_t>{100000, -1}));
    EXPECT_TRUE(web->failed());
}

TEST_F(WebServerTest, SlicedFilesAcrossTheTwoGigabyteBoundary) {
    // Sparse slices: the last bytes of slice 0 and the first of slice 1.
    const int64_t slice = CWebServer_NB_sliced::kSliceSize;
    {
        QFile f(root.file("maps/big.dat"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(slice));
        f.seek(slice - 10);
        f.write("0123456789");
    }
    writeFile(root.file("maps/big.dat.1"), "abcdefghij");
    QByteArray buffer(20, '-');
    EXPECT_EQ(
        run([&] { return web->ReadSlices("/maps/big.dat", slice - 10, 20, buffer.data()) == 10; }),
        10);
    EXPECT_EQ(
        run([&] { return web->ReadSlices("/maps/big.dat", slice, 10, buffer.data() + 10) == 10; }),
        10);
    EXPECT_EQ(buffer, QByteArray("0123456789abcdefghij"));
}

// One request against a stub that sends `reply` (then closes, unless it
// keeps the connection open) or, with no reply, is cancelled once asked.
int againstStub(const QByteArray& reply, const std::function<bool(CWebServer_NB&)>& start,
                bool keepOpen = false) {
    StubHttpServer stub(StubHttpServer::sending(reply, !keepOpen && !reply.isEmpty()));
    CWebServer_NB web("127.0.0.1", false, false, stub.port());
    const auto cancel = [&] {
        EXPECT_TRUE(QTest::qWaitFor([&] { return stub.requests() > 0; }, 30000));
        web.Cancel();
    };
    return runOnce(
        web, [&] { return start(web); }, reply.isEmpty() ? cancel : std::function<void()>());
}

QByteArray partial(const QByteArray& range, const QByteArray& body = pattern(100)) {
    return "HTTP/1.1 206 X\r\n" +
           (range.isEmpty() ? "" : "Content-Range: bytes " + range + "\r\n") +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

TEST(WebServerStub, RepliesThatAreNotTheRangeAskedAreRefused) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"200 to a Range request", StubHttpServer::reply(200, pattern(5000))},
        {"206 from another offset", partial("0-99/5000")},
        {"206 longer than asked", partial("1000-1199/5000", pattern(200))},
        {"206 past its own total", partial("1000-1099/1050")},
        {"206 without Content-Range", partial("")},
        {"cancelled", {}},
    };
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        QByteArray buffer(100, 'x');
        const auto start = [&](CWebServer_NB& web) {
            return web.ReadPartialFileSlice_NB("/a.bin", 1000, 100, buffer.data());
        };
        EXPECT_EQ(againstStub(reply, start), -1);
        EXPECT_EQ(buffer, QByteArray(100, 'x'));  // nothing of the reply was taken
    }
}

TEST(WebServerStub, FilesThatStallDieOrExceedTheirLimitsLeaveNothing) {
    const QByteArray big = pattern(5000), unstated = "HTTP/1.0 200 OK\r\n\r\n" + big;
    const int64_t none = std::numeric_limits<int64_t>::max();
    const std::tuple<const char*, QByteArray, int64_t, int> cases[] = {
        // name, reply, limit, result
        {"stalls", "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n0123456789", none, 0},
        {"dies mid-transfer", "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + big, none, 0},
        {"states more than the limit", StubHttpServer::reply(200, big), 4999, 0},
        {"sends more than the limit", unstated, 4999, 0},
        {"states more than the disk holds",
         "HTTP/1.1 200 OK\r\nContent-Length: 999999999999999\r\n\r\n" + big, none, 0},
        {"sends no more than the limit", unstated, 5000, 1},
    };
    for (const auto& [name, reply, limit, result] : cases) {
        SCOPED_TRACE(name);
        TempDir local;
        const QString target = local.file("f.bin");
        const auto start = [&, limit = limit](CWebServer_NB& web) {
            web.SetFileLimit(limit);
            return web.GetFile("/f.bin", target);
        };
        EXPECT_EQ(againstStub(reply, start, std::string(name) == "stalls"), result);
        EXPECT_EQ(readFile(target), result ? big : QByteArray());
        EXPECT_FALSE(QFile::exists(target + ".tmp"));
    }
}

}  // namespace
