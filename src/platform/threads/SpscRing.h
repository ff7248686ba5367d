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
// thread, without a lock. Each side owns its counters (absolute element totals, 64 bits, so
// total % capacity stays right for any stream length) and moves only those: a side that
// wrote the other's counter could move it back past the other's own move.
//
// Who may call what:
// - Allocate, Free, Clear, SetConsumed: only while neither side runs (set-up, or a stream
//   that is stopped). They write every counter and the storage.
// - Producer: Writable, Produce, ProduceEach, Write, DropUnread (a ring that drops only).
// - Consumer: Readable, Consume, Read, Discard.
// - Either side or a third thread: Produced, Consumed, Capacity (a counter read is a
//   snapshot; the other side may move on at once).
//
// Memory orders: a side reads its own counter relaxed (no other thread writes it). It
// publishes its counter with a release store after touching the elements, and reads the
// other side's counter with an acquire load before touching elements. So the consumer
// never sees a count whose elements are not written yet, and the producer never
// overwrites elements the consumer is still copying (except after a drop, below). The
// storage pointer and capacity are plain members: they change only while neither side
// runs, and whatever starts the sides afterwards (a thread start, a mutex, a release store
// of a running flag) publishes them.
//
// A ring that drops (Drops = true) lets a producer that finds it full give up every unread
// element at once and write on, without waiting for the consumer: the producer records its
// own total as the drop mark, and the consumer starts from the mark when it lies beyond its
// read counter. The producer may then write over elements a Read is copying at that moment;
// such a ring stores and loads every element atomically, and Read throws away a copy that a
// drop overlapped, the way a sequence lock does.
template <typename T, bool Drops = false> class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied with memcpy");
    static_assert(!Drops || std::atomic_ref<T>::is_always_lock_free, "a ring that drops copies atomically");

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
        m_dropMark.store(0, std::memory_order_relaxed);
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
        const uint64_t read =
            std::max(m_read.load(std::memory_order_acquire), m_dropMark.load(std::memory_order_relaxed));
        const uint64_t used = m_written.load(std::memory_order_relaxed) - read;
        return used >= m_capacity ? 0 : m_capacity - static_cast<size_t>(used);
    }
    // Stores n elements through fill(T* to, size_t firstIndex, size_t count), called once
    // per contiguous region (at most twice), then publishes all n at once. An n above
    // Writable() overwrites unread elements: only a ring played round and round does that.
    // n is cut to the capacity.
    template <typename Fill> size_t Produce(size_t n, Fill fill) {
        static_assert(!Drops, "a ring that drops stores its elements with ProduceEach");
        if (n == 0 || !m_storage)
            return 0;
        n = std::min(n, m_capacity);
        const uint64_t written = m_written.load(std::memory_order_relaxed);
        ForRegions(written, n, fill);
        m_written.store(written + n, std::memory_order_release);
        return n;
    }
    // Stores the n elements value(0) .. value(n - 1) one by one, then publishes them; n as
    // for Produce.
    template <typename Value> size_t ProduceEach(size_t n, Value value) {
        if (n == 0 || !m_storage)
            return 0;
        n = std::min(n, m_capacity);
        const uint64_t written = m_written.load(std::memory_order_relaxed);
        ForRegions(written, n, [&value](T* to, size_t first, size_t count) {
            for (size_t k = 0; k < count; ++k)
                Store(to[k], value(first + k));
        });
        m_written.store(written + n, std::memory_order_release);
        return n;
    }
    // Copies what fits; returns the elements stored.
    size_t Write(const T* from, size_t n) {
        if (from == nullptr)
            return 0;
        if constexpr (Drops)
            return ProduceEach(std::min(n, Writable()), [from](size_t i) { return from[i]; });
        else
            return Produce(std::min(n, Writable()), [from](T* to, size_t i, size_t count) {
                std::memcpy(static_cast<void*>(to), from + i, count * sizeof(T));
            });
    }
    // Gives up every unread element (an overrun): the consumer finds nothing until the next
    // store and then reads on from there. Only the producer's own mark moves; the elements
    // after it go over old ones a Read may be copying, which that Read then throws away.
    // The elements are stored with release, so a Read that loads one written after the mark
    // finds the new mark when it looks again.
    void DropUnread() {
        static_assert(Drops, "only a ring that drops may drop");
        m_dropMark.store(m_written.load(std::memory_order_relaxed), std::memory_order_relaxed);
    }

    // ---- consumer ----

    size_t Readable() const {
        const uint64_t read = ReadFrom();
        const uint64_t written = m_written.load(std::memory_order_acquire);
        return written > read ? static_cast<size_t>(std::min<uint64_t>(written - read, m_capacity)) : 0;
    }
    // Hands n elements to take(const T* from, size_t firstIndex, size_t count), once per
    // contiguous region, then releases them to the producer. An n above Readable() reads
    // old elements again: only a ring played round and round does that. n is cut to the
    // capacity.
    template <typename Take> size_t Consume(size_t n, Take take) {
        static_assert(!Drops, "a ring that drops hands out its elements with Read");
        if (n == 0 || !m_storage)
            return 0;
        n = std::min(n, m_capacity);
        const uint64_t read = m_read.load(std::memory_order_relaxed);
        ForRegions(read, n, take);
        m_read.store(read + n, std::memory_order_release);
        return n;
    }
    // Copies what is there, up to n; returns the elements copied. In a ring that drops, a
    // copy that a drop overlapped is thrown away (0): it may hold newer elements mixed into
    // older ones, and those older ones were dropped anyway.
    size_t Read(T* to, size_t n) {
        if (to == nullptr || !m_storage)
            return 0;
        const uint64_t mark = m_dropMark.load(std::memory_order_acquire);
        const uint64_t read = std::max(m_read.load(std::memory_order_relaxed), mark);
        const uint64_t written = m_written.load(std::memory_order_acquire);
        n = written > read ? static_cast<size_t>(std::min<uint64_t>({written - read, n, m_capacity})) : 0;
        if (n == 0)
            return 0;
        ForRegions(read, n, [to](T* from, size_t i, size_t count) {
            if constexpr (Drops) {
                for (size_t k = 0; k < count; ++k)
                    to[i + k] = Load(from[k]);
            } else {
                std::memcpy(static_cast<void*>(to + i), from, count * sizeof(T));
            }
        });
        // The elements were loaded with acquire: one stored after a newer mark brings that
        // mark along, and the mark is not read again before the copy is done.
        if constexpr (Drops)
            if (m_dropMark.load(std::memory_order_relaxed) != mark)
                return 0;
        m_read.store(read + n, std::memory_order_release);
        return n;
    }
    // Skips every element written so far and returns the consumer's new counter: a reset is
    // the consumer's act, so it moves only its own counter, up to the producer's.
    uint64_t Discard() {
        const uint64_t written = m_written.load(std::memory_order_acquire);
        m_read.store(written, std::memory_order_release);
        return written;
    }

private:
    // The consumer's next element: its counter, or the producer's drop mark beyond it.
    uint64_t ReadFrom() const {
        return std::max(m_read.load(std::memory_order_relaxed), m_dropMark.load(std::memory_order_acquire));
    }
    // Element accesses of a ring that drops: a plain move on x86-64, yet ordered against
    // the drop mark (see DropUnread and Read).
    static void Store(T& slot, T value) {
        if constexpr (Drops)
            std::atomic_ref<T>(slot).store(value, std::memory_order_release);
        else
            slot = value;
    }
    static T Load(T& slot) { return std::atomic_ref<T>(slot).load(std::memory_order_acquire); }

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
    std::atomic<uint64_t> m_written{0};  // the producer's
    std::atomic<uint64_t> m_dropMark{0}; // the producer's: its total at the last drop
    std::atomic<uint64_t> m_read{0};     // the consumer's
};
