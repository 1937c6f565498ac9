// The binary CGI client against a loopback endpoint that echoes its request.
#include <gtest/gtest.h>

#include <QPointer>
#include <QTcpSocket>
#include <QTest>

#include "online/webbinarycgi_nb.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

TEST(WebBinaryCGI, RequestIsPostedAndTheReplyReadBackInOrder) {
    StubHttpServer::Request seen;
    StubHttpServer echo([&](const StubHttpServer::Request& r, QTcpSocket* socket) {
        seen = r;
        socket->write(StubHttpServer::reply(200, r.body));
        socket->disconnectFromHost();
    });
    auto* client =
        new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/mapstore3.cgi", false, false, echo.port());
    QPointer<CWebBinaryCGI_NB> alive(client);
    int32_t command = 102, version = 5;
    std::string text = "Falmouth";
    double lat = 50.15, lon = -5.07;
    client->declare(command);
    client->declare(version);
    client->declare(text);
    client->declare(lat);
    client->declare(lon);
    client->put_data("xyz", -1);  // zero-terminated: its length is found

    bool done = false, okSeen = false;
    int32_t c = 0, v = 0;
    std::string t;
    double a = 0, b = 0;
    char tail[3] = {};
    bool tailOk = false, pastEnd = true;
    ASSERT_TRUE(client->Send([&](CWebBinaryCGI_NB* cl, bool ok) {
        okSeen = ok;
        EXPECT_EQ(cl->state(), CWebBinaryCGI_NB::kStateReplied);
        cl->declare(c);
        cl->declare(v);
        cl->declare(t);
        cl->declare(a);
        cl->declare(b);
        tailOk = cl->get_data(tail, 3);
        char guard = 'g';
        pastEnd = cl->get_data(&guard, 1);
        EXPECT_EQ(guard, 'g');  // nothing copied past the end
        done = true;
    }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_TRUE(okSeen);
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.path, "/cgi-bin/mapstore3.cgi");
    EXPECT_EQ(seen.header("Content-Type"), "application/binary");
    EXPECT_TRUE(seen.header("User-Agent").startsWith("OVAP/1.2.1-"));
    EXPECT_EQ(c, 102);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(t, "Falmouth");
    EXPECT_EQ(a, 50.15);
    EXPECT_EQ(b, -5.07);
    EXPECT_TRUE(tailOk);
    EXPECT_EQ(std::string(tail, 3), "xyz");
    EXPECT_FALSE(pastEnd);
    // The client deletes itself after its callback.
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 5000));
}

TEST(WebBinaryCGI, ServerErrorsAndRepliesPastTheLimitFailOnce) {
    const struct {
        const char* name;
        QByteArray reply;
    } cases[] = {
        {"server error", StubHttpServer::reply(500, "oops")},
        {"stated length past the limit", StubHttpServer::reply(200, QByteArray(5000, 'r'))},
        {"unstated length past the limit", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(5000, 'r')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StubHttpServer server([&](const StubHttpServer::Request&, QTcpSocket* socket) {
            socket->write(c.reply);
            socket->disconnectFromHost();
        });
        auto* client =
            new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/x.cgi", false, false, server.port());
        QPointer<CWebBinaryCGI_NB> alive(client);
        client->SetReplyLimit(1000);
        int calls = 0;
        bool okSeen = true;
        qsizetype held = -1;
        client->Send([&](CWebBinaryCGI_NB* cl, bool ok) {
            ++calls;
            okSeen = ok;
            held = cl->bytesLeft();
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }, 30000));
        EXPECT_EQ(calls, 1);
        EXPECT_FALSE(okSeen);
        EXPECT_EQ(held, 0);
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
    bool done = false, okSeen = false;
    (new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/x.cgi", false, false, echo.port()))
        ->SendFile(dir.file("req.bin"), [&](bool ok) {
            okSeen = ok;
            done = true;
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 10000));
    EXPECT_TRUE(okSeen);
    EXPECT_EQ(received, QByteArray("\x01\x02\x00\x03", 4));

    bool missingOk = true;
    (new CWebBinaryCGI_NB("127.0.0.1", "/cgi-bin/x.cgi", false, false, echo.port()))
        ->SendFile(dir.file("none.bin"), [&](bool ok) { missingOk = ok; });
    EXPECT_FALSE(missingOk);
}

}  // namespace
