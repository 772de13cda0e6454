// CRC-32 speed of the extended binary format's checksum over a large file: the one-byte table
// form against the fast form the reader and writer use, and whether both give the same value.
//
// Usage: ref_crc FILE [REPEATS]. Prints "table_gbps", "fast_gbps" (median of the repeats),
// "same 1|0" and the two values.
#include "RefSupport.h"
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "util/Crc32.h"

using kyn::bench::Clock;
using kyn::bench::Median;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ref_crc FILE [REPEATS]\n");
        return 2;
    }
    const int repeats = kyn::bench::Repeats(argc, argv);
    const std::vector<unsigned char> data = kyn::bench::ReadWholeFile<unsigned char>(argv[1]);
    const std::size_t bytes = data.size();
    if (data.empty()) {
        std::fprintf(stderr, "ref_crc: cannot read %s\n", argv[1]);
        return 1;
    }
    std::uint32_t table = 0, fast = 0;
    std::vector<double> tableTimes, fastTimes;
    for (int r = 0; r < repeats; ++r) {
        kyn::Crc32 a, b;
        auto start = Clock::now();
        a.AddBytewise(data.data(), bytes);
        table = a.Result();
        tableTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        start = Clock::now();
        b.Add(data.data(), bytes);
        fast = b.Result();
        fastTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    const double gb = static_cast<double>(bytes) / 1e9;
    std::printf("bytes %zu\ntable_gbps %.3f\nfast_gbps %.3f\nsame %d\ntable_crc %08x\nfast_crc %08x\n", bytes,
                gb / Median(tableTimes), gb / Median(fastTimes), table == fast ? 1 : 0, table, fast);
    return table == fast ? 0 : 1;
}
