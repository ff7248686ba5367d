#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace vantrel {

// Ring of recorded samples of one input channel. The driver's audio thread puts, the
// caller's thread takes. Positions are sample totals since the last reset (lap =
// total / capacity), published with release stores and read with acquire loads: a
// reader never sees a position ahead of the samples it covers, nor a torn one.
// A put into a full ring drops every unread sample and sets the overrun flag.
class CInputStorageBaseRT {
public:
    CInputStorageBaseRT() = default;
    CInputStorageBaseRT(const CInputStorageBaseRT&) = delete;
    CInputStorageBaseRT& operator=(const CInputStorageBaseRT&) = delete;
    virtual ~CInputStorageBaseRT();

    // Samples allocated (zeroed, reset); -1 for 0 samples or on failure.
    int32_t Allocate(int32_t samples);
    void Reset();
    void Free();
    bool Put(double sample);
    // Samples copied (at most what is available); -1 without storage or n above capacity.
    int32_t Take(double* destination, int32_t n);
    int64_t GetAvailable() const;
    int64_t GetWrittenTotal() const;
    int32_t GetCapacity() const { return capacity; }
    bool HasOverrun() const { return overrun.load(std::memory_order_relaxed); }
    bool HasStorage() const { return storage != nullptr; }

private:
    std::unique_ptr<double[]> storage;
    int32_t capacity = 0;
    std::atomic<uint64_t> writeTotal{0};
    std::atomic<uint64_t> readTotal{0};
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
