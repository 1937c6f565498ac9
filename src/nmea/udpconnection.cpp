#include "nmea/udpconnection.h"

#include <QHostAddress>
#include <QTimer>
#include <QUdpSocket>
#include <cstdlib>
#include <cstring>

#include "app/base/deviceservices.h"
#include "app/base/persistantdata.h"

int CUDPConnection::saved_port = CUDPConnection::kDefaultPort;
std::string CUDPConnection::saved_network;
std::string CUDPConnection::saved_send_to;

namespace {

class UdpPersistor : public PersistantData {
public:
    UdpPersistor() : PersistantData("CUDPConnection") {}
    void DeclareData() override {
        Declare("port", CUDPConnection::saved_port);
        Declare("network", CUDPConnection::saved_network);
        Declare("send_to", CUDPConnection::saved_send_to);
    }
};
UdpPersistor s_persistor;

const CDataConnection::CConnectionTypeOf<CUDPConnection> s_type("UDP/IP", CDataConnection::kUDP, 3);

}  // namespace

CDlg_udp_setup::CDlg_udp_setup()
    : network_name(getCurrentNetworkName()), port(CUDPConnection::saved_port) {
    title = "UDP Settings";
}

CUDPConnection::CUDPConnection() {
    debuggable = true;
    port = saved_port;
    network_name = saved_network;
    send_to = saved_send_to;
}

CUDPConnection::~CUDPConnection() {
    Close();
    if (socket) socket->disconnect(this);
}

bool CUDPConnection::Setup(int p) {
    port = p;
    network_name.clear();
    return true;
}

void CUDPConnection::Configure(OV_HWND parent, const std::function<void(bool)>& done) {
    auto dialog = std::make_shared<CDlg_udp_setup>();
    CDlg_udp_setup& d = *dialog;
    ShowDialog(parent, dialog, [this, &d, done](int code) {
        if (code != 0) {
            done(false);
            return;
        }
        saved_port = d.port;
        saved_network = d.network_name;
        s_persistor.changed = true;
        PersistantData::SaveAll();
        Setup(d.port);
        done(true);
    });
}

bool CUDPConnection::Open() {
    inactive = false;
    if (!network_name.empty() && network_name != getCurrentNetworkName()) {
        status = "UDP connection not opened because current network is not " + network_name;
        return false;
    }
    reader.Reset();
    Close();
    socket = std::make_unique<QUdpSocket>();
    connect(socket.get(), &QUdpSocket::readyRead, this, &CUDPConnection::onReadyRead);
    if (!socket->bind(QHostAddress::Any, quint16(port), QAbstractSocket::ShareAddress)) {
        // Still an open connection: the type is kept and the reason shown.
        status = "Socket bind failed: " + socket->errorString().toStdString();
    }
    return true;
}

bool CUDPConnection::Output(const char* text) {
    const std::string target = send_to;
    const size_t colon = target.rfind(':');
    const int to_port = colon == std::string::npos ? 0 : std::atoi(target.c_str() + colon + 1);
    QHostAddress address;
    if (!socket || to_port <= 0 || to_port > 65535 ||
        !address.setAddress(QString::fromStdString(target.substr(0, colon))))
        return false;
    const qint64 length = qint64(std::strlen(text));
    if (socket->writeDatagram(text, length, address, quint16(to_port)) != length) {
        status = "Output failed";
        return false;
    }
    return true;
}

void CUDPConnection::Close() {
    if (socket) {
        socket->disconnect(this);
        socket->close();
        socket.reset();
    }
}

bool CUDPConnection::isBound() const {
    return socket && socket->state() == QAbstractSocket::BoundState;
}

int CUDPConnection::boundPort() const {
    return isBound() ? int(socket->localPort()) : 0;
}

void CUDPConnection::onReadyRead() {
    continuation_pending = false;
    if (!socket) return;
    QUdpSocket* s = socket.get();
    reader.BeginPass();
    const CNMEALineReader::Result result = reader.Pump(
        this,
        [s](char* to, int size) -> int64_t {
            // A datagram longer than the buffer is cut; the rest is dropped.
            while (s->hasPendingDatagrams()) {
                const qint64 n = s->readDatagram(to, size);
                if (n > 0) return n;
            }
            return 0;
        },
        kMaxLinesPerRead, false);
    if (result == CNMEALineReader::kTooManyLines) {
        while (s->hasPendingDatagrams()) s->readDatagram(nullptr, 0);
    } else if (result == CNMEALineReader::kLineTooLong && !continuation_pending) {
        continuation_pending = true;
        QTimer::singleShot(0, this, &CUDPConnection::onReadyRead);
    }
}
