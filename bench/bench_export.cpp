// Export speed: a 64 MiB value block written as VarnixCSV against formatting the same numbers
// with std::to_chars alone, a one-million-point JCAMP-DX trace, and the JCAMP-DX YFACTOR search
// alone on 4 Mi values.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <streambuf>
#include <vector>

#include "datastore/DataStore.h"
#include "formats/JcampDx.h"
#include "util/TextStream.h"

namespace {

// Counts the bytes and drops them.
class NullBuf : public std::streambuf {
public:
    std::size_t bytes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += static_cast<std::size_t>(n);
        return n;
    }
    int_type overflow(int_type ch) override {
        ++bytes;
        return traits_type::not_eof(ch);
    }
};

constexpr int kSide = 4096;  // 4096 x 4096 floats = 64 MiB

float Value(int i) { return std::sin(static_cast<float>(i) * 0.001f) * 1234.5f + 0.001f * static_cast<float>(i % 977); }

kyn::DataStore& BigStore() {
    static kyn::DataStore ds = [] {
        kyn::DataStore s("bench", 1, 2);
        s.properties[0] = "CircularDichroism";
        s.dimensions[0] = kyn::Dimension("Time", kSide);
        s.dimensions[1] = kyn::Dimension("Wavelength", kSide);
        for (int i = 0; i < kSide; ++i) {
            s.dimensions[0][i] = 0.01f * static_cast<float>(i);
            s.dimensions[1][i] = 190.0f + 0.1f * static_cast<float>(i);
        }
        s.Initialize();
        for (int i = 0; i < s.data.Count(); ++i) s.data[i] = Value(i);
        return s;
    }();
    return ds;
}

// The floor: every value of the block through std::to_chars (general, six digits) plus a
// separator, into a reused buffer.
void BM_ToCharsOnly(benchmark::State& state) {
    kyn::DataStore& ds = BigStore();
    std::vector<char> buf(1 << 16);
    std::size_t bytes = 0;
    for (auto _ : state) {
        char* p = buf.data();
        char* end = buf.data() + buf.size() - 64;
        const float* v = ds.data.Data();
        for (int i = 0; i < ds.data.Count(); ++i) {
            if (p >= end) {
                bytes += static_cast<std::size_t>(p - buf.data());
                benchmark::DoNotOptimize(buf.data());
                p = buf.data();
            }
            p = std::to_chars(p, end, static_cast<double>(v[i]), std::chars_format::general, 6).ptr;
            *p++ = ',';
        }
        bytes += static_cast<std::size_t>(p - buf.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * ds.data.Count() * 4);
    state.counters["text_MiB"] = static_cast<double>(bytes) / state.iterations() / (1 << 20);
}
BENCHMARK(BM_ToCharsOnly)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_WriteVarnixCsv64MiB(benchmark::State& state) {
    kyn::DataStore& ds = BigStore();
    std::size_t bytes = 0;
    for (auto _ : state) {
        NullBuf sink;
        {
            kyn::TextOutBuf text(&sink);
            std::ostream os(&text);
            ds.WriteVarnixCSV(os, false);
            os.flush();
        }
        bytes = sink.bytes;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * ds.data.Count() * 4);
    state.counters["file_MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_WriteVarnixCsv64MiB)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_JcampMillionPoints(benchmark::State& state) {
    const int n = 1000000;
    kyn::DataStore ds("bench", 1, 1);
    ds.properties[0] = "CircularDichroism -mre";
    ds.dimensions[0] = kyn::Dimension("Wavelength", n);
    for (int i = 0; i < n; ++i) ds.dimensions[0][i] = 190.0f + 0.0001f * static_cast<float>(i);
    ds.Initialize();
    for (int i = 0; i < n; ++i) ds.data[i] = Value(i) * 10.0f;
    for (auto _ : state) {
        NullBuf sink;
        kyn::TextOutBuf text(&sink);
        std::ostream os(&text);
        kyn::JcampDxExporter exporter(ds);
        exporter.Write(os);
        os.flush();
    }
}
BENCHMARK(BM_JcampMillionPoints)->Unit(benchmark::kMillisecond)->Iterations(2);

// The YFACTOR search on 4 Mi values: a kinetic trace that levels off (a few tens of thousands of
// distinct values, each at many positions, whose neighbours division often joins), and the wide
// spread of the 64 MiB block (nearly every value distinct).
std::vector<float> TraceValues(int n) {
    std::vector<float> v(static_cast<std::size_t>(n));
    std::uint64_t s = 0x9E3779B97F4A7C15ull;
    for (int j = 0; j < n; ++j) {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        const float noise = static_cast<float>(static_cast<std::int64_t>(s >> 40) - (1 << 23)) / static_cast<float>(1 << 23);
        v[static_cast<std::size_t>(j)] = 0.8f * (1.0f - std::exp(-0.0001f * static_cast<float>(j) / 3.0f)) + 0.001f * noise;
    }
    return v;
}

void BM_JcampYFactor4Mi(benchmark::State& state) {
    const int n = 4 << 20;
    std::vector<float> values;
    if (state.range(0) == 0) {
        values = TraceValues(n);
    } else {
        values.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = Value(i);
    }
    float factor = 0.0f;
    for (auto _ : state) {
        factor = kyn::jcamp::ChooseYFactor(values.data(), n);
        benchmark::DoNotOptimize(factor);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
    state.counters["ns_per_value"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["yfactor"] = factor;
}
BENCHMARK(BM_JcampYFactor4Mi)->ArgName("spread")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
