#include "CInputStorageRT.h"

#include "SampleConversion.h"
#include "VantrelDriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel {

CInputStorageBaseRT::~CInputStorageBaseRT() = default;

int32_t CInputStorageBaseRT::Allocate(int32_t samples) {
    resetBase.store(0, std::memory_order_relaxed);
    overrun.store(false, std::memory_order_relaxed);
    if (samples <= 0 || !ring.Allocate(static_cast<size_t>(samples)))
        return -1;
    return samples;
}

void CInputStorageBaseRT::Free() {
    ring.Free();
    resetBase.store(0, std::memory_order_relaxed);
    overrun.store(false, std::memory_order_relaxed);
}

void CInputStorageBaseRT::Reset() {
    resetBase.store(ring.Discard(), std::memory_order_release);
    overrun.store(false, std::memory_order_relaxed);
}

void CInputStorageBaseRT::Overrun() {
    // Emptied rather than overwritten: the reader never gets a mix of old and new laps.
    ring.DropUnread();
    overrun.store(true, std::memory_order_relaxed);
}

bool CInputStorageBaseRT::Put(double sample) {
    if (!ring.HasStorage())
        return false;
    return PutBlock(
               1, [sample](int32_t) { return sample; }, [](double) {}) == 1;
}

int32_t CInputStorageBaseRT::Take(double* destination, int32_t n) {
    if (!ring.HasStorage() || n < 0 || n > GetCapacity())
        return -1;
    if (destination == nullptr)
        return 0;
    return static_cast<int32_t>(ring.Read(destination, static_cast<size_t>(n)));
}

int64_t CInputStorageBaseRT::GetAvailable() const {
    return static_cast<int64_t>(ring.Readable());
}

int64_t CInputStorageBaseRT::GetWrittenTotal() const {
    const uint64_t base = resetBase.load(std::memory_order_acquire);
    const uint64_t written = ring.Produced();
    return written > base ? static_cast<int64_t>(written - base) : 0;
}

CInputStorageRT::~CInputStorageRT() = default;

bool CInputStorageRT::Initialize() {
    Reset();
    maxPeak.store(0, std::memory_order_relaxed);
    meanSquare.store(0, std::memory_order_relaxed);
    lastPeak.store(0, std::memory_order_relaxed);
    return true;
}

void CInputStorageRT::Release() {
    Free();
    maxPeak.store(0, std::memory_order_relaxed);
    meanSquare.store(0, std::memory_order_relaxed);
    lastPeak.store(0, std::memory_order_relaxed);
}

int32_t CInputStorageRT::Configure(int32_t samples, int32_t bufferSize, double rate, double tau) {
    if (tau <= 0)
        tau = rate > 0 ? double(static_cast<uint32_t>(bufferSize)) / rate : 0.05;
    Release();
    if (Allocate(samples) < 0)
        return -1;
    Initialize();
    if (rate > 0) {
        decay = std::exp(-1.0 / (rate * tau));
        normaliser = 1.0 / (std::exp(-1.0 / (rate * rate * tau)) * tau * rate);
    } else {
        decay = 0;
        normaliser = 0;
    }
    return samples;
}

bool CInputStorageRT::IsReady() {
    if (!HasStorage())
        return false;
    return Initialize();
}

namespace {

template <typename Bits> inline Bits LoadOrdered(const uint8_t* p, bool swapped) {
    Bits v;
    std::memcpy(&v, p, sizeof v);
    if (swapped) {
        if constexpr (sizeof(Bits) == 4)
            v = __builtin_bswap32(v);
        else
            v = __builtin_bswap64(v);
    }
    return v;
}

// Reciprocal of the full scale of each 32-bit integer input type.
double IntegerScale(int type) {
    switch (type) {
    case kInt32LSB:
    case kInt32MSB:
        return 4.656612875245797e-10;
    case kInt32LSB16:
    case kInt32MSB16:
        return 3.051850947599719e-05;
    case kInt32LSB18:
    case kInt32MSB18:
        return 7.629452739355006e-06;
    case kInt32LSB20:
    case kInt32MSB20:
        return 1.907352270798246e-06;
    default:
        return 1.1920930376163766e-07;
    }
}

} // namespace

int32_t CInputStorageRT::Convert(const void* buffer, int32_t count, int sampleType) {
    if (buffer == nullptr || count <= 0)
        return 0;
    if (!IsDecodableInputType(sampleType))
        return -1;
    const auto* in = static_cast<const uint8_t*>(buffer);
    const bool swapped = IsBigEndianSampleType(sampleType);
    double ms = meanSquare.load(std::memory_order_relaxed);
    double peak = 0;
    bool first = true;
    const double d = decay;
    auto meter = [&](double x) {
        const double square = x * x;
        if (first || square > peak)
            peak = square;
        first = false;
        ms = square + ms * d;
    };
    int32_t stored;
    if (sampleType == kFloat32LSB || sampleType == kFloat32MSB) {
        stored = PutBlock(
            count,
            [&](int32_t i) {
                const uint32_t bits = LoadOrdered<uint32_t>(in + 4 * i, swapped);
                float f;
                std::memcpy(&f, &bits, 4);
                return double(f);
            },
            meter);
    } else if (sampleType == kFloat64LSB || sampleType == kFloat64MSB) {
        stored = PutBlock(
            count,
            [&](int32_t i) {
                const uint64_t bits = LoadOrdered<uint64_t>(in + 8 * i, swapped);
                double v;
                std::memcpy(&v, &bits, 8);
                return v;
            },
            meter);
    } else {
        const double scale = IntegerScale(sampleType);
        stored = PutBlock(
            count,
            [&](int32_t i) { return double(int32_t(LoadOrdered<uint32_t>(in + 4 * i, swapped))) * scale; },
            meter);
    }
    meanSquare.store(ms, std::memory_order_relaxed);
    lastPeak.store(peak, std::memory_order_relaxed);
    if (peak > maxPeak.load(std::memory_order_relaxed))
        maxPeak.store(peak, std::memory_order_relaxed);
    return stored;
}

double CInputStorageRT::GetLevel() const {
    const double ms = meanSquare.load(std::memory_order_relaxed);
    return ms > 0 ? 10.0 * std::log10(ms * normaliser) : -9999.99;
}

double CInputStorageRT::GetPeakLevel() const {
    const double p = lastPeak.load(std::memory_order_relaxed);
    return p > 0 ? 10.0 * std::log10(p) : -9999.99;
}

double CInputStorageRT::GetMaxLevel() const {
    const double p = maxPeak.load(std::memory_order_relaxed);
    return p > 0 ? 10.0 * std::log10(p) : -9999.99;
}

void CInputStorageRT::ResetMaxLevel() {
    maxPeak.store(0, std::memory_order_relaxed);
}

} // namespace vantrel
