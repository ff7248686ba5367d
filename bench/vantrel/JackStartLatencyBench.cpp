// Periods from the connected start of a stream to its first non-zero frame at a recording JACK
// client, on a private dummy-backend server (48000 Hz, 256 frames). Goal: <= 2.

#include "CZELAsioRT.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "VantrelTestKit.h"

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

int main() {
    JackServer server;
    std::string error;
    if (!server.Start(&error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    vantrel_test::DriverRegistry registry(
        "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN "\nserver=" + server.Name() +
        "\nconnect=^recorder:in_\noutputs=1\n");
    double worst = 0;
    std::vector<double> all, fromCall;
    for (int run = 0; run < 10; ++run) {
        JackRecorder recorder(server.Name(), "recorder", 1, 48000 * 5);
        if (!recorder.Open(&error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        vantrel::CZELAsioRT session;
        int channel = 0;
        if (!session.SelectDriver(0) || session.Prepare(0, nullptr, 1, &channel, 0, 48000, 0, 48000, 0) != 0)
            return 1;
        std::vector<float> block(4800, 0.5f);
        session.Output(0).WriteFloat32(block.data(), 4800);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int64_t atCall = recorder.Frames();
        session.Start();
        const int64_t connected = recorder.Frames(); // Start returns once the ports are connected
        while (recorder.FirstNonZero(0) < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const double periods = double(recorder.FirstNonZero(0) - connected) / recorder.Period();
        fromCall.push_back(double(recorder.FirstNonZero(0) - atCall) / recorder.Period());
        all.push_back(periods);
        worst = std::max(worst, periods);
        session.Stop();
    }
    std::printf("ports connected to first sound, in periods of 256 frames:");
    for (double p : all)
        std::printf(" %.2f", p);
    std::printf("\nworst: %.2f periods\nfrom the start call:", worst);
    for (double p : fromCall)
        std::printf(" %.2f", p);
    std::printf("\n");
    return 0;
}
