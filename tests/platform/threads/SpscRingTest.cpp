#include "SpscRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <random>
#include <thread>
#include <vector>

namespace {

// The ring of a recorder: element k of the stream holds k + 1, so a reader can tell which
// element it got and whether one went missing inside a copy.
using Ring = SpscRing<uint64_t, true>;

// The producer's put of a block as a recorder does it: what fits is stored, and a block
// that finds the ring full drops every unread element.
void PutBlock(Ring& ring, uint64_t& next, size_t count) {
    const size_t n = std::min(count, ring.Writable());
    ring.ProduceEach(n, [&next](size_t i) { return next + i; });
    next += count;
    if (n < count)
        ring.DropUnread();
}

} // namespace

// Both sides busy at once, the producer overrunning a slow reader again and again and the
// reader resetting now and then: every copy is one unbroken stretch of the stream, never
// older than what the reader saw or skipped before, and at rest the two sides agree on how
// much the ring holds.
TEST(SpscRing, ConcurrentPutsDropsReadsAndResetsKeepTheStreamInOrder) {
    Ring ring;
    ASSERT_TRUE(ring.Allocate(512));
    std::atomic<bool> done{false};
    std::atomic<uint64_t> drops{0};
    std::thread producer([&] {
        std::minstd_rand random(1);
        uint64_t next = 1;
        while (!done.load(std::memory_order_relaxed)) {
            const size_t before = ring.Writable();
            const size_t count = 1 + random() % 96;
            PutBlock(ring, next, count);
            if (count > before)
                drops.fetch_add(1, std::memory_order_relaxed);
        }
    });
    std::minstd_rand random(2);
    std::vector<uint64_t> got(512);
    uint64_t lastSeen = 0;
    uint64_t reads = 0;
    for (int round = 0; round < 200000 || drops.load() < 1000 || reads < 1000; ++round) {
        if (random() % 64 == 0) {
            // Everything written so far is skipped: the next element is newer than it.
            lastSeen = std::max(lastSeen, ring.Discard());
            continue;
        }
        const size_t n = ring.Read(got.data(), 1 + random() % 512);
        for (size_t i = 0; i < n; ++i) {
            ASSERT_GT(got[i], lastSeen)
                << "round " << round << ": an element handed out twice or after a reset";
            ASSERT_TRUE(i == 0 || got[i] == got[i - 1] + 1) << "round " << round << ": a copy torn by a drop";
            lastSeen = got[i];
        }
        reads += n > 0;
    }
    done = true;
    producer.join();
    EXPECT_EQ(ring.Readable() + ring.Writable(), ring.Capacity());
}

// A drop that meets a read: whatever order the two sides' steps take, the ring is not left
// both empty for the reader and full for the writer, which would stop the stream until the
// next overrun.
TEST(SpscRing, ADropMeetingAReadLeavesTheRingUsable) {
    constexpr size_t kCapacity = 256;
    Ring ring;
    ASSERT_TRUE(ring.Allocate(kCapacity));
    std::atomic<int> go{-1};
    std::atomic<int> finished{-1};
    std::thread reader([&] {
        uint64_t value = 0;
        for (int round = 0; round < 20000; ++round) {
            while (go.load(std::memory_order_acquire) != round) {
            }
            // One element at a time, so many reads move the counter while the drop runs.
            for (size_t i = 0; i < kCapacity / 2; ++i)
                ring.Read(&value, 1);
            finished.store(round, std::memory_order_release);
        }
    });
    std::minstd_rand random(3);
    uint64_t next = 1;
    int stuck = -1;
    for (int round = 0; round < 20000; ++round) {
        ring.Clear();
        PutBlock(ring, next, kCapacity);
        go.store(round, std::memory_order_release);
        for (unsigned spin = random() % 512; spin > 0; --spin)
            std::atomic_signal_fence(std::memory_order_seq_cst);
        PutBlock(ring, next, kCapacity); // more than the reader can have freed: a drop
        while (finished.load(std::memory_order_acquire) != round) {
        }
        const bool consistent = ring.Readable() + ring.Writable() == kCapacity;
        PutBlock(ring, next, 1);
        if (stuck < 0 && (!consistent || ring.Readable() == 0))
            stuck = round;
    }
    reader.join();
    EXPECT_EQ(stuck, -1) << "the first round that left the ring empty for the reader and full for the writer";
}
