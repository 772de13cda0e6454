// CRC-32 of the extended binary format: generator polynomial 0x04C11DB7 processed most significant
// bit first (not reflected), register starting at 0, no final exclusive-or.
//
// Two ways to the same value: the classic table, one byte per step
//   register = (register << 8) ^ table[(register >> 24) ^ byte]
// and slice-by-8, which folds eight bytes per step through eight derived tables and is several
// times faster on long runs such as a value block. On x86-64 processors with carry-less
// multiplication, long runs are folded sixteen bytes at a time with it instead (several GB/s).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kyn {

inline constexpr std::uint32_t kCrc32Polynomial = 0x04C11DB7u;

class Crc32 {
public:
    explicit Crc32(std::uint32_t polynomial = kCrc32Polynomial);

    void Add(std::uint8_t byte);
    void Add(std::string_view text);  // the characters, no terminator
    void AddI32(std::int32_t v);      // four bytes, lowest first
    void AddF32(float v);             // the float's four bytes, lowest first
    void Add(const void* bytes, std::size_t n);         // slice-by-8 or carry-less folding
    void AddBytewise(const void* bytes, std::size_t n);  // one table step per byte

    // The register; taking it resets the register to 0.
    std::uint32_t Result();

private:
    const std::uint32_t (*tables_)[256];
    std::uint32_t polynomial_;
    std::uint32_t register_ = 0;
};

}  // namespace kyn
