#include "nmea/nmeasimulation.h"

#include <sys/stat.h>

#include "app/base/filedialogs.h"
#include "app/base/persistantdata.h"
#include "data/overlaygpsposition.h"
#include "nmea/nmeasentence.h"

std::string CNMEASimulation::filename;
void (*CNMEASimulation::start_simulation_track)() = nullptr;
void (*CNMEASimulation::end_simulation_track)() = nullptr;

namespace {

class SimulationPersistor : public PersistantData {
public:
    SimulationPersistor() : PersistantData("CNMEASimulation") {}
    void DeclareData() override { Declare("filename", CNMEASimulation::filename); }
};
SimulationPersistor s_persistor;

const CDataConnection::CConnectionTypeOf<CNMEASimulation> s_type("Simulation File",
                                                                 CDataConnection::kSimulation, 5);

bool isPlainFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void startTrack() {
    if (CNMEASimulation::start_simulation_track) CNMEASimulation::start_simulation_track();
}

}  // namespace

CNMEASimulation::CNMEASimulation() : CHeartbeat::Counter(10) {
    simulated = true;
}

CNMEASimulation::~CNMEASimulation() {
    Close();
}

bool CNMEASimulation::Setup(const std::string& path) {
    filename = path;
    return isPlainFile(path);
}

void CNMEASimulation::Configure(OV_HWND parent, const std::function<void(bool)>& done) {
    ImportFile(parent, "text/plain", ".txt", [done](const std::string& path) {
        if (path.empty()) {
            done(false);
            return;
        }
        const bool exists = Setup(path);
        s_persistor.changed = true;
        PersistantData::SaveAll();
        done(exists);
    });
}

bool CNMEASimulation::Open() {
    COverlayGPSPosition::theLatestPosition.reset_history();
    startTrack();
    Close();
    // A directory opens for reading on Linux but reads nothing: refuse it.
    file = isPlainFile(filename) ? std::fopen(filename.c_str(), "rb") : nullptr;
    if (!file) {
        status = "Simulation file error";
        return false;
    }
    inactive = false;
    pass_had_position = false;
    stopped = false;
    return true;
}

void CNMEASimulation::Close() {
    if (!file) return;
    COverlayGPSPosition::theLatestPosition.reset_history();
    if (end_simulation_track) end_simulation_track();
    std::fclose(file);
    file = nullptr;
}

bool CNMEASimulation::ReadSentence(char* out) {
    int c;
    do {
        c = std::fgetc(file);
        if (c == EOF) return false;
    } while (c != '$' && c != '!');
    int n = 0;
    out[n++] = char(c);
    for (;;) {
        c = std::fgetc(file);
        if (c == EOF || c == '\r' || c == '\n') break;
        if (n < kSentenceLength) {
            out[n++] = char(c);
        } else if (c == '$' || c == '!') {
            // Past the cut, the next sentence's start is left for the next read.
            std::ungetc(c, file);
            break;
        }
    }
    out[n] = 0;
    return true;
}

void CNMEASimulation::OnHeartbeat() {
    if (!file || stopped) return;
    position_seen = false;
    bool restarted = false;
    for (int reads = 0; !position_seen && reads < kReadsPerStep; ++reads) {
        if (ReadSentence(line)) {
            CNMEASentence::DispatchSentence(line, this);
            pass_had_position |= position_seen;
            continue;
        }
        // Each restart replaces the simulation track: once a second at most,
        // and never for a file that has no position to show.
        if (!pass_had_position) {
            stopped = true;
            status = "No position in the simulation file";
            return;
        }
        if (restarted) return;
        restarted = true;
        std::rewind(file);
        ++rewinds;
        pass_had_position = false;
        COverlayGPSPosition::theLatestPosition.reset_history();
        startTrack();
    }
}
