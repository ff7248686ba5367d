#include "SampleConversion.h"

#include "VantrelDriver.h"

#include <cfloat>
#include <cstring>
#include <type_traits>

namespace vantrel {

int BytesPerSample(int type) {
    switch (type) {
    case kInt16MSB:
    case kInt16LSB:
        return 2;
    case kInt24MSB:
    case kInt32MSB:
    case kFloat32MSB:
    case kInt32MSB16:
    case kInt32MSB18:
    case kInt32MSB20:
    case kInt32MSB24:
    case kInt24LSB:
    case kInt32LSB:
    case kFloat32LSB:
    case kInt32LSB16:
    case kInt32LSB18:
    case kInt32LSB20:
    case kInt32LSB24:
        return 4;
    case kFloat64MSB:
    case kFloat64LSB:
        return 8;
    default:
        return -1;
    }
}

bool IsFloatSampleType(int type) {
    return type == kFloat32MSB || type == kFloat64MSB || type == kFloat32LSB || type == kFloat64LSB;
}

bool IsBigEndianSampleType(int type) {
    return (type >= kInt16MSB && type <= kFloat64MSB) || (type >= 8 && type <= 11);
}

int FormatBytesPerSample(int format) {
    switch (format) {
    case kFormatInt16:
        return 2;
    case kFormatInt32:
    case kFormatFloat32:
        return 4;
    case kFormatFloat64:
        return 8;
    default:
        return -1;
    }
}

namespace {

// How a channel type stores a sample, stripped of its byte order.
enum class Target { Float32, Float64, Int16, Int32, Int32Narrow, None };

struct TargetInfo {
    Target target;
    int shift;    // left shift of an int16 source (narrow int-in-32 types)
    double scale; // multiplier of a float source
    double low;   // saturation range of a float source
    double high;
};

TargetInfo Describe(int type) {
    switch (type) {
    case kFloat32LSB:
    case kFloat32MSB:
        return {Target::Float32, 0, 1.0, -FLT_MAX, FLT_MAX};
    case kFloat64LSB:
    case kFloat64MSB:
        return {Target::Float64, 0, 1.0, 0, 0};
    case kInt16LSB:
    case kInt16MSB:
        return {Target::Int16, 0, 32767.0, -32768.0, 32767.0};
    case kInt32LSB:
    case kInt32MSB:
        return {Target::Int32, 16, 2147483647.0, -2147483648.0, 2147483647.0};
    case kInt32LSB16:
    case kInt32MSB16:
        return {Target::Int32Narrow, 0, 32767.0, -32768.0, 32767.0};
    case kInt32LSB18:
    case kInt32MSB18:
        return {Target::Int32Narrow, 2, 131071.0, -131072.0, 131071.0};
    case kInt32LSB20:
    case kInt32MSB20:
        return {Target::Int32Narrow, 4, 524287.0, -524288.0, 524287.0};
    case kInt32LSB24:
    case kInt32MSB24:
        return {Target::Int32Narrow, 8, 8388607.0, -8388608.0, 8388607.0};
    default:
        return {Target::None, 0, 0, 0, 0};
    }
}

template <typename T> inline T Load(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint16_t Swap(uint16_t v) {
    return __builtin_bswap16(v);
}
inline uint32_t Swap(uint32_t v) {
    return __builtin_bswap32(v);
}
inline uint64_t Swap(uint64_t v) {
    return __builtin_bswap64(v);
}

// Float to integer: scale, NaN to 0, saturate, truncate toward zero. Every value that
// lies inside the range after scaling converts exactly as a plain truncation would.
inline int32_t FloatToInt(double x, double scale, double low, double high) {
    double y = x * scale;
    y = (y == y) ? y : 0.0;
    y = y < low ? low : y;
    y = y > high ? high : y;
    return static_cast<int32_t>(y);
}

inline float NarrowToFloat(double x) {
    x = (x == x) ? x : 0.0;
    x = x < -FLT_MAX ? -FLT_MAX : x;
    x = x > FLT_MAX ? FLT_MAX : x;
    return static_cast<float>(x);
}

inline float CleanFloat(float x) {
    return (x == x) ? x : 0.0f;
}
inline double CleanDouble(double x) {
    return (x == x) ? x : 0.0;
}

// One tight loop per (source, target) pair: Convert maps a source value to the target's
// bit pattern (as an unsigned integer of the target's width), Store writes it.
template <typename Source, typename Bits, bool Swapped, typename Convert>
void Run(const void* source, int64_t count, void* destination, Convert convert) {
    // The caller's block and the ring never overlap; saying so lets the loop vectorise.
    const uint8_t* __restrict in = static_cast<const uint8_t*>(source);
    uint8_t* __restrict out = static_cast<uint8_t*>(destination);
    for (int64_t i = 0; i < count; ++i) {
        Bits bits = convert(Load<Source>(in + i * sizeof(Source)));
        if constexpr (Swapped)
            bits = Swap(bits);
        std::memcpy(out + i * sizeof(Bits), &bits, sizeof bits);
    }
}

template <typename Source, typename Bits, typename Convert>
void RunOrdered(bool swapped, const void* source, int64_t count, void* destination, Convert convert) {
    if (swapped)
        Run<Source, Bits, true>(source, count, destination, convert);
    else
        Run<Source, Bits, false>(source, count, destination, convert);
}

template <typename F> inline uint32_t FloatBits(F value) {
    static_assert(sizeof(F) == 4);
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

inline uint64_t DoubleBits(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    return bits;
}

template <typename Source>
void ToFloat32(bool swapped, const void* src, int64_t n, void* dst, double intScale) {
    RunOrdered<Source, uint32_t>(swapped, src, n, dst, [intScale](Source v) {
        if constexpr (std::is_same_v<Source, float>)
            return FloatBits(CleanFloat(v));
        else if constexpr (std::is_same_v<Source, double>)
            return FloatBits(NarrowToFloat(v));
        else
            return FloatBits(static_cast<float>(v * intScale));
    });
}

template <typename Source>
void ToFloat64(bool swapped, const void* src, int64_t n, void* dst, double divisor) {
    RunOrdered<Source, uint64_t>(swapped, src, n, dst, [divisor](Source v) {
        if constexpr (std::is_same_v<Source, float> || std::is_same_v<Source, double>)
            return DoubleBits(CleanDouble(static_cast<double>(v)));
        else
            return DoubleBits(v / divisor);
    });
}

} // namespace

bool CanConvertSamples(int format, int type) {
    if (FormatBytesPerSample(format) < 0)
        return false;
    const Target t = Describe(type).target;
    if (t == Target::None)
        return false;
    return !(t == Target::Int32Narrow && format == kFormatInt32);
}

namespace {

inline __attribute__((always_inline)) void ConvertBlock(int format, const void* src, int64_t n, int type,
                                                        void* dst) {
    const TargetInfo info = Describe(type);
    const bool swapped = IsBigEndianSampleType(type);
    const double scale = info.scale, low = info.low, high = info.high;
    const int shift = info.shift;
    switch (info.target) {
    case Target::Float32:
        switch (format) {
        case kFormatInt16:
            return ToFloat32<int16_t>(swapped, src, n, dst, 3.051850947599719e-05);
        case kFormatInt32:
            return ToFloat32<int32_t>(swapped, src, n, dst, 4.656612875245797e-10);
        case kFormatFloat32:
            return ToFloat32<float>(swapped, src, n, dst, 0);
        case kFormatFloat64:
            return ToFloat32<double>(swapped, src, n, dst, 0);
        }
        return;
    case Target::Float64:
        switch (format) {
        case kFormatInt16:
            return ToFloat64<int16_t>(swapped, src, n, dst, 32767.0);
        case kFormatInt32:
            return ToFloat64<int32_t>(swapped, src, n, dst, 2147483647.0);
        case kFormatFloat32:
            return ToFloat64<float>(swapped, src, n, dst, 0);
        case kFormatFloat64:
            return ToFloat64<double>(swapped, src, n, dst, 0);
        }
        return;
    case Target::Int16:
        switch (format) {
        case kFormatInt16:
            return RunOrdered<int16_t, uint16_t>(swapped, src, n, dst, [](int16_t v) { return uint16_t(v); });
        case kFormatInt32:
            // |v x c| stays below 32767.0001, so the truncation never leaves int16.
            return RunOrdered<int32_t, uint16_t>(swapped, src, n, dst, [](int32_t v) {
                return uint16_t(static_cast<int32_t>(v * 1.5258323408317903e-05));
            });
        case kFormatFloat32:
            return RunOrdered<float, uint16_t>(
                swapped, src, n, dst, [=](float x) { return uint16_t(FloatToInt(x, scale, low, high)); });
        case kFormatFloat64:
            return RunOrdered<double, uint16_t>(
                swapped, src, n, dst, [=](double x) { return uint16_t(FloatToInt(x, scale, low, high)); });
        }
        return;
    case Target::Int32:
    case Target::Int32Narrow:
        switch (format) {
        case kFormatInt16:
            // Shift the bit pattern, not the signed value, so negative samples are defined.
            return RunOrdered<int16_t, uint32_t>(
                swapped, src, n, dst, [shift](int16_t v) { return uint32_t(int32_t(v)) << shift; });
        case kFormatInt32:
            return RunOrdered<int32_t, uint32_t>(swapped, src, n, dst, [](int32_t v) { return uint32_t(v); });
        case kFormatFloat32:
            return RunOrdered<float, uint32_t>(
                swapped, src, n, dst, [=](float x) { return uint32_t(FloatToInt(x, scale, low, high)); });
        case kFormatFloat64:
            return RunOrdered<double, uint32_t>(
                swapped, src, n, dst, [=](double x) { return uint32_t(FloatToInt(x, scale, low, high)); });
        }
        return;
    case Target::None:
        return;
    }
}

// The same loops compiled twice; with AVX2 the byte swaps and the double arithmetic
// vectorise. Chosen per call from a flag set once (an ifunc resolver would run before
// sanitizers are initialised).
__attribute__((target("avx2"), flatten)) void ConvertBlockAvx2(int format, const void* src, int64_t n,
                                                               int type, void* dst) {
    ConvertBlock(format, src, n, type, dst);
}

__attribute__((flatten)) void ConvertBlockDefault(int format, const void* src, int64_t n, int type,
                                                  void* dst) {
    ConvertBlock(format, src, n, type, dst);
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace

void ConvertSamples(int format, const void* src, int64_t n, int type, void* dst) {
    static const bool avx2 = HasAvx2();
    if (avx2)
        ConvertBlockAvx2(format, src, n, type, dst);
    else
        ConvertBlockDefault(format, src, n, type, dst);
}

bool IsDecodableInputType(int type) {
    switch (type) {
    case kInt32LSB:
    case kInt32MSB:
    case kInt32LSB16:
    case kInt32MSB16:
    case kInt32LSB18:
    case kInt32MSB18:
    case kInt32LSB20:
    case kInt32MSB20:
    case kInt32LSB24:
    case kInt32MSB24:
    case kFloat32LSB:
    case kFloat32MSB:
    case kFloat64LSB:
    case kFloat64MSB:
        return true;
    default:
        return false;
    }
}

} // namespace vantrel
