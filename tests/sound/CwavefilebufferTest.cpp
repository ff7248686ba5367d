#include "Cwavefilebuffer.h"

#include "TestDir.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct FormatCase {
    const char* name;
    WavLayout layout;
    bool opens;
    int32_t sampleFormat;
    uint32_t memBytes;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class CWaveFileBufferFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(CWaveFileBufferFormats, SampleFormatOfEachFileFormat) {
    const FormatCase& c = GetParam();
    TestDir dir;
    ASSERT_TRUE(WriteWav(dir.file("f.wav"), c.layout, PatternBytes(c.layout.frameBytes() * 10)));
    CWaveFileBuffer buffer;
    ASSERT_EQ(buffer.Open(dir.file("f.wav"), 100), c.opens);
    if (c.opens) {
        EXPECT_EQ(buffer.GetSampleFormat(), c.sampleFormat);
        EXPECT_EQ(buffer.GetBytesPerSample(), c.memBytes);
        EXPECT_EQ(buffer.GetTotalFrames(), 10u);
    }
}

using Sub = WavLayout::SubFormat;
INSTANTIATE_TEST_SUITE_P(
    Formats, CWaveFileBufferFormats,
    ::testing::Values(
        FormatCase{"int8", WavLayout::pcm(1, 8000, 8), true, -1, 1},
        FormatCase{"int16", WavLayout::pcm(2, 44100, 16), true, 0, 2},
        FormatCase{"int24", WavLayout::pcm(2, 44100, 24), true, 1, 4},
        FormatCase{"int32", WavLayout::pcm(2, 44100, 32), true, 1, 4},
        FormatCase{"int64", WavLayout::pcm(1, 44100, 64), true, -1, 8},
        FormatCase{"float16", WavLayout::floating(1, 44100, 16), true, -1, 2},
        FormatCase{"float32", WavLayout::floating(2, 44100, 32), true, 2, 4},
        FormatCase{"float64", WavLayout::floating(2, 44100, 64), true, 3, 8},
        FormatCase{"extensiblePcm24", WavLayout::extensible(6, 48000, 24, Sub::Pcm), true, 1, 4},
        FormatCase{"extensibleFloat", WavLayout::extensible(2, 48000, 32, Sub::Float), true, 2, 4},
        FormatCase{"extensibleOther", WavLayout::extensible(2, 48000, 16, Sub::Other), false, -1, 0},
        FormatCase{"adpcmTag",
                   [] {
                       WavLayout s = WavLayout::pcm(1, 8000, 16);
                       s.formatTag = 2;
                       return s;
                   }(),
                   false, -1, 0},
        FormatCase{"noChannels", WavLayout::pcm(0, 8000, 16), false, -1, 0}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

// 24-bit samples go to the high three bytes of a 4-byte slot, low byte zero.
TEST(CWaveFileBuffer, TwentyFourBitStereoWidensIntoPlanarSlots) {
    TestDir dir;
    const std::vector<uint8_t> data = PatternBytes(6 * 50);
    ASSERT_TRUE(WriteWav(dir.file("f.wav"), WavLayout::pcm(2, 48000, 24), data));
    CWaveFileBuffer buffer;
    ASSERT_TRUE(buffer.Open(dir.file("f.wav"), 64));
    EXPECT_EQ(buffer.Fill(0), 50);
    EXPECT_EQ(buffer.Fill(0), 0) << "after the last frame a fill brings nothing";
    std::vector<uint8_t> block(2 * 50 * 4);
    ASSERT_EQ(buffer.Read(block.data(), uint32_t(block.size())), int32_t(block.size()));
    for (size_t j = 0; j < 50; ++j)
        for (size_t k = 0; k < 2; ++k) {
            const uint8_t* slot = block.data() + (k * 50 + j) * 4;
            EXPECT_EQ(slot[0], 0);
            ASSERT_EQ(std::memcmp(slot + 1, data.data() + j * 6 + k * 3, 3), 0)
                << "frame " << j << " channel " << k;
        }
}

TEST(CWaveFileBuffer, FillStopsAtFullRingsAndShortReadsPackWithTheSmallerStride) {
    TestDir dir;
    const std::vector<uint8_t> data = PatternBytes(4 * 100);
    ASSERT_TRUE(WriteWav(dir.file("f.wav"), WavLayout::pcm(2, 44100, 16), data));
    CWaveFileBuffer buffer;
    EXPECT_FALSE(buffer.Open(dir.file("f.wav"), 0)) << "ring of 0 frames";
    EXPECT_FALSE(buffer.Open(dir.file("missing.wav"), 10));
    ASSERT_TRUE(buffer.Open(dir.file("f.wav"), 30));
    EXPECT_EQ(buffer.Fill(20), 20);
    EXPECT_EQ(buffer.Fill(0), 10);
    EXPECT_EQ(buffer.Fill(0), 0) << "full rings";

    std::vector<uint8_t> block(2 * 40 * 2, 0xEE); // asks for 40 frames, 30 are there
    EXPECT_EQ(buffer.Read(block.data(), uint32_t(block.size())), 2 * 30 * 2);
    for (size_t j = 0; j < 30; ++j) {
        EXPECT_EQ(std::memcmp(block.data() + j * 2, data.data() + j * 4, 2), 0);
        EXPECT_EQ(std::memcmp(block.data() + 60 + j * 2, data.data() + j * 4 + 2, 2), 0);
    }
    EXPECT_TRUE(std::all_of(block.begin() + 120, block.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(buffer.GetReadFrames(), 30u);
    EXPECT_EQ(buffer.GetWrittenFrames(), 30u);

    buffer.Clear();
    EXPECT_EQ(buffer.Fill(0), -1);
    EXPECT_EQ(buffer.Read(block.data(), 4), -1);
    EXPECT_EQ(buffer.GetReadFrames(), 0xFFFFFFFFu);
    EXPECT_EQ(buffer.GetSampleFormat(), -1);
}

} // namespace

namespace {

// A corrupt header's channel count must not make the buffer allocate gigabytes.
TEST(CWaveFileBuffer, ImplausibleMemoryNeedIsRefusedBeforeAllocating) {
    TestDir dir;
    WavLayout layout = WavLayout::pcm(60000, 48000, 16);
    ASSERT_TRUE(WriteWav(dir.file("f.wav"), layout, PatternBytes(layout.frameBytes())));
    CWaveFileBuffer buffer;
    EXPECT_FALSE(buffer.Open(dir.file("f.wav"), 2 * 48000));
    EXPECT_FALSE(buffer.IsOpened());
    EXPECT_EQ(buffer.Fill(0), -1);
}

} // namespace
