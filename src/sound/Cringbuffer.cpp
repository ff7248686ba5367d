#include "Cringbuffer.h"

#include <cstring>

CRingBuffer::~CRingBuffer() = default;

int32_t CRingBuffer::Allocate(uint32_t bytes) {
    if (bytes == 0)
        return 0;
    if (bytes > uint32_t(INT32_MAX) || !m_ring.Allocate(bytes)) {
        m_ring.Free();
        return -1;
    }
    return int32_t(bytes);
}

void CRingBuffer::Free() {
    m_ring.Free();
}

int32_t CRingBuffer::Write(const void* data, uint32_t length) {
    if (data == nullptr || length == 0)
        return 0;
    return int32_t(m_ring.Write(static_cast<const uint8_t*>(data), length));
}

int32_t CRingBuffer::Read(void* buffer, uint32_t length) {
    if (buffer == nullptr || length == 0)
        return 0;
    std::memset(buffer, 0, length);
    return int32_t(m_ring.Read(static_cast<uint8_t*>(buffer), length));
}
