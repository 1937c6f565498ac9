// CUDPConnection: NMEA from UDP datagrams on a port (default 2000), bound
// on every address and shared with other programs. Each datagram is taken
// into a 4000-byte buffer (longer ones are cut); lines may continue from
// one datagram to the next. At most 200 lines per ready-read signal: the
// rest of the buffer and every waiting datagram are then dropped.
// Sentences the output filter passes go out as one datagram each to
// "send_to" ("host:port", e.g. the network's broadcast address); empty
// sends nothing.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "nmea/dataconnection.h"
#include "nmea/nmealinereader.h"

class QUdpSocket;

// The data side of the "UDP Settings" dialog.
class CDlg_udp_setup : public CConnectionDialog {
public:
    CDlg_udp_setup();  // prefilled with the saved port and the current network
    std::string network_name;
    int port = 0;
};

class CUDPConnection : public QObject, public CDataConnection {
public:
    static constexpr int kDefaultPort = 2000;
    static constexpr int kMaxLinesPerRead = 200;

    CUDPConnection();
    ~CUDPConnection() override;

    void Configure(OV_HWND parent, const std::function<void(bool)>& done) override;
    bool Open() override;
    void Close() override;

    bool Setup(int port);
    bool Output(const char* text) override;
    bool isBound() const;
    int boundPort() const;  // the port actually bound (for port 0: the one chosen)

    std::string network_name;  // where it was set up; empty = any
    std::string send_to;       // "host:port" of sent sentences; empty = none

    // Persisted under "CUDPConnection".
    static int saved_port;
    static std::string saved_network;
    static std::string saved_send_to;

private:
    void onReadyRead();

    std::unique_ptr<QUdpSocket> socket;
    int port = kDefaultPort;
    CNMEALineReader reader;
    bool continuation_pending = false;
};
