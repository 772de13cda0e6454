// ComputeDataRange against the plain walk it stands for (v[0] first, then from the last value
// down, taking strictly smaller or larger ones), bit for bit: NaN first or inside, infinities,
// zeros of both signs as the extremes, every length around the vector width.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "datastore/DataStore.h"

namespace kyn::test {
namespace {

std::pair<float, float> Walk(const std::vector<float>& v) {
    float lo = v[0], hi = v[0];
    for (std::size_t i = v.size(); i-- > 0;) {
        if (v[i] < lo) lo = v[i];
        if (v[i] > hi) hi = v[i];
    }
    return {lo, hi};
}

void ExpectSameRange(const std::vector<float>& v) {
    DataStore ds("r", 1, 1);
    ds.properties.At(0) = "Absorbance";
    ds.dimensions.At(0) = Dimension("Time", static_cast<int>(v.size()));
    ds.Initialize();
    for (std::size_t i = 0; i < v.size(); ++i) ds.data[static_cast<std::int64_t>(i)] = v[i];
    ds.ComputeDataRange();
    const auto [lo, hi] = Walk(v);
    const auto bits = [](double d) { return std::bit_cast<std::uint64_t>(d); };
    EXPECT_EQ(bits(ds.minValue), bits(static_cast<double>(lo))) << v.size();
    EXPECT_EQ(bits(ds.maxValue), bits(static_cast<double>(hi))) << v.size();
}

TEST(DataRange, MatchesTheWalkOnAwkwardValues) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float pool[] = {0.0f, -0.0f, 1.5f, -2.25f, nan, inf, -inf, 3e-40f, -7.0f, 0.0f, -0.0f};
    std::uint32_t s = 99;
    for (int n : {1, 2, 3, 7, 8, 9, 15, 16, 17, 33, 100}) {
        for (int round = 0; round < 200; ++round) {
            std::vector<float> v(static_cast<std::size_t>(n));
            for (float& x : v) {
                s = s * 1664525u + 1013904223u;
                x = pool[(s >> 24) % (sizeof pool / sizeof pool[0])];
            }
            ExpectSameRange(v);
        }
    }
    // Zeros as the extremes, the first value on the other side.
    ExpectSameRange({5.0f, -0.0f, 0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 6.0f, 7.0f, -0.0f, 8.0f});
    ExpectSameRange({-5.0f, 0.0f, -0.0f, -1.0f, -2.0f, -3.0f, -4.0f, -6.0f, -7.0f, 0.0f, -8.0f});
    ExpectSameRange({nan, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f, 8.0f});
    // An empty block has no first value.
    DataStore empty;
    EXPECT_THROW(empty.ComputeDataRange(), std::exception);
}

}  // namespace
}  // namespace kyn::test
