// ovtool nmea record INPUT FILE: records every sentence with a valid
// checksum that arrives on an input into a text file, which the simulation
// connection (file:FILE) can replay.
#include "connectionargs.h"
#include "nmea/dataconnection.h"
#include "nmea/nmealogfile.h"
#include "ovtoolcommand.h"

namespace {

struct Recording {
    CNMEALogfile log;
    long long count = 0;
};

bool reached(void* context) {
    auto* r = static_cast<Recording*>(context);
    return r->count > 0 && r->log.sentences_written >= r->count;
}

int runRecord(const QStringList& args);
const OvtoolCommand recordCommand(
    "nmea record", "INPUT FILE [--count N] [--seconds S]",
    "record the NMEA sentences of an input (see nmea listen) to a file", runRecord);

int runRecord(const QStringList& args) {
    Recording recording;
    double seconds = 0;
    if (args.size() < 2 || !ParseLimits(args.mid(2), &recording.count, &seconds))
        return ovtoolUsageError(recordCommand);
    QString error;
    std::unique_ptr<CDataConnection> connection = MakeConnectionFromArgument(args[0], &error);
    if (!connection) {
        ovtoolError(error);
        return 2;
    }
    if (!recording.log.Open(args[1].toStdString())) {
        ovtoolError(QString::fromStdString(recording.log.status) + ": " + args[1]);
        return 1;
    }
    const int status = RunConnection(*connection, seconds, reached, &recording);
    std::printf("{\"recorded\":%lld}\n", recording.log.sentences_written);
    return status;
}

}  // namespace
