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
    if (!ring.Allocate(bytes))
        return -1;
    return static_cast<int32_t>(bytes);
}

void COutputStorageBaseRT::Free() {
    ring.Free();
    loop = false;
}

void COutputStorageBaseRT::Rewind(bool all) {
    if (all)
        ring.Clear(true);
    else
        ring.SetConsumed(0);
}

uint64_t COutputStorageBaseRT::GetPlayedBytes() const {
    const uint64_t total = ring.Consumed();
    const size_t size = ring.Capacity();
    if (size == 0)
        return 0;
    return loop ? total % size : total;
}

uint64_t COutputStorageBaseRT::GetWrittenBytes() const {
    const uint64_t total = ring.Produced();
    const size_t size = ring.Capacity();
    if (!loop || size == 0)
        return total;
    // A loop block written exactly full counts its whole laps, else the offset.
    return total % size == 0 ? total : total % size;
}

uint32_t COutputStorageBaseRT::Writable(uint32_t n) const {
    const size_t limit = loop ? ring.Capacity() : ring.Writable();
    return static_cast<uint32_t>(std::min<size_t>(n, limit));
}

uint32_t COutputStorageBaseRT::WriteBytes(const void* source, uint32_t n) {
    if (source == nullptr || n == 0 || !ring.HasStorage())
        return 0;
    const auto* in = static_cast<const uint8_t*>(source);
    return static_cast<uint32_t>(ring.Produce(
        Writable(n), [in](uint8_t* to, size_t at, size_t bytes) { std::memcpy(to, in + at, bytes); }));
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
        bytesPerSample = BytesPerSample(type);
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
    if (source == nullptr || count <= 0 || !ring.HasStorage())
        return 0;
    const uint32_t bps = static_cast<uint32_t>(BytesPerSample(sampleType));
    const uint64_t wanted = std::min<uint64_t>(uint64_t(count) * bps, ring.Capacity());
    const uint32_t n = Writable(static_cast<uint32_t>(wanted));
    if (n == 0)
        return 0;
    // Converted straight into the ring, segment by segment (whole samples each, as
    // the size is a multiple of the sample size).
    const auto* in = static_cast<const uint8_t*>(source);
    const int sourceBytes = FormatBytesPerSample(format);
    const int type = sampleType;
    ring.Produce(n, [=](uint8_t* to, size_t at, size_t bytes) {
        ConvertSamples(format, in + (at / bps) * sourceBytes, static_cast<int64_t>(bytes / bps), type, to);
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
