// Shared pieces of the small reference programs that bench/run times beside kynconvert.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace kyn::bench {

using Clock = std::chrono::steady_clock;

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The repeat count from the optional second argument (default 3, at least 1).
inline int Repeats(int argc, char** argv) { return argc > 2 ? std::max(1, std::atoi(argv[2])) : 3; }

// The whole file as elements of T (a trailing partial element is dropped); empty when the file
// cannot be read.
template <typename T>
std::vector<T> ReadWholeFile(const char* path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const auto bytes = static_cast<std::size_t>(in.tellg());
    in.seekg(0);
    std::vector<T> data(bytes / sizeof(T));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size() * sizeof(T)));
    if (!in) data.clear();
    return data;
}

}  // namespace kyn::bench
