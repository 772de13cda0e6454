// Number text of the writers: our general form against the C library's "%g" and std::to_chars'
// general form with precision 6, plus our German and fixed forms, on values shaped like measured
// intensities (floats between -50 and 50 with seven significant digits, a tenth of them small
// with negative exponents).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "util/NumberFormat.h"

namespace {

const std::vector<double>& IntensityValues() {
    static const std::vector<double> values = [] {
        std::mt19937_64 rng(12345);
        std::uniform_real_distribution<double> intensity(-50.0, 50.0);
        std::uniform_int_distribution<int> smallExponent(-7, -2);
        std::vector<double> v(100'000);
        for (std::size_t i = 0; i < v.size(); ++i) {
            double x = intensity(rng);
            if (i % 10 == 0) x *= std::pow(10.0, smallExponent(rng));
            // keep seven significant digits, then store as the float the files hold
            const double scale = std::pow(10.0, 6 - std::floor(std::log10(std::fabs(x))));
            v[i] = static_cast<float>(std::round(x * scale) / scale);
        }
        return v;
    }();
    return values;
}

template <typename Write>
void RunOverValues(benchmark::State& state, Write write) {
    const std::vector<double>& values = IntensityValues();
    char text[64];
    for (auto _ : state) {
        for (double v : values) {
            char* end = write(text, v);
            benchmark::DoNotOptimize(end);
            benchmark::ClobberMemory();
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(values.size()));
}

void BM_FormatG(benchmark::State& state) {
    RunOverValues(state, [](char* out, double v) { return kyn::FormatG(out, v); });
}

void BM_FormatGGerman(benchmark::State& state) {
    RunOverValues(state, [](char* out, double v) { return kyn::FormatGGerman(out, v); });
}

void BM_FormatFixed3(benchmark::State& state) {
    RunOverValues(state, [](char* out, double v) { return kyn::FormatFixed(out, v, 3); });
}

void BM_SnprintfG(benchmark::State& state) {
    RunOverValues(state, [](char* out, double v) { return out + std::snprintf(out, 64, "%g", v); });
}

void BM_ToCharsGeneral6(benchmark::State& state) {
    RunOverValues(state, [](char* out, double v) {
        return std::to_chars(out, out + 64, v, std::chars_format::general, 6).ptr;
    });
}

}  // namespace

BENCHMARK(BM_FormatG);
BENCHMARK(BM_SnprintfG);
BENCHMARK(BM_ToCharsGeneral6);
BENCHMARK(BM_FormatGGerman);
BENCHMARK(BM_FormatFixed3);
