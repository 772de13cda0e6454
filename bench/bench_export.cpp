// Export speed: a 64 MiB value block written as VarnixCSV against formatting the same numbers
// with std::to_chars alone, and a one-million-point JCAMP-DX trace (the YFACTOR search).
#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
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

}  // namespace
