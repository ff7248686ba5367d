#include "StimulusPlayback.h"

#include "AlsaTestHome.h"
#include "Csound.h"
#include "Cwaveread.h"
#include "MessageRecorder.h"
#include "Messages.h"
#include "NullDriver.h"
#include "TestDir.h"
#include "WavWriter.h"
#include "vantrel.h"

#include <gtest/gtest.h>

#include <QFile>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fstream>
#include <numeric>
#include <optional>

using namespace std::chrono_literals;

namespace {

constexpr int Rate = 192000; // a block of 96000 frames lasts half a second
constexpr uint32_t Block = 96000;

// A window of the message facility whose messages the test hands to the playback on its
// own thread, as a window's event loop would.
class Window {
public:
    // Delivers messages until the playback reports its end; refill and stop results are
    // recorded. False when the end does not come in time.
    bool RunToEnd(StimulusPlayback& playback, std::chrono::milliseconds timeout = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            const std::optional<MessageRecorder::Message> m = recorder.Next(std::max(left, 0ms));
            if (!m)
                return false;
            if (m->msg == WM_ASIO_REMAIN) {
                const uint64_t before = playback.SentFrames();
                refillsOk = playback.OnBufferDone(m->wParam, m->lParam) && refillsOk;
                if (playback.SentFrames() != before)
                    refills.push_back(playback.SentFrames() - before);
            } else if (m->msg == WM_ASIO_OUTPUT_EVENT && playback.OnOutputEvent(m->wParam, m->lParam)) {
                return true;
            } else if (m->msg == WM_SOUND_STATUS && m->wParam == SoundFinished) {
                return true;
            }
        }
    }

    MessageRecorder recorder;
    const WindowHandle handle = recorder.Handle();
    std::vector<uint64_t> refills;
    bool refillsOk = true;
};

// Raw bytes the null driver's output channel played (its channels carry 16-bit samples).
std::vector<uint8_t> Played(int channel, size_t bytes) {
    void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (plugin == nullptr)
        return {};
    auto played = reinterpret_cast<decltype(&vantrel_null_played)>(::dlsym(plugin, "vantrel_null_played"));
    std::vector<uint8_t> out(bytes);
    out.resize(played(channel, out.data(), bytes));
    ::dlclose(plugin);
    return out;
}

// Buffer switches the null driver made since its buffers were last created.
int64_t Switches() {
    void* plugin = ::dlopen(VANTREL_NULL_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (plugin == nullptr)
        return -1;
    auto switches =
        reinterpret_cast<decltype(&vantrel_null_switches)>(::dlsym(plugin, "vantrel_null_switches"));
    const int64_t n = switches();
    ::dlclose(plugin);
    return n;
}

// Channel c of interleaved 16-bit data.
std::vector<uint8_t> Channel(const std::vector<uint8_t>& data, int channels, int c) {
    std::vector<uint8_t> out;
    for (size_t at = size_t(c) * 2; at + 1 < data.size(); at += size_t(channels) * 2)
        out.insert(out.end(), data.begin() + ptrdiff_t(at), data.begin() + ptrdiff_t(at) + 2);
    return out;
}

bool IsSilent(const std::vector<uint8_t>& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

class StimulusPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(dir.file("drivers.ini").toStdString())
            << "[Null]\nclsid=vantrel.null\npath=" VANTREL_NULL_PLUGIN "\ndescription=Null\n"
               "outputs=8\noutputTypes=16\nrates=44100,48000,192000\nperiod=512\ncaptureFrames=600000\n";
        ::setenv("VANTREL_DRIVERS", dir.file("drivers.ini").toLocal8Bit().constData(), 1);
        ASSERT_EQ(VANTREL_GetNumberOfAsioDrivers(), 1);
        ASSERT_EQ(VANTREL_AsioDriverInitialize(0), 1);
        VANTREL_SetNotifyFlag(VANTREL_NOTIFY_HOST);
        playback.waveRead = &reader;
        playback.output.deviceFormats = {{44100, 8}, {48000, 8}, {Rate, 8}};
    }
    void TearDown() override {
        if (VANTREL_IsWorking() == 1)
            VANTREL_Stop();
        reader.Stop();
        ::unsetenv("VANTREL_DRIVERS");
    }

    QString Wav(const char* name, const WavLayout& layout, const std::vector<uint8_t>& data) {
        const QString path = dir.file(QString::fromLatin1(name));
        EXPECT_TRUE(WriteWav(path, layout, data));
        return path;
    }

    TestDir dir;
    CWaveRead reader;
    StimulusPlayback playback;
    Window window;
};

} // namespace

// The first block fills the output storage; refills follow once every channel has less
// than half a block left; the outputs play the file's samples exactly.
TEST_F(StimulusPlaybackTest, StereoStreamsFirstBlockThenHalfBlocksExactly) {
    const uint32_t frames = 250000;
    const std::vector<uint8_t> data = PatternBytes(size_t(frames) * 4, 3);
    const QString path = Wav("stereo.wav", WavLayout::pcm(2, Rate, 16), data);

    ASSERT_TRUE(playback.Play(path, window.handle));
    EXPECT_EQ(playback.SentFrames(), Block) << "first block";
    EXPECT_EQ(playback.ChannelMap(), (std::vector<int>{0, 1}));
    ASSERT_TRUE(window.RunToEnd(playback));
    EXPECT_TRUE(window.refillsOk);
    // A refill asks the reader for half a block; it hands over less when its thread is
    // behind (a loaded machine), and the rest follows with the next refills.
    ASSERT_GE(window.refills.size(), 3u);
    EXPECT_EQ(std::accumulate(window.refills.begin(), window.refills.end(), uint64_t(0)), frames - Block);
    for (uint64_t refill : window.refills)
        EXPECT_LE(refill, Block) << "a refill never exceeds what the storage holds";
    EXPECT_EQ(playback.SentFrames(), frames);
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(Played(c, size_t(frames) * 2), Channel(data, 2, c)) << "output " << c;
}

struct MapCase {
    const char* name;
    int channels;
    bool mono2Stereo;
    std::vector<int32_t> order;
    std::vector<int> map;      // expected outputs, in file-channel order
    std::vector<int> sourceOf; // file channel each mapped output plays
};

void PrintTo(const MapCase& c, std::ostream* os) {
    *os << c.name;
}

class StimulusPlaybackMap : public StimulusPlaybackTest, public ::testing::WithParamInterface<MapCase> {};

TEST_P(StimulusPlaybackMap, ChannelsReachTheMappedOutputs) {
    const MapCase& c = GetParam();
    const uint32_t frames = 30000;
    const std::vector<uint8_t> data = PatternBytes(size_t(frames) * 2 * size_t(c.channels), 5);
    const QString path = Wav("map.wav", WavLayout::pcm(uint16_t(c.channels), Rate, 16), data);
    playback.output.mono2Stereo = c.mono2Stereo;
    playback.output.asioChannelOrder = c.order;

    ASSERT_TRUE(playback.Play(path, window.handle));
    EXPECT_EQ(playback.ChannelMap(), c.map);
    ASSERT_TRUE(window.RunToEnd(playback));
    for (int out = 0; out < 8; ++out) {
        const auto at = std::find(c.map.begin(), c.map.end(), out);
        const std::vector<uint8_t> played = Played(out, size_t(frames) * 2);
        if (at == c.map.end())
            EXPECT_TRUE(IsSilent(played)) << "output " << out << " should be silent";
        else
            EXPECT_EQ(played, Channel(data, c.channels, c.sourceOf[size_t(at - c.map.begin())]))
                << "output " << out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StimulusPlaybackMap,
    ::testing::Values(MapCase{"StereoWithEightEntryOrder", 2, true, {5, 6, 0, 1, 2, 3, 4, 7}, {5, 6}, {0, 1}},
                      MapCase{"StereoWithTwoEntryOrder", 2, true, {1, 0}, {1, 0}, {0, 1}},
                      MapCase{"StereoWithShortOrder", 2, true, {1}, {0, 1}, {0, 1}},
                      MapCase{"MonoToStereo", 1, true, {}, {0, 1}, {0, 0}},
                      MapCase{"MonoAlone", 1, false, {}, {0}, {0}},
                      MapCase{"MonoToStereoWithOrder", 1, true, {3, 2, 1, 0}, {3, 2}, {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// Frames the library has no room for are offered first at the next refill, never dropped:
// a refill asked for while the storage is still full loses nothing.
TEST_F(StimulusPlaybackTest, RefusedFramesGoFirstAtTheNextRefill) {
    const uint32_t frames = 200000;
    const std::vector<uint8_t> data = PatternBytes(size_t(frames) * 4, 9);
    const QString path = Wav("early.wav", WavLayout::pcm(2, Rate, 16), data);

    ASSERT_TRUE(playback.Play(path, window.handle));
    ASSERT_TRUE(playback.OnBufferDone(0x10000, 0));
    ASSERT_TRUE(playback.OnBufferDone(0x10001, 0));
    EXPECT_LT(playback.SentFrames(), Block + 48000) << "the storage cannot have taken a whole refill";
    ASSERT_TRUE(window.RunToEnd(playback));
    EXPECT_EQ(playback.SentFrames(), frames);
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(Played(c, size_t(frames) * 2), Channel(data, 2, c)) << "output " << c;
}

struct RefusedCase {
    const char* name;
    WavLayout layout;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class StimulusPlaybackRefused : public StimulusPlaybackTest,
                                public ::testing::WithParamInterface<RefusedCase> {};

// A file the device cannot play, or whose samples the library would not take, fails the
// play before anything starts.
TEST_P(StimulusPlaybackRefused, PlayFailsWithoutStarting) {
    playback.output.deviceFormats = {{44100, 2}, {48000, 2}};
    const QString path = Wav("refused.wav", GetParam().layout, PatternBytes(4800, 2));
    EXPECT_FALSE(playback.Play(path, window.handle));
    EXPECT_FALSE(playback.IsActive());
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    EXPECT_EQ(playback.SentFrames(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Cases, StimulusPlaybackRefused,
                         ::testing::Values(RefusedCase{"RateTheDeviceLacks", WavLayout::pcm(2, 22050, 16)},
                                           RefusedCase{"MoreChannelsThanTheDevice",
                                                       WavLayout::pcm(3, 48000, 16)},
                                           RefusedCase{"ZeroChannels", WavLayout::pcm(0, 48000, 16)},
                                           RefusedCase{"EightBitSamples", WavLayout::pcm(2, 48000, 8)}),
                         [](const auto& info) { return std::string(info.param.name); });

// A check that lets an 8-bit file through still does not start a silent play: the
// library takes no 8-bit samples.
TEST_F(StimulusPlaybackTest, EightBitFilePastTheCheckIsRefusedAtPlay) {
    playback.waveCheck = [](const QString&, int*, int*, int* rate, uint32_t*) {
        *rate = 48000;
        return true;
    };
    const QString path = Wav("eight.wav", WavLayout::pcm(2, 48000, 8), PatternBytes(4800, 2));
    EXPECT_FALSE(playback.Play(path, window.handle));
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    EXPECT_EQ(playback.SentFrames(), 0u);
}

TEST_F(StimulusPlaybackTest, MissingFileAndNoReaderFail) {
    EXPECT_FALSE(playback.Play(dir.file("none.wav"), window.handle));
    playback.waveRead = nullptr;
    EXPECT_FALSE(
        playback.Play(Wav("ok.wav", WavLayout::pcm(2, Rate, 16), PatternBytes(400, 1)), window.handle));
}

// A file without frames does not hold the play up: it starts and ends at once.
TEST_F(StimulusPlaybackTest, FileWithoutFramesEndsAtOnce) {
    const QString path = Wav("empty.wav", WavLayout::pcm(2, Rate, 16), {});
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_TRUE(playback.Play(path, window.handle));
    ASSERT_TRUE(window.RunToEnd(playback, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);
    EXPECT_EQ(playback.SentFrames(), 0u);
}

// Stop ends the stream; the stopped report it causes is no end of a play.
TEST_F(StimulusPlaybackTest, StopEndsThePlayAndItsReportIsNoEnd) {
    const QString path = Wav("long.wav", WavLayout::pcm(2, Rate, 16), PatternBytes(size_t(Rate) * 4 * 3, 4));
    ASSERT_TRUE(playback.Play(path, window.handle));
    EXPECT_EQ(VANTREL_IsWorking(), 1);
    EXPECT_TRUE(playback.Stop());
    EXPECT_EQ(VANTREL_IsWorking(), 0);
    EXPECT_FALSE(reader.IsBusy());
    EXPECT_FALSE(playback.OnOutputEvent(0x40000, 0));
    const uint64_t sent = playback.SentFrames();
    EXPECT_TRUE(playback.OnBufferDone(0x10000, 0));
    EXPECT_TRUE(playback.OnBufferDone(0x10001, 0));
    EXPECT_EQ(playback.SentFrames(), sent) << "no refill after a stop";
}

// A play asked for while the library still works waits for it only as long as allowed.
TEST_F(StimulusPlaybackTest, BusyLibraryWaitIsBounded) {
    const QString path = Wav("busy.wav", WavLayout::pcm(2, Rate, 16), PatternBytes(size_t(Rate) * 4 * 3, 4));
    ASSERT_TRUE(playback.Play(path, window.handle));
    StimulusPlayback second;
    second.waveRead = &reader;
    second.output.deviceFormats = playback.output.deviceFormats;
    second.busyWaitTries = 20;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_FALSE(second.Play(path, window.handle));
    const auto waited = std::chrono::steady_clock::now() - begin;
    EXPECT_GE(waited, 190ms);
    EXPECT_LT(waited, 2s) << "hang";
    EXPECT_EQ(VANTREL_IsWorking(), 1);
    playback.Stop();
}

// A play asked for while the one before winds down starts once the library stops it; the
// window then hears only the new play, whose end is its own and whose samples all play.
TEST_F(StimulusPlaybackTest, PlayAfterTheLibraryWindsDownStartsAndEndsOnItsOwn) {
    const QString shortPath =
        Wav("short.wav", WavLayout::pcm(2, Rate, 16), PatternBytes(size_t(Rate) / 20 * 4, 6));
    const uint32_t frames = 120000;
    const std::vector<uint8_t> data = PatternBytes(size_t(frames) * 4, 7);
    const QString path = Wav("next.wav", WavLayout::pcm(2, Rate, 16), data);
    ASSERT_TRUE(playback.Play(shortPath, window.handle));
    StimulusPlayback second;
    second.waveRead = &reader;
    second.output.deviceFormats = playback.output.deviceFormats;
    second.busyWaitTries = 1000;
    ASSERT_TRUE(second.Play(path, window.handle));
    ASSERT_TRUE(window.RunToEnd(second));
    EXPECT_EQ(second.SentFrames(), frames);
    EXPECT_EQ(Played(0, size_t(frames) * 2), Channel(data, 2, 0));
}

// A warm-up makes ready without a sound, and the play after it hears exactly what a play
// on cold objects hears, whether the file's layout is the one warmed for or another.
TEST_F(StimulusPlaybackTest, WarmedUpPlayHearsWhatAColdPlayHears) {
    struct Case {
        const char* name;
        uint16_t channels;
        uint16_t bits;
    };
    const uint32_t frames = 130000; // a first block and refills
    for (const Case& c :
         {Case{"stereo 16-bit", 2, 16}, Case{"mono 16-bit", 1, 16}, Case{"stereo 32-bit", 2, 32}}) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> data = PatternBytes(size_t(frames) * c.channels * (c.bits / 8), 11);
        const QString path = Wav("warm.wav", WavLayout::pcm(c.channels, Rate, c.bits), data);
        std::vector<std::vector<uint8_t>> heard[2];
        for (const bool warm : {false, true}) {
            CWaveRead freshReader;
            StimulusPlayback fresh;
            fresh.waveRead = &freshReader;
            fresh.output = playback.output;
            if (warm) {
                EXPECT_FALSE(fresh.IsWarm());
                ASSERT_TRUE(fresh.WarmUp(Rate));
                EXPECT_TRUE(fresh.IsWarm());
                EXPECT_TRUE(fresh.WarmUp(Rate)) << "a second warm-up is a no-op";
                EXPECT_NE(VANTREL_IsWorking(), VANTREL_TRUE);
                EXPECT_EQ(Switches(), 0) << "the warm-up ran a stream";
            }
            ASSERT_TRUE(fresh.Play(path, window.handle));
            ASSERT_TRUE(window.RunToEnd(fresh));
            EXPECT_EQ(fresh.SentFrames(), frames);
            for (int out = 0; out < 2; ++out)
                heard[warm].push_back(Played(out, size_t(frames) * 2));
            if (warm && c.bits == 32) {
                EXPECT_TRUE(fresh.IsWarm()) << "the play took the warmed memory and kept it";
            }
        }
        EXPECT_EQ(heard[1], heard[0]);
        if (c.bits == 16) {
            for (int out = 0; out < 2; ++out)
                EXPECT_EQ(heard[1][size_t(out)], Channel(data, c.channels, c.channels == 1 ? 0 : out))
                    << "output " << out;
        }
    }
}

// A play after a warm-up at another rate, and a warm-up after the driver was loaded anew
// then a play, both play exactly; a warm-up during a play is refused and leaves the play
// alone.
TEST_F(StimulusPlaybackTest, WarmUpAfterARateOrDriverChangeThenPlays) {
    ASSERT_TRUE(playback.WarmUp(48000));
    const uint32_t frames = 20000;
    const std::vector<uint8_t> data16 = PatternBytes(size_t(frames) * 4, 12);
    ASSERT_TRUE(playback.Play(Wav("cd.wav", WavLayout::pcm(2, 44100, 16), data16), window.handle));
    ASSERT_TRUE(window.RunToEnd(playback));
    EXPECT_EQ(Played(1, size_t(frames) * 2), Channel(data16, 2, 1));

    // The driver loaded anew, as a change of device in the options does: its buffers are
    // gone, and the warm-up is done again, at the rate of the next stimuli.
    ASSERT_EQ(VANTREL_AsioDriverInitialize(0), 1);
    playback.ForgetWarmUp();
    EXPECT_FALSE(playback.IsWarm());
    ASSERT_TRUE(playback.WarmUp(Rate));
    EXPECT_TRUE(playback.IsWarm());
    EXPECT_EQ(Switches(), 0);

    const std::vector<uint8_t> data = PatternBytes(size_t(frames) * 4, 13);
    ASSERT_TRUE(playback.Play(Wav("next.wav", WavLayout::pcm(2, Rate, 16), data), window.handle));
    EXPECT_FALSE(playback.WarmUp(Rate)) << "a warm-up during a play";
    ASSERT_TRUE(window.RunToEnd(playback));
    for (int out = 0; out < 2; ++out)
        EXPECT_EQ(Played(out, size_t(frames) * 2), Channel(data, 2, out)) << "output " << out;
}

// The wave-out path hands the file to the player on the chosen device.
TEST(StimulusPlaybackWaveOut, PlaysTheFileOnTheDevice) {
    AlsaTestHome home;
    CSound sound;
    StimulusPlayback playback;
    playback.output.useMME = true;
    playback.sound = &sound;
    playback.output.soundDeviceId = -1;
    Window window;
    const std::vector<uint8_t> data = PatternBytes(48000 * 4, 8);
    const QString path = home.path() + "/w.wav";
    ASSERT_TRUE(WriteWav(path, WavLayout::pcm(2, 48000, 16), data));
    ASSERT_TRUE(playback.Play(path, window.handle));
    ASSERT_TRUE(window.RunToEnd(playback));
    QFile out(home.defaultFile());
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    const QByteArray bytes = out.readAll();
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()), data);
    EXPECT_TRUE(playback.Stop()) << "stopping an ended play is no failure";
}
