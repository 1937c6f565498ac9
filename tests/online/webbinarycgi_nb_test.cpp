// The binary CGI client against a loopback endpoint.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTcpSocket>
#include <QTest>
#include <tuple>

#include "online/webbinarycgi_nb.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

// Sends a request to a stub answering with `reply` (an echo when empty) and
// waits until the client has deleted itself; the callback must come once.
void exchange(const QByteArray& reply, const std::function<void(CWebBinaryCGI_NB*)>& request,
              const std::function<void(CWebBinaryCGI_NB*, bool)>& onReply,
              StubHttpServer::Request* seen = nullptr) {
    StubHttpServer server([&](const StubHttpServer::Request& r, QTcpSocket* socket) {
        if (seen) *seen = r;
        socket->write(reply.isEmpty() ? StubHttpServer::reply(200, r.body) : reply);
        socket->disconnectFromHost();
    });
    auto* client =
        new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/mapstore3.cgi", false, false, server.port());
    QPointer<CWebBinaryCGI_NB> alive(client);
    int calls = 0;
    request(client);
    client->Send([&](CWebBinaryCGI_NB* cl, bool ok) {
        ++calls;
        onReply(cl, ok);
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 30000));
    EXPECT_EQ(calls, 1);
}

TEST(WebBinaryCGI, RequestIsPostedAndTheReplyReadBackInOrder) {
    StubHttpServer::Request seen;
    int32_t command = 102, c = 0;
    std::string text = "Falmouth", t;
    double lat = 50.15, a = 0;
    bool okSeen = false, pastEnd = true;
    exchange(
        {},
        [&](CWebBinaryCGI_NB* cl) {
            cl->declare(command);
            cl->declare(text);
            cl->declare(lat);
            cl->put_data("xyz", -1);  // zero-terminated: its length is found
        },
        [&](CWebBinaryCGI_NB* cl, bool ok) {
            okSeen = ok && cl->declare(c) && cl->declare(t) && cl->declare(a);
            char tail[4] = {}, guard = 'g';
            EXPECT_TRUE(cl->get_data(tail, 3));
            EXPECT_STREQ(tail, "xyz");
            pastEnd = cl->get_data(&guard, 1);
            EXPECT_EQ(guard, 'g');  // nothing copied past the end
        },
        &seen);
    EXPECT_TRUE(okSeen);
    EXPECT_FALSE(pastEnd);
    EXPECT_EQ(seen.method + " " + seen.path, "POST /cgi-bin/mapstore3.cgi");
    EXPECT_EQ(seen.header("Content-Type"), "application/binary");
    EXPECT_TRUE(seen.header("User-Agent").startsWith("OVAP/1.2.1-"));
    EXPECT_EQ(std::make_tuple(c, t, a), std::make_tuple(102, std::string("Falmouth"), 50.15));
}

TEST(WebBinaryCGI, ServerErrorsAndRepliesPastTheLimitFail) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"server error", StubHttpServer::reply(500, "oops")},
        {"stated length past the limit", StubHttpServer::reply(200, QByteArray(5000, 'r'))},
        {"unstated length past the limit", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(5000, 'r')},
    };
    for (const auto& [name, reply] : cases) {
        SCOPED_TRACE(name);
        exchange(
            reply, [](CWebBinaryCGI_NB* cl) { cl->SetReplyLimit(1000); },
            [](CWebBinaryCGI_NB* cl, bool ok) {
                EXPECT_FALSE(ok);
                EXPECT_EQ(cl->bytesLeft(), 0);
            });
    }
}

TEST(WebBinaryCGI, SendFilePostsTheFileAndReportsAMissingOne) {
    QByteArray received;
    StubHttpServer echo([&](const StubHttpServer::Request& r, QTcpSocket* socket) {
        received = r.body;
        socket->write(StubHttpServer::reply(200, "ok"));
        socket->disconnectFromHost();
    });
    TempDir dir;
    writeFile(dir.file("req.bin"), QByteArray("\x01\x02\x00\x03", 4));
    int results = 0;
    for (const char* name : {"req.bin", "none.bin"})
        (new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/x.cgi", false, false, echo.port()))
            ->SendFile(dir.file(name), [&](bool ok) { results += ok ? 1 : 10; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return results == 11; }, 30000));
    EXPECT_EQ(received, QByteArray("\x01\x02\x00\x03", 4));
}

}  // namespace
