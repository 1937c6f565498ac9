// The Qt Quick Test program for the QML front end: the program's own QML
// with the real application model and presenters (registered by the linked
// library), on the offscreen platform, in a home folder of its own. The
// `probe` context property lets the tst_*.qml files see and set what the
// scene changes behind the window.
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtQuickTest>
#include <memory>

#include "app/base/messagebox.h"
#include "app/mainmenus.h"
#include "geo/units.h"
#include "nmea/dataconnection.h"
#include "nmea/tcpipconnection.h"

class Probe : public QObject {
    Q_OBJECT
    Q_PROPERTY(int answer MEMBER m_answer NOTIFY answered)
    Q_PROPERTY(int quitRequests MEMBER m_quits NOTIFY quitRequested)
    // Connections the loopback server has taken.
    Q_PROPERTY(int clients MEMBER m_clients NOTIFY clientConnected)

public:
    Probe() {
        MainMenuHooks::instance().quit = [this] {
            ++m_quits;
            Q_EMIT quitRequested();
        };
    }
    ~Probe() override { restore(); }

    // "Metric", "Statute" or "Nautical".
    Q_INVOKABLE QString distanceFamily() const {
        static const char* const names[] = {"Statute", "Nautical", "Metric"};
        return names[CUnits::Default->get_unit_family()];
    }
    Q_INVOKABLE void setDistanceFamily(const QString& name) {
        CUnits::Default->set_unit_family(name == "Metric"     ? CUnits::Metric
                                         : name == "Nautical" ? CUnits::Nautical
                                                              : CUnits::Statute);
    }
    // A message box with one, two or three buttons; `answer` is the button
    // chosen (-2 until then).
    Q_INVOKABLE void ask(int buttons) {
        m_answer = -2;
        auto done = [this](int button) {
            m_answer = button;
            Q_EMIT answered();
        };
        if (buttons == 1)
            MessageBoxOK(nullptr, "Problem", "The file is gone.", [done] { done(0); });
        else if (buttons == 2)
            MessageBoxYesNo(nullptr, "Please confirm", "Keep the track?",
                            [done](bool yes) { done(yes ? 0 : 1); });
        else
            MessageBox3(nullptr, "Save", "Keep the page?", "Save", "Discard", "Cancel", done);
    }
    // A server on loopback for the TCP dialog; its port.
    Q_INVOKABLE int listen() {
        m_server = std::make_unique<QTcpServer>();
        if (!m_server->listen(QHostAddress::LocalHost)) return 0;
        connect(m_server.get(), &QTcpServer::newConnection, this, [this] {
            ++m_clients;
            Q_EMIT clientConnected();
        });
        return m_server->serverPort();
    }
    Q_INVOKABLE QString connectionName() const {
        auto* type = CDataConnection::CConnectionType::Find(CDataConnection::gps_connection_type);
        return type ? QString::fromStdString(type->name) : QString();
    }
    Q_INVOKABLE QString tcpHost() const {
        return QString::fromStdString(CTCPIPConnection::saved_ip_address);
    }
    Q_INVOKABLE int tcpPort() const { return CTCPIPConnection::saved_port; }
    // Back to the state the program started with (between test cases).
    Q_INVOKABLE void restore() {
        CDataConnection::DestroyConnection();
        CDataConnection::gps_connection_type = m_type;
        CTCPIPConnection::saved_ip_address = m_host;
        CTCPIPConnection::saved_port = m_port;
        CUnits::Default->set_unit_family(m_family);
        m_server.reset();
    }

Q_SIGNALS:
    void answered();
    void quitRequested();
    void clientConnected();

private:
    int m_answer = -2, m_quits = 0, m_clients = 0;
    std::unique_ptr<QTcpServer> m_server;
    int32_t m_type = CDataConnection::gps_connection_type;
    std::string m_host = CTCPIPConnection::saved_ip_address;
    int m_port = CTCPIPConnection::saved_port;
    CUnits::e_dist_units m_family = CUnits::Default->get_unit_family();
};

class Setup : public QObject {
    Q_OBJECT

public:
    // Before the application exists: the platform and a home of our own.
    Setup() : m_home(QDir::tempPath() + "/orvanta-quick-home-XXXXXX") {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
            qputenv("QT_QUICK_CONTROLS_STYLE", "Basic");
        if (m_home.isValid()) {
            qputenv("HOME", m_home.path().toUtf8());
            for (const char* name : {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "TEMP"})
                qunsetenv(name);
        }
    }

public Q_SLOTS:
    void applicationAvailable() {
        QCoreApplication::setOrganizationName("OrvantaTests");
        QCoreApplication::setApplicationName("quick");
        QStandardPaths::setTestModeEnabled(true);
    }
    void qmlEngineAvailable(QQmlEngine* engine) {
        m_probe = std::make_unique<Probe>();
        engine->rootContext()->setContextProperty("probe", m_probe.get());
    }
    void cleanupTestCase() { m_probe.reset(); }

private:
    QTemporaryDir m_home;
    std::unique_ptr<Probe> m_probe;
};

QUICK_TEST_MAIN_WITH_SETUP(orvanta_quick, Setup)

#include "quickmain.moc"
