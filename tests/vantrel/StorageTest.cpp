#include "CInputStorageRT.h"
#include "COutputStorageRT.h"
#include "VantrelDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

using namespace vantrel;

TEST(OutputStorage, StreamModeTakesWhatFitsAndRunsDry) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kInt32LSB, 96000, false), 96000);
    std::vector<int16_t> block(96000, 0x4000);
    EXPECT_EQ(s.WriteInt16(block.data(), 96000), 96000);
    EXPECT_EQ(s.WriteInt16(block.data(), 1), 0) << "a full stream storage takes nothing more";

    std::vector<int32_t> half(256, 7);
    EXPECT_EQ(s.FillDriverBuffer(half.data(), 256), 256);
    EXPECT_EQ(half[0], 0x40000000);
    EXPECT_EQ(s.WriteInt16(block.data(), 1000), 256) << "only the played room is free";
    EXPECT_EQ(s.GetWritten() - s.GetPlayed(), 96000);

    // Play everything; then the half-buffer comes back zeroed with 0 samples.
    while (s.FillDriverBuffer(half.data(), 256) > 0) {
    }
    half.assign(256, 7);
    EXPECT_EQ(s.FillDriverBuffer(half.data(), 256), 0);
    EXPECT_EQ(half, std::vector<int32_t>(256, 0));
}

TEST(OutputStorage, PartialHalfBufferIsPaddedWithSilence) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kInt16LSB, 1000, false), 1000);
    const int16_t data[3] = {1, -2, 3};
    ASSERT_EQ(s.WriteInt16(data, 3), 3);
    int16_t half[8];
    std::memset(half, 0x55, sizeof half);
    EXPECT_EQ(s.FillDriverBuffer(half, 8), 3);
    EXPECT_EQ(std::vector<int16_t>(half, half + 8), (std::vector<int16_t>{1, -2, 3, 0, 0, 0, 0, 0}));
}

TEST(OutputStorage, RingWrapsWithoutLosingOrder) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kInt16MSB, 10, false), 10);
    std::vector<int16_t> in(10);
    int16_t next = 0, expect = 0;
    for (int round = 0; round < 7; ++round) {
        for (auto& v : in)
            v = next++;
        const int stored = s.WriteInt16(in.data(), 7);
        next = int16_t(next - (10 - stored));
        uint8_t out[14];
        const int got = s.FillDriverBuffer(out, 7);
        for (int i = 0; i < got; ++i, ++expect)
            ASSERT_EQ(int16_t((out[2 * i] << 8) | out[2 * i + 1]), expect) << "round " << round;
    }
}

TEST(OutputStorage, LoopModePlaysRoundAndKeepsWritten) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kFloat32LSB, 1000, true), 1000);
    std::vector<float> data(1000);
    for (int i = 0; i < 1000; ++i)
        data[size_t(i)] = float(i + 1);
    ASSERT_EQ(s.WriteFloat32(data.data(), 1000), 1000);
    std::vector<float> half(256);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(s.FillDriverBuffer(half.data(), 256), 256) << "loop mode always delivers a full half";
        EXPECT_EQ(s.GetWritten(), 1000);
    }
    // 2560 samples played: the next one is sample 2560 mod 1000.
    s.FillDriverBuffer(half.data(), 1);
    EXPECT_EQ(half[0], float(2560 % 1000 + 1));
}

// A stream prepared again with the same size keeps its memory: what the play before wrote
// and how far it played must be gone all the same.
TEST(OutputStorage, ConfiguredAgainStartsEmptyAndSilent) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kFloat32LSB, 1000, true), 1000);
    const std::vector<float> data(1000, 0.5f);
    ASSERT_EQ(s.WriteFloat32(data.data(), 1000), 1000);
    std::vector<float> half(256);
    s.FillDriverBuffer(half.data(), 256);
    for (const bool loop : {true, false}) {
        ASSERT_EQ(s.Configure(kFloat32LSB, 1000, loop), 1000);
        EXPECT_EQ(s.GetPlayed(), 0);
        EXPECT_EQ(s.GetWritten(), 0);
        std::fill(half.begin(), half.end(), 1.0f);
        EXPECT_EQ(s.FillDriverBuffer(half.data(), 256), loop ? 256 : 0);
        EXPECT_EQ(std::count(half.begin(), half.end(), 0.0f), 256) << "loop " << loop;
    }
}

TEST(OutputStorage, RefusedTypes) {
    COutputStorageRT s;
    EXPECT_EQ(s.Configure(kInt24LSB, 100, false), 0) << "packed 24-bit";
    EXPECT_EQ(s.Configure(kInt24MSB, 100, false), 0);
    EXPECT_EQ(s.Configure(kFloat32LSB, 0, false), 0);
    EXPECT_EQ(s.GetType(), kInt32LSB) << "a refused type leaves the type as it was";
}

// The caller's thread writes while the audio thread plays: every sample arrives once,
// in order (this is also the ThreadSanitizer case of the ring).
TEST(OutputStorage, OneWriterOneReaderKeepOrder) {
    COutputStorageRT s;
    ASSERT_EQ(s.Configure(kInt32LSB, 4096, false), 4096);
    constexpr int32_t total = 1 << 20;
    std::thread player([&] {
        int32_t expect = 0;
        std::vector<int32_t> half(256);
        while (expect < total) {
            const int n = s.FillDriverBuffer(half.data(), 256);
            for (int i = 0; i < n; ++i, ++expect)
                if (half[size_t(i)] != expect) {
                    ADD_FAILURE() << "sample " << expect << " played as " << half[size_t(i)];
                    return;
                }
            if (n == 0)
                std::this_thread::yield();
        }
    });
    std::vector<int32_t> block(1000);
    for (int32_t sent = 0; sent < total;) {
        const int n = std::min<int32_t>(1000, total - sent);
        for (int i = 0; i < n; ++i)
            block[size_t(i)] = sent + i;
        const int stored = s.WriteInt32(block.data(), n);
        sent += stored;
        if (stored == 0)
            std::this_thread::yield();
    }
    player.join();
}

TEST(InputStorage, ConversionAndLevels) {
    CInputStorageRT s;
    ASSERT_EQ(s.Configure(1000, 256, 48000, 0.05), 1000);
    const int32_t full[4] = {0x7FFFFFFF, 0, 0, 0};
    EXPECT_EQ(s.Convert(full, 4, kInt32LSB), 4);
    double got[4];
    EXPECT_EQ(s.Take(got, 4), 4);
    EXPECT_DOUBLE_EQ(got[0], 1.0);
    EXPECT_NEAR(s.GetPeakLevel(), 0.0, 1e-9);
    EXPECT_NEAR(s.GetMaxLevel(), 0.0, 1e-9);

    const int32_t zeros[8] = {};
    EXPECT_EQ(s.Convert(zeros, 8, kInt32LSB), 8);
    EXPECT_EQ(s.GetPeakLevel(), -9999.99);
    EXPECT_NEAR(s.GetMaxLevel(), 0.0, 1e-9) << "the largest peak stays until reset";
    s.ResetMaxLevel();
    EXPECT_EQ(s.GetMaxLevel(), -9999.99);

    int16_t int16s[4] = {1, 2, 3, 4};
    EXPECT_EQ(s.Convert(int16s, 4, kInt16LSB), -1) << "16-bit inputs are not recorded";
    EXPECT_EQ(s.Convert(int16s, 4, kInt24LSB), -1);
    EXPECT_EQ(s.Convert(nullptr, 4, kInt32LSB), 0);
}

TEST(InputStorage, Float32MsbEqualsLsbOfTheSameNumbers) {
    const float values[3] = {0.5f, -0.25f, 0.125f};
    uint8_t msb[12];
    for (int i = 0; i < 3; ++i) {
        uint32_t b;
        std::memcpy(&b, &values[i], 4);
        b = __builtin_bswap32(b);
        std::memcpy(msb + 4 * i, &b, 4);
    }
    CInputStorageRT a, b;
    a.Configure(10, 3, 48000, 0.05);
    b.Configure(10, 3, 48000, 0.05);
    ASSERT_EQ(a.Convert(values, 3, kFloat32LSB), 3);
    ASSERT_EQ(b.Convert(msb, 3, kFloat32MSB), 3);
    double x[3], y[3];
    a.Take(x, 3);
    b.Take(y, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(x[i], y[i]);
}

TEST(InputStorage, OverrunEmptiesTheRingAndDropsTheRest) {
    CInputStorageRT s;
    ASSERT_EQ(s.Configure(1000, 1200, 48000, 0.05), 1000);
    std::vector<float> block(1200, 0.5f);
    EXPECT_EQ(s.Convert(block.data(), 1200, kFloat32LSB), 1000);
    EXPECT_TRUE(s.HasOverrun());
    EXPECT_EQ(s.GetAvailable(), 0) << "the 1001st put dropped every unread sample";
    std::vector<double> out(2000);
    EXPECT_EQ(s.Take(out.data(), 1001), -1) << "more than the capacity";
    EXPECT_EQ(s.Take(out.data(), 10), 0);
    s.Initialize();
    EXPECT_FALSE(s.HasOverrun());
    s.Convert(block.data(), 5, kFloat32LSB);
    EXPECT_EQ(s.Take(out.data(), 10), 5) << "more than available gives what is there";
}

// A reset while the audio thread records: the reader never gets a sample written before
// the reset, nor one from an older lap of the ring, nor a copy torn by an overrun.
TEST(InputStorage, ResetWhileRecordingNeverHandsOutOldSamples) {
    CInputStorageRT s;
    ASSERT_EQ(s.Configure(4096, 256, 48000, 0.05), 4096);
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread producer([&] {
        std::vector<double> block(256);
        double next = 1;
        while (!done.load()) {
            for (double& v : block)
                v = next++;
            s.Convert(block.data(), 256, kFloat64LSB);
            blocks.fetch_add(1);
        }
    });
    std::vector<double> got(4096);
    double lastSeen = 0;
    // Both sides busy for a while: many resets meet many blocks.
    for (int round = 0; round < 20000 || blocks.load() < 20000; ++round) {
        s.Initialize();
        const int n = s.Take(got.data(), 4096);
        ASSERT_GE(n, 0);
        for (int i = 0; i < n; ++i) {
            ASSERT_GT(got[size_t(i)], lastSeen) << "round " << round << ": a sample from before the reset";
            ASSERT_TRUE(i == 0 || got[size_t(i)] == got[size_t(i) - 1] + 1) << "round " << round << ": a gap";
            lastSeen = got[size_t(i)];
        }
    }
    done = true;
    producer.join();
}
