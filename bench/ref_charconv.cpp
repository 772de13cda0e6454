// The reference loops of bench/run: the bare standard-library conversions over the same values
// the converter writes and reads, with nothing else around them.
//
//   format: each float widened to double through std::to_chars (general, six digits), a comma
//           after it and a line feed after every 1024, into a reused 1 MiB buffer;
//   parse:  the text so made, back through std::from_chars into a fresh float array, skipping the
//           separators.
//
// Usage: ref_charconv VALUES.f32 [REPEATS]. Prints "to_chars_ns <ns per value>" and
// "from_chars_ns <ns per value>" (median of the repeats) and a checksum that keeps the loops alive.
#include "RefSupport.h"
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using kyn::bench::Clock;
using kyn::bench::Median;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: ref_charconv VALUES.f32 [REPEATS]\n");
        return 2;
    }
    const int repeats = kyn::bench::Repeats(argc, argv);
    const std::vector<float> values = kyn::bench::ReadWholeFile<float>(argv[1]);
    if (values.empty()) {
        std::fprintf(stderr, "ref_charconv: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::size_t n = values.size();

    std::vector<char> buffer(std::size_t{1} << 20);
    std::size_t textBytes = 0;
    std::vector<double> formatTimes;
    for (int r = 0; r < repeats; ++r) {
        const auto start = Clock::now();
        char* p = buffer.data();
        char* const limit = buffer.data() + buffer.size() - 64;
        std::size_t total = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (p >= limit) {
                total += static_cast<std::size_t>(p - buffer.data());
                p = buffer.data();
            }
            p = std::to_chars(p, limit + 64, static_cast<double>(values[i]), std::chars_format::general, 6).ptr;
            *p++ = (i % 1024 == 1023) ? '\n' : ',';
        }
        total += static_cast<std::size_t>(p - buffer.data());
        formatTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        textBytes = total;
    }

    // The whole text, made once outside the timing, for the parse loop.
    std::string text;
    text.reserve(textBytes + 16);
    for (std::size_t i = 0; i < n; ++i) {
        char tmp[32];
        char* e = std::to_chars(tmp, tmp + sizeof tmp, static_cast<double>(values[i]), std::chars_format::general, 6).ptr;
        text.append(tmp, e);
        text.push_back((i % 1024 == 1023) ? '\n' : ',');
    }
    std::vector<double> parseTimes;
    double checksum = 0;
    for (int r = 0; r < repeats; ++r) {
        std::vector<float> back(n);
        const auto start = Clock::now();
        const char* p = text.data();
        const char* const end = text.data() + text.size();
        std::size_t k = 0;
        while (p < end && k < n) {
            const auto res = std::from_chars(p, end, back[k], std::chars_format::general);
            if (res.ec != std::errc()) {
                std::fprintf(stderr, "ref_charconv: parse error at value %zu\n", k);
                return 1;
            }
            ++k;
            p = res.ptr + 1;
        }
        parseTimes.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        checksum += back[n / 2];
    }
    std::printf("values %zu\ntext_bytes %zu\n", n, textBytes);
    std::printf("to_chars_ns %.2f\nfrom_chars_ns %.2f\n", Median(formatTimes) * 1e9 / static_cast<double>(n),
                Median(parseTimes) * 1e9 / static_cast<double>(n));
    std::printf("checksum %g\n", checksum);
    return 0;
}
