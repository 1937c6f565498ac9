// CTCPIPConnection: NMEA from a TCP server (default port 39150). Reads on
// the socket's ready-read signal, at most 200 lines per signal (the rest of
// what is waiting is dropped); a line that overflows pauses reading until
// the next turn of the event loop, so garbage never blocks it. Nothing
// reconnects by itself.
//
// Instant acquisition: on port 39150 the server's host also serves the AIS
// targets it knows on port 39151 ("/targets/getTargets"); once connected,
// that list is fetched into a temporary file and handed to
// `read_instant_targets`, which the AIS target manager fills in.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "nmea/dataconnection.h"
#include "nmea/nmealinereader.h"

class QTcpSocket;
class CWebServer_NB;

// The data side of the TCP settings dialog.
class CDlg_tcp_setup : public CConnectionDialog {
public:
    CDlg_tcp_setup();  // prefilled from the saved settings
    std::string ip_addr;
    int port = 0;
    std::string network_name;
    bool instant_acquisition = false;
};

class CTCPIPConnection : public QObject, public CDataConnection {
public:
    static constexpr int kDefaultPort = 39150;
    static constexpr int kTargetsPort = 39151;
    static constexpr int kMaxLinesPerRead = 200;

    CTCPIPConnection();
    ~CTCPIPConnection() override;

    void Configure(OV_HWND parent, const std::function<void(bool)>& done) override;
    bool Open() override;
    void Close() override;
    bool Output(const char* text) override;

    bool Setup(const std::string& address, int port, bool instant_acquisition);

    bool isConnected() const;
    const std::string& targetsFilePath() const { return targets_file; }
    std::string network_name;  // where it was set up; empty = any

    // Persisted under "CTCPIPConnection".
    static std::string saved_ip_address;
    static int saved_port;
    static std::string saved_network;
    static bool saved_instant_acquisition;

    // Reads a fetched AIS target list file (the AIS target manager's).
    static bool (*read_instant_targets)(const std::string& path);

private:
    void onConnected();
    void onReadyRead();
    void onTargetsFetched(int result);

    std::unique_ptr<QTcpSocket> socket;
    std::unique_ptr<CWebServer_NB> targets_client;
    std::string host;
    bool instant_acquisition = false;
    int port = kDefaultPort;
    std::string targets_file;
    CNMEALineReader reader;
    bool continuation_pending = false;
};
