#include "Csound.h"

#include "AlsaTestHome.h"
#include "JackServer.h"
#include "MessageRecorder.h"
#include "Messages.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <QFile>

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Message = MessageRecorder::Message;

bool isFinal(const Message& m) {
    return m.msg == WM_SOUND_STATUS &&
           (m.wParam == SoundFinished || m.wParam == SoundStopped || m.wParam == SoundRefused);
}

std::vector<intptr_t> statuses(MessageRecorder& inbox) {
    std::vector<intptr_t> out;
    for (const Message& m : inbox.Snapshot())
        if (m.msg == WM_SOUND_STATUS)
            out.push_back(m.wParam);
    return out;
}

std::vector<uint8_t> readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = f.readAll();
    return std::vector<uint8_t>(all.begin(), all.end());
}

class CSoundTest : public ::testing::Test {
protected:
    AlsaTestHome home;
    MessageRecorder inbox;

    // Plays the file to its end on the device; returns the statuses posted.
    std::vector<intptr_t> playToEnd(CSound& sound, const QString& path) {
        inbox.Clear();
        sound.SetNotifyWindow(inbox.Handle());
        if (!sound.Play(path))
            return {};
        EXPECT_TRUE(inbox.WaitForAny(isFinal)) << "no final status";
        return statuses(inbox);
    }
};

struct BytesCase {
    const char* name;
    WavLayout layout;
    uint32_t dataBytes;
};

void PrintTo(const BytesCase& c, std::ostream* os) {
    *os << c.name;
}

class CSoundBytes : public CSoundTest, public ::testing::WithParamInterface<BytesCase> {};

// What reaches the device is the data chunk, byte for byte: frames that straddle two
// 32768-byte blocks are handed whole, a trailing partial frame never.
TEST_P(CSoundBytes, DeviceReceivesExactlyTheDataChunk) {
    const BytesCase& c = GetParam();
    const std::vector<uint8_t> data = PatternBytes(c.dataBytes, 11);
    const QString wav = home.path() + "/f.wav";
    ASSERT_TRUE(WriteWav(wav, c.layout, data));
    CSound sound;
    const std::vector<intptr_t> got = playToEnd(sound, wav);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), SoundFinished);
    const uint32_t whole = c.dataBytes - c.dataBytes % c.layout.frameBytes();
    const std::vector<uint8_t> written = readFile(home.defaultFile());
    ASSERT_EQ(written.size(), whole);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), data.begin())) << "bytes differ";
}

INSTANTIATE_TEST_SUITE_P(
    Formats, CSoundBytes,
    ::testing::Values(BytesCase{"u8Mono", WavLayout::pcm(1, 8000, 8), 40000},
                      BytesCase{"s16Stereo", WavLayout::pcm(2, 44100, 16), 3 * 32768 + 400},
                      BytesCase{"s24Stereo", WavLayout::pcm(2, 48000, 24), 6 * 20000},
                      BytesCase{"s24SixChannels", WavLayout::pcm(6, 48000, 24), 18 * 9000},
                      BytesCase{"extensibleS24SixChannels",
                                WavLayout::extensible(6, 48000, 24, WavLayout::SubFormat::Pcm), 18 * 2000},
                      BytesCase{"float32Quad", WavLayout::floating(4, 96000, 32), 16 * 5000},
                      BytesCase{"trailingPartialFrame", WavLayout::pcm(2, 48000, 24), 6 * 11000 + 4}),
    [](const ::testing::TestParamInfo<BytesCase>& info) { return std::string(info.param.name); });

TEST_F(CSoundTest, SixteenBlocksGiveStartSixteenProgressesAndFinish) {
    const uint32_t size = 16 * 32768 - 100;
    const QString wav = home.path() + "/f.wav";
    ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(2, 44100, 16), PatternBytes(size)));
    CSound sound;
    playToEnd(sound, wav);
    std::vector<Message> expected{{WM_SOUND_STATUS, 1, 0}};
    for (uint32_t k = 1; k <= 16; ++k)
        expected.push_back({WM_SOUND_STATUS, 2, intptr_t(double(std::min(k * 32768, size)) / size * 100.0)});
    expected.push_back({WM_SOUND_STATUS, 3, 0});
    EXPECT_EQ(inbox.Snapshot(), expected);
    EXPECT_EQ(expected[16].lParam, 100);
    EXPECT_FALSE(sound.IsPlaying());
}

TEST_F(CSoundTest, ShortAndEmptyFilesAndTheNamedDevice) {
    const QString three = home.path() + "/three.wav";
    const QString empty = home.path() + "/empty.wav";
    ASSERT_TRUE(WriteWav(three, WavLayout::pcm(2, 44100, 16), PatternBytes(2 * 32768 + 8)));
    ASSERT_TRUE(WriteWav(empty, WavLayout::pcm(2, 44100, 16), {}));
    CSound sound;
    EXPECT_EQ(sound.GetDevice(), -1);
    const int file = AlsaTestHome::deviceIndex("tvfile");
    ASSERT_GE(file, 0);
    sound.SetDevice(file);
    EXPECT_EQ(playToEnd(sound, three), (std::vector<intptr_t>{1, 2, 2, 2, 3}));
    EXPECT_EQ(readFile(home.file()).size(), 2u * 32768 + 8);
    EXPECT_EQ(playToEnd(sound, empty), (std::vector<intptr_t>{1, 3}));
    EXPECT_FALSE(sound.Play(home.path() + "/missing.wav"));
}

TEST_F(CSoundTest, RefusedFormatsGiveStatusFiveAndLeaveThePlayerReady) {
    const QString floating = home.path() + "/float.wav";
    const QString misaligned = home.path() + "/misaligned.wav";
    const QString fine = home.path() + "/fine.wav";
    ASSERT_TRUE(WriteWav(floating, WavLayout::floating(2, 48000, 32), PatternBytes(800)));
    WavLayout bad = WavLayout::pcm(2, 48000, 16);
    bad.blockAlign = 0; // would divide by zero
    ASSERT_TRUE(WriteWav(misaligned, bad, PatternBytes(800)));
    WavLayout noChannels = WavLayout::pcm(0, 48000, 16);
    ASSERT_TRUE(WriteWav(home.path() + "/none.wav", noChannels, PatternBytes(800)));
    ASSERT_TRUE(WriteWav(fine, WavLayout::pcm(2, 48000, 16), PatternBytes(800)));

    CSound sound;
    const int linear = AlsaTestHome::deviceIndex("tvlinear");
    ASSERT_GE(linear, 0);
    sound.SetDevice(linear);
    EXPECT_EQ(playToEnd(sound, floating), std::vector<intptr_t>{5}) << "the device refuses float";
    EXPECT_EQ(playToEnd(sound, misaligned), std::vector<intptr_t>{5});
    EXPECT_EQ(playToEnd(sound, home.path() + "/none.wav"), std::vector<intptr_t>{5});
    EXPECT_EQ(playToEnd(sound, fine), (std::vector<intptr_t>{1, 2, 3}));
    sound.SetDevice(100000);
    EXPECT_EQ(playToEnd(sound, fine), std::vector<intptr_t>{5}) << "no such device";
}

TEST_F(CSoundTest, DeviceQueries) {
    const int file = AlsaTestHome::deviceIndex("tvfile");
    const int linear = AlsaTestHome::deviceIndex("tvlinear");
    ASSERT_GE(file, 0);
    ASSERT_GE(linear, 0);
    EXPECT_GT(GetWaveOutDeviceCount(), std::max(file, linear));

    WaveOutCaps caps;
    ASSERT_TRUE(GetWaveOutDeviceCaps(file, &caps));
    EXPECT_EQ(caps.productName, "tvfile") << "the name, not the hint's description";
    EXPECT_EQ(caps.pcmName, "tvfile");
    ASSERT_TRUE(GetWaveOutDeviceCaps(-1, &caps));
    EXPECT_EQ(caps.pcmName, "default");
    EXPECT_FALSE(GetWaveOutDeviceCaps(GetWaveOutDeviceCount(), &caps));
    EXPECT_FALSE(GetWaveOutDeviceCaps(-2, &caps));
    EXPECT_FALSE(GetWaveOutDeviceCaps(file, nullptr));

    const QString floating = home.path() + "/float.wav";
    const QString integer = home.path() + "/int.wav";
    ASSERT_TRUE(WriteWav(floating, WavLayout::floating(2, 48000, 32), PatternBytes(80)));
    ASSERT_TRUE(WriteWav(integer, WavLayout::pcm(2, 48000, 24), PatternBytes(60)));
    QFile text(home.path() + "/text.wav");
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a wave file at all");
    text.close();
    EXPECT_TRUE(CanPlayWaveFile(linear, integer));
    EXPECT_FALSE(CanPlayWaveFile(linear, floating));
    EXPECT_TRUE(CanPlayWaveFile(file, floating));
    EXPECT_FALSE(CanPlayWaveFile(file, text.fileName()));
    EXPECT_FALSE(CanPlayWaveFile(100000, integer));
    EXPECT_TRUE(IsWaveFile(integer));
    EXPECT_FALSE(IsWaveFile(text.fileName()));
}

// Paced playback on a JACK server with the dummy backend.
class CSoundJackTest : public CSoundTest {
protected:
    JackServer jack;
    int device = -2;
    QString wav;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(jack.Start(&error)) << error;
        // The ALSA jack PCM connects to the default server.
        qputenv("JACK_DEFAULT_SERVER", QByteArray::fromStdString(jack.Name()));
        device = AlsaTestHome::deviceIndex("tvjack");
        ASSERT_GE(device, 0);
        wav = home.path() + "/long.wav";
    }

    void TearDown() override { qunsetenv("JACK_DEFAULT_SERVER"); }

    // Starts a play (ten seconds: past the 16-block queue) and waits until the first
    // block has played.
    void startLongPlay(CSound& sound, double seconds = 10) {
        writeSeconds(seconds);
        sound.SetDevice(device);
        sound.SetNotifyWindow(inbox.Handle());
        ASSERT_TRUE(sound.Play(wav));
        EXPECT_FALSE(sound.Play(wav)) << "one play at a time";
        ASSERT_TRUE(inbox.WaitForAny(
            [](const Message& m) { return m.msg == WM_SOUND_STATUS && m.wParam == SoundProgress; }));
    }

    void writeSeconds(double seconds) {
        ASSERT_TRUE(WriteWav(wav, WavLayout::pcm(2, 48000, 16), PatternBytes(uint32_t(seconds * 48000) * 4)));
    }
};

TEST_F(CSoundJackTest, PlaysAtTheDevicesPace) {
    writeSeconds(1.5);
    CSound sound;
    sound.SetDevice(device);
    const auto start = std::chrono::steady_clock::now();
    const std::vector<intptr_t> got = playToEnd(sound, wav);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.front(), SoundStarted);
    EXPECT_EQ(got.back(), SoundFinished);
    EXPECT_EQ(std::count(got.begin(), got.end(), intptr_t(SoundProgress)), 9);
    EXPECT_GE(took, 1400ms) << "finished before the device could have played it";
    EXPECT_LT(took, 6000ms);
}

TEST_F(CSoundJackTest, StopDuringPlaybackAndBusyDevice) {
    CSound sound;
    startLongPlay(sound);
    EXPECT_TRUE(sound.IsPlaying());
    try {
        sound.SetDevice(-1);
        ADD_FAILURE() << "SetDevice while playing must throw";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "device is busy!!");
    }
    ASSERT_TRUE(sound.Stop());
    EXPECT_FALSE(sound.IsPlaying());
    EXPECT_FALSE(sound.Stop()) << "nothing to stop";
    ASSERT_TRUE(inbox.WaitForAny(
        [](const Message& m) { return m.msg == WM_SOUND_STATUS && m.wParam == SoundStopped; }));
    const std::vector<intptr_t> got = statuses(inbox);
    EXPECT_EQ(got.back(), SoundStopped);
    EXPECT_EQ(std::count(got.begin(), got.end(), intptr_t(SoundFinished)), 0);
    sound.SetDevice(device);
    EXPECT_EQ(sound.GetDevice(), device);
}

// Two seconds are fewer than 16 blocks: the whole play is the drain.
TEST_F(CSoundJackTest, StopDuringTheDrain) {
    CSound sound;
    startLongPlay(sound, 2);
    ASSERT_TRUE(sound.Stop());
    EXPECT_FALSE(sound.IsPlaying());
    ASSERT_TRUE(inbox.WaitForAny(
        [](const Message& m) { return m.msg == WM_SOUND_STATUS && m.wParam == SoundStopped; }));
    const std::vector<intptr_t> got = statuses(inbox);
    EXPECT_EQ(got.back(), SoundStopped);
    EXPECT_EQ(std::count(got.begin(), got.end(), intptr_t(SoundFinished)), 0);
}

// A device that goes away while playing ends the play with status 5; nothing hangs.
TEST_F(CSoundJackTest, ServerGoneEndsPlaybackWithStatusFive) {
    CSound sound;
    startLongPlay(sound);
    jack.Stop();
    ASSERT_TRUE(inbox.WaitForAny(isFinal, 10s));
    EXPECT_EQ(statuses(inbox).back(), SoundRefused);
    EXPECT_FALSE(sound.IsPlaying());
}

} // namespace
