// ovtool nmea listen INPUT: follows a live input as the program would and
// prints the own position as JSON after each position update, and the
// connection's status whenever it changes.
#include "connectionargs.h"
#include "livepositionprinter.h"
#include "nmea/dataconnection.h"
#include "ovtoolcommand.h"

namespace {

struct Limit {
    LivePositionPrinter printer{true};
    long long count = 0;
};

bool reached(void* context) {
    auto* limit = static_cast<Limit*>(context);
    return limit->count > 0 && limit->printer.updates >= limit->count;
}

int runListen(const QStringList& args);
const OvtoolCommand listenCommand(
    "nmea listen",
    "serial:DEV[@BAUD] | tcp:HOST:PORT | udp:PORT | location[:PLUGIN[:SOURCE]] | file:PATH "
    "[--count N] [--seconds S]",
    "print the live position from an NMEA input as it changes", runListen);

int runListen(const QStringList& args) {
    Limit limit;
    double seconds = 0;
    if (args.isEmpty() || !ParseLimits(args.mid(1), &limit.count, &seconds))
        return ovtoolUsageError(listenCommand);
    QString error;
    std::unique_ptr<CDataConnection> connection = MakeConnectionFromArgument(args.first(), &error);
    if (!connection) {
        ovtoolError(error);
        return 2;
    }
    return RunConnection(*connection, seconds, reached, &limit);
}

}  // namespace
