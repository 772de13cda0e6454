// Reading time against file size for inputs shaped to make a reader do the most work per byte:
// a file of nothing but white space, a text without any NUL, one endless line, runs of blanks in
// a header, thousands of labels before the data, rows of data. Each benchmark reads the same
// shape at sizes from 16 KiB to 16 MiB through the loader (from memory) and lets the library fit
// the complexity: every one must come out O(N). A reader that spins or rescans shows as N^2 (or
// worse) here long before a user meets it.
#include <benchmark/benchmark.h>

#include <string>

#include "datastore/DataStore.h"
#include "formats/Load.h"

namespace {

std::string Repeat(const std::string& piece, std::size_t bytes) {
    std::string s;
    s.reserve(bytes + piece.size());
    while (s.size() < bytes) s += piece;
    return s;
}

std::string Shape(int shape, std::size_t n) {
    switch (shape) {
        case 0:  // white space only: the loader's search for a first line
            return Repeat(" \r\n\t", n);
        case 1:  // a binary title that never ends
            return "VarnixBinary\n" + Repeat("title without end ", n);
        case 2:  // a text file that is one endless line after its magic
            return "VarnixStore\r\n" + Repeat("x", n);
        case 3:  // a CARY file whose header lines are runs of blanks and commas
            return "t\r\nWavelength,Abs\r\n1,2\r\n\r\n" + Repeat("a      ,,,      b\r\n", n);
        case 4:  // a tagged file with label after label before its data
            return "##TITLE=t\r\n##JCAMP-DX=5.0\r\n" + Repeat("##XLABEL=   nm\r\n", n) + "##NPOINTS=1\r\n##XYDATA\r\n1 2\r\n";
        case 5: {  // data rows of the generic import
            const std::string rows = Repeat("400.5 0.125\r\n", n);
            std::size_t count = 0;
            for (char c : rows) count += c == '\n';
            return "ASCII\r\n" + std::to_string(count) + "\r\n" + rows;
        }
        default:  // a spectrakinetic remark block of long lines
            return "KYN-ASCII-SPECTRAKINETIC\r\nTYPE>DATA_A\r\n%\r\n" + Repeat(std::string(4000, 'r') + "\r\n", n) + "%\r\n/\r\n";
    }
}

void BM_HostileShape(benchmark::State& state, int shape) {
    const std::string bytes = Shape(shape, static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        kyn::DataStore ds;
        ds.allowCaryImport = true;
        try {
            benchmark::DoNotOptimize(kyn::LoadFromMemory(ds, bytes));
        } catch (const std::exception&) {
        }
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}

// One family per shape, so that each gets its own complexity fit.
const bool kRegistered = [] {
    const char* names[] = {"WhiteSpaceOnly", "EndlessBinaryTitle", "EndlessTextLine", "CaryBlankRuns",
                           "JcampLabels",    "AsciiRows",          "SpectraKineticRemarks"};
    for (int shape = 0; shape <= 6; ++shape)
        benchmark::RegisterBenchmark((std::string("BM_Hostile/") + names[shape]).c_str(), BM_HostileShape, shape)
            ->RangeMultiplier(4)
            ->Range(1 << 14, 1 << 22)
            ->Unit(benchmark::kMillisecond)
            ->Complexity(benchmark::oN);
    return true;
}();

}  // namespace
