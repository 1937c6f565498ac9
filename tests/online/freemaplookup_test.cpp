// The best free map from the map-list service, against a stub service on
// loopback: the request it sends, the offer it picks, and the file it fetches.
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTest>
#include <optional>

#include "app/base/typeserializer.h"
#include "online/freemaplookup.h"
#include "support/stubhttpserver.h"
#include "support/testsupport.h"

using namespace testsupport;

namespace {

std::string listBytes(const std::vector<FreeMapOffer>& offers,
                      std::optional<int32_t> stated = std::nullopt) {
    CTypeBufferOut out;
    const int32_t count = stated.value_or(int32_t(offers.size()));
    out.put(&count, sizeof count);
    for (const FreeMapOffer& o : offers) {
        out.put(o.title);
        out.put(o.serverPath);
        out.put(&o.scale, sizeof o.scale);
        out.put(&o.price, sizeof o.price);
    }
    return out.bytes();
}

TEST(FreeMapLookup, TheMostDetailedFreeMapWithASafeNameIsFetched) {
    const std::vector<FreeMapOffer> offers = {
        {"Bought", "/maps/bought.ktl", 0.001, 500},
        {"Escaping", "/maps/../../evil.ktl", 0.002, 0},
        {"Coarse", "/maps/coarse.ktl", 0.05, 0},
        {"Fine", "/maps/fine.ktl", 0.004, 0},
    };
    QByteArray request;
    StubHttpServer stub([&](const StubHttpServer::Request& r, QTcpSocket* socket) {
        if (r.method == "POST" && r.path == kMapStoreCgi) {
            request = r.body;
            socket->write(StubHttpServer::reply(200, QByteArray::fromStdString(listBytes(offers))));
        } else {
            socket->write(StubHttpServer::reply(r.path == "/maps/fine.ktl" ? 200 : 404, "MAPDATA"));
        }
        socket->disconnectFromHost();
    });
    TempDir dir;
    int calls = 0;
    std::string path;
    FetchBestFreeMap(QUrl("http://127.0.0.1:" + QString::number(stub.port())), 50.75, -1.3,
                     dir.path().toStdString(), [&](const std::string& p) {
                         ++calls;
                         path = p;
                     });
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 30000));
    QTest::qWait(20);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(path, dir.file("fine.ktl").toStdString());
    EXPECT_EQ(readFile(dir.file("fine.ktl")), "MAPDATA");
    ASSERT_EQ(request.size(), 24);
    int32_t command = 0, version = 0;
    double lat = 0, lon = 0;
    const std::string bytes = request.toStdString();  // read in place
    CTypeBufferIn in(bytes);
    ASSERT_TRUE(in.get(&command, 4) && in.get(&version, 4) && in.get(&lat, 8) && in.get(&lon, 8));
    EXPECT_EQ(std::make_tuple(command, version, lat, lon), std::make_tuple(101, 5, 50.75, -1.3));
}

TEST(FreeMapLookup, DamagedListsAndNoServiceGiveNoMap) {
    const std::string good = listBytes({{"Fine", "/maps/fine.ktl", 0.004, 0}});
    const std::pair<const char*, std::string> cases[] = {
        {"cut short", good.substr(0, good.size() - 3)},
        {"negative count", listBytes({}, -2)},
        {"count past the end", listBytes({{"Fine", "/maps/fine.ktl", 0.004, 0}}, 2)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        CTypeBufferIn in(bytes);
        std::vector<FreeMapOffer> offers;
        EXPECT_FALSE(ReadMapList(in, offers));
    }
    const std::pair<const char*, const char*> names[] = {
        {"/a/b/chart-1.ktl", "chart-1.ktl"},
        {"/a/../x.ktl", ""},
        {"/a/.hidden.ktl", ""},
        {"/a/map.ktl.sh", ""},
        {"/a/sp ace.ktl", ""},
        {"/a/", ""},
    };
    for (const auto& [serverPath, local] : names) EXPECT_EQ(FreeMapFileName(serverPath), local);
    int calls = 0;
    FetchBestFreeMap(QUrl(), 0, 0, "/tmp", [&](const std::string& p) { calls += p.empty(); });
    EXPECT_EQ(calls, 1);
}

}  // namespace
