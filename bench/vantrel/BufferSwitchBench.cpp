// Cost of one buffer switch at 256 frames x 8 output channels (Float32LSB, loop-mode
// storages so no channel runs dry):
// - back to back with warm caches: p50 and p99 in microseconds (goal: p99 < 5 us);
// - paced at the real period (256 frames at 48 kHz) with the caches evicted before each
//   switch, as a real audio thread finds them, paired A-B-B-A with a memcpy of the same
//   bytes from rings of the same size under the same conditions (goal: ratio <= 1.5).
//   Both sides get the same eviction and the same pacing, and read and write the same
//   bytes: 8 x 1 KiB from 375 KiB rings moving on by one period, into 1 KiB buffers (the
//   switch alternates the driver's two halves; evicted, both are as cold as one buffer).
//   The switch's own bookkeeping (session, storages, driver buffers) is what it adds.

#include "CZELAsioRT.h"
#include "PairedRatios.h"
#include "VantrelTestKit.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int Channels = 8;
constexpr int Period = 256;
constexpr int Rate = 48000;
constexpr int RingSamples = 96000;

// Touches more memory than the last-level cache holds, so the next step starts cold.
class CacheEvictor {
public:
    CacheEvictor() : m_junk(64u << 20, 1) {}
    void operator()() {
        for (size_t i = 0; i < m_junk.size(); i += 64)
            m_junk[i] = uint8_t(m_junk[i] + 1);
        asm volatile("" ::: "memory");
    }

private:
    std::vector<uint8_t> m_junk;
};

// Sleeps until the next period boundary, as the audio thread waits for the device.
class Pacer {
public:
    void operator()() {
        m_next += std::chrono::microseconds(1000000LL * Period / Rate);
        const auto now = std::chrono::steady_clock::now();
        if (m_next < now)
            m_next = now;
        std::this_thread::sleep_until(m_next);
    }

private:
    std::chrono::steady_clock::time_point m_next = std::chrono::steady_clock::now();
};

} // namespace

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
    std::sort(us.begin(), us.end());
    std::printf("buffer switch 256 frames x 8 channels: p50 %.3f us, p99 %.3f us, max %.3f us (%d runs)\n",
                us[us.size() / 2], us[us.size() * 99 / 100], us.back(), runs);

    // The reference: the same bytes copied from rings of the storages' size into buffers
    // of the driver's size, the read position moving on by one period each time.
    std::vector<std::vector<float>> rings(Channels, std::vector<float>(RingSamples, 0.25f));
    std::vector<std::vector<float>> driverBuffers(Channels, std::vector<float>(Period));
    size_t at = 0;
    int half = 0;
    CacheEvictor evict;
    Pacer pace;
    auto prepare = [&] {
        evict();
        pace();
    };
    const bench::Pairs pairs = bench::AbbaRounds(
        300, prepare,
        [&] {
            session.OnBufferSwitch(half ^= 1);
            return true;
        },
        prepare,
        [&] {
            for (int c = 0; c < Channels; ++c)
                std::memcpy(driverBuffers[size_t(c)].data(), rings[size_t(c)].data() + at,
                            Period * sizeof(float));
            asm volatile("" ::: "memory");
            at = (at + Period) % (RingSamples - Period);
            return true;
        });
    session.Stop();
    bench::Print("paced cold buffer switch", "memcpy of the same bytes", pairs, 1.5);
    std::printf("  medians: switch %.2f us, memcpy %.2f us\n", bench::Median(pairs.a) * 1e6,
                bench::Median(pairs.b) * 1e6);
    return 0;
}
