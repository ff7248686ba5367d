#pragma once

// Paired timing for the benchmarks: a measured operation against its reference, in the same
// run, as A-B-B-A rounds. Each A is paired with the B beside it, so a drift of the machine
// (page cache, other load) hits both sides of a pair alike; the figures are the minimum,
// median and maximum of the per-pair ratios, never ratios of pooled medians.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace bench {

// Seconds taken by op(); op returns false on failure, which ends the benchmark.
template <typename Op> double Seconds(Op&& op) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = op();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (!ok) {
        std::fprintf(stderr, "benchmark step failed\n");
        std::exit(1);
    }
    return took.count();
}

struct Pairs {
    std::vector<double> a;      // seconds of each A
    std::vector<double> b;      // seconds of each B
    std::vector<double> ratios; // a / b per pair
};

// rounds of A B B A, where each side measures itself and returns seconds (negative on
// failure, which ends the benchmark): for work timed somewhere else, such as in a child
// process.
template <typename MeasureA, typename MeasureB>
Pairs AbbaMeasured(int rounds, MeasureA measureA, MeasureB measureB) {
    Pairs p;
    auto take = [](std::vector<double>& into, double seconds) {
        if (seconds < 0) {
            std::fprintf(stderr, "benchmark step failed\n");
            std::exit(1);
        }
        into.push_back(seconds);
    };
    for (int round = 0; round < rounds; ++round) {
        take(p.a, measureA());
        take(p.b, measureB());
        take(p.b, measureB());
        take(p.a, measureA());
    }
    for (std::size_t i = 0; i < p.a.size(); ++i)
        p.ratios.push_back(p.a[i] / p.b[i]);
    return p;
}

// rounds of A B B A. prepareA / prepareB run untimed before each timed step.
template <typename PrepareA, typename A, typename PrepareB, typename B>
Pairs AbbaRounds(int rounds, PrepareA prepareA, A a, PrepareB prepareB, B b) {
    return AbbaMeasured(
        rounds,
        [&] {
            prepareA();
            return Seconds(a);
        },
        [&] {
            prepareB();
            return Seconds(b);
        });
}

inline double Median(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One line: the ratio's min / median / max, then the median times of both sides. A goal of
// 0 or less prints none.
inline void Print(const char* what, const char* reference, const Pairs& p, double goal = 0) {
    const auto [lo, hi] = std::minmax_element(p.ratios.begin(), p.ratios.end());
    std::printf("%s / %s: ratio min %.2f  median %.2f  max %.2f  over %zu pairs", what, reference, *lo,
                Median(p.ratios), *hi, p.ratios.size());
    if (goal > 0)
        std::printf(" (goal <= %.1f)", goal);
    std::printf("; median %.1f ms vs %.1f ms\n", Median(p.a) * 1e3, Median(p.b) * 1e3);
}

} // namespace bench
