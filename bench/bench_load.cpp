// Loading speed of the native formats against the plain cost of reading the same bytes.
//
// BM_RawRead reads the 256 MiB VarnixBinary file into a fresh page-aligned block with one read,
// the floor any loader has to pay; BM_LoadVarnixBinary loads the same file through
// DataStore::Load. Their ratio is the loader's overhead. VarnixBinaryX adds the CRC-32 of the
// block; VarnixStore parses 16 million values of text.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "datastore/DataStore.h"
#include "util/TextStream.h"

namespace {

namespace fs = std::filesystem;

std::string BenchFile(const std::string& name) { return (fs::temp_directory_path() / ("kyn_bench_" + name)).string(); }

kyn::DataStore MakeStore(int n1, int n2) {
    kyn::DataStore ds;
    ds.title = "bench";
    ds.properties.Resize(1);
    ds.properties.At(0) = "Absorbance";
    ds.dimensions.Resize(2);
    ds.dimensions.At(0) = kyn::Dimension("Wavelength", n1);
    ds.dimensions.At(1) = kyn::Dimension("Time", n2);
    for (int i = 0; i < n1; ++i) ds.dimensions.At(0).values.At(i) = 200.0f + 0.1f * static_cast<float>(i);
    for (int i = 0; i < n2; ++i) ds.dimensions.At(1).values.At(i) = 0.001f * static_cast<float>(i);
    ds.Initialize();
    float* v = ds.data.Data();
    for (int i = 0; i < ds.data.Count(); ++i) v[i] = std::sin(static_cast<float>(i) * 0.001f);
    return ds;
}

// 4096 x 16384 values: a 256 MiB block, the largest the binary formats carry.
const std::string& BinaryFile(bool extended) {
    static const std::string dsb = BenchFile("256MiB.dsb");
    static const std::string dsx = BenchFile("256MiB.dsx");
    const std::string& path = extended ? dsx : dsb;
    if (!fs::exists(path)) {
        kyn::DataStore ds = MakeStore(4096, 16384);
        std::ofstream os(path, std::ios::binary);
        if (extended)
            ds.WriteVarnixBinaryX(os, false);
        else
            ds.WriteVarnixBinary(os, false);
    }
    return path;
}

const std::string& TextFile() {
    static const std::string path = BenchFile("16M.dsa");
    if (!fs::exists(path)) {
        kyn::DataStore ds = MakeStore(1024, 16384);
        kyn::TextOFStream os(path);
        ds.WriteVarnixStore(os, false);
    }
    return path;
}

void BM_RawRead(benchmark::State& state) {
    const std::string& path = BinaryFile(false);
    const auto bytes = static_cast<std::size_t>(fs::file_size(path));
    for (auto _ : state) {
        void* block = std::aligned_alloc(4096, (bytes + 4095) / 4096 * 4096);
        std::ifstream in(path, std::ios::binary);
        in.read(static_cast<char*>(block), static_cast<std::streamsize>(bytes));
        benchmark::DoNotOptimize(block);
        std::free(block);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

template <bool Extended>
void BM_LoadBinary(benchmark::State& state) {
    const std::string& path = BinaryFile(Extended);
    for (auto _ : state) {
        kyn::DataStore ds;
        if (!ds.Load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(ds.data.Data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
}

void BM_LoadVarnixStore16M(benchmark::State& state) {
    const std::string& path = TextFile();
    for (auto _ : state) {
        kyn::DataStore ds;
        if (!ds.Load(path)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(ds.data.Data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fs::file_size(path)));
    state.counters["values/s"] = benchmark::Counter(16.0 * 1024 * 1024 * static_cast<double>(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadBinary<false>)->Name("BM_LoadVarnixBinary")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadBinary<true>)->Name("BM_LoadVarnixBinaryX")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadVarnixStore16M)->Unit(benchmark::kMillisecond);
