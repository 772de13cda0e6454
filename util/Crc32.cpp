#include "util/Crc32.h"

#include <bit>
#include <cstring>
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

// x^n mod polynomial, as a 32-bit remainder (bit i = coefficient of x^i).
std::uint32_t PowerOfXMod(unsigned n, std::uint32_t polynomial) {
    std::uint64_t r = 1;
    for (unsigned i = 0; i < n; ++i) {
        r <<= 1;
        if (r & (std::uint64_t{1} << 32)) r ^= (std::uint64_t{1} << 32) | polynomial;
    }
    return static_cast<std::uint32_t>(r);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KYN_CRC_CLMUL 1
#endif

#ifdef KYN_CRC_CLMUL
}  // namespace
}  // namespace kyn

#include <immintrin.h>

namespace kyn {
namespace {

// Folding with carry-less multiplication, for long runs on processors that have it.
//
// The bytes are taken sixteen at a time as 128-bit polynomials, first byte highest (a byte-swapped
// load). The message so far is kept as a few 128-bit accumulators congruent to it modulo the
// polynomial: moving an accumulator X = Xh x^64 + Xl forward by d bits is
// Xh (x^(d+64) mod P) + Xl (x^d mod P), two 64 x 32-bit carry-less products that fit in 128 bits,
// into which the next block is added. Four accumulators advance 512 bits per step; they are then
// folded into one, which is congruent to the whole prefix, so running its sixteen bytes through
// the table from a zero register gives the prefix's CRC exactly. The register carried in from
// earlier calls is added to the first four bytes, as in the table form.
struct FoldConstants {
    __m128i by512;  // lanes: x^512 mod P, x^576 mod P
    __m128i by128;  // lanes: x^128 mod P, x^192 mod P
};

FoldConstants MakeFoldConstants(std::uint32_t polynomial) {
    FoldConstants k;
    k.by512 = _mm_set_epi64x(PowerOfXMod(576, polynomial), PowerOfXMod(512, polynomial));
    k.by128 = _mm_set_epi64x(PowerOfXMod(192, polynomial), PowerOfXMod(128, polynomial));
    return k;
}

__attribute__((target("pclmul,ssse3"))) inline __m128i Fold(__m128i x, __m128i k, __m128i block) {
    const __m128i high = _mm_clmulepi64_si128(x, k, 0x11);  // Xh * x^(d+64)
    const __m128i low = _mm_clmulepi64_si128(x, k, 0x00);   // Xl * x^d
    return _mm_xor_si128(_mm_xor_si128(high, low), block);
}

__attribute__((target("pclmul,ssse3"))) inline __m128i LoadBlock(const std::uint8_t* p, __m128i swap) {
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), swap);
}

// Folds the n (a multiple of 16, at least 64) bytes at p into 16 bytes `out` whose table CRC from
// a zero register equals the CRC of the n bytes from `reg`.
__attribute__((target("pclmul,ssse3"))) void FoldBlocks(const std::uint8_t* p, std::size_t n, std::uint32_t reg,
                                                        const FoldConstants& k, std::uint8_t out[16]) {
    const __m128i swap = _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m128i x0 = LoadBlock(p, swap), x1 = LoadBlock(p + 16, swap), x2 = LoadBlock(p + 32, swap),
            x3 = LoadBlock(p + 48, swap);
    // The register meets the first four bytes, the top of the first block.
    x0 = _mm_xor_si128(x0, _mm_set_epi32(static_cast<int>(reg), 0, 0, 0));
    p += 64;
    n -= 64;
    while (n >= 64) {
        x0 = Fold(x0, k.by512, LoadBlock(p, swap));
        x1 = Fold(x1, k.by512, LoadBlock(p + 16, swap));
        x2 = Fold(x2, k.by512, LoadBlock(p + 32, swap));
        x3 = Fold(x3, k.by512, LoadBlock(p + 48, swap));
        p += 64;
        n -= 64;
    }
    __m128i x = Fold(x0, k.by128, x1);
    x = Fold(x, k.by128, x2);
    x = Fold(x, k.by128, x3);
    while (n >= 16) {
        x = Fold(x, k.by128, LoadBlock(p, swap));
        p += 16;
        n -= 16;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(x, swap));
}

bool HasClmul() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
    return has;
}

const FoldConstants& FoldConstantsFor(std::uint32_t polynomial) {
    static const FoldConstants standard = MakeFoldConstants(kCrc32Polynomial);
    if (polynomial == kCrc32Polynomial) return standard;
    static std::mutex lock;
    static std::map<std::uint32_t, FoldConstants> others;
    std::lock_guard<std::mutex> guard(lock);
    auto it = others.find(polynomial);
    if (it == others.end()) it = others.emplace(polynomial, MakeFoldConstants(polynomial)).first;
    return it->second;
}
#endif

}  // namespace

Crc32::Crc32(std::uint32_t polynomial) : tables_(TablesFor(polynomial)), polynomial_(polynomial) {}

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
#ifdef KYN_CRC_CLMUL
    // Long runs (a value block) by folding; the fold's overhead pays off from a few hundred bytes.
    if (n >= 256 && HasClmul()) {
        const std::size_t folded = n & ~std::size_t{15};
        std::uint8_t rest[16];
        FoldBlocks(p, folded, register_, FoldConstantsFor(polynomial_), rest);
        register_ = 0;
        AddBytewise(rest, sizeof rest);
        AddBytewise(p + folded, n - folded);
        return;
    }
#endif
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
