#include "Cringbuffer.h"

#include "WavWriter.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

TEST(CRingBuffer, WrapsInOrderAndRefusesWhatDoesNotFit) {
    CRingBuffer ring;
    EXPECT_EQ(ring.Allocate(0), 0);
    ASSERT_EQ(ring.Allocate(10), 10);
    const std::vector<uint8_t> data = PatternBytes(25);
    uint8_t out[16];

    EXPECT_EQ(ring.Write(data.data(), 7), 7);
    EXPECT_EQ(ring.Read(out, 4), 4);
    // 3 left; 7 free: the write wraps past the end of the storage.
    EXPECT_EQ(ring.Write(data.data() + 7, 12), 7) << "only the free bytes are copied";
    EXPECT_EQ(ring.Write(data.data() + 14, 1), 0) << "a full ring copies nothing";
    std::fill(std::begin(out), std::end(out), 0xAA);
    EXPECT_EQ(ring.Read(out, 16), 10);
    EXPECT_TRUE(std::equal(out, out + 10, data.begin() + 4)) << "bytes out of order across the wrap";
    EXPECT_TRUE(std::all_of(out + 10, out + 16, [](uint8_t b) { return b == 0; }))
        << "the rest must be zeroed";
    EXPECT_EQ(ring.GetWriteTotal(), 14u);
    EXPECT_EQ(ring.GetReadTotal(), 14u);

    EXPECT_EQ(ring.Write(nullptr, 3), 0);
    EXPECT_EQ(ring.Read(nullptr, 3), 0);
    ring.Free();
    EXPECT_FALSE(ring.IsValid());
    EXPECT_EQ(ring.Write(data.data(), 3), 0);
}

// One writer and one reader thread without a lock: every byte arrives once, in order.
TEST(CRingBuffer, SingleWriterSingleReaderKeepsTheStream) {
    CRingBuffer ring;
    ASSERT_EQ(ring.Allocate(4093), 4093); // not a power of two: positions wrap unevenly
    const std::vector<uint8_t> data = PatternBytes(4 << 20, 7);
    std::thread writer([&] {
        size_t at = 0;
        while (at < data.size())
            at += size_t(ring.Write(data.data() + at, uint32_t(std::min<size_t>(997, data.size() - at))));
    });
    std::vector<uint8_t> got;
    got.reserve(data.size());
    uint8_t chunk[1500];
    while (got.size() < data.size()) {
        const int32_t n = ring.Read(chunk, sizeof chunk);
        got.insert(got.end(), chunk, chunk + n);
    }
    writer.join();
    EXPECT_TRUE(got == data);
}

} // namespace
