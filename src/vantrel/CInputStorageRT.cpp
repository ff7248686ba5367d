#include "CInputStorageRT.h"

#include "SampleConversion.h"
#include "VantrelDriver.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace vantrel {

CInputStorageBaseRT::~CInputStorageBaseRT() = default;

int32_t CInputStorageBaseRT::Allocate(int32_t samples) {
    if (samples <= 0)
        return -1;
    std::unique_ptr<double[]> block(new (std::nothrow) double[size_t(samples)]());
    if (!block)
        return -1;
    storage = std::move(block);
    capacity = samples;
    Reset();
    return samples;
}

void CInputStorageBaseRT::Reset() {
    writeTotal.store(0, std::memory_order_release);
    readTotal.store(0, std::memory_order_release);
    overrun.store(false, std::memory_order_relaxed);
}

void CInputStorageBaseRT::Free() {
    storage.reset();
    capacity = 0;
    Reset();
}

bool CInputStorageBaseRT::Put(double sample) {
    if (!storage)
        return false;
    const uint64_t written = writeTotal.load(std::memory_order_relaxed);
    const uint64_t read = readTotal.load(std::memory_order_acquire);
    if (written < read || written - read >= uint64_t(capacity)) {
        // Full (or a reset raced us): empty the ring rather than overwrite unread samples.
        writeTotal.store(read, std::memory_order_release);
        overrun.store(true, std::memory_order_relaxed);
        return false;
    }
    storage[written % uint64_t(capacity)] = sample;
    writeTotal.store(written + 1, std::memory_order_release);
    return true;
}

int32_t CInputStorageBaseRT::Take(double* destination, int32_t n) {
    if (!storage || n > capacity || n < 0)
        return -1;
    if (destination == nullptr)
        return 0;
    const uint64_t read = readTotal.load(std::memory_order_relaxed);
    const uint64_t written = writeTotal.load(std::memory_order_acquire);
    const uint64_t available = written > read ? std::min<uint64_t>(written - read, capacity) : 0;
    const int32_t count = static_cast<int32_t>(std::min<uint64_t>(uint64_t(n), available));
    const uint64_t offset = read % uint64_t(capacity);
    const uint64_t first = std::min<uint64_t>(count, capacity - offset);
    std::memcpy(destination, storage.get() + offset, first * sizeof(double));
    if (uint64_t(count) > first)
        std::memcpy(destination + first, storage.get(), (count - first) * sizeof(double));
    readTotal.store(read + count, std::memory_order_release);
    return count;
}

int64_t CInputStorageBaseRT::GetAvailable() const {
    const uint64_t read = readTotal.load(std::memory_order_acquire);
    const uint64_t written = writeTotal.load(std::memory_order_acquire);
    return written > read ? static_cast<int64_t>(written - read) : 0;
}

int64_t CInputStorageBaseRT::GetWrittenTotal() const {
    return static_cast<int64_t>(writeTotal.load(std::memory_order_acquire));
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

template <typename Decode>
int32_t ConvertWith(CInputStorageBaseRT& ring, int32_t count, double decay, double& meanSquare, double& peak,
                    Decode decode) {
    int32_t stored = 0;
    for (int32_t i = 0; i < count; ++i) {
        const double x = decode(i);
        const double square = x * x;
        if (i == 0 || square > peak)
            peak = square;
        meanSquare = square + meanSquare * decay;
        if (!ring.Put(x))
            break;
        ++stored;
    }
    return stored;
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
    int32_t stored;
    if (sampleType == kFloat32LSB || sampleType == kFloat32MSB) {
        stored = ConvertWith(*this, count, decay, ms, peak, [&](int32_t i) {
            const uint32_t bits = LoadOrdered<uint32_t>(in + 4 * i, swapped);
            float f;
            std::memcpy(&f, &bits, 4);
            return double(f);
        });
    } else if (sampleType == kFloat64LSB || sampleType == kFloat64MSB) {
        stored = ConvertWith(*this, count, decay, ms, peak, [&](int32_t i) {
            const uint64_t bits = LoadOrdered<uint64_t>(in + 8 * i, swapped);
            double d;
            std::memcpy(&d, &bits, 8);
            return d;
        });
    } else {
        const double scale = IntegerScale(sampleType);
        stored = ConvertWith(*this, count, decay, ms, peak, [&](int32_t i) {
            return double(int32_t(LoadOrdered<uint32_t>(in + 4 * i, swapped))) * scale;
        });
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
