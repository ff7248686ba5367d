#include "Cwaveread.h"

#include "MessageRecorder.h"
#include "Messages.h"
#include "TestDir.h"
#include "WaitUntil.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

using namespace std::chrono_literals;

namespace {

// The planar stream a reader must deliver for the files: channel g of all files in file
// order, sample j of each, silence after a file ends; 16-bit samples.
std::vector<std::vector<uint16_t>> expectedChannels(const std::vector<std::vector<uint8_t>>& data,
                                                    const std::vector<uint16_t>& channels, size_t frames) {
    std::vector<std::vector<uint16_t>> out;
    for (size_t f = 0; f < data.size(); ++f)
        for (uint16_t k = 0; k < channels[f]; ++k) {
            std::vector<uint16_t> samples(frames, 0);
            for (size_t j = 0; j * channels[f] * 2 < data[f].size() && j < frames; ++j)
                std::memcpy(&samples[j], data[f].data() + (j * channels[f] + k) * 2, 2);
            out.push_back(samples);
        }
    return out;
}

// Reads the whole stream in blocks of `blockFrames`, collecting each channel.
std::vector<std::vector<uint16_t>> readAll(CWaveRead& reader, uint32_t blockFrames, size_t* reads = nullptr) {
    const uint32_t channels = reader.GetChannelCount();
    std::vector<std::vector<uint16_t>> got(channels);
    std::vector<uint16_t> block(size_t(blockFrames) * channels);
    for (size_t n = 0;; ++n) {
        const uint32_t bytes = reader.Read(block.data(), uint32_t(block.size() * 2));
        if (bytes == 0 || bytes == 0xFFFFFFFFu || n > 100000)
            break;
        const size_t frames = bytes / 2 / channels;
        for (uint32_t g = 0; g < channels; ++g)
            got[g].insert(got[g].end(), block.begin() + g * frames, block.begin() + (g + 1) * frames);
        if (reads)
            ++*reads;
    }
    return got;
}

TEST(CWaveRead, PlanarBlocksFromTwoFilesThenSilenceAfterTheShorterEnds) {
    TestDir dir;
    const std::vector<uint8_t> mono = PatternBytes(2 * 3000, 1);
    const std::vector<uint8_t> stereo = PatternBytes(4 * 5000, 2);
    ASSERT_TRUE(WriteWav(dir.file("a.wav"), WavLayout::pcm(1, 48000, 16), mono));
    ASSERT_TRUE(WriteWav(dir.file("b.wav"), WavLayout::pcm(2, 48000, 16), stereo));

    MessageRecorder inbox;
    CWaveRead reader;
    reader.notifyWindow = inbox.Handle();
    // Rings smaller than the files: the stream needs refills while it is read.
    ASSERT_TRUE(reader.Open({dir.file("a.wav"), dir.file("b.wav")}, 1024));
    EXPECT_EQ(reader.GetChannelCount(), 3u);
    EXPECT_EQ(reader.GetMaxFrames(), 5000u);
    EXPECT_EQ(reader.GetSampleFormat(), 0);
    EXPECT_EQ(reader.GetBytesPerSample(), 2u);
    ASSERT_TRUE(reader.Start());
    ASSERT_TRUE(tamvik_test::WaitUntil([&] { return reader.IsReading(); }));
    // Read at once: a file whose first fill is still under way must not slip against the
    // others.
    size_t reads = 0;
    const auto got = readAll(reader, 300, &reads);
    const auto expected = expectedChannels({mono, stereo}, {1, 2}, 5000);
    ASSERT_EQ(got.size(), 3u);
    for (size_t g = 0; g < 3; ++g)
        EXPECT_TRUE(got[g] == expected[g]) << "channel " << g << " differs (" << got[g].size() << " samples)";
    EXPECT_GE(reads, 17u);

    // A fill is posted after its frames are in the ring, so the last report may still be
    // on its way when the reading is done.
    const auto filledFrames = [](const std::vector<MessageRecorder::Message>& messages) {
        intptr_t filled = 0;
        for (const auto& m : messages)
            filled += m.msg == WM_WAVEREAD_FILLED ? m.wParam : 0;
        return filled;
    };
    inbox.WaitFor([&](const auto& all) { return filledFrames(all) >= 3000 + 5000; });
    reader.Stop();
    const auto messages = inbox.Snapshot();
    ASSERT_FALSE(messages.empty());
    for (const auto& m : messages)
        EXPECT_EQ(m.msg, WM_WAVEREAD_FILLED);
    EXPECT_EQ(filledFrames(messages), 3000 + 5000) << "every frame of both files is reported filled once";
}

TEST(CWaveRead, FilesOfDifferentRatesOrFormatsAreRefused) {
    TestDir dir;
    ASSERT_TRUE(WriteWav(dir.file("44.wav"), WavLayout::pcm(1, 44100, 16), PatternBytes(200)));
    ASSERT_TRUE(WriteWav(dir.file("48.wav"), WavLayout::pcm(1, 48000, 16), PatternBytes(200)));
    ASSERT_TRUE(WriteWav(dir.file("48f.wav"), WavLayout::floating(1, 48000, 32), PatternBytes(400)));
    CWaveRead reader;
    EXPECT_FALSE(reader.Open({}, 100));
    EXPECT_FALSE(reader.Open({dir.file("44.wav"), dir.file("48.wav")}, 100));
    EXPECT_FALSE(reader.Open({dir.file("48.wav"), dir.file("48f.wav")}, 100));
    EXPECT_FALSE(reader.Open({dir.file("48.wav"), dir.file("missing.wav")}, 100));
    // After a refused open nothing divides by a channel count of zero.
    uint8_t block[64];
    EXPECT_EQ(reader.Read(block, sizeof block), 0xFFFFFFFFu);
    EXPECT_EQ(reader.GetChannelCount(), 0u);
    EXPECT_EQ(reader.GetBytesPerSample(), 0u);
    EXPECT_TRUE(reader.Open({dir.file("48.wav")}, 100));
}

// The reader keeps its file buffers from play to play: a file of another layout, and the
// first one again, must each come out exactly, with nothing left of the play before.
TEST(CWaveRead, OpenedAgainDeliversEachFileWhateverCameBefore) {
    TestDir dir;
    const std::vector<uint8_t> stereo = PatternBytes(4 * 700, 5);
    const std::vector<uint8_t> mono = PatternBytes(2 * 300, 6);
    ASSERT_TRUE(WriteWav(dir.file("st.wav"), WavLayout::pcm(2, 48000, 16), stereo));
    ASSERT_TRUE(WriteWav(dir.file("mo.wav"), WavLayout::pcm(1, 48000, 16), mono));
    CWaveRead reader;
    const struct {
        const char* file;
        const std::vector<uint8_t>& data;
        uint16_t channels;
        size_t frames;
    } plays[] = {{"st.wav", stereo, 2, 700}, {"mo.wav", mono, 1, 300}, {"st.wav", stereo, 2, 700}};
    for (const auto& play : plays) {
        ASSERT_TRUE(reader.Open({dir.file(play.file)}, 1000)) << play.file;
        reader.Start();
        ASSERT_TRUE(reader.WaitFirstFill(10s));
        EXPECT_TRUE(readAll(reader, 128) == expectedChannels({play.data}, {play.channels}, play.frames))
            << play.file;
        reader.Stop();
    }
}

TEST(CWaveRead, ShortFileLoadsInOneFillAndStopEndsTheWork) {
    TestDir dir;
    const std::vector<uint8_t> data = PatternBytes(2 * 200, 3);
    ASSERT_TRUE(WriteWav(dir.file("s.wav"), WavLayout::pcm(1, 48000, 16), data));
    ASSERT_TRUE(WriteWav(dir.file("long.wav"), WavLayout::pcm(16, 48000, 16), PatternBytes(32 * 480000, 4)));
    CWaveRead reader;
    reader.Stop(); // while idle: returns at once
    ASSERT_TRUE(reader.Open({dir.file("s.wav")}, 1000));
    reader.Start();
    ASSERT_TRUE(tamvik_test::WaitUntil([&] { return reader.IsReading() && !reader.IsBusy(); }))
        << "all loaded: the thread ends its work";
    EXPECT_TRUE(reader.IsReading()) << "reading stays set until a stop";
    const auto got = readAll(reader, 64);
    EXPECT_TRUE(got[0] == expectedChannels({data}, {1}, 200)[0]);

    // A long file in a large ring takes a while to fill: Open is refused meanwhile, and
    // Stop ends the filling before it returns.
    ASSERT_TRUE(reader.Open({dir.file("long.wav")}, 16u << 20));
    reader.Start();
    EXPECT_FALSE(reader.Open({dir.file("s.wav")}, 100)) << "busy";
    ASSERT_TRUE(reader.Stop());
    EXPECT_FALSE(reader.IsBusy());
    EXPECT_TRUE(reader.Open({dir.file("s.wav")}, 100));
}

} // namespace
