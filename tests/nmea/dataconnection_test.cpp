// The connection framework: catalogue, current connection, output filters,
// pause and resume, and the NMEA debug log.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/base/filedialogs.h"
#include "app/base/statusmessage.h"
#include "nmea/connectiontestsupport.h"
#include "nmea/udpconnection.h"

namespace {

using nmeatest::dispatch;
using nmeatest::withChecksum;

// A connection that records what it is asked to write.
class RecordingConnection : public CDataConnection {
public:
    bool Open() override { return !(inactive = false); }
    void Close() override {}
    bool Output(const char* text) override { return !written.emplace_back(text).empty(); }
    std::vector<std::string> written;
};

using conntest::sendGenerated;

// Keeps the class-wide state of one test from leaking into the next.
class ConnectionState : public ::testing::Test {
protected:
    void TearDown() override {
        CDataConnection::DestroyConnection();
        CDataConnection::gps_connection_type = CDataConnection::kDefaultType;
        CDataConnection::output_filters.clear();
        CDataConnection::stopDebug(nullptr);
        CDataConnection::menu_presenter = {};
        CDataConnection::dialog_presenter = {};
        setFileDialogPresenter({});
        SetStatusMessage("");
    }
};

TEST_F(ConnectionState, CatalogueListsTheTransportsInMenuOrder) {
    std::string names;
    for (auto* t = CDataConnection::CConnectionType::first_type; t; t = t->next)
        names += std::string(t->name) + " " + char(t->id) + ";";
    EXPECT_EQ(names, "Serial S;Location Service G;UDP/IP O;TCP/IP I;Simulation File J;None F;");
    EXPECT_EQ(CDataConnection::Create('Z'), nullptr);
}

TEST_F(ConnectionState, OutputFilterDecidesWhatIsWrittenAndNeverEchoes) {
    const char* rmb = "$ECRMB,A,0.00000,R,X,WP1,51.5000000,N,0.1000000,W,1.0,90.0,0.00,V,A";
    const std::string apb = withChecksum("$ECAPB,A,A,0.10,R,N,V,V,011,M,DEST,011,M,011,M");
    RecordingConnection connection, other, silent;  // silent: without rules nothing passes
    connection.output_filter.add("accept EC");
    EXPECT_TRUE(sendGenerated(rmb));
    EXPECT_TRUE(sendGenerated("$GPRMC,120000.00,A,5130.0000,N,00007.5000,W,5.0,0.0,060624,,,A"));
    EXPECT_TRUE(dispatch(apb, &connection));  // not sent back where it came from
    EXPECT_TRUE(dispatch(apb, &other));
    EXPECT_EQ(connection.written, (std::vector{withChecksum(rmb) + "\r\n", apb + "\r\n"}));
    EXPECT_TRUE(silent.written.empty());
}

TEST_F(ConnectionState, CreateConnectionAppliesFiltersOrStopsOutput) {
    CDataConnection::gps_connection_type = CDataConnection::kNone;
    CDataConnection::CreateConnection();
    ASSERT_TRUE(CDataConnection::theConnection);
    EXPECT_FALSE(CDataConnection::theConnection->inactive);
    EXPECT_FALSE(Listener<CNMEA_Raw>::HasListeners());  // no rules: nobody listens
    CDataConnection::output_filters = {"accept EC", "reject ECAPB"};
    CDataConnection::CreateConnection();
    EXPECT_TRUE(Listener<CNMEA_Raw>::HasListeners());
    ASSERT_EQ(CDataConnection::theConnection->output_filter.rules.size(), 2u);
    EXPECT_FALSE(CDataConnection::theConnection->output_filter.rules[1].accept);
    // A stored type that is not there falls back to the default.
    CDataConnection::gps_connection_type = 0;
    CDataConnection::CreateConnection();
    EXPECT_EQ(CDataConnection::gps_connection_type, CDataConnection::kDefaultType);
}

TEST_F(ConnectionState, SelectingATypeConfiguresOpensAndPersistsAndPauseDropsIt) {
    // Cancelled configuration: the new connection stays unopened, type 0.
    bool result = true;
    CDataConnection::onConnectionSelected(
        nullptr, CDataConnection::CConnectionType::Find(CDataConnection::kUDP),
        [&](bool ok) { result = ok; });
    EXPECT_EQ(std::tuple(result, CDataConnection::gps_connection_type,
                         CDataConnection::theConnection->inactive),
              std::tuple(false, 0, true));
    // Accepted: the dialog's port is used, the connection opens and the type is kept.
    CDataConnection::dialog_presenter = [](OV_HWND, CConnectionDialog& d, auto done) {
        dynamic_cast<CDlg_udp_setup&>(d).port = 0;  // any free port
        done(0);
    };
    CDataConnection::menu_presenter = [&](OV_HWND, const std::string&, const auto& entries, int,
                                          auto done) {
        done(int(std::find(entries.begin(), entries.end(), "UDP/IP") - entries.begin()));
    };
    CDataConnection::SelectConnectionType(nullptr, [&](bool ok) { result = ok; });
    EXPECT_EQ(std::pair(result, CDataConnection::gps_connection_type),
              std::pair(true, int(CDataConnection::kUDP)));
    auto* udp = dynamic_cast<CUDPConnection*>(CDataConnection::theConnection.get());
    ASSERT_NE(udp, nullptr);
    EXPECT_TRUE(udp->isBound() && !udp->inactive);
    // Pausing keeps a connection never opened and drops an open one.
    CDataConnection::gps_connection_type = CDataConnection::kNone;
    CDataConnection::theConnection.reset(CDataConnection::Create(CDataConnection::kNone));
    CDataConnection::AppWasPaused();
    ASSERT_TRUE(CDataConnection::theConnection);  // never opened
    CDataConnection::theConnection->Open();
    CDataConnection::AppWasPaused();
    EXPECT_FALSE(CDataConnection::theConnection);
    CDataConnection::AppWasResumed();
    ASSERT_TRUE(CDataConnection::theConnection);
    EXPECT_EQ(CDataConnection::theConnection->type_id, CDataConnection::kNone);
    EXPECT_FALSE(CDataConnection::theConnection->inactive);
    CDataConnection::AppWasDestroyed();
    EXPECT_FALSE(CDataConnection::theConnection);
}

TEST_F(ConnectionState, DebugLogRecordsLinesAndIsOfferedOnStop) {
    CDataConnection::startDebug();
    ASSERT_TRUE(CDataConnection::isDebugging());
    for (const char* line : {"$GPGGA,1", "$GPGGA,2"}) CDataConnection::DebugLog(line);
    testsupport::TempDir dir;
    const std::string destination = dir.file("kept.txt").toStdString();
    std::string offeredName;
    setFileDialogPresenter(
        [&](OV_HWND, FileDialogKind, const std::string& mime, const std::string& hint, auto done) {
            offeredName = mime + " " + hint;
            done(destination);
        });
    int parent = 0;
    CDataConnection::stopDebug(&parent);
    EXPECT_FALSE(CDataConnection::isDebugging());
    EXPECT_EQ(offeredName, "text/plain nmea_debug.txt");
    EXPECT_EQ(testsupport::readFile(dir.file("kept.txt")), "$GPGGA,1\n$GPGGA,2\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(CDataConnection::DebugLogPath())));

    // Deleting the connection ends logging.
    CDataConnection::startDebug();
    { RecordingConnection c; }
    EXPECT_FALSE(CDataConnection::isDebugging());
}

TEST_F(ConnectionState, DebugLogIsNotOpenedThroughAPlantedLink) {
    testsupport::TempDir dir;
    const QString victim = dir.file("victim.txt");
    ASSERT_TRUE(testsupport::writeFile(victim, "keep me"));
    const std::string path = CDataConnection::DebugLogPath();
    ::unlink(path.c_str());
    ASSERT_EQ(::symlink(victim.toUtf8().constData(), path.c_str()), 0);
    CDataConnection::startDebug();
    CDataConnection::DebugLog("$GPGGA,planted");
    CDataConnection::stopDebug(nullptr);
    EXPECT_EQ(testsupport::readFile(victim), "keep me");
    struct stat st;
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(testsupport::readFile(QString::fromStdString(path)), "$GPGGA,planted\n");
}

TEST_F(ConnectionState, MovingTheLogCopiesAcrossFileSystems) {
    testsupport::TempDir dir;
    const QString from = dir.file("log.txt");
    ASSERT_TRUE(testsupport::writeFile(from, "abc\n"));
    // /dev/shm is a tmpfs of its own on Linux; skip where it is not.
    struct stat a, b;
    if (::stat("/dev/shm", &b) != 0 || ::stat(dir.path().toUtf8().constData(), &a) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system to move to";
    const std::string to = "/dev/shm/orvanta_move_test_" + std::to_string(::getpid());
    EXPECT_TRUE(CDataConnection::MoveFile(from.toStdString(), to));
    EXPECT_FALSE(QFile::exists(from));
    EXPECT_EQ(testsupport::readFile(QString::fromStdString(to)), "abc\n");
    ::unlink(to.c_str());
    EXPECT_FALSE(CDataConnection::MoveFile(from.toStdString(), to));  // source gone
}

}  // namespace
