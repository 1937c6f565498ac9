#include "nmea/tcpipconnection.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/base/deviceservices.h"
#include "app/base/directories.h"
#include "app/base/persistantdata.h"
#include "online/webserver_nb.h"

std::string CTCPIPConnection::saved_ip_address = "192.168.1.100";
int CTCPIPConnection::saved_port = CTCPIPConnection::kDefaultPort;
std::string CTCPIPConnection::saved_network;
bool CTCPIPConnection::saved_instant_acquisition = false;
bool (*CTCPIPConnection::read_instant_targets)(const std::string&) = nullptr;

namespace {

class TcpPersistor : public PersistantData {
public:
    TcpPersistor() : PersistantData("CTCPIPConnection") {}
    void DeclareData() override {
        Declare("ip_address", CTCPIPConnection::saved_ip_address);
        Declare("port", CTCPIPConnection::saved_port);
        Declare("network", CTCPIPConnection::saved_network);
        Declare("instant_acquisition", CTCPIPConnection::saved_instant_acquisition);
    }
};
TcpPersistor s_persistor;

const CDataConnection::CConnectionTypeOf<CTCPIPConnection> s_type("TCP/IP", CDataConnection::kTCP,
                                                                  4);

}  // namespace

CDlg_tcp_setup::CDlg_tcp_setup()
    : ip_addr(CTCPIPConnection::saved_ip_address),
      port(CTCPIPConnection::saved_port),
      network_name(getCurrentNetworkName()),
      instant_acquisition(CTCPIPConnection::saved_instant_acquisition) {}

CTCPIPConnection::CTCPIPConnection() {
    debuggable = true;
    host = saved_ip_address;
    port = saved_port;
    network_name = saved_network;
    instant_acquisition = saved_instant_acquisition;
}

CTCPIPConnection::~CTCPIPConnection() {
    Close();
    if (socket) socket->disconnect(this);
}

bool CTCPIPConnection::Setup(const std::string& address, int p, bool instant) {
    host = address;
    port = p;
    instant_acquisition = instant;
    network_name.clear();
    return true;
}

void CTCPIPConnection::Configure(OV_HWND parent, const std::function<void(bool)>& done) {
    auto dialog = std::make_shared<CDlg_tcp_setup>();
    CDlg_tcp_setup& d = *dialog;
    ShowDialog(parent, dialog, [this, &d, done](int code) {
        if (code != 0) {
            done(false);
            return;
        }
        saved_ip_address = d.ip_addr;
        saved_port = d.port;
        saved_network = d.network_name;
        saved_instant_acquisition = d.instant_acquisition;
        s_persistor.changed = true;
        PersistantData::SaveAll();
        Setup(d.ip_addr, d.port, d.instant_acquisition);
        done(true);
    });
}

bool CTCPIPConnection::Open() {
    inactive = false;
    if (!network_name.empty() && network_name != getCurrentNetworkName()) {
        status = "TCP connection set up for " + network_name;
        return false;
    }
    targets_file.clear();
    if (instant_acquisition && port == kDefaultPort) {
        char name[64];
        std::snprintf(name, sizeof name, "/targets%p.txt", static_cast<void*>(this));
        targets_file = getTmpDirectory() + name;
        std::remove(targets_file.c_str());
    }
    reader.Reset();
    if (!socket) {
        socket = std::make_unique<QTcpSocket>();
        socket->setReadBufferSize(CNMEALineReader::kBufferSize);
        connect(socket.get(), &QTcpSocket::connected, this, &CTCPIPConnection::onConnected);
        connect(socket.get(), &QTcpSocket::readyRead, this, &CTCPIPConnection::onReadyRead);
        connect(socket.get(), &QTcpSocket::errorOccurred, this,
                [this] { status = socket->errorString().toStdString(); });
    }
    socket->abort();
    socket->connectToHost(QString::fromStdString(host), quint16(port), QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
    return true;
}

void CTCPIPConnection::Close() {
    targets_client.reset();
    if (socket && socket->state() != QAbstractSocket::UnconnectedState) socket->abort();
}

bool CTCPIPConnection::isConnected() const {
    return socket && socket->state() == QAbstractSocket::ConnectedState;
}

bool CTCPIPConnection::Output(const char* text) {
    const qint64 length = qint64(std::strlen(text));
    const qint64 written = socket ? socket->write(text, length) : -1;
    if (written < length) {
        status = "Output failed";
        return false;
    }
    // The log holds one sentence a line, without the CR LF it was sent with.
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    DebugLog(line.c_str());
    return true;
}

void CTCPIPConnection::onConnected() {
    status.clear();
    if (targets_file.empty()) return;
    targets_client =
        std::make_unique<CWebServer_NB>(QString::fromStdString(host), false, false, kTargetsPort);
    targets_client->SetCompletion([this](int result) { onTargetsFetched(result); });
    if (!targets_client->GetFile("/targets/getTargets", QString::fromStdString(targets_file)))
        targets_file.clear();
}

void CTCPIPConnection::onTargetsFetched(int) {
    const std::string path = targets_file;
    targets_file.clear();
    if (path.empty()) return;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
        if (read_instant_targets) read_instant_targets(path);
        std::remove(path.c_str());
    }
}

void CTCPIPConnection::onReadyRead() {
    continuation_pending = false;
    if (!socket) return;
    QTcpSocket* s = socket.get();
    reader.BeginPass();
    const CNMEALineReader::Result result = reader.Pump(
        this, [s](char* to, int size) -> int64_t { return s->read(to, size); }, kMaxLinesPerRead,
        false);
    if (result == CNMEALineReader::kTooManyLines) {
        s->readAll();
    } else if (result == CNMEALineReader::kLineTooLong && !continuation_pending) {
        // The rest waits for the next turn of the event loop, not for new data.
        continuation_pending = true;
        QTimer::singleShot(0, this, &CTCPIPConnection::onReadyRead);
    }
}
