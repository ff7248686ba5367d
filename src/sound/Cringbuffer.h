#pragma once

#include "SpscRing.h"

#include <cstdint>

// A byte ring for one writer thread and one reader thread (SpscRing says which side may
// call what and why its memory orders are what they are).
class CRingBuffer {
public:
    CRingBuffer() = default;
    virtual ~CRingBuffer();
    CRingBuffer(const CRingBuffer&) = delete;
    CRingBuffer& operator=(const CRingBuffer&) = delete;

    // Neither side runs. Allocates `bytes` zeroed bytes and empties the ring; 0 for 0 bytes
    // (nothing changes), -1 when the allocation fails.
    int32_t Allocate(uint32_t bytes);
    void Free();
    // Writer. Copies what fits; returns the bytes copied (0 for null data or length 0).
    int32_t Write(const void* data, uint32_t length);
    // Reader. Zeroes `length` bytes of buffer, then copies what is there; returns the bytes
    // copied.
    int32_t Read(void* buffer, uint32_t length);
    // Absolute counters (modulo 2^32); only their differences mean anything.
    uint32_t GetReadTotal() const { return uint32_t(m_ring.Consumed()); }
    uint32_t GetWriteTotal() const { return uint32_t(m_ring.Produced()); }
    // The same counters unwrapped, for frame counts of files beyond 4 GiB of ring traffic.
    uint64_t GetReadCount() const { return m_ring.Consumed(); }
    uint64_t GetWriteCount() const { return m_ring.Produced(); }
    uint32_t GetCapacity() const { return uint32_t(m_ring.Capacity()); }
    bool IsValid() const { return m_ring.HasStorage(); }

private:
    SpscRing<uint8_t> m_ring;
};
