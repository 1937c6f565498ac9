// CNMEASimulation: the "Simulation File" connection. Replays a recorded
// NMEA file as if a receiver sent it, one own-position update a second
// whatever the mix of sentences: each heartbeat second it reads sentences
// until one produced a position update, or 30 reads were used (the end of
// the file, where it starts over, counts as one). It starts over at most
// once a step, and not at all when the pass through the file gave no
// position: playback then stops and the status says why. Positions from it
// carry the simulated fix status.
//
// File format: each sentence starts at '$' or '!' and ends at CR, LF or
// the end of the file; anything between sentences is skipped; a sentence is
// cut at 200 characters and the rest of it skipped.
#pragma once

#include <cstdio>
#include <string>

#include "app/base/heartbeat.h"
#include "data/datagpsposition.h"
#include "nmea/dataconnection.h"

class CNMEASimulation : public CDataConnection,
                        public CHeartbeat::Counter,
                        public Listener<CDataGPSPosition> {
public:
    static constexpr int kSentenceLength = 200;
    static constexpr int kReadsPerStep = 30;

    CNMEASimulation();
    ~CNMEASimulation() override;

    void Configure(OV_HWND parent, const std::function<void(bool)>& done) override;
    bool Open() override;
    void Close() override;
    void OnUpdate(CDataGPSPosition&) override { position_seen = true; }
    using CDataConnection::OnUpdate;
    using CHeartbeat::Counter::OnUpdate;
    void OnHeartbeat() override;

    // The file to play; true when it exists.
    static bool Setup(const std::string& path);
    // One sentence from the file into line; false at the end of the file.
    bool ReadSentence(char* line);

    bool isPlaying() const { return file != nullptr && !stopped; }
    int rewinds = 0;  // times the file was started over

    static std::string filename;  // persisted under "CNMEASimulation"

    // The simulation track, kept by the track manager: started at open and
    // at each start over, ended at close.
    static void (*start_simulation_track)();
    static void (*end_simulation_track)();

private:
    FILE* file = nullptr;
    bool position_seen = false;
    bool pass_had_position = false;  // since the file was last started
    bool stopped = false;            // a pass without positions ended playback
    char line[kSentenceLength + 1];
};
