#include "util/Crc32.h"

#include <bit>
#include <map>
#include <memory>
#include <mutex>

namespace kyn {

namespace {

struct Tables {
    std::uint32_t t[8][256];
};

// t[0] is the one-byte table: entry i is i << 24 shifted left eight times, folding in the
// polynomial whenever a 1 is shifted out. t[k][i] is the register after feeding byte i followed
// by k zero bytes, which is what slice-by-8 combines.
std::unique_ptr<Tables> BuildTables(std::uint32_t polynomial) {
    auto tables = std::make_unique<Tables>();
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r = i << 24;
        for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ polynomial : r << 1;
        tables->t[0][i] = r;
    }
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t prev = tables->t[k - 1][i];
            tables->t[k][i] = (prev << 8) ^ tables->t[0][prev >> 24];
        }
    return tables;
}

const std::uint32_t (*TablesFor(std::uint32_t polynomial))[256] {
    static const std::unique_ptr<Tables> standard = BuildTables(kCrc32Polynomial);
    if (polynomial == kCrc32Polynomial) return standard->t;
    // Other polynomials are rare; their tables live as long as the program.
    static std::mutex lock;
    static std::map<std::uint32_t, std::unique_ptr<Tables>> others;
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = others[polynomial];
    if (!slot) slot = BuildTables(polynomial);
    return slot->t;
}

}  // namespace

Crc32::Crc32(std::uint32_t polynomial) : tables_(TablesFor(polynomial)) {}

void Crc32::Add(std::uint8_t byte) { register_ = (register_ << 8) ^ tables_[0][(register_ >> 24) ^ byte]; }

void Crc32::Add(std::string_view text) { Add(text.data(), text.size()); }

void Crc32::AddI32(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                               static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
    AddBytewise(b, 4);
}

void Crc32::AddF32(float v) { AddI32(std::bit_cast<std::int32_t>(v)); }

void Crc32::AddBytewise(const void* bytes, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    std::uint32_t r = register_;
    const std::uint32_t* t0 = tables_[0];
    for (std::size_t i = 0; i < n; ++i) r = (r << 8) ^ t0[(r >> 24) ^ p[i]];
    register_ = r;
}

void Crc32::Add(const void* bytes, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(bytes);
    const auto& t = tables_;
    std::uint32_t r = register_;
    while (n >= 8) {
        // The first four bytes meet the register (most significant first); the other four
        // enter with fewer zero bytes behind them.
        r ^= (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
        r = t[7][r >> 24] ^ t[6][(r >> 16) & 0xff] ^ t[5][(r >> 8) & 0xff] ^ t[4][r & 0xff] ^
            t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        n -= 8;
    }
    register_ = r;
    AddBytewise(p, n);
}

std::uint32_t Crc32::Result() {
    const std::uint32_t r = register_;
    register_ = 0;
    return r;
}

}  // namespace kyn
