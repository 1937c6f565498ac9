#include "nmea/serialconnection.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include "app/base/persistantdata.h"

std::string CSerialConnection::default_device;
int CSerialConnection::default_baud = 0;

namespace {

class SerialPersistor : public PersistantData {
public:
    SerialPersistor() : PersistantData("CSerialConnection") {}
    void DeclareData() override {
        Declare("device", CSerialConnection::default_device);
        Declare("baud", CSerialConnection::default_baud);
    }
};
SerialPersistor s_persistor;

const CDataConnection::CConnectionTypeOf<CSerialConnection> s_type("Serial",
                                                                   CDataConnection::kSerial, 1);

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

// ---- dialog -------------------------------------------------------------------

const std::vector<int>& CDlg_serial_setup::BaudRates() {
    static const std::vector<int> rates = {4800, 9600, 14400, 19200, 38400, 57600, 115200};
    return rates;
}

CDlg_serial_setup::CDlg_serial_setup(const std::string& device, int baud) {
    title = "Serial Port setup";
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        Port p;
        p.label = info.portName().toStdString();
        if (!info.description().isEmpty()) p.label += " (" + info.description().toStdString() + ")";
        p.path = info.systemLocation().toStdString();
        dataList.push_back(p);
    }
    dataList.push_back({"tty0", "/dev/tty0"});
    for (size_t i = 0; i < dataList.size(); ++i)
        if (dataList[i].path == device) port_sel = int(i);
    const auto& rates = BaudRates();
    for (size_t i = 0; i < rates.size(); ++i)
        if (rates[i] == baud) baud_sel = int(i);
}

// ---- connection -----------------------------------------------------------------

CSerialConnection::CSerialConnection() : CHeartbeat::Counter(1) {
    debuggable = true;
    Setup(default_device, default_baud);
}

CSerialConnection::~CSerialConnection() {
    Close();
}

bool CSerialConnection::Setup(const std::string& path, int rate) {
    device = path;
    display_name = fileNameOf(path);
    baud = rate;
    return true;
}

void CSerialConnection::Configure(OV_HWND parent, const std::function<void(bool)>& done) {
    auto dialog = std::make_shared<CDlg_serial_setup>(device, baud);
    CDlg_serial_setup& d = *dialog;
    ShowDialog(parent, dialog, [this, &d, done](int code) {
        const int rates = int(CDlg_serial_setup::BaudRates().size());
        if (code != 0 || d.port_sel < 0 || d.port_sel >= int(d.dataList.size()) || d.baud_sel < 0 ||
            d.baud_sel >= rates) {
            done(false);
            return;
        }
        default_device = d.dataList[size_t(d.port_sel)].path;
        default_baud = CDlg_serial_setup::BaudRates()[size_t(d.baud_sel)];
        s_persistor.changed = true;
        PersistantData::SaveAll();
        Setup(default_device, default_baud);
        done(true);
    });
}

bool CSerialConnection::Open() {
    inactive = false;
    reader.Reset();
    Close();
    port = std::make_unique<QSerialPort>();
    port->setBaudRate(baud);
    port->setReadBufferSize(10000);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    port->setPortName(QString::fromStdString(device));
    read_only = false;
    char text[600];
    if (!port->open(QIODevice::ReadWrite)) {
        if (port->open(QIODevice::ReadOnly)) {
            read_only = true;
            std::snprintf(text, sizeof text, "Opened %s read-only\n", device.c_str());
            status = text;
        } else {
            std::snprintf(text, sizeof text, "Open serial port %s, Failed, errno: %d\n",
                          device.c_str(), int(port->error()));
            status = text;
            port.reset();
            return false;
        }
    }
    // Settings given before open() may not reach every device; set them again.
    port->setBaudRate(baud);
    port->clear(QSerialPort::AllDirections);
    port_open = true;
    return true;
}

void CSerialConnection::Close() {
    port_open = false;
    if (port) {
        port->close();
        port.reset();
    }
}

bool CSerialConnection::Output(const char* text) {
    if (!port_open || read_only) return false;
    const qint64 written = port->write(text);
    port->flush();
    return written > 0;
}

int64_t CSerialConnection::bytesWaiting() const {
    return port_open ? port->bytesAvailable() : 0;
}

void CSerialConnection::OnHeartbeat() {
    if (!port_open) return;
    QSerialPort* p = port.get();
    reader.BeginPass();
    reader.Pump(
        this,
        [p](char* to, int size) -> int64_t {
            if (p->bytesAvailable() <= 0) return 0;
            return p->read(to, size);
        },
        kMaxSentencesPerTick, true);
}
