// The input argument of the nmea subcommands and the loop that runs a
// connection from it:
//   serial:DEV[@BAUD]   a serial device (4800 baud unless given)
//   tcp:HOST:PORT       a TCP NMEA server
//   udp:PORT            UDP datagrams on a port
//   location[:PLUGIN[:SOURCE]]  the location service; PLUGIN picks a Qt
//                       positioning plugin, SOURCE its "<plugin>.source"
//   file:PATH           a recorded file replayed at one fix a second
#pragma once

#include <QString>
#include <memory>

class CDataConnection;

// A configured, unopened connection; null with a reason in *error.
std::unique_ptr<CDataConnection> MakeConnectionFromArgument(const QString& argument,
                                                            QString* error);

// Opens the connection and runs the event loop with the heartbeat, printing
// the connection's status whenever it changes, until `done()` holds, the
// time runs out (seconds <= 0: never) or the process is interrupted.
// Returns the exit status: 1 when the connection did not open.
int RunConnection(CDataConnection& connection, double seconds, bool (*done)(void*), void* context);

// "--count N" and "--seconds S" options after the positional arguments.
bool ParseLimits(const QStringList& options, long long* count, double* seconds);
