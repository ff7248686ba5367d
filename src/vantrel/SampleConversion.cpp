#include "SampleConversion.h"

#include "VantrelDriver.h"

#include <cfloat>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#define VANTREL_HAS_AVX2_KERNELS 1
#else
// Elsewhere (arm64 and others) every row uses the scalar rule.
#define VANTREL_HAS_AVX2_KERNELS 0
#endif

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

#if VANTREL_HAS_AVX2_KERNELS
// Hand-written AVX2 kernels for the rows the compiler leaves slow. Every lane gives the
// bits of the scalar rule: mostly the same double arithmetic, and where a cheaper formula
// stands in, the comment there says why it is equal. The scalar loop finishes the last
// count % 8 samples. The scalar rule has no multiply-add, so FMA contraction cannot
// change it in this target.
#define VANTREL_AVX2 __attribute__((target("avx2,fma")))

enum class Kind { Int16, Int32, Float32, Float64 };

// Eight samples widened to two vectors of four doubles; every source value is exact in double.
template <typename Source> VANTREL_AVX2 inline void Load8(const uint8_t* p, __m256d& lo, __m256d& hi) {
    if constexpr (std::is_same_v<Source, int16_t>) {
        const __m256i v = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        lo = _mm256_cvtepi32_pd(_mm256_castsi256_si128(v));
        hi = _mm256_cvtepi32_pd(_mm256_extracti128_si256(v, 1));
    } else if constexpr (std::is_same_v<Source, int32_t>) {
        lo = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        hi = _mm256_cvtepi32_pd(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16)));
    } else if constexpr (std::is_same_v<Source, float>) {
        lo = _mm256_cvtps_pd(_mm_loadu_ps(reinterpret_cast<const float*>(p)));
        hi = _mm256_cvtps_pd(_mm_loadu_ps(reinterpret_cast<const float*>(p + 16)));
    } else {
        lo = _mm256_loadu_pd(reinterpret_cast<const double*>(p));
        hi = _mm256_loadu_pd(reinterpret_cast<const double*>(p + 32));
    }
}

// NaN to +0 then clamp; max/min keep the first operand when it is not beyond the bound,
// as the scalar comparisons do.
VANTREL_AVX2 inline __m256d Clamp(__m256d y, __m256d low, __m256d high) {
    y = _mm256_and_pd(y, _mm256_cmp_pd(y, y, _CMP_ORD_Q));
    return _mm256_min_pd(_mm256_max_pd(y, low), high);
}

// v / d for an integer v (|v| < 2^31) and d = 32767 or 2147483647: the reciprocal
// product corrected once by its exact residual is the correctly rounded quotient for
// every such v (checked exhaustively for both divisors), and cheaper than a division.
VANTREL_AVX2 inline __m256d Divide(__m256d v, __m256d d, __m256d reciprocal) {
    const __m256d q = _mm256_mul_pd(v, reciprocal);
    return _mm256_fmadd_pd(_mm256_fnmadd_pd(q, d, v), reciprocal, q);
}

template <int Bytes> VANTREL_AVX2 inline __m256i SwapMask() {
    if constexpr (Bytes == 2)
        return _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7, 6,
                                9, 8, 11, 10, 13, 12, 15, 14);
    else if constexpr (Bytes == 4)
        return _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12, 3, 2, 1, 0, 7, 6, 5, 4,
                                11, 10, 9, 8, 15, 14, 13, 12);
    else
        return _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,
                                15, 14, 13, 12, 11, 10, 9, 8);
}

template <typename Source, Kind kind, bool Swapped>
VANTREL_AVX2 void Bulk(const uint8_t* __restrict in, int64_t count, uint8_t* __restrict out,
                       double scaleValue, double lowValue, double highValue) {
    const __m256d scale = _mm256_set1_pd(scaleValue), low = _mm256_set1_pd(lowValue),
                  high = _mm256_set1_pd(highValue);
    constexpr bool intSource = std::is_integral_v<Source>;
    const __m256d reciprocal = _mm256_set1_pd(1.0 / scaleValue);
    const __m256 scaleHigh = _mm256_set1_ps(float(scaleValue)),
                 scaleLow = _mm256_set1_ps(float(scaleValue - double(float(scaleValue))));
    for (int64_t i = 0; i + 8 <= count; i += 8) {
        if constexpr (kind == Kind::Float32 && std::is_same_v<Source, int16_t>) {
            // For every int16 v, float(v * c) with the double c equals fma(v, cHigh, v * cLow)
            // in float, c split into two floats (checked over all of them by the test).
            const __m256 x = _mm256_cvtepi32_ps(
                _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * 2))));
            __m256i v = _mm256_castps_si256(_mm256_fmadd_ps(x, scaleHigh, _mm256_mul_ps(x, scaleLow)));
            if constexpr (Swapped)
                v = _mm256_shuffle_epi8(v, SwapMask<4>());
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), v);
            continue;
        }
        __m256d lo, hi;
        Load8<Source>(in + i * int64_t(sizeof(Source)), lo, hi);
        if constexpr (kind == Kind::Int16 || kind == Kind::Int32) {
            lo = _mm256_mul_pd(lo, scale);
            hi = _mm256_mul_pd(hi, scale);
            if constexpr (!intSource) {
                lo = Clamp(lo, low, high);
                hi = Clamp(hi, low, high);
            }
            const __m128i a = _mm256_cvttpd_epi32(lo);
            const __m128i b = _mm256_cvttpd_epi32(hi);
            if constexpr (kind == Kind::Int16) {
                // Lanes are already inside int16, so the saturating pack only narrows.
                __m128i v = _mm_packs_epi32(a, b);
                if constexpr (Swapped)
                    v = _mm_shuffle_epi8(v, _mm256_castsi256_si128(SwapMask<2>()));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 2), v);
            } else {
                __m256i v = _mm256_set_m128i(b, a);
                if constexpr (Swapped)
                    v = _mm256_shuffle_epi8(v, SwapMask<4>());
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), v);
            }
        } else if constexpr (kind == Kind::Float32) {
            if constexpr (intSource) {
                lo = _mm256_mul_pd(lo, scale);
                hi = _mm256_mul_pd(hi, scale);
            }
            __m256 f = _mm256_set_m128(_mm256_cvtpd_ps(hi), _mm256_cvtpd_ps(lo));
            if constexpr (!intSource) {
                // Rounding is monotone and +-FLT_MAX are floats, so clamping after the
                // narrowing (eight lanes, not four) gives what clamping before does.
                f = _mm256_and_ps(f, _mm256_cmp_ps(f, f, _CMP_ORD_Q));
                f = _mm256_min_ps(_mm256_max_ps(f, _mm256_set1_ps(-FLT_MAX)), _mm256_set1_ps(FLT_MAX));
            }
            __m256i v = _mm256_castps_si256(f);
            if constexpr (Swapped)
                v = _mm256_shuffle_epi8(v, SwapMask<4>());
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), v);
        } else {
            __m256i a = _mm256_castpd_si256(Divide(lo, scale, reciprocal));
            __m256i b = _mm256_castpd_si256(Divide(hi, scale, reciprocal));
            if constexpr (Swapped) {
                a = _mm256_shuffle_epi8(a, SwapMask<8>());
                b = _mm256_shuffle_epi8(b, SwapMask<8>());
            }
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 8), a);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 8 + 32), b);
        }
    }
}

template <typename Source, Kind kind>
VANTREL_AVX2 int64_t BulkOrdered(bool swapped, const void* src, int64_t n, void* dst, double scale,
                                 double low, double high) {
    const auto* in = static_cast<const uint8_t*>(src);
    auto* out = static_cast<uint8_t*>(dst);
    if (swapped)
        Bulk<Source, kind, true>(in, n, out, scale, low, high);
    else
        Bulk<Source, kind, false>(in, n, out, scale, low, high);
    return n / 8 * 8;
}

// Converts the leading multiple of eight samples of the rows that have a kernel and
// returns how many it did (0 for the rows the compiler already vectorises well).
VANTREL_AVX2 int64_t ConvertBulkAvx2(int format, const void* src, int64_t n, int type, void* dst) {
    const TargetInfo info = Describe(type);
    const bool swapped = IsBigEndianSampleType(type);
    switch (info.target) {
    case Target::Float32:
        switch (format) {
        case kFormatInt16:
            return BulkOrdered<int16_t, Kind::Float32>(swapped, src, n, dst, 3.051850947599719e-05, 0, 0);
        case kFormatInt32:
            return BulkOrdered<int32_t, Kind::Float32>(swapped, src, n, dst, 4.656612875245797e-10, 0, 0);
        case kFormatFloat64:
            return BulkOrdered<double, Kind::Float32>(swapped, src, n, dst, 1.0, -FLT_MAX, FLT_MAX);
        }
        return 0;
    case Target::Float64:
        switch (format) {
        case kFormatInt16:
            return BulkOrdered<int16_t, Kind::Float64>(swapped, src, n, dst, 32767.0, 0, 0);
        case kFormatInt32:
            return BulkOrdered<int32_t, Kind::Float64>(swapped, src, n, dst, 2147483647.0, 0, 0);
        }
        return 0;
    case Target::Int16:
        switch (format) {
        case kFormatInt32:
            // The product of an int32 already stays inside int16: no clamp, as in the scalar rule.
            return BulkOrdered<int32_t, Kind::Int16>(swapped, src, n, dst, 1.5258323408317903e-05, -32768.0,
                                                     32767.0);
        case kFormatFloat32:
            return BulkOrdered<float, Kind::Int16>(swapped, src, n, dst, info.scale, info.low, info.high);
        case kFormatFloat64:
            return BulkOrdered<double, Kind::Int16>(swapped, src, n, dst, info.scale, info.low, info.high);
        }
        return 0;
    case Target::Int32:
    case Target::Int32Narrow:
        switch (format) {
        case kFormatFloat32:
            return BulkOrdered<float, Kind::Int32>(swapped, src, n, dst, info.scale, info.low, info.high);
        case kFormatFloat64:
            return BulkOrdered<double, Kind::Int32>(swapped, src, n, dst, info.scale, info.low, info.high);
        }
        return 0;
    case Target::None:
        return 0;
    }
    return 0;
}

// The same loops compiled twice; with AVX2 (and FMA, which the kernels use) the byte
// swaps and the double arithmetic vectorise. Chosen per call from a flag set once (an ifunc resolver would
// run before sanitizers are initialised).
__attribute__((target("avx2,fma"), flatten)) void ConvertBlockAvx2(int format, const void* src, int64_t n,
                                                                   int type, void* dst) {
    const int64_t done = ConvertBulkAvx2(format, src, n, type, dst);
    if (done == n)
        return;
    const int64_t sourceBytes = FormatBytesPerSample(format), targetBytes = BytesPerSample(type);
    ConvertBlock(format, static_cast<const uint8_t*>(src) + done * sourceBytes, n - done, type,
                 static_cast<uint8_t*>(dst) + done * targetBytes);
}

#endif

__attribute__((flatten)) void ConvertBlockDefault(int format, const void* src, int64_t n, int type,
                                                  void* dst) {
    ConvertBlock(format, src, n, type, dst);
}

#if VANTREL_HAS_AVX2_KERNELS
bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}
#endif

} // namespace

void ConvertSamples(int format, const void* src, int64_t n, int type, void* dst) {
#if VANTREL_HAS_AVX2_KERNELS
    static const bool avx2 = HasAvx2();
    if (avx2) {
        ConvertBlockAvx2(format, src, n, type, dst);
        return;
    }
#endif
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
