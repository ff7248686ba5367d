#pragma once

#include "SpscRing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace vantrel {

// Byte ring of one output channel. The caller's thread writes, the driver's audio
// thread plays (SpscRing says which side may call what and why). Counters are byte
// totals since the last rewind; the lap count is total / size.
// In stream mode every byte plays once; in loop mode the whole block plays round and
// round and writes overwrite without limit.
class COutputStorageBaseRT {
public:
    COutputStorageBaseRT() = default;
    COutputStorageBaseRT(const COutputStorageBaseRT&) = delete;
    COutputStorageBaseRT& operator=(const COutputStorageBaseRT&) = delete;
    virtual ~COutputStorageBaseRT();

    // Neither side runs. Bytes allocated (zeroed, positions at the start); 0 for 0 bytes,
    // -1 on failure.
    int32_t Allocate(uint32_t bytes);
    void Free();
    // Neither side runs. Play position to the start; with `all` also the write position,
    // and the block zeroed.
    void Rewind(bool all);
    // Audio thread. Copies what may be played into the destination and zeroes the rest of its n bytes.
    uint32_t ReadBytes(void* destination, uint32_t n);
    // Caller's thread. Returns the bytes stored (stream mode: no more than is free).
    uint32_t WriteBytes(const void* source, uint32_t n);

    uint64_t GetPlayedBytes() const;
    uint64_t GetWrittenBytes() const;
    uint32_t GetSize() const { return static_cast<uint32_t>(ring.Capacity()); }
    bool IsValid() const { return ring.HasStorage(); }
    bool IsLoop() const { return loop; }

protected:
    // Bytes the writer may store now, given what it wants to write.
    uint32_t Writable(uint32_t n) const;

    SpscRing<uint8_t> ring;
    bool loop = false;
};

// Output storage that holds samples already converted to the driver's sample type of
// its channel, so the buffer switch only copies bytes.
class COutputStorageRT : public COutputStorageBaseRT {
public:
    ~COutputStorageRT() override;

    // Accepts the types an output can be converted to; refuses the rest unchanged.
    bool SetType(int type);
    int GetType() const { return sampleType; }
    // Returns samples, or 0 when the type is refused, samples is 0, or allocation fails.
    int32_t Configure(int type, int32_t samples, bool loopMode);
    // Audio thread. -1 for a type without a size; else the samples delivered (the rest
    // of the half-buffer is silence).
    int32_t FillDriverBuffer(void* buffer, int32_t samples);
    int64_t GetPlayed() const;
    int64_t GetWritten() const;

    // Samples stored (fewer than count when a stream storage is nearly full); -1 when
    // the combination of source format and channel type is refused.
    int32_t Write(int format, const void* source, int32_t count);
    int32_t WriteInt16(const int16_t* source, int32_t count);
    int32_t WriteInt32(const int32_t* source, int32_t count);
    int32_t WriteFloat32(const float* source, int32_t count);
    int32_t WriteFloat64(const double* source, int32_t count);

private:
    int sampleType = 18; // Int32LSB until configured
    int bytesPerSample = 4;
};

// The buffer switch's path, inline so that it runs in the switch's own code.

inline uint32_t COutputStorageBaseRT::ReadBytes(void* destination, uint32_t n) {
    if (destination == nullptr || n == 0)
        return 0;
    auto* out = static_cast<uint8_t*>(destination);
    size_t copied = 0;
    if (ring.HasStorage()) {
        // A loop block plays round and round, whatever has been written.
        const size_t playable = loop ? n : std::min<size_t>(n, ring.Readable());
        copied = ring.Consume(playable, [out](const uint8_t* from, size_t at, size_t count) {
            std::memcpy(out + at, from, count);
        });
    }
    // Only the frames nothing was copied to are zeroed: the driver's buffer is written once.
    if (copied < n)
        std::memset(out + copied, 0, n - copied);
    return static_cast<uint32_t>(copied);
}

inline int32_t COutputStorageRT::FillDriverBuffer(void* buffer, int32_t samples) {
    const int bps = bytesPerSample;
    if (bps <= 0)
        return -1;
    if (samples <= 0)
        return 0;
    return static_cast<int32_t>(ReadBytes(buffer, static_cast<uint32_t>(samples) * bps) / bps);
}

} // namespace vantrel
