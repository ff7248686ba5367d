#include "CWaveFileIF.h"

#include "TestDir.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <QFile>

#include <cstring>

namespace {

struct OpenCase {
    const char* name;
    WavLayout layout;
    size_t dataBytes;
    bool opens;
};

void PrintTo(const OpenCase& c, std::ostream* os) {
    *os << c.name;
}

WavLayout withList(WavLayout s) {
    // An odd-sized chunk before data: its pad byte must be skipped.
    s.beforeData.push_back({"LIST", std::vector<uint8_t>(7, 'x')});
    return s;
}

WavLayout withoutData(WavLayout s) {
    s.withData = false;
    return s;
}

WavLayout withForm(WavLayout s, const char* form) {
    s.formType = form;
    return s;
}

WavLayout withFmtSize(WavLayout s, uint32_t size) {
    s.fmtChunkSize = size;
    return s;
}

class CWaveFileIFOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(CWaveFileIFOpen, OpensOrRefuses) {
    const OpenCase& c = GetParam();
    TestDir dir;
    const QString path = dir.file("f.wav");
    const std::vector<uint8_t> data = PatternBytes(c.dataBytes);
    ASSERT_TRUE(WriteWav(path, c.layout, data));

    CWaveFileIF file;
    WAVEFORMATEX format{};
    EXPECT_EQ(file.Open(path, 0, &format), c.opens);
    if (!c.opens) {
        EXPECT_FALSE(file.IsOpen());
        EXPECT_EQ(file.GetDataSize(), 0xFFFFFFFFu);
        return;
    }
    EXPECT_EQ(format.nChannels, c.layout.channels);
    EXPECT_EQ(format.nSamplesPerSec, c.layout.sampleRate);
    EXPECT_EQ(format.wBitsPerSample, c.layout.bitsPerSample);
    ASSERT_EQ(file.GetDataSize(), c.dataBytes);
    std::vector<uint8_t> read(c.dataBytes + 10, 0xEE);
    if (c.dataBytes > 0) {
        EXPECT_EQ(file.Read(read.data(), uint32_t(read.size())), int32_t(c.dataBytes));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), read.begin())) << "data bytes differ";
    }
    EXPECT_EQ(file.ReadAt(read.data(), uint32_t(c.dataBytes), 1), -1) << "reading at the end is -1, not 0";
}

INSTANTIATE_TEST_SUITE_P(
    Files, CWaveFileIFOpen,
    ::testing::Values(OpenCase{"fmt16", WavLayout::pcm(2, 44100, 16), 4000, true},
                      OpenCase{"fmt18", withFmtSize(WavLayout::pcm(1, 48000, 24), 18), 3000, true},
                      OpenCase{"fmt40", WavLayout::extensible(6, 96000, 24, WavLayout::SubFormat::Pcm), 1800,
                               true},
                      OpenCase{"oddListBeforeData", withList(WavLayout::pcm(2, 44100, 16)), 400, true},
                      OpenCase{"emptyData", WavLayout::pcm(2, 44100, 16), 0, true},
                      OpenCase{"noDataChunk", withoutData(WavLayout::pcm(2, 44100, 16)), 0, false},
                      OpenCase{"wrongFormType", withForm(WavLayout::pcm(2, 44100, 16), "AVI "), 400, false}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

TEST(CWaveFileIF, ShortFmtChunkKeepsTheCallersRemainingBytes) {
    TestDir dir;
    const QString path = dir.file("f.wav");
    ASSERT_TRUE(WriteWav(path, WavLayout::pcm(2, 44100, 16), PatternBytes(40)));
    CWaveFileIF file;
    WAVEFORMATEX format{};
    format.cbSize = 0x1234;
    ASSERT_TRUE(file.Open(path, 0, &format));
    EXPECT_EQ(format.cbSize, 0x1234) << "a 16-byte fmt chunk must not touch cbSize";
    EXPECT_EQ(format.wFormatTag, 1);
}

TEST(CWaveFileIF, ExtensibleFormatThroughOpenAndOpenEx) {
    TestDir dir;
    const QString path = dir.file("f.wav");
    ASSERT_TRUE(
        WriteWav(path, WavLayout::extensible(2, 48000, 32, WavLayout::SubFormat::Float), PatternBytes(64)));
    CWaveFileIF basic;
    WAVEFORMATEX format{};
    ASSERT_TRUE(basic.Open(path, 0, &format));
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(format.cbSize, 22);

    CWaveFileIF ex;
    WAVEFORMATEXTENSIBLE formatEx{};
    ASSERT_TRUE(ex.OpenEx(path, 0, &formatEx));
    EXPECT_EQ(formatEx.SubFormat, KSDATAFORMAT_SUBTYPE_IEEE_FLOAT);
    EXPECT_EQ(formatEx.wValidBitsPerSample, 32);
}

TEST(CWaveFileIF, ReadAtStopsAtTheEndOfTheDataChunk) {
    TestDir dir;
    const QString path = dir.file("f.wav");
    WavLayout layout = WavLayout::pcm(1, 8000, 16);
    layout.afterData.push_back({"LIST", PatternBytes(20, 9)});
    const std::vector<uint8_t> data = PatternBytes(100);
    ASSERT_TRUE(WriteWav(path, layout, data));
    CWaveFileIF file;
    ASSERT_TRUE(file.Open(path, 0, nullptr));
    uint8_t buffer[64];
    EXPECT_EQ(file.ReadAt(buffer, 90, 64), 10) << "a read across the end returns the bytes up to it";
    EXPECT_EQ(std::memcmp(buffer, data.data() + 90, 10), 0);
    EXPECT_EQ(file.ReadAt(buffer, 100, 1), -1);
    EXPECT_EQ(file.ReadAt(buffer, 0xFFFFFFFFu, 1), -1);
    // Sequential reads never run into the chunk after data.
    ASSERT_EQ(file.ReadAt(buffer, 60, 1), 1);
    EXPECT_EQ(file.Read(buffer, 64), 39);
    EXPECT_EQ(file.Read(buffer, 64), 0);
}

TEST(CWaveFileIF, TruncatedDataChunkIsBoundedByTheFile) {
    TestDir dir;
    const QString path = dir.file("f.wav");
    WavLayout layout = WavLayout::pcm(2, 44100, 16);
    layout.dataSizeField = 1000000; // a writer that never fixed its sizes
    layout.riffSizeField = 0xFFFFFFFFu;
    ASSERT_TRUE(WriteWav(path, layout, PatternBytes(400)));
    CWaveFileIF file;
    ASSERT_TRUE(file.Open(path, 0, nullptr));
    EXPECT_EQ(file.GetDataSize(), 400u);
}

TEST(CWaveFileIF, RefusedOpensLeaveTheObjectUsable) {
    TestDir dir;
    const QString good = dir.file("good.wav");
    ASSERT_TRUE(WriteWav(good, WavLayout::pcm(2, 44100, 16), PatternBytes(40)));
    ASSERT_TRUE(WriteWav(dir.file("other.wav"), WavLayout::pcm(1, 8000, 8), PatternBytes(40)));

    CWaveFileIF file;
    WAVEFORMATEX format{};
    EXPECT_FALSE(file.Open(good, 2, &format)) << "mode 2";
    EXPECT_FALSE(file.Open(good, 1, nullptr)) << "create without format";
    EXPECT_FALSE(file.Open(dir.file("missing.wav"), 0, &format));
    EXPECT_FALSE(file.GetFormat(&format));
    ASSERT_TRUE(file.Open(good, 0, &format));
    EXPECT_FALSE(file.Open(dir.file("other.wav"), 0, &format)) << "already open";
    EXPECT_EQ(file.GetDataSize(), 40u);
    EXPECT_EQ(format.nChannels, 2) << "the refused second open must not touch the buffer";
    file.Close();
    EXPECT_EQ(file.GetDataSize(), 0xFFFFFFFFu);
    file.Close();
    EXPECT_TRUE(IsWaveFile(good));
    EXPECT_FALSE(IsWaveFile(dir.file("missing.wav")));
}

TEST(CWaveFileIF, CreateModeWritesAnEmptyWaveFileThatReadsBack) {
    TestDir dir;
    const QString path = dir.file("new.wav");
    WAVEFORMATEX format{1, 2, 48000, 192000, 4, 16, 0};
    {
        CWaveFileIF file;
        ASSERT_TRUE(file.Open(path, 1, &format));
        EXPECT_EQ(file.GetDataSize(), 0xFFFFFFFFu);
        uint8_t b;
        EXPECT_EQ(file.ReadAt(&b, 0, 1), -1);
    }
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.size(), 4 + 4 + 4 + 8 + 18 + 8);
    CWaveFileIF reader;
    WAVEFORMATEX back{};
    ASSERT_TRUE(reader.Open(path, 0, &back));
    EXPECT_EQ(std::memcmp(&back, &format, sizeof format), 0);
    EXPECT_EQ(reader.GetDataSize(), 0u);
}

} // namespace
