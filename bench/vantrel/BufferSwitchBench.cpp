// Cost of one buffer switch at 256 frames x 8 output channels (Float32LSB, loop-mode
// storages so no channel runs dry): p50 and p99 in microseconds. Goal: p99 < 5 us.

#include "CZELAsioRT.h"
#include "VantrelTestKit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main() {
    using Clock = std::chrono::steady_clock;
    // The driver never switches by itself: this thread plays the audio thread.
    vantrel_test::DriverRegistry registry(
        vantrel_test::NullSection("Null", "outputs=8\nperiod=256\nswitchLimit=0\ncaptureFrames=0"));
    vantrel::CZELAsioRT session;
    if (!session.SelectDriver(0))
        return 1;
    std::vector<int> channels{0, 1, 2, 3, 4, 5, 6, 7};
    if (session.Prepare(0, nullptr, 8, channels.data(), 0, 96000, 1, 48000, 0) != 0)
        return 1;
    std::vector<float> block(96000, 0.25f);
    for (int c = 0; c < 8; ++c)
        session.Output(c).WriteFloat32(block.data(), 96000);
    if (session.Start() != 0)
        return 1;

    constexpr int warmup = 2000, runs = 200000;
    std::vector<double> us;
    us.reserve(runs);
    for (int i = 0; i < warmup + runs; ++i) {
        const auto t0 = Clock::now();
        session.OnBufferSwitch(i & 1);
        const auto t1 = Clock::now();
        if (i >= warmup)
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    session.Stop();
    std::sort(us.begin(), us.end());
    std::printf("buffer switch 256 frames x 8 channels: p50 %.3f us, p99 %.3f us, max %.3f us (%d runs)\n",
                us[us.size() / 2], us[us.size() * 99 / 100], us.back(), runs);
    return 0;
}
