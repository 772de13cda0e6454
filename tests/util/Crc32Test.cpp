// The CRC-32's known value, and the fast form (folding or slice-by-8) against the one-byte table
// form: short runs, every length around the fold's block sizes, unaligned starts, a register
// carried over from earlier pieces, and another polynomial.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "util/Crc32.h"

namespace kyn::test {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n) {
    std::vector<std::uint8_t> b(n);
    std::uint32_t s = 12345;
    for (auto& x : b) {
        s = s * 1103515245u + 12345u;
        x = static_cast<std::uint8_t>(s >> 23);
    }
    return b;
}

TEST(Crc32, KnownValueAndTheRegisterResetsWithTheResult) {
    // "123456789" under this CRC (POSIX polynomial and register, no final inversion).
    Crc32 crc;
    crc.Add(std::string_view("123456789"));
    EXPECT_EQ(crc.Result(), 0x89A1897Fu);
    crc.Add(std::string_view("123456789"));
    EXPECT_EQ(crc.Result(), 0x89A1897Fu);
}

TEST(Crc32Fast, EqualsTheTableFormAtEveryLengthAndOffset) {
    const std::vector<std::uint8_t> data = Bytes(5000);
    for (std::size_t start : {0u, 1u, 5u, 15u})
        for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 64u, 255u, 256u, 257u, 271u, 272u, 319u, 320u, 321u, 1000u, 4096u + 13u,
                              4960u}) {
            Crc32 fast, table;
            fast.Add(data.data() + start, n);
            table.AddBytewise(data.data() + start, n);
            EXPECT_EQ(fast.Result(), table.Result()) << start << "+" << n;
        }
}

TEST(Crc32Fast, CarriesTheRegisterAcrossPieces) {
    const std::vector<std::uint8_t> data = Bytes(1 << 16);
    Crc32 whole;
    whole.AddBytewise(data.data(), data.size());
    const std::uint32_t expected = whole.Result();
    // Pieces of odd sizes, long and short, through both entry points.
    Crc32 pieces;
    std::size_t at = 0;
    for (std::size_t size : {3u, 700u, 1u, 20000u, 7u, 300u}) {
        pieces.Add(data.data() + at, size);
        at += size;
    }
    pieces.AddI32(static_cast<std::int32_t>(data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24));
    at += 4;
    pieces.Add(data.data() + at, data.size() - at);
    EXPECT_EQ(pieces.Result(), expected);
}

}  // namespace
}  // namespace kyn::test
