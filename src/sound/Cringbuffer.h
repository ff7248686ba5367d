#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// A byte ring for one writer thread and one reader thread. Each side owns one absolute
// counter and publishes it with release; the other side reads it with acquire, so a
// reader never sees a position whose bytes are not written yet (and never a position
// torn from its wrap count).
class CRingBuffer {
public:
    CRingBuffer() = default;
    virtual ~CRingBuffer();
    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // Allocates `bytes` zeroed bytes and empties the ring; 0 for 0 bytes (nothing changes),
    // -1 when the allocation fails.
    int32_t Allocate(uint32_t bytes);
    void Free();
    // Copies what fits; returns the bytes copied (0 for null data or length 0).
    int32_t Write(const void* data, uint32_t length);
    // Zeroes `length` bytes of buffer, then copies what is there; returns the bytes copied.
    int32_t Read(void* buffer, uint32_t length);
    // Absolute counters (modulo 2^32); only their differences mean anything.
    uint32_t GetReadTotal() const { return uint32_t(m_readTotal.load(std::memory_order_acquire)); }
    uint32_t GetWriteTotal() const { return uint32_t(m_writeTotal.load(std::memory_order_acquire)); }
    // The same counters unwrapped, for frame counts of files beyond 4 GiB of ring traffic.
    uint64_t GetReadCount() const { return m_readTotal.load(std::memory_order_acquire); }
    uint64_t GetWriteCount() const { return m_writeTotal.load(std::memory_order_acquire); }
    uint32_t GetCapacity() const { return m_capacity; }
    bool IsValid() const { return m_valid; }

private:
    uint32_t m_capacity = 0;
    bool m_valid = false;
    // 64-bit so that the position (total mod capacity) stays right past 2^32 bytes.
    std::atomic<uint64_t> m_readTotal{0};
    std::atomic<uint64_t> m_writeTotal{0};
    std::unique_ptr<uint8_t[]> m_storage;
};
