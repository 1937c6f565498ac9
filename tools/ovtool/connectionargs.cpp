#include "connectionargs.h"

#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

#include "app/base/heartbeat.h"
#include "nmea/dataconnection.h"
#include "nmea/locationserviceconnection.h"
#include "nmea/nmeasimulation.h"
#include "nmea/serialconnection.h"
#include "nmea/tcpipconnection.h"
#include "nmea/udpconnection.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void onInterrupt(int) {
    g_interrupted = 1;
}

bool toPort(const QString& text, int* port) {
    bool ok = false;
    *port = text.toInt(&ok);
    return ok && *port >= 0 && *port <= 65535;
}

template <class T>
std::unique_ptr<T> make(int32_t id) {
    return std::unique_ptr<T>(static_cast<T*>(CDataConnection::Create(id)));
}

}  // namespace

std::unique_ptr<CDataConnection> MakeConnectionFromArgument(const QString& argument,
                                                            QString* error) {
    const QString kind = argument.section(':', 0, 0);
    const QString rest = argument.section(':', 1);
    if (kind == "serial" && !rest.isEmpty()) {
        int baud = 4800;
        QString device = rest;
        if (rest.contains('@')) {
            bool ok = false;
            baud = rest.section('@', -1).toInt(&ok);
            device = rest.section('@', 0, -2);
            if (!ok || baud <= 0) {
                *error = "bad baud rate in " + argument;
                return nullptr;
            }
        }
        auto c = make<CSerialConnection>(CDataConnection::kSerial);
        c->Setup(device.toStdString(), baud);
        return c;
    }
    if (kind == "tcp") {
        const int colon = int(rest.lastIndexOf(':'));
        int port = 0;
        if (colon <= 0 || !toPort(rest.mid(colon + 1), &port)) {
            *error = "expected tcp:HOST:PORT";
            return nullptr;
        }
        auto c = make<CTCPIPConnection>(CDataConnection::kTCP);
        c->Setup(rest.left(colon).toStdString(), port, false);
        return c;
    }
    if (kind == "udp") {
        int port = 0;
        if (!toPort(rest, &port)) {
            *error = "expected udp:PORT";
            return nullptr;
        }
        auto c = make<CUDPConnection>(CDataConnection::kUDP);
        c->Setup(port);
        return c;
    }
    if (kind == "location") {
        CLocationServiceConnection::plugin = rest.section(':', 0, 0);
        CLocationServiceConnection::plugin_parameters.clear();
        const QString source = rest.section(':', 1);
        CLocationServiceConnection::with_satellites = source.isEmpty();
        if (!source.isEmpty())
            CLocationServiceConnection::plugin_parameters.insert(
                CLocationServiceConnection::plugin + ".source", source);
        return std::unique_ptr<CDataConnection>(
            CDataConnection::Create(CDataConnection::kLocationService));
    }
    if (kind == "file" && !rest.isEmpty()) {
        if (!CNMEASimulation::Setup(rest.toStdString())) {
            *error = "no such file: " + rest;
            return nullptr;
        }
        return std::unique_ptr<CDataConnection>(
            CDataConnection::Create(CDataConnection::kSimulation));
    }
    *error = "unknown input '" + argument + "'";
    return nullptr;
}

bool ParseLimits(const QStringList& options, long long* count, double* seconds) {
    for (qsizetype i = 0; i < options.size(); ++i) {
        bool ok = i + 1 < options.size();
        if (ok && options[i] == "--count")
            *count = options[++i].toLongLong(&ok);
        else if (ok && options[i] == "--seconds")
            *seconds = options[++i].toDouble(&ok);
        else
            ok = false;
        if (!ok) return false;
    }
    return true;
}

int RunConnection(CDataConnection& connection, double seconds, bool (*done)(void*), void* context) {
    const bool opened = connection.Open();
    std::string shown = connection.status;
    std::printf("{\"status\":\"%s\",\"opened\":%s}\n",
                QString::fromStdString(shown).trimmed().toUtf8().constData(),
                opened ? "true" : "false");
    std::fflush(stdout);
    if (!opened) return 1;

    signal(SIGINT, onInterrupt);
    signal(SIGTERM, onInterrupt);
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        CHeartbeat::Pulse();
        if (connection.status != shown) {
            shown = connection.status;
            std::printf("{\"status\":\"%s\"}\n",
                        QString::fromStdString(shown).trimmed().toUtf8().constData());
            std::fflush(stdout);
        }
        if (g_interrupted || done(context) || (seconds > 0 && clock.elapsed() >= seconds * 1000))
            QCoreApplication::quit();
    });
    tick.start(100);
    QCoreApplication::exec();
    connection.Close();
    return 0;
}
