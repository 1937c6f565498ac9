// CSerialConnection: NMEA from a serial device (QSerialPort), polled on the
// 100 ms heartbeat. Opens read-write, or read-only when the device refuses
// writing; at most 100 accepted sentences are taken per tick, the rest of
// that read is dropped (see CNMEALineReader for the line limits).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/base/heartbeat.h"
#include "nmea/dataconnection.h"
#include "nmea/nmealinereader.h"

class QSerialPort;

// The data side of the "Serial Port setup" dialog.
class CDlg_serial_setup : public CConnectionDialog {
public:
    struct Port {
        std::string label;  // "name (description)" or the name alone
        std::string path;   // system location of the device
    };
    static const std::vector<int>& BaudRates();  // 4800 ... 115200

    // The ports the platform reports, then "tty0" (/dev/tty0); selections
    // start at device and baud (-1 when they are not listed).
    CDlg_serial_setup(const std::string& device, int baud);

    std::vector<Port> dataList;
    int port_sel = -1;
    int baud_sel = -1;
};

class CSerialConnection : public CDataConnection, public CHeartbeat::Counter {
public:
    static constexpr int kMaxSentencesPerTick = 100;

    CSerialConnection();
    ~CSerialConnection() override;

    void Configure(OV_HWND parent, const std::function<void(bool)>& done) override;
    bool Open() override;
    void Close() override;
    bool Output(const char* text) override;
    void OnHeartbeat() override;

    // Device path and baud rate; the device's file name becomes display_name.
    bool Setup(const std::string& device, int baud);

    bool isOpen() const { return port_open; }
    bool isReadOnly() const { return read_only; }
    // Bytes received and waiting for the next tick.
    int64_t bytesWaiting() const;

    // Persisted under "CSerialConnection".
    static std::string default_device;
    static int default_baud;

private:
    std::unique_ptr<QSerialPort> port;
    std::string device;
    int baud = 0;
    CNMEALineReader reader;
    bool port_open = false;
    bool read_only = false;
};
