#include "Cringbuffer.h"

#include <algorithm>
#include <cstring>
#include <new>

CRingBuffer::~CRingBuffer() {
    Free();
}

int32_t CRingBuffer::Allocate(uint32_t bytes) {
    if (bytes == 0)
        return 0;
    Free();
    if (bytes > uint32_t(INT32_MAX))
        return -1;
    m_storage.reset(new (std::nothrow) uint8_t[bytes]());
    if (!m_storage)
        return -1;
    m_capacity = bytes;
    m_valid = true;
    return int32_t(bytes);
}

void CRingBuffer::Free() {
    m_storage.reset();
    m_capacity = 0;
    m_valid = false;
    m_readTotal.store(0, std::memory_order_relaxed);
    m_writeTotal.store(0, std::memory_order_relaxed);
}

int32_t CRingBuffer::Write(const void* data, uint32_t length) {
    if (data == nullptr || length == 0 || !m_valid)
        return 0;
    // Our own counter needs no ordering; the reader's acquire pairs with its release, so
    // the bytes it has consumed are free to overwrite.
    const uint64_t written = m_writeTotal.load(std::memory_order_relaxed);
    const uint64_t read = m_readTotal.load(std::memory_order_acquire);
    const uint32_t n = std::min<uint64_t>(length, m_capacity - (written - read));
    const uint32_t at = uint32_t(written % m_capacity);
    const uint32_t first = std::min(n, m_capacity - at);
    std::memcpy(m_storage.get() + at, data, first);
    std::memcpy(m_storage.get(), static_cast<const uint8_t*>(data) + first, n - first);
    // Release: the bytes above are visible before the reader sees the new count.
    m_writeTotal.store(written + n, std::memory_order_release);
    return int32_t(n);
}

int32_t CRingBuffer::Read(void* buffer, uint32_t length) {
    if (buffer == nullptr || length == 0)
        return 0;
    std::memset(buffer, 0, length);
    if (!m_valid)
        return 0;
    const uint64_t read = m_readTotal.load(std::memory_order_relaxed);
    // Acquire pairs with the writer's release: the counted bytes are in place.
    const uint64_t written = m_writeTotal.load(std::memory_order_acquire);
    const uint32_t n = std::min<uint64_t>(length, written - read);
    const uint32_t at = uint32_t(read % m_capacity);
    const uint32_t first = std::min(n, m_capacity - at);
    std::memcpy(buffer, m_storage.get() + at, first);
    std::memcpy(static_cast<uint8_t*>(buffer) + first, m_storage.get(), n - first);
    // Release: we are done with these bytes before the writer may reuse them.
    m_readTotal.store(read + n, std::memory_order_release);
    return int32_t(n);
}
