#pragma once

// The measuring rig of the audio-onset benchmarks: a private JACK server (dummy backend),
// a recording client whose ports the low-latency driver connects to, the driver registry
// naming them, and the time each play spends connecting to the server.
#include "JackRecorder.h"
#include "JackServer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QTemporaryDir;

namespace bench {

// Seconds the last play spent connecting to the server: VANTREL_Prepare (the client) and
// VANTREL_StartEx (its port connections, made on a play's first start). An onset "beyond
// the connection" leaves these out.
double LastConnectSeconds();
// Steady-clock seconds at which the last VANTREL_StartEx returned: from then on the stream
// sounds at the next period the server begins.
double LastStartedAt();

class JackOnsetRig {
public:
    static constexpr int Rate = 48000;
    static constexpr int Period = 256;

    // Starts the server and the recorder (ports recorder:in_1..in_<ports>) and points
    // VANTREL_DRIVERS at a registry in folder whose driver plays into them. False with a
    // message on stderr when something did not start.
    bool Start(const QTemporaryDir& folder, int ports);
    // A fresh recorder, so that frame counts start from zero.
    bool Reopen(int ports);

    JackServer server{Rate, Period};
    std::unique_ptr<JackRecorder> recorder;
};

// A mono 32-bit float stimulus of 9600 frames at the rig's rate, never zero.
std::vector<uint8_t> OnsetStimulus();

} // namespace bench
