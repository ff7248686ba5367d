#include "COutputStorageRT.h"

#include "SampleConversion.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vantrel {

COutputStorageBaseRT::~COutputStorageBaseRT() = default;

int32_t COutputStorageBaseRT::Allocate(uint32_t bytes) {
    if (bytes == 0)
        return 0;
    storage.reset();
    valid = false;
    size = 0;
    storage.reset(new (std::nothrow) uint8_t[bytes]());
    if (!storage)
        return -1;
    size = bytes;
    readTotal.store(0, std::memory_order_relaxed);
    writeTotal.store(0, std::memory_order_relaxed);
    valid = true;
    return static_cast<int32_t>(bytes);
}

void COutputStorageBaseRT::Free() {
    storage.reset();
    size = 0;
    readTotal.store(0, std::memory_order_relaxed);
    writeTotal.store(0, std::memory_order_relaxed);
    valid = false;
    loop = false;
}

void COutputStorageBaseRT::Rewind(bool all) {
    readTotal.store(0, std::memory_order_release);
    if (all) {
        writeTotal.store(0, std::memory_order_release);
        if (storage)
            std::memset(storage.get(), 0, size);
    }
}

uint64_t COutputStorageBaseRT::GetPlayedBytes() const {
    const uint64_t total = readTotal.load(std::memory_order_acquire);
    if (size == 0)
        return 0;
    return loop ? total % size : total;
}

uint64_t COutputStorageBaseRT::GetWrittenBytes() const {
    const uint64_t total = writeTotal.load(std::memory_order_acquire);
    if (!loop || size == 0)
        return total;
    // A loop block written exactly full counts its whole laps, else the offset.
    return total % size == 0 ? total : total % size;
}

uint32_t COutputStorageBaseRT::ReadBytes(void* destination, uint32_t n) {
    if (destination == nullptr || n == 0)
        return 0;
    std::memset(destination, 0, n);
    if (!storage)
        return 0;
    n = std::min(n, size);
    const uint64_t read = readTotal.load(std::memory_order_relaxed);
    if (!loop) {
        // Acquire pairs with the writer's release: the bytes below writeTotal are complete.
        const uint64_t written = writeTotal.load(std::memory_order_acquire);
        n = static_cast<uint32_t>(std::min<uint64_t>(n, written - read));
    }
    if (n == 0)
        return 0;
    const uint32_t offset = static_cast<uint32_t>(read % size);
    const uint32_t first = std::min(n, size - offset);
    auto* out = static_cast<uint8_t*>(destination);
    std::memcpy(out, storage.get() + offset, first);
    if (n > first)
        std::memcpy(out + first, storage.get(), n - first);
    // Release: the writer may reuse these bytes only after we are done copying them.
    readTotal.store(read + n, std::memory_order_release);
    return n;
}

uint32_t COutputStorageBaseRT::Writable(uint32_t n) const {
    n = std::min(n, size);
    if (!loop) {
        const uint64_t used =
            writeTotal.load(std::memory_order_relaxed) - readTotal.load(std::memory_order_acquire);
        n = static_cast<uint32_t>(std::min<uint64_t>(n, size - used));
    }
    return n;
}

uint32_t COutputStorageBaseRT::WriteBytes(const void* source, uint32_t n) {
    if (source == nullptr || n == 0 || !storage)
        return 0;
    const auto* in = static_cast<const uint8_t*>(source);
    return WriteRing(Writable(n),
                     [in](uint8_t* to, uint32_t at, uint32_t bytes) { std::memcpy(to, in + at, bytes); });
}

COutputStorageRT::~COutputStorageRT() = default;

bool COutputStorageRT::SetType(int type) {
    switch (type) {
    case 0:
    case 2:
    case 3:
    case 4:
    case 8:
    case 9:
    case 10:
    case 11:
    case 16:
    case 18:
    case 19:
    case 20:
    case 24:
    case 25:
    case 26:
    case 27:
        sampleType = type;
        return true;
    default:
        return false;
    }
}

int32_t COutputStorageRT::Configure(int type, int32_t samples, bool loopMode) {
    if (samples <= 0 || !SetType(type))
        return 0;
    const uint64_t bytes = uint64_t(samples) * BytesPerSample(sampleType);
    if (bytes > UINT32_MAX || Allocate(static_cast<uint32_t>(bytes)) != int64_t(bytes))
        return 0;
    loop = loopMode;
    return samples;
}

int32_t COutputStorageRT::FillDriverBuffer(void* buffer, int32_t samples) {
    const int bps = BytesPerSample(sampleType);
    if (bps <= 0)
        return -1;
    if (samples <= 0)
        return 0;
    return static_cast<int32_t>(ReadBytes(buffer, static_cast<uint32_t>(samples) * bps) / bps);
}

int64_t COutputStorageRT::GetPlayed() const {
    const int bps = BytesPerSample(sampleType);
    return bps <= 0 ? -1 : static_cast<int64_t>(GetPlayedBytes() / bps);
}

int64_t COutputStorageRT::GetWritten() const {
    const int bps = BytesPerSample(sampleType);
    return bps <= 0 ? -1 : static_cast<int64_t>(GetWrittenBytes() / bps);
}

int32_t COutputStorageRT::Write(int format, const void* source, int32_t count) {
    if (!CanConvertSamples(format, sampleType))
        return -1;
    if (source == nullptr || count <= 0 || !storage)
        return 0;
    const uint32_t bps = static_cast<uint32_t>(BytesPerSample(sampleType));
    const uint64_t wanted = std::min<uint64_t>(uint64_t(count) * bps, size);
    const uint32_t n = Writable(static_cast<uint32_t>(wanted));
    if (n == 0)
        return 0;
    // Converted straight into the ring, segment by segment (whole samples each, as
    // the size is a multiple of the sample size).
    const auto* in = static_cast<const uint8_t*>(source);
    const int sourceBytes = FormatBytesPerSample(format);
    const int type = sampleType;
    WriteRing(n, [=](uint8_t* to, uint32_t at, uint32_t bytes) {
        ConvertSamples(format, in + size_t(at / bps) * sourceBytes, bytes / bps, type, to);
    });
    return static_cast<int32_t>(n / bps);
}

int32_t COutputStorageRT::WriteInt16(const int16_t* s, int32_t n) {
    return Write(kFormatInt16, s, n);
}
int32_t COutputStorageRT::WriteInt32(const int32_t* s, int32_t n) {
    return Write(kFormatInt32, s, n);
}
int32_t COutputStorageRT::WriteFloat32(const float* s, int32_t n) {
    return Write(kFormatFloat32, s, n);
}
int32_t COutputStorageRT::WriteFloat64(const double* s, int32_t n) {
    return Write(kFormatFloat64, s, n);
}

} // namespace vantrel
