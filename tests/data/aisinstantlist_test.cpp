// The instant target list: fetched from nginx on 127.0.0.1:39151 when the TCP
// source on 127.0.0.1:39150 connects, and its reader on lists good and bad.
#include <gtest/gtest.h>

#include <QTcpSocket>

#include "aistestsupport.h"
#include "nmea/connectiontestsupport.h"
#include "nmea/tcpipconnection.h"
#include "support/nginxserver.h"

using namespace aistest;
using namespace std::string_literals;

namespace {

const QByteArray kList =
    "<?xml version=\"1.0\"?>\n"
    "<Watchmate>\n"
    " <Target><MMSI>235010001</MMSI><Name>SOLENT FLYER</Name>"
    "<VesselTypeString>Passenger</VesselTypeString><CallSign>MSFL2</CallSign></Target>\n"
    " <target><MMSI>972010002</MMSI></target>\n"
    " <Target><MMSI>0</MMSI><Name>NO NUMBER</Name></Target>\n"
    " <Vessel><MMSI>235010003</MMSI></Vessel>\n"
    " <TARGET><MMSI>235010004</MMSI><Name>OTHER NAME</Name></TARGET>\n"
    "</Watchmate>\n";

// A target heard before the list keeps its name and class.
void hearKnownTarget() {
    send(AisEncoder::classBStatic(vessel(235010004, "KNOWN"), 0));
    send(AisEncoder::classB(at(235010004, 0, 0, 0, 0)));
}

void checkListedTargets() {
    const CAISTarget *flyer = target(235010001), *beacon = target(972010002),
                     *known = target(235010004);
    ASSERT_TRUE(flyer && beacon && known);
    EXPECT_EQ(std::string(flyer->class_text) + "|" + flyer->details,
              "Instant|\"SOLENT FLYER\" Type:Passenger Callsign:MSFL2, MMSI:235010001");
    EXPECT_EQ(std::pair(beacon->details, beacon->colour.rgba()),
              std::pair("Man Overboard"s, 0xFFFF0000u));
    EXPECT_FALSE(target(0) || target(235010003));
    EXPECT_EQ(known->name + "|" + known->class_text, "KNOWN|Class B");
}

TEST(AisInstantList, ReadFromTheTcpSourcesServer) {
    ASSERT_TRUE(testsupport::NginxServer::available());
    Fresh fresh;
    hearKnownTarget();
    testsupport::TempDir root;
    ASSERT_TRUE(testsupport::writeFile(root.file("targets/getTargets"), kList));
    testsupport::NginxServer nginx(root.path(), "listen 127.0.0.1:39151;");
    ASSERT_TRUE(nginx.running()) << nginx.error().toStdString();

    conntest::LoopbackServer server;
    server.server.close();  // another test process may hold the fixed port for a moment
    ASSERT_TRUE(conntest::pumpUntil(
        [&] {
            return server.server.listen(QHostAddress::LocalHost, CTCPIPConnection::kDefaultPort);
        },
        60000, false));
    CTCPIPConnection connection;
    connection.Setup("127.0.0.1", CTCPIPConnection::kDefaultPort, true);
    ASSERT_TRUE(connection.Open());
    ASSERT_TRUE(server.waitForClient());
    ASSERT_TRUE(conntest::pumpUntil([&] { return target(235010001) != nullptr; }, 60000))
        << nginx.log().toStdString();
    checkListedTargets();
    connection.Close();
}

TEST(AisInstantList, ListsTheReaderRefuses) {
    Fresh fresh;
    const struct {
        const char* name;
        const char* text;
        bool accepted;
    } cases[] = {{"empty", "", false},
                 {"not XML", "235010001,50.8,-1.3\n", false},
                 {"another root", "<Targets><Target><MMSI>1</MMSI></Target></Targets>", false},
                 {"cut short", "<Watchmate><Target><MMSI>235010009</MMSI>", false},
                 {"no targets", "<Watchmate/>", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CAISTargetManager::theManager.ReadInstantTargetsText(c.text), c.accepted);
    }
    EXPECT_FALSE(CAISTargetManager::theManager.ReadInstantTargets("/nonexistent/targets.txt"));
    hearKnownTarget();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeFile(dir.file("t.xml"), kList));
    EXPECT_TRUE(CAISTargetManager::theManager.ReadInstantTargets(dir.file("t.xml").toStdString()));
    checkListedTargets();
}

}  // namespace
