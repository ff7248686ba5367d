// Throughput of every conversion row (source format x target type, LSB and MSB) as a
// ratio to memcpy of the same output bytes, measured in the same run. Goal: >= 0.5.

#include "SampleConversion.h"
#include "VantrelDriver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

template <typename F> double BestSeconds(F f) {
    using Clock = std::chrono::steady_clock;
    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        for (int k = 0; k < 50; ++k)
            f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

} // namespace

int main() {
    using namespace vantrel;
    constexpr int n = 96000; // the block a host sends first
    std::vector<uint8_t> source(n * 8), destination(n * 8), copy(n * 8);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint8_t(i * 37);
    // Float sources get valid values in [-1, 1].
    std::vector<float> f32(n);
    std::vector<double> f64(n);
    for (int i = 0; i < n; ++i)
        f32[size_t(i)] = float(f64[size_t(i)] = std::sin(i * 0.01));
    const char* formatNames[] = {"int16", "int32", "float32", "float64"};
    const std::pair<int, int> rows[] = {{kFloat32LSB, kFloat32MSB}, {kFloat64LSB, kFloat64MSB},
                                        {kInt16LSB, kInt16MSB},     {kInt32LSB, kInt32MSB},
                                        {kInt32LSB16, kInt32MSB16}, {kInt32LSB18, kInt32MSB18},
                                        {kInt32LSB20, kInt32MSB20}, {kInt32LSB24, kInt32MSB24}};
    double worst = 1e9;
    std::printf("%-8s %-6s %10s %10s\n", "from", "type", "LSB ratio", "MSB ratio");
    for (const auto& [lsb, msb] : rows) {
        for (int format = 0; format < 4; ++format) {
            if (!CanConvertSamples(format, lsb))
                continue;
            const void* src = format == kFormatFloat32   ? static_cast<const void*>(f32.data())
                              : format == kFormatFloat64 ? static_cast<const void*>(f64.data())
                                                         : static_cast<const void*>(source.data());
            const size_t bytes = size_t(n) * BytesPerSample(lsb);
            const double memcpyTime = BestSeconds([&] {
                std::memcpy(copy.data(), destination.data() + 1, bytes - 1);
                asm volatile("" ::: "memory");
            });
            double ratio[2];
            int i = 0;
            for (int type : {lsb, msb}) {
                const double t = BestSeconds([&] {
                    ConvertSamples(format, src, n, type, destination.data());
                    asm volatile("" ::: "memory");
                });
                ratio[i++] = memcpyTime / t;
            }
            worst = std::min({worst, ratio[0], ratio[1]});
            std::printf("%-8s %-6d %10.2f %10.2f\n", formatNames[format], lsb, ratio[0], ratio[1]);
        }
    }
    std::printf("worst ratio to memcpy: %.2f\n", worst);
    return 0;
}
