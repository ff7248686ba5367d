#include "CZELAsioRT.h"
#include "MessageRecorder.h"
#include "NullDriver.h"
#include "VantrelTestKit.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace vantrel;
using namespace std::chrono_literals;
using tamvik_test::StaysFalse;
using tamvik_test::WaitUntil;
using vantrel_test::DriverRegistry;
using Message = MessageRecorder::Message;
using MessageLog = MessageRecorder;
using vantrel_test::NullSection;

namespace {

constexpr intptr_t kStarted = 0x10000, kStopped = 0x40000;

// What the null plug-in (loaded by the session) played on an output.
std::vector<float> PlayedFloats(int channel, size_t count) {
    void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (plugin == nullptr)
        return {};
    auto played = reinterpret_cast<decltype(&vantrel_null_played)>(::dlsym(plugin, "vantrel_null_played"));
    std::vector<float> out(count);
    out.resize(played(channel, out.data(), count * sizeof(float)) / sizeof(float));
    ::dlclose(plugin);
    return out;
}

std::vector<float> Ramp(int n, float start) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = start + float(i) / 65536.0f;
    return v;
}

class SessionTest : public ::testing::Test {
protected:
    void Open(const std::string& options) {
        session.reset();
        registry.reset(); // its destructor clears VANTREL_DRIVERS
        registry = std::make_unique<DriverRegistry>(NullSection("Null", options));
        session = std::make_unique<CZELAsioRT>();
        ASSERT_TRUE(session->SelectDriver(0));
    }

    // As the Prepare export does: a stop released the driver, so load it again.
    int32_t Prepare(std::vector<int> outputs, int store, int loop = 0, int rate = 48000) {
        if (!session->IsDriverLoaded())
            session->SelectDriver(session->GetDriverIndex());
        return session->Prepare(0, nullptr, int(outputs.size()), outputs.data(), 0, store, loop, rate, 0.125);
    }

    void Watch(int flags = 0x103) {
        session->SetWindow(log.Handle());
        session->SetNotifyFlags(flags);
    }

    MessageLog log;
    std::unique_ptr<DriverRegistry> registry;
    std::unique_ptr<CZELAsioRT> session;
};

} // namespace

TEST_F(SessionTest, MessagesOfATwoOutputStream) {
    Open("paced=1");
    ASSERT_EQ(Prepare({0, 1}, 48000), kSessionOk);
    const std::vector<float> a = Ramp(2048, 0.1f), b = Ramp(4096, -0.5f);
    ASSERT_EQ(session->Output(0).WriteFloat32(a.data(), 2048), 2048);
    ASSERT_EQ(session->Output(1).WriteFloat32(b.data(), 4096), 4096);
    Watch();
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, kStopped, 10s)) << "the watchdog never stopped";
    const size_t atStop = log.Snapshot().size();
    // Several progress ticks long: a message posted after the stop would show.
    EXPECT_TRUE(StaysFalse([&] { return log.Snapshot().size() != atStop; }, 100ms));
    const std::vector<Message> all = log.Snapshot();

    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.front().msg, WM_ASIO_OUTPUT_EVENT);
    EXPECT_EQ(all.front().wParam, kStarted);
    EXPECT_EQ(all.back().wParam, kStopped) << "nothing is posted after the stop";
    EXPECT_EQ(all[all.size() - 2].msg, WM_ASIO_INPUT_TIME);
    EXPECT_EQ(all[all.size() - 2].wParam, 0);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x30000), 1u);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x30001), 1u);

    // Each progress tick: positions of outputs 0 and 1, then their remaining samples.
    int ticks = 0;
    intptr_t lastPosition[2] = {0, 0}, lastRemain[2] = {2048, 4096};
    size_t dry0 = 0, dry1 = 0;
    for (size_t k = 0; k < all.size(); ++k) {
        const Message& m = all[k];
        if (m.msg == WM_ASIO_OUTPUT_EVENT && m.wParam == 0x30000)
            dry0 = k;
        if (m.msg == WM_ASIO_OUTPUT_EVENT && m.wParam == 0x30001)
            dry1 = k;
        if (m.msg == WM_ASIO_OUTPUT_EVENT && (m.wParam >> 16) == 2) {
            const int c = int(m.wParam & 0xFFFF);
            ASSERT_LT(c, 2);
            EXPECT_GE(m.lParam, lastPosition[c]);
            lastPosition[c] = m.lParam;
        }
        if (m.msg == WM_ASIO_REMAIN) {
            ASSERT_EQ(m.wParam >> 16, 1) << "outputs only";
            const int c = int(m.wParam & 0xFFFF);
            EXPECT_LE(m.lParam, lastRemain[c]);
            lastRemain[c] = m.lParam;
            if (c == 0) {
                ++ticks;
                ASSERT_GE(k, 2u);
                EXPECT_EQ(all[k - 2].wParam, 0x20000);
                EXPECT_EQ(all[k - 1].wParam, 0x20001);
                ASSERT_LT(k + 1, all.size());
                EXPECT_EQ(all[k + 1].wParam, 0x10001);
            }
        }
    }
    EXPECT_GE(ticks, 1);
    EXPECT_LT(dry0, dry1) << "the shorter output runs dry first";
    EXPECT_LE(lastPosition[0], 2048 * 1000 / 48000);
    EXPECT_LE(lastPosition[1], 4096 * 1000 / 48000);
    EXPECT_FALSE(session->IsRunning());
    EXPECT_FALSE(session->IsTimedOut());

    const std::vector<float> played = PlayedFloats(0, 2048);
    ASSERT_EQ(played.size(), 2048u);
    EXPECT_EQ(played, a) << "output 0 played exactly what was written";
}

TEST_F(SessionTest, RanDryIsLatchedPerSpell) {
    // The driver never switches; the test plays the audio thread.
    Open("switchLimit=0");
    ASSERT_EQ(Prepare({0, 1}, 4096), kSessionOk);
    const std::vector<float> a = Ramp(256, 0.25f), b = Ramp(4096, 0.5f);
    session->Output(1).WriteFloat32(b.data(), 4096);
    session->Output(0).WriteFloat32(a.data(), 256);
    Watch();
    ASSERT_EQ(session->Start(), kSessionOk);
    // Dry, refilled and dry again well inside one 20 ms watchdog tick.
    session->OnBufferSwitch(0);
    session->OnBufferSwitch(1);
    session->Output(0).WriteFloat32(a.data(), 256);
    session->OnBufferSwitch(0);
    session->OnBufferSwitch(1);
    EXPECT_TRUE(log.WaitFor(
        [](auto& all) { return MessageLog::CountIn(all, WM_ASIO_OUTPUT_EVENT, 0x30000) >= 2; }, 10s));
    // Several watchdog ticks long: a third message would show.
    EXPECT_TRUE(StaysFalse([&] { return log.Count(WM_ASIO_OUTPUT_EVENT, 0x30000) > 2; }, 100ms))
        << "two dry spells, two messages";
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, 0x30001), 0u);
    EXPECT_TRUE(session->IsRunning());
    EXPECT_EQ(session->Stop(), kSessionOk);
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, kStopped), 1u);
}

// A stream that never switches, and one that stops switching after it started (the
// server went away), are both stopped after 5 s with the timed-out flag.
TEST_F(SessionTest, SilentStreamTimesOut) {
    size_t stops = 0;
    for (const char* options : {"switchLimit=0", "switchLimit=20"}) {
        SCOPED_TRACE(options);
        ++stops;
        Open(options);
        ASSERT_EQ(Prepare({0}, 1000, 1), kSessionOk) << "loop mode never runs dry";
        Watch();
        const auto begin = std::chrono::steady_clock::now();
        ASSERT_EQ(session->Start(), kSessionOk);
        ASSERT_TRUE(log.WaitFor(
            [&](auto& all) { return MessageLog::CountIn(all, WM_ASIO_OUTPUT_EVENT, kStopped) == stops; },
            20s));
        // The flag is set right after the watchdog's stop returns.
        EXPECT_TRUE(WaitUntil([&] { return session->IsTimedOut(); }));
        EXPECT_GE(std::chrono::steady_clock::now() - begin, 5s);
        EXPECT_FALSE(session->IsRunning());
        session->Stop();
    }
}

TEST_F(SessionTest, RateChangeAndRateRefusal) {
    Open("rates=44100,48000");
    EXPECT_EQ(Prepare({0}, 4410, 0, 12345), kSessionBadArgument) << "a rate the driver refuses";
    ASSERT_EQ(Prepare({0}, 4410, 0, 44100), kSessionOk);
    EXPECT_EQ(session->GetSampleRate(), 44100);
    // A rate change waits for the driver to settle; rate -1 keeps the rate and does not.
    // Both timed in this run: the one without settling takes far less than half.
    auto timed = [&](int rate) {
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(Prepare({0}, 4410, 0, rate), kSessionOk);
        return std::chrono::steady_clock::now() - begin;
    };
    const auto settled = timed(48000);
    const auto kept = timed(-1);
    EXPECT_EQ(session->GetSampleRate(), 48000) << "rate -1 keeps the rate";
    EXPECT_LT(kept * 2, settled) << "rate -1 keeps the rate without settling";
    ASSERT_EQ(Prepare({0}, 4410, 0, 44100), kSessionOk);
    EXPECT_EQ(session->GetSampleRate(), 44100);
    const std::vector<float> a = Ramp(4410, 0.1f);
    session->Output(0).WriteFloat32(a.data(), 4410);
    Watch();
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, kStopped, 10s));
    intptr_t last = -1;
    for (const Message& m : log.Snapshot())
        if (m.msg == WM_ASIO_OUTPUT_EVENT && m.wParam == 0x20000)
            last = m.lParam;
    EXPECT_GE(last, 0);
    EXPECT_LE(last, 100) << "positions count at 44100 Hz: 4410 samples are 100 ms";
}

TEST_F(SessionTest, PrepareAndStartArguments) {
    Open("outputs=128\ninputs=2");
    std::vector<int> many(129);
    for (int i = 0; i < 129; ++i)
        many[size_t(i)] = i % 128;
    EXPECT_EQ(session->Prepare(0, nullptr, 129, many.data(), 0, 100, 0, -1, 0), kSessionBadArgument);
    EXPECT_EQ(session->Prepare(0, nullptr, 128, many.data(), 0, 100, 0, -1, 0), kSessionOk);
    int negative[2] = {0, -1};
    struct Row {
        const char* what;
        int inCount, outCount;
        int* outs;
        int inStore, outStore;
    };
    const Row rows[] = {
        {"negative output count", 0, -1, negative, 0, 100},
        {"negative input count", -1, 0, nullptr, 100, 0},
        {"negative channel number", 0, 2, negative, 0, 100},
        {"outputs without a list", 0, 1, nullptr, 0, 100},
        {"outputs without storage", 0, 1, negative, 0, 0},
        {"negative storage", 0, 1, negative, 0, -5},
    };
    for (const Row& r : rows)
        EXPECT_EQ(session->Prepare(r.inCount, nullptr, r.outCount, r.outs, r.inStore, r.outStore, 0, -1, 0),
                  kSessionBadArgument)
            << r.what;

    ASSERT_EQ(Prepare({0}, 1000, 1), kSessionOk);
    ASSERT_EQ(session->Start(), kSessionOk);
    EXPECT_EQ(Prepare({0}, 1000, 1), kSessionBadArgument) << "no prepare under a running stream";
    EXPECT_EQ(session->Start(), kSessionBadArgument) << "no second start";
    EXPECT_FALSE(session->SelectDriver(0)) << "no driver change under a running stream";
    EXPECT_EQ(session->Stop(), kSessionOk);
    EXPECT_EQ(session->Stop(), kSessionOk) << "stopping a stopped stream is not an error";
}

TEST_F(SessionTest, FailedDriverStopLeavesTheSessionRunningToStopAgain) {
    Open("failStop=1");
    ASSERT_EQ(Prepare({0}, 1000, 1), kSessionOk);
    Watch();
    ASSERT_EQ(session->Start(), kSessionOk);
    EXPECT_EQ(session->Stop(), kDriverHardwareFault) << "the driver's error is reported";
    EXPECT_TRUE(session->IsRunning()) << "the driver may still be switching buffers";
    EXPECT_EQ(Prepare({0}, 1000, 1), kSessionBadArgument) << "no prepare under a running stream";
    EXPECT_EQ(session->Stop(), kSessionOk) << "the host tries again";
    EXPECT_FALSE(session->IsRunning());
    EXPECT_EQ(Prepare({0}, 1000, 1), kSessionOk) << "the session is usable again";
}

TEST_F(SessionTest, DriverFailureModes) {
    Open("failCreateBuffers=1");
    EXPECT_EQ(Prepare({0}, 1000), kDriverInvalidMode);
    session.reset();
    registry.reset();
    registry = std::make_unique<DriverRegistry>(NullSection("Null", "failInit=1"));
    session = std::make_unique<CZELAsioRT>();
    EXPECT_FALSE(session->SelectDriver(0));
    EXPECT_EQ(session->GetDriverIndex(), -1);
    EXPECT_EQ(session->Start(), kSessionNoDriver);
    EXPECT_EQ(session->Stop(), kSessionNoDriver);
}

TEST_F(SessionTest, OneSessionPerProcessAndDriverMessages) {
    Open("");
    EXPECT_THROW(CZELAsioRT(), std::runtime_error);
    const int rows[][3] = {{1, 3, 1}, {1, 4, 0}, {1, 10, 1}, {2, 0, 2}, {3, 0, 1}, {4, 0, 0},
                           {5, 0, 1}, {6, 0, 1}, {7, 0, 1},  {8, 0, 0}, {99, 0, 0}};
    for (const auto& r : rows)
        EXPECT_EQ(session->OnAsioMessage(r[0], r[1]), r[2]) << r[0] << "," << r[1];
}

TEST_F(SessionTest, LoopbackRecordsWhatWasPlayed) {
    Open("loopback=1\ninputs=1\noutputs=1");
    int out = 0, in = 0;
    ASSERT_EQ(session->Prepare(1, &in, 1, &out, 48000, 48000, 0, 48000, 0), kSessionOk);
    const std::vector<float> a = Ramp(1024, 0.125f);
    session->Output(0).WriteFloat32(a.data(), 1024);
    ASSERT_EQ(session->Start(), kSessionOk);
    // Well past what was played: the silence after it still records.
    ASSERT_TRUE(WaitUntil([&] { return session->Input(0).GetAvailable() >= 8192; }));
    EXPECT_TRUE(session->IsRunning()) << "recording inputs keep the stream alive";
    session->Stop();
    std::vector<double> got(48000);
    const int n = session->Input(0).Take(got.data(), 48000);
    size_t first = 0;
    while (first < size_t(n) && got[first] == 0.0)
        ++first;
    ASSERT_GE(size_t(n) - first, 1024u);
    for (size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(got[first + i], double(a[i])) << i;
}

// The caller stops while the watchdog stops a stream that ran dry: every cycle ends
// with exactly one stopped message and a session that prepares again.
TEST_F(SessionTest, CallerStopRacesWatchdogStop) {
    Open("paced=1");
    Watch();
    std::mt19937 random(12345);
    const int cycles = 25;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE(cycle);
        ASSERT_EQ(Prepare({0, 1}, 4096), kSessionOk);
        const std::vector<float> a = Ramp(256 + int(random() % 2048), 0.1f);
        session->Output(0).WriteFloat32(a.data(), int(a.size()));
        session->Output(1).WriteFloat32(a.data(), int(a.size()) / 2);
        ASSERT_EQ(session->Start(), kSessionOk);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 60));
        const int32_t result = session->Stop();
        EXPECT_EQ(result, kSessionOk);
        EXPECT_FALSE(session->IsRunning());
        ASSERT_TRUE(log.WaitFor(
            [&](auto& all) {
                return MessageLog::CountIn(all, WM_ASIO_OUTPUT_EVENT, kStopped) >= size_t(cycle + 1);
            },
            5s));
    }
    EXPECT_TRUE(
        StaysFalse([&] { return log.Count(WM_ASIO_OUTPUT_EVENT, kStopped) > size_t(cycles); }, 100ms));
    EXPECT_EQ(log.Count(WM_ASIO_OUTPUT_EVENT, kStarted), size_t(cycles));
}
