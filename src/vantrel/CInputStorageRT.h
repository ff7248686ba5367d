#pragma once

#include "SpscRing.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace vantrel {

// Ring of recorded samples of one input channel. The driver's audio thread puts, the
// caller's thread takes and resets (SpscRing says which side may call what). A put into a
// full ring drops every unread sample and sets the overrun flag; the puts after it store on.
class CInputStorageBaseRT {
public:
    CInputStorageBaseRT() = default;
    CInputStorageBaseRT(const CInputStorageBaseRT&) = delete;
    CInputStorageBaseRT& operator=(const CInputStorageBaseRT&) = delete;
    virtual ~CInputStorageBaseRT();

    // Neither side runs. Samples allocated (zeroed, empty); -1 for 0 samples or on failure.
    int32_t Allocate(int32_t samples);
    void Free();
    // Caller's thread, also while the stream records: every sample written so far is
    // skipped, the written total starts again at 0 and the overrun flag is cleared.
    void Reset();
    // Audio thread.
    bool Put(double sample);
    // Caller's thread. Samples copied (at most what is available); -1 without storage or
    // n above capacity.
    int32_t Take(double* destination, int32_t n);
    int64_t GetAvailable() const;
    // Samples written since the last reset.
    int64_t GetWrittenTotal() const;
    int32_t GetCapacity() const { return static_cast<int32_t>(ring.Capacity()); }
    bool HasOverrun() const { return overrun.load(std::memory_order_relaxed); }
    bool HasStorage() const { return ring.HasStorage(); }

protected:
    // Audio thread: one block of count samples, decoded by decode(i), goes into the ring as
    // one region; meter(x) sees every sample stored and the one that finds the ring full.
    // Returns the samples stored before the ring was full.
    template <typename Decode, typename Meter> int32_t PutBlock(int32_t count, Decode decode, Meter meter) {
        const size_t room = ring.Writable();
        const size_t n = std::min(static_cast<size_t>(count), room);
        ring.ProduceEach(n, [&](size_t i) {
            const double x = decode(static_cast<int32_t>(i));
            meter(x);
            return x;
        });
        if (n < static_cast<size_t>(count)) {
            meter(decode(static_cast<int32_t>(n)));
            Overrun();
        }
        return static_cast<int32_t>(n);
    }

private:
    void Overrun();

    SpscRing<double, true> ring;
    // The producer's total at the last reset; written by the consumer, read by anyone.
    std::atomic<uint64_t> resetBase{0};
    std::atomic<bool> overrun{false};
};

// Input storage with the conversion from the driver's sample types and a level meter
// (running mean square with time constant tau, peak of the last buffer, largest peak).
class CInputStorageRT : public CInputStorageBaseRT {
public:
    ~CInputStorageRT() override;

    bool Initialize();
    void Release();
    // Returns samples, or -1 when allocation fails. tau <= 0 becomes bufferSize / rate.
    int32_t Configure(int32_t samples, int32_t bufferSize, double rate, double tau);
    bool IsReady();
    // Audio thread. Samples stored; 0 for a null buffer or count 0; -1 for a type that
    // cannot be recorded.
    int32_t Convert(const void* buffer, int32_t count, int sampleType);
    double GetLevel() const;
    double GetPeakLevel() const;
    double GetMaxLevel() const;
    void ResetMaxLevel();

private:
    double decay = 0;
    double normaliser = 0;
    // Written by the audio thread, read by the caller: atomics so no read is torn.
    std::atomic<double> maxPeak{0};
    std::atomic<double> meanSquare{0};
    std::atomic<double> lastPeak{0};
};

} // namespace vantrel
