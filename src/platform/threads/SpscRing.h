#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

// A ring of trivially copyable elements for exactly one producer thread and one consumer
// thread, without a lock. Each side owns one absolute element counter (64 bits, so the
// position counter % capacity stays right for any stream length) and moves only that one.
//
// Who may call what:
// - Allocate, Free, Clear, SetConsumed: only while neither side runs (set-up, or a stream
//   that is stopped). They write both counters and the storage.
// - Producer: Writable, Produce, Write, DropUnread.
// - Consumer: Readable, Consume, Read, Discard.
// - Either side or a third thread: Produced, Consumed, Capacity (a counter read is a
//   snapshot; the other side may move on at once).
//
// Memory orders: a side reads its own counter relaxed (no other thread writes it). It
// publishes its counter with a release store after touching the elements, and reads the
// other side's counter with an acquire load before touching elements. So the consumer
// never sees a count whose elements are not written yet, and the producer never
// overwrites elements the consumer is still copying. The storage pointer and capacity are
// plain members: they change only while neither side runs, and whatever starts the sides
// afterwards (a thread start, a mutex, a release store of a running flag) publishes them.
template <typename T> class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied with memcpy");

public:
    SpscRing() = default;
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    // Zeroed storage of `count` elements, both counters 0. False (ring freed) when count
    // is 0 or the allocation fails. Storage of the same size is kept and zeroed: fresh
    // memory costs a page fault per page on first touch, which a stream prepared for every
    // play would pay again each time.
    bool Allocate(size_t count) {
        if (count != 0 && count == m_capacity && m_storage) {
            Clear(true);
            return true;
        }
        Free();
        if (count == 0)
            return false;
        m_storage.reset(new (std::nothrow) T[count]());
        if (!m_storage)
            return false;
        m_capacity = count;
        return true;
    }
    void Free() {
        m_storage.reset();
        m_capacity = 0;
        Clear();
    }
    // Both counters to 0; with zero also the elements.
    void Clear(bool zero = false) {
        m_written.store(0, std::memory_order_relaxed);
        m_read.store(0, std::memory_order_relaxed);
        if (zero && m_storage)
            std::memset(static_cast<void*>(m_storage.get()), 0, m_capacity * sizeof(T));
    }
    // The consumer's counter to `total` (a rewind of a ring played round and round).
    void SetConsumed(uint64_t total) { m_read.store(total, std::memory_order_relaxed); }

    bool HasStorage() const { return m_storage != nullptr; }
    size_t Capacity() const { return m_capacity; }
    uint64_t Produced() const { return m_written.load(std::memory_order_acquire); }
    uint64_t Consumed() const { return m_read.load(std::memory_order_acquire); }

    // ---- producer ----

    // Elements the producer may store without overwriting unread ones.
    size_t Writable() const {
        const uint64_t used =
            m_written.load(std::memory_order_relaxed) - m_read.load(std::memory_order_acquire);
        return used >= m_capacity ? 0 : m_capacity - static_cast<size_t>(used);
    }
    // Stores n elements through fill(T* to, size_t firstIndex, size_t count), called once
    // per contiguous region (at most twice), then publishes all n at once. An n above
    // Writable() overwrites unread elements: only a ring played round and round does that.
    // n is cut to the capacity.
    template <typename Fill> size_t Produce(size_t n, Fill fill) {
        if (n == 0 || !m_storage)
            return 0;
        n = std::min(n, m_capacity);
        const uint64_t written = m_written.load(std::memory_order_relaxed);
        ForRegions(written, n, fill);
        m_written.store(written + n, std::memory_order_release);
        return n;
    }
    // Copies what fits; returns the elements stored.
    size_t Write(const T* from, size_t n) {
        if (from == nullptr)
            return 0;
        return Produce(std::min(n, Writable()), [from](T* to, size_t i, size_t count) {
            std::memcpy(static_cast<void*>(to), from + i, count * sizeof(T));
        });
    }
    // Empties the ring from the producer's side (an overrun: every unread element is
    // dropped). The consumer then finds nothing until the next Produce. The producer
    // writes on over elements the consumer may be copying at that moment: the drop count
    // tells the consumer (Read) to throw such a copy away. Release fence: the count is
    // visible before any element written after the drop.
    void DropUnread() {
        m_drops.fetch_add(1, std::memory_order_relaxed);
        m_written.store(m_read.load(std::memory_order_acquire), std::memory_order_release);
        std::atomic_thread_fence(std::memory_order_release);
    }

    // ---- consumer ----

    size_t Readable() const {
        const uint64_t read = m_read.load(std::memory_order_relaxed);
        const uint64_t written = m_written.load(std::memory_order_acquire);
        return written > read ? static_cast<size_t>(std::min<uint64_t>(written - read, m_capacity)) : 0;
    }
    // Hands n elements to take(const T* from, size_t firstIndex, size_t count), once per
    // contiguous region, then releases them to the producer. An n above Readable() reads
    // old elements again: only a ring played round and round does that. n is cut to the
    // capacity.
    template <typename Take> size_t Consume(size_t n, Take take) {
        if (n == 0 || !m_storage)
            return 0;
        n = std::min(n, m_capacity);
        const uint64_t read = m_read.load(std::memory_order_relaxed);
        ForRegions(read, n, take);
        m_read.store(read + n, std::memory_order_release);
        return n;
    }
    // Copies what is there, up to n; returns the elements copied. A copy that a
    // producer's DropUnread overlapped is thrown away (0): it may hold newer elements
    // mixed into older ones, and those older ones were dropped anyway.
    size_t Read(T* to, size_t n) {
        if (to == nullptr || !m_storage)
            return 0;
        const uint64_t drops = m_drops.load(std::memory_order_acquire);
        n = std::min(n, Readable());
        if (n == 0)
            return 0;
        const uint64_t read = m_read.load(std::memory_order_relaxed);
        ForRegions(read, n, [to](const T* from, size_t i, size_t count) {
            std::memcpy(static_cast<void*>(to + i), from, count * sizeof(T));
        });
        // Acquire fence: the copy above is done before the drop count is read again.
        std::atomic_thread_fence(std::memory_order_acquire);
        if (m_drops.load(std::memory_order_relaxed) != drops)
            return 0;
        m_read.store(read + n, std::memory_order_release);
        return n;
    }
    // Skips every element written so far and returns the consumer's new counter: a reset is
    // the consumer's act, so it never races the producer's counter.
    uint64_t Discard() {
        const uint64_t written = m_written.load(std::memory_order_acquire);
        m_read.store(written, std::memory_order_release);
        return written;
    }

private:
    // Calls f(element pointer, index within the n, count) for the n elements from the
    // counter `total` on: one region, or two when they wrap.
    template <typename F> void ForRegions(uint64_t total, size_t n, F&& f) const {
        const size_t at = static_cast<size_t>(total % m_capacity);
        const size_t first = std::min(n, m_capacity - at);
        f(m_storage.get() + at, size_t{0}, first);
        if (n > first)
            f(m_storage.get(), first, n - first);
    }

    std::unique_ptr<T[]> m_storage;
    size_t m_capacity = 0;
    std::atomic<uint64_t> m_written{0};
    std::atomic<uint64_t> m_read{0};
    std::atomic<uint64_t> m_drops{0}; // DropUnread calls; the producer's
};
