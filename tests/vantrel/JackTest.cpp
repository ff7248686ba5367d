// End to end on a private JACK server (dummy backend): the session streams through the
// JACK plug-in into a recording client, bit for bit on the mapped ports.

#include "CZELAsioRT.h"
#include "JackRecorder.h"
#include "JackServer.h"
#include "MessageRecorder.h"
#include "VantrelTestKit.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>
#include <jack/jack.h>
#include <unistd.h>

#include <cstring>
#include <thread>

using namespace vantrel;
using namespace std::chrono_literals;
using vantrel_test::DriverRegistry;
using MessageLog = MessageRecorder;
using tamvik_test::WaitUntil;

namespace {

std::string JackSection(const std::string& server) {
    return "[JACK]\nclsid=vantrel.jack\npath=" VANTREL_JACK_PLUGIN "\nserver=" + server +
           "\nclient=vantrel-test\nconnect=^recorder:in_\ncapture=^nobody:\noutputs=4\n";
}

std::vector<float> Signal(int n, float scale) {
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = scale * float((i % 997) + 1) / 997.0f;
    return v;
}

// The recording from its first non-zero sample on.
std::vector<float> FromFirstSound(const std::vector<float>& recorded) {
    size_t first = 0;
    while (first < recorded.size() && recorded[first] == 0.0f)
        ++first;
    return {recorded.begin() + long(first), recorded.end()};
}

bool SameBits(const std::vector<float>& a, const std::vector<float>& b, size_t n) {
    return a.size() >= n && b.size() >= n && std::memcmp(a.data(), b.data(), n * sizeof(float)) == 0;
}

class JackTest : public ::testing::Test {
public:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(&error)) << error;
        recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 4, 48000 * 20);
        ASSERT_TRUE(recorder->Open(&error)) << error;
        registry = std::make_unique<DriverRegistry>(JackSection(server.Name()));
        session = std::make_unique<CZELAsioRT>();
        ASSERT_TRUE(session->SelectDriver(0)) << "the JACK driver did not open on " << server.Name();
        session->SetWindow(log.Handle());
        session->SetNotifyFlags(0x103);
    }
    void TearDown() override {
        session.reset();
        recorder.reset();
        server.Stop();
    }

    JackServer server;
    MessageLog log;
    std::unique_ptr<JackRecorder> recorder;
    std::unique_ptr<DriverRegistry> registry;
    std::unique_ptr<CZELAsioRT> session;
};

} // namespace

TEST_F(JackTest, RecorderGetsExactlyWhatWasSentOnTheMappedPorts) {
    int inputs = 0, outputs = 0;
    ASSERT_EQ(session->GetChannelCounts(&inputs, &outputs), kSessionOk);
    EXPECT_EQ(outputs, 4);
    EXPECT_EQ(session->GetSampleRate(), 48000) << "the server's rate";
    int map[2] = {3, 1};
    EXPECT_EQ(session->Prepare(0, nullptr, 2, map, 0, 48000, 0, 44100, 0.125), kSessionBadArgument)
        << "the server's rate is the only one";
    ASSERT_EQ(session->Prepare(0, nullptr, 2, map, 0, 48000, 0, 48000, 0.125), kSessionOk);
    const std::vector<float> a = Signal(4800, 0.5f), b = Signal(2400, -0.25f);
    ASSERT_EQ(session->Output(0).WriteFloat32(a.data(), 4800), 4800);
    ASSERT_EQ(session->Output(1).WriteFloat32(b.data(), 2400), 2400);
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, 0x40000, 20s)) << "the stream did not end";
    EXPECT_FALSE(session->IsTimedOut());

    const std::vector<float> onFour = FromFirstSound(recorder->Samples(3));
    const std::vector<float> onTwo = FromFirstSound(recorder->Samples(1));
    ASSERT_GE(onFour.size(), a.size()) << "port in_4 recorded too little";
    ASSERT_GE(onTwo.size(), b.size()) << "port in_2 recorded too little";
    EXPECT_TRUE(SameBits(onFour, a, a.size())) << "output 0 (channel 3) differs from what was sent";
    EXPECT_TRUE(SameBits(onTwo, b, b.size())) << "output 1 (channel 1) differs from what was sent";
    for (size_t i = a.size(); i < onFour.size(); ++i)
        ASSERT_EQ(onFour[i], 0.0f) << "sound after the end at " << i;
    EXPECT_TRUE(FromFirstSound(recorder->Samples(0)).empty()) << "in_1 is not mapped";
    EXPECT_TRUE(FromFirstSound(recorder->Samples(2)).empty()) << "in_3 is not mapped";
}

// Plays 2400 samples on channel 2 (recorder port in_3) through to the stop message and checks
// that the recorder heard them whole unless `check` is false.
static void PlayOnChannelTwo(JackTest& t, int play, bool check) {
    int map[1] = {2};
    const std::vector<float> a = Signal(2400, 0.5f);
    const int64_t from = t.recorder->Frames();
    t.log.Clear();
    ASSERT_EQ(t.session->Prepare(0, nullptr, 1, map, 0, 4800, 0, 48000, 0.125), kSessionOk) << play;
    ASSERT_EQ(t.session->Output(0).WriteFloat32(a.data(), 2400), 2400);
    ASSERT_EQ(t.session->Start(), kSessionOk);
    ASSERT_TRUE(t.log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_STOPPED), 20s))
        << "play " << play << " did not end";
    if (!check)
        return;
    const std::vector<float> all = t.recorder->Samples(2);
    const std::vector<float> heard = FromFirstSound(std::vector<float>(all.begin() + long(from), all.end()));
    EXPECT_TRUE(SameBits(heard, a, a.size())) << "play " << play << " was not heard whole";
}

// A second play of the same channels reuses the ports and their connections; a
// connection that went away with its peer meanwhile is made again.
TEST_F(JackTest, NextPlayKeepsItsConnectionsAndRemakesLostOnes) {
    for (int play = 0; play < 3; ++play) {
        if (play == 2) {
            // The peer leaves and comes back under the same name: its connections are gone.
            std::string error;
            recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 4, 48000 * 20);
            ASSERT_TRUE(recorder->Open(&error)) << error;
        }
        PlayOnChannelTwo(*this, play, true);
    }
}

// A start reuses the connections of the play before without listing the server's ports;
// a peer port that appeared since, or a connection someone else removed, is still made.
TEST_F(JackTest, NextPlayConnectsAPeerThatAppearedAndRemakesARemovedConnection) {
    std::string error;
    // No third recorder port yet: the first play's channel has no peer.
    recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 2, 48000 * 20);
    ASSERT_TRUE(recorder->Open(&error)) << error;
    PlayOnChannelTwo(*this, 0, false);

    recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 4, 48000 * 20);
    ASSERT_TRUE(recorder->Open(&error)) << error;
    PlayOnChannelTwo(*this, 1, true);

    jack_status_t status{};
    jack_client_t* other = jack_client_open("other", jack_options_t(JackNoStartServer | JackServerName),
                                            &status, server.Name().c_str());
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(jack_disconnect(other, "vantrel-test:out_3", "recorder:in_3"), 0);
    jack_client_close(other);
    PlayOnChannelTwo(*this, 2, true);
}

// Preparing a stream connects its ports while they are silent, so that its start needs no
// matching: a warm-up that prepares ahead takes that off the first play.
TEST_F(JackTest, PrepareConnectsThePortsSilentlyBeforeTheStart) {
    std::string error;
    // The peer comes back after the driver loaded: the connections made then are gone.
    recorder = std::make_unique<JackRecorder>(server.Name(), "recorder", 4, 48000 * 20);
    ASSERT_TRUE(recorder->Open(&error)) << error;
    jack_status_t status{};
    jack_client_t* other = jack_client_open("other", jack_options_t(JackNoStartServer | JackServerName),
                                            &status, server.Name().c_str());
    ASSERT_NE(other, nullptr);
    const auto connected = [&](int channel) {
        const std::string ours = "vantrel-test:out_" + std::to_string(channel + 1);
        const std::string peer = "recorder:in_" + std::to_string(channel + 1);
        jack_port_t* port = jack_port_by_name(other, ours.c_str());
        return port != nullptr && jack_port_connected_to(port, peer.c_str()) != 0;
    };
    EXPECT_FALSE(connected(0));

    int map[2] = {0, 1};
    ASSERT_EQ(session->Prepare(0, nullptr, 2, map, 0, 4800, 0, 48000, 0.125), kSessionOk);
    EXPECT_TRUE(WaitUntil([&] { return connected(0) && connected(1); }))
        << "the prepare left them unconnected";
    jack_client_close(other);
    const int64_t seen = recorder->Frames();
    ASSERT_TRUE(WaitUntil([&] { return recorder->Frames() > seen + 4 * 256; }));
    EXPECT_TRUE(FromFirstSound(recorder->Samples(0)).empty()) << "a prepared stream sounded before its start";

    const std::vector<float> a = Signal(2400, 0.5f);
    ASSERT_EQ(session->Output(0).WriteFloat32(a.data(), 2400), 2400);
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_STOPPED), 20s));
    EXPECT_TRUE(SameBits(FromFirstSound(recorder->Samples(0)), a, a.size())) << "not heard whole";
}

TEST_F(JackTest, StreamWhoseServerWentAwayTimesOut) {
    int map[1] = {0};
    ASSERT_EQ(session->Prepare(0, nullptr, 1, map, 0, 4800, 1, 48000, 0.125), kSessionOk);
    const std::vector<float> a = Signal(4800, 0.5f);
    session->Output(0).WriteFloat32(a.data(), 4800);
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_POSITION), 20s))
        << "the stream never ran";
    recorder.reset();
    server.Stop();
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, MessageParameter(VANTREL_OUTPUT_STOPPED), 30s))
        << "the watchdog never stopped";
    EXPECT_TRUE(tamvik_test::WaitUntil([&] { return session->IsTimedOut(); }));
    EXPECT_FALSE(session->IsRunning());
}

// A window made after the server went away lists the drivers again, which unloads the
// driver still open on the gone server: it goes without touching the server, and the
// driver list works on once a server is there again.
TEST_F(JackTest, DriverWhoseServerWentAwayIsReleasedWhenTheDriversAreListedAgain) {
    recorder.reset();
    server.Stop();
    // Another server runs meanwhile, as when the next session of the program starts its own.
    JackServer other;
    std::string error;
    ASSERT_TRUE(other.Start(&error)) << error;
    EXPECT_FALSE(session->SelectDriver(0)) << "no server of the driver's name to connect to";
    EXPECT_FALSE(session->IsDriverLoaded());

    ASSERT_TRUE(server.Start(&error)) << error;
    ASSERT_TRUE(session->SelectDriver(0)) << "the driver opens on the server that came back";
    int inputs = 0, outputs = 0;
    EXPECT_EQ(session->GetChannelCounts(&inputs, &outputs), kSessionOk);
    EXPECT_EQ(outputs, 4);
}

TEST_F(JackTest, PeriodChangeDuringAStreamStopsItAndTheNextStreamFitsTheNewPeriod) {
    int map[1] = {0};
    ASSERT_EQ(session->Prepare(0, nullptr, 1, map, 0, 4800, 1, 48000, 0.125), kSessionOk);
    const std::vector<float> loop = Signal(4800, 0.5f);
    session->Output(0).WriteFloat32(loop.data(), 4800);
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitFor(
        [](auto& all) { return MessageRecorder::CountIn(all, WM_ASIO_OUTPUT_EVENT, 0x20000) > 0; }, 20s))
        << "the stream never ran";

    jack_status_t status{};
    jack_client_t* other = jack_client_open("resizer", jack_options_t(JackNoStartServer | JackServerName),
                                            &status, server.Name().c_str());
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(jack_set_buffer_size(other, 512), 0);
    jack_client_close(other);
    ASSERT_TRUE(log.WaitForMessage(WM_ASIO_OUTPUT_EVENT, 0x40000, 20s)) << "the stream was not stopped";
    EXPECT_FALSE(session->IsRunning());
    EXPECT_FALSE(session->IsTimedOut()) << "stopped on the reset request, not by the watchdog";

    if (!session->IsDriverLoaded()) {
        ASSERT_TRUE(session->SelectDriver(session->GetDriverIndex()));
    }
    int in = 0, out = 0;
    ASSERT_TRUE(session->GetLatencies(&in, &out));
    EXPECT_EQ(out, 512);
    ASSERT_EQ(session->Prepare(0, nullptr, 1, map, 0, 48000, 0, 48000, 0.125), kSessionOk);
    const size_t before = log.Snapshot().size();
    const std::vector<float> a = Signal(4800, -0.25f);
    const int64_t from = recorder->Frames();
    ASSERT_EQ(session->Output(0).WriteFloat32(a.data(), 4800), 4800);
    ASSERT_EQ(session->Start(), kSessionOk);
    ASSERT_TRUE(log.WaitFor(
        [before](auto& all) {
            for (size_t i = before; i < all.size(); ++i)
                if (all[i].msg == WM_ASIO_OUTPUT_EVENT && all[i].wParam == 0x40000)
                    return true;
            return false;
        },
        20s));
    EXPECT_FALSE(session->IsTimedOut());
    const std::vector<float> all = recorder->Samples(0);
    const std::vector<float> got = FromFirstSound(std::vector<float>(all.begin() + long(from), all.end()));
    ASSERT_GE(got.size(), a.size());
    EXPECT_TRUE(SameBits(got, a, a.size())) << "the stream at the new period differs from what was sent";
}

TEST(JackDriver, NeverStartsAServer) {
    const std::string name = "tamvik-absent-" + std::to_string(::getpid());
    DriverRegistry registry(JackSection(name));
    CZELAsioRT session;
    EXPECT_FALSE(session.SelectDriver(0)) << "no server of that name runs";
    // A client of that name would have found a server started on its behalf.
    jack_status_t status{};
    jack_client_t* client =
        jack_client_open("probe", jack_options_t(JackNoStartServer | JackServerName), &status, name.c_str());
    EXPECT_EQ(client, nullptr);
    if (client != nullptr)
        jack_client_close(client);
}
