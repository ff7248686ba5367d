#include "SampleConversion.h"
#include "COutputStorageRT.h"
#include "VantrelDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

using namespace vantrel;

namespace {

std::vector<uint8_t> Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    return {b, b + n};
}

template <typename T> std::vector<uint8_t> Le(T v) {
    return Bytes(&v, sizeof v);
}

std::vector<uint8_t> Reversed(std::vector<uint8_t> v) {
    return {v.rbegin(), v.rend()};
}

template <typename T> std::vector<uint8_t> Convert(int format, T sample, int type) {
    std::vector<uint8_t> out(size_t(BytesPerSample(type)), 0xCC);
    ConvertSamples(format, &sample, 1, type, out.data());
    return out;
}

uint32_t FloatBits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

uint64_t DoubleBits(double d) {
    uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

struct Case {
    const char* what;
    std::vector<uint8_t> got;
    std::vector<uint8_t> expected;
};

} // namespace

// One row per source kind and target type, with the exact little-endian bytes; the MSB
// twin of every row must be the same bytes reversed.
TEST(SampleConversion, TableOfExactBytes) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Case> cases = {
        // int16 source
        {"int16 16384 -> Float32", Convert<int16_t>(kFormatInt16, 16384, kFloat32LSB),
         Le<uint32_t>(0x3F000100)},
        {"int16 -32768 -> Float32", Convert<int16_t>(kFormatInt16, -32768, kFloat32LSB),
         Le(FloatBits(float(-32768 * 3.051850947599719e-05)))},
        {"int16 16384 -> Float64", Convert<int16_t>(kFormatInt16, 16384, kFloat64LSB),
         Le(DoubleBits(16384 / 32767.0))},
        {"int16 copied -> Int16", Convert<int16_t>(kFormatInt16, 0x1234, kInt16LSB), {0x34, 0x12}},
        {"int16 0x4000 -> Int32", Convert<int16_t>(kFormatInt16, 0x4000, kInt32LSB),
         Le<uint32_t>(0x40000000)},
        {"int16 -1 -> Int32", Convert<int16_t>(kFormatInt16, -1, kInt32LSB), Le<uint32_t>(0xFFFF0000)},
        {"int16 0x4000 -> Int32LSB16", Convert<int16_t>(kFormatInt16, 0x4000, kInt32LSB16),
         Le<uint32_t>(0x4000)},
        {"int16 -2 -> Int32LSB16", Convert<int16_t>(kFormatInt16, -2, kInt32LSB16), Le<uint32_t>(0xFFFFFFFE)},
        {"int16 0x4000 -> Int32LSB18", Convert<int16_t>(kFormatInt16, 0x4000, kInt32LSB18),
         Le<uint32_t>(0x10000)},
        {"int16 0x4000 -> Int32LSB20", Convert<int16_t>(kFormatInt16, 0x4000, kInt32LSB20),
         Le<uint32_t>(0x40000)},
        {"int16 0x4000 -> Int32LSB24", Convert<int16_t>(kFormatInt16, 0x4000, kInt32LSB24),
         Le<uint32_t>(0x00400000)},
        // int32 source
        {"int32 max -> Float32", Convert<int32_t>(kFormatInt32, 0x7FFFFFFF, kFloat32LSB),
         Le(FloatBits(float(2147483647 * 4.656612875245797e-10)))},
        {"int32 -> Float64", Convert<int32_t>(kFormatInt32, 1 << 30, kFloat64LSB),
         Le(DoubleBits((1 << 30) / 2147483647.0))},
        {"int32 max -> Int16", Convert<int32_t>(kFormatInt32, 0x7FFFFFFF, kInt16LSB), Le<int16_t>(32767)},
        {"int32 min -> Int16", Convert<int32_t>(kFormatInt32, INT32_MIN, kInt16LSB), Le<int16_t>(-32767)},
        {"int32 copied -> Int32",
         Convert<int32_t>(kFormatInt32, 0x12345678, kInt32LSB),
         {0x78, 0x56, 0x34, 0x12}},
        // float32 source
        {"float 1.0 -> Int32", Convert<float>(kFormatFloat32, 1.0f, kInt32LSB), Le<uint32_t>(0x7FFFFFFF)},
        {"float -1.0 -> Int32", Convert<float>(kFormatFloat32, -1.0f, kInt32LSB), Le<uint32_t>(0x80000001)},
        {"float 1.0 -> Int16", Convert<float>(kFormatFloat32, 1.0f, kInt16LSB), Le<int16_t>(32767)},
        {"float -1.0 -> Int16", Convert<float>(kFormatFloat32, -1.0f, kInt16LSB), Le<int16_t>(-32767)},
        {"float 0.99999 -> Int16 truncates", Convert<float>(kFormatFloat32, 0.99999f, kInt16LSB),
         Le<int16_t>(32766)},
        {"float -0.5 -> Int32LSB16", Convert<float>(kFormatFloat32, -0.5f, kInt32LSB16), Le<int32_t>(-16383)},
        {"float 0.5 -> Int32LSB18", Convert<float>(kFormatFloat32, 0.5f, kInt32LSB18), Le<int32_t>(65535)},
        {"float 0.5 -> Int32LSB20", Convert<float>(kFormatFloat32, 0.5f, kInt32LSB20), Le<int32_t>(262143)},
        {"float 0.5 -> Int32LSB24", Convert<float>(kFormatFloat32, 0.5f, kInt32LSB24), Le<int32_t>(4194303)},
        {"float copied -> Float32", Convert<float>(kFormatFloat32, 0.25f, kFloat32LSB), Le(FloatBits(0.25f))},
        {"float widened -> Float64", Convert<float>(kFormatFloat32, 0.1f, kFloat64LSB),
         Le(DoubleBits(double(0.1f)))},
        // float64 source
        {"double 0.1 -> Float32", Convert<double>(kFormatFloat64, 0.1, kFloat32LSB), Le(FloatBits(0.1f))},
        {"double copied -> Float64", Convert<double>(kFormatFloat64, -0.3, kFloat64LSB),
         Le(DoubleBits(-0.3))},
        {"double 0.5 -> Int16", Convert<double>(kFormatFloat64, 0.5, kInt16LSB), Le<int16_t>(16383)},
        {"double 0.5 -> Int32", Convert<double>(kFormatFloat64, 0.5, kInt32LSB), Le<int32_t>(1073741823)},
        {"double -0.5 -> Int32LSB24", Convert<double>(kFormatFloat64, -0.5, kInt32LSB24),
         Le<int32_t>(-4194303)},
        // out of range saturates, NaN becomes 0
        {"float 2.0 -> Int16 saturates", Convert<float>(kFormatFloat32, 2.0f, kInt16LSB), Le<int16_t>(32767)},
        {"float -2.0 -> Int16 saturates", Convert<float>(kFormatFloat32, -2.0f, kInt16LSB),
         Le<int16_t>(-32768)},
        {"double 1e10 -> Int32 saturates", Convert<double>(kFormatFloat64, 1e10, kInt32LSB),
         Le<uint32_t>(0x7FFFFFFF)},
        {"double -1e10 -> Int32 saturates", Convert<double>(kFormatFloat64, -1e10, kInt32LSB),
         Le<uint32_t>(0x80000000)},
        {"float 3.0 -> Int32LSB20 saturates", Convert<float>(kFormatFloat32, 3.0f, kInt32LSB20),
         Le<int32_t>(524287)},
        {"float NaN -> Int16 is 0", Convert<float>(kFormatFloat32, nan, kInt16LSB), Le<int16_t>(0)},
        {"float NaN -> Int32 is 0", Convert<float>(kFormatFloat32, nan, kInt32LSB), Le<int32_t>(0)},
        {"float NaN -> Float32 is 0", Convert<float>(kFormatFloat32, nan, kFloat32LSB), Le<uint32_t>(0)},
        {"double NaN -> Float64 is 0", Convert<double>(kFormatFloat64, double(nan), kFloat64LSB),
         Le<uint64_t>(0)},
        {"double 1e300 -> Float32 saturates", Convert<double>(kFormatFloat64, 1e300, kFloat32LSB),
         Le(FloatBits(std::numeric_limits<float>::max()))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.expected) << c.what;

    // Int16MSB of 0x1234 is the bytes 12 34.
    EXPECT_EQ(Convert<int16_t>(kFormatInt16, 0x1234, kInt16MSB), (std::vector<uint8_t>{0x12, 0x34}));
}

TEST(SampleConversion, EveryMsbTypeIsItsLsbTwinReversed) {
    const int pairs[][2] = {{kInt16LSB, kInt16MSB},     {kInt32LSB, kInt32MSB},
                            {kFloat32LSB, kFloat32MSB}, {kFloat64LSB, kFloat64MSB},
                            {kInt32LSB16, kInt32MSB16}, {kInt32LSB18, kInt32MSB18},
                            {kInt32LSB20, kInt32MSB20}, {kInt32LSB24, kInt32MSB24}};
    const int16_t i16 = -12345;
    const int32_t i32 = -123456789;
    const float f32 = -0.376f;
    const double f64 = 0.7071;
    for (const auto& [lsb, msb] : pairs) {
        for (int format = kFormatInt16; format <= kFormatFloat64; ++format) {
            ASSERT_EQ(CanConvertSamples(format, lsb), CanConvertSamples(format, msb));
            if (!CanConvertSamples(format, lsb))
                continue;
            const void* src = format == kFormatInt16     ? static_cast<const void*>(&i16)
                              : format == kFormatInt32   ? static_cast<const void*>(&i32)
                              : format == kFormatFloat32 ? static_cast<const void*>(&f32)
                                                         : static_cast<const void*>(&f64);
            std::vector<uint8_t> a(size_t(BytesPerSample(lsb))), b(a.size());
            ConvertSamples(format, src, 1, lsb, a.data());
            ConvertSamples(format, src, 1, msb, b.data());
            EXPECT_EQ(Reversed(a), b) << "format " << format << " type " << lsb << "/" << msb;
        }
    }
}

TEST(SampleConversion, RefusedCombinations) {
    for (int type : {kInt32LSB16, kInt32LSB18, kInt32LSB20, kInt32LSB24, kInt32MSB16, kInt32MSB18,
                     kInt32MSB20, kInt32MSB24})
        EXPECT_FALSE(CanConvertSamples(kFormatInt32, type)) << type;
    for (int format = kFormatInt16; format <= kFormatFloat64; ++format) {
        EXPECT_FALSE(CanConvertSamples(format, kInt24LSB));
        EXPECT_FALSE(CanConvertSamples(format, kInt24MSB));
        EXPECT_FALSE(CanConvertSamples(format, 5));
    }
    EXPECT_FALSE(CanConvertSamples(4, kFloat32LSB));
    EXPECT_FALSE(CanConvertSamples(-1, kFloat32LSB));

    // Through a storage: refused means -1 and nothing stored.
    COutputStorageRT storage;
    ASSERT_EQ(storage.Configure(kInt32LSB20, 100, false), 100);
    const int32_t block[4] = {1, 2, 3, 4};
    EXPECT_EQ(storage.WriteInt32(block, 4), -1);
    EXPECT_EQ(storage.GetWritten(), 0);
}

// Every int16 value converts to the float target exactly as the rule says (a block
// conversion, so the vector path is covered too).
TEST(SampleConversion, AllInt16ValuesToFloat32AndInt32) {
    std::vector<int16_t> all(65536);
    for (int i = 0; i < 65536; ++i)
        all[size_t(i)] = int16_t(i - 32768);
    std::vector<float> f(all.size());
    std::vector<int32_t> w(all.size());
    ConvertSamples(kFormatInt16, all.data(), int64_t(all.size()), kFloat32LSB, f.data());
    ConvertSamples(kFormatInt16, all.data(), int64_t(all.size()), kInt32LSB, w.data());
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(FloatBits(f[i]), FloatBits(float(all[i] * 3.051850947599719e-05))) << all[i];
        ASSERT_EQ(uint32_t(w[i]), uint32_t(int32_t(all[i])) << 16) << all[i];
    }
}

namespace {

// A one-sample call always takes the scalar loop, so it is the reference the vector
// kernels of a long block must match bit for bit.
void ExpectBlockMatchesScalar(int format, const void* source, int64_t count, int type, const char* what) {
    const size_t in = size_t(FormatBytesPerSample(format)), out = size_t(BytesPerSample(type));
    const auto* src = static_cast<const uint8_t*>(source);
    std::vector<uint8_t> block(size_t(count) * out + 16, 0xCC), single(size_t(count) * out + 16, 0xCC);
    ConvertSamples(format, src, count, type, block.data());
    for (int64_t i = 0; i < count; ++i)
        ConvertSamples(format, src + size_t(i) * in, 1, type, single.data() + size_t(i) * out);
    for (int64_t i = 0; i < count; ++i) {
        if (std::memcmp(block.data() + size_t(i) * out, single.data() + size_t(i) * out, out) != 0) {
            uint64_t bits = 0;
            std::memcpy(&bits, src + size_t(i) * in, in);
            ADD_FAILURE() << what << " format " << format << " type " << type << " sample " << i << " bits 0x"
                          << std::hex << bits;
            return;
        }
    }
    // Nothing written past the block.
    for (size_t i = size_t(count) * out; i < block.size(); ++i)
        ASSERT_EQ(block[i], 0xCC) << what << " format " << format << " type " << type;
}

// Full blocks, blocks shifted by a few samples with lengths that are not multiples of
// the vector width, and short blocks everywhere in between.
void ExpectEveryTypeMatchesScalar(int format, const std::vector<uint8_t>& source, const char* what) {
    const size_t in = size_t(FormatBytesPerSample(format));
    const int64_t count = int64_t(source.size() / in);
    for (int type = 0; type < 32; ++type) {
        if (BytesPerSample(type) < 0 || !CanConvertSamples(format, type))
            continue;
        ExpectBlockMatchesScalar(format, source.data(), count, type, what);
        for (int64_t skip : {1, 3, 5, 7})
            ExpectBlockMatchesScalar(format, source.data() + size_t(skip) * in, count - skip - 2 * skip, type,
                                     what);
        for (int64_t length = 1; length < 40; ++length)
            ExpectBlockMatchesScalar(format, source.data() + size_t(length * 13 % 97) * in, length, type,
                                     what);
    }
}

template <typename T> void Append(std::vector<uint8_t>& bytes, T value) {
    const auto* b = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), b, b + sizeof value);
}

// Every saturation edge of every target, as source values: the bound over the scale and
// its neighbours on both sides.
template <typename F> void AppendEdges(std::vector<uint8_t>& bytes) {
    const double bounds[][2] = {{32767.0, -32768.0},
                                {2147483647.0, -2147483648.0},
                                {131071.0, -131072.0},
                                {524287.0, -524288.0},
                                {8388607.0, -8388608.0}};
    const double scales[] = {32767.0, 2147483647.0, 131071.0, 524287.0, 8388607.0};
    for (size_t k = 0; k < 5; ++k)
        for (double bound : bounds[k]) {
            for (double edge : {bound / scales[k], (bound + 1) / scales[k], (bound - 1) / scales[k],
                                (bound + 0.5) / scales[k], (bound - 0.5) / scales[k]}) {
                F x = F(edge);
                for (int step = 0; step < 6; ++step) {
                    x = std::nextafter(x, F(-1e30));
                }
                for (int step = 0; step < 12; ++step) {
                    Append<F>(bytes, x);
                    Append<F>(bytes, -x);
                    x = std::nextafter(x, F(1e30));
                }
            }
        }
    const F inf = std::numeric_limits<F>::infinity();
    for (F x :
         {F(0), F(-0.0), inf, -inf, std::numeric_limits<F>::quiet_NaN(), -std::numeric_limits<F>::quiet_NaN(),
          std::numeric_limits<F>::signaling_NaN(), std::numeric_limits<F>::denorm_min(),
          -std::numeric_limits<F>::denorm_min(), std::numeric_limits<F>::min(), std::numeric_limits<F>::max(),
          std::numeric_limits<F>::lowest(), F(1), F(-1), F(0.5), F(-0.5)})
        Append<F>(bytes, x);
    if constexpr (std::is_same_v<F, double>) {
        // Around the float range, where narrowing to Float32 saturates or rounds to infinity.
        for (double m : {double(FLT_MAX), double(-FLT_MAX), double(FLT_MIN), double(-FLT_MIN),
                         double(std::numeric_limits<float>::denorm_min())}) {
            double x = m;
            for (int step = 0; step < 4; ++step)
                x = std::nextafter(x, -m * 4);
            for (int step = 0; step < 8; ++step, x = std::nextafter(x, m * 4))
                Append<double>(bytes, x);
            Append<double>(bytes, m * (1 + 0x1p-24));
            Append<double>(bytes, m * (1 - 0x1p-25));
            Append<double>(bytes, m * (1 + 0x1p-25));
        }
    }
}

uint64_t Next(uint64_t& state) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

} // namespace

TEST(SampleConversion, BlocksMatchTheScalarRuleForAllInt16Values) {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 65536; ++i)
        Append<int16_t>(bytes, int16_t(i - 32768));
    ExpectEveryTypeMatchesScalar(kFormatInt16, bytes, "int16");
}

TEST(SampleConversion, BlocksMatchTheScalarRuleForInt32Patterns) {
    std::vector<uint8_t> bytes;
    for (int32_t v :
         {INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1, 0, 1, -1, 65535, 65536, -65536, -65537})
        Append<int32_t>(bytes, v);
    // Products near every integer the int16 target truncates to.
    for (int32_t k = -32768; k <= 32767; k += 97)
        for (int32_t d = -2; d <= 2; ++d)
            Append<int32_t>(bytes,
                            int32_t(std::clamp<int64_t>(int64_t(k) * 65538 + d, INT32_MIN, INT32_MAX)));
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < 1 << 20; ++i)
        Append<int32_t>(bytes, int32_t(uint32_t(Next(state))));
    ExpectEveryTypeMatchesScalar(kFormatInt32, bytes, "int32");
}

TEST(SampleConversion, BlocksMatchTheScalarRuleForFloat32Patterns) {
    std::vector<uint8_t> bytes;
    AppendEdges<float>(bytes);
    uint64_t state = 0x243F6A8885A308D3ull;
    for (int i = 0; i < 1 << 20; ++i) {
        const uint64_t r = Next(state);
        // Half raw bit patterns (NaNs, infinities, denormals included), half audio-range values.
        if (i & 1)
            Append<uint32_t>(bytes, uint32_t(r));
        else
            Append<float>(bytes, float(int64_t(r >> 11) - (int64_t(1) << 52)) * 0x1p-51f);
    }
    ExpectEveryTypeMatchesScalar(kFormatFloat32, bytes, "float32");
}

TEST(SampleConversion, BlocksMatchTheScalarRuleForFloat64Patterns) {
    std::vector<uint8_t> bytes;
    AppendEdges<double>(bytes);
    uint64_t state = 0x13198A2E03707344ull;
    for (int i = 0; i < 1 << 20; ++i) {
        const uint64_t r = Next(state);
        if (i & 1)
            Append<uint64_t>(bytes, r);
        else if (i & 2)
            Append<double>(bytes, double(int64_t(r >> 1) - (int64_t(1) << 62)) * 0x1p-61);
        else if (i & 4) // exponents around the float range, any sign and mantissa
            Append<uint64_t>(bytes,
                             (r & 0x800FFFFFFFFFFFFFull) | (uint64_t((r >> 52) % 360 + 1023 - 180) << 52));
        else // double denormals
            Append<uint64_t>(bytes, r & 0x800FFFFFFFFFFFFFull);
    }
    ExpectEveryTypeMatchesScalar(kFormatFloat64, bytes, "float64");
}

// The Float64 rows replace the division by a corrected reciprocal product; that this is
// the correctly rounded quotient is checked here for every int32.
TEST(SampleConversion, EveryInt32ToFloat64IsTheQuotient) {
    constexpr int64_t chunk = 1 << 20;
    std::vector<int32_t> source(chunk);
    std::vector<double> got(chunk), expected(chunk);
    for (int64_t start = INT32_MIN; start <= INT32_MAX; start += chunk) {
        for (int64_t i = 0; i < chunk; ++i)
            source[size_t(i)] = int32_t(start + i);
        ConvertSamples(kFormatInt32, source.data(), chunk, kFloat64LSB, got.data());
        for (int64_t i = 0; i < chunk; ++i)
            expected[size_t(i)] = source[size_t(i)] / 2147483647.0;
        ASSERT_EQ(std::memcmp(got.data(), expected.data(), sizeof(double) * chunk), 0)
            << "chunk at " << start;
    }
}
