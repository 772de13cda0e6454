// TextCursor, the one number reader of every text format: it reads each number text as the
// stream of the C++ library does (value, failure, end), and floats as std::from_chars does, also
// on its fast paths for the short texts our writers print.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "formats/io/TextCursor.h"
#include "util/NumberFormat.h"

namespace kyn::test {
namespace {

// Reads `texts` joined by commas (with enough text after each that the fast paths apply) and
// compares each value bit for bit with from_chars on the text alone.
void ExpectSameAsFromChars(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& t : texts) joined += t + ",";
    joined += std::string(200, ' ');
    std::istringstream is(joined);
    TextCursor c(is);
    for (const std::string& t : texts) {
        float expected = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), expected, std::chars_format::general);
        ASSERT_EQ(r.ec, std::errc()) << t;
        ASSERT_EQ(r.ptr, t.data() + t.size()) << t;
        float got = -1;
        c.ReadFloat(got);
        ASSERT_FALSE(c.fail()) << t;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(expected)) << t;
        ASSERT_EQ(c.Get(), ',') << t;  // the number ended exactly where from_chars ends it
    }
}

TEST(TextCursorFloat, WriterTextsOfManyFloatsReadAsFromChars) {
    // Floats spread over every exponent: their six-digit texts, fixed and exponential, and the
    // nine-digit texts that round-trip a float exactly.
    std::vector<std::string> texts;
    std::uint32_t s = 2463534242u;
    for (int i = 0; i < 60000; ++i) {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        const float f = std::bit_cast<float>(s);
        if (f != f || f - f != 0) continue;  // NaN, infinity
        texts.push_back(FormatGString(f));
        char buf[32];
        texts.emplace_back(buf, std::to_chars(buf, buf + sizeof buf, f, std::chars_format::general, 9).ptr);
    }
    ExpectSameAsFromChars(texts);
}

TEST(TextCursorFloat, EdgesOfTheShortFormReadAsFromChars) {
    ExpectSameAsFromChars({"0", "-0", "0.0", "-0.000", ".5", "5.", "-.25", "16777216", "16777217", "16777215",
                           "99999999", "1.6777217e7", "1e10", "1e-10", "1e11", "1e-11", "3e-45", "3.4e38",
                           "0.000123457", "1.23457e-005", "1.23457E+010", "123456789012", "0.1", "0.3",
                           "1e+000", "2.5e-0", "00000001.5", "1.000000000000000000001", "7.0000001"});
}

// What operator>> of a std::istringstream makes of `text`, and what the cursor makes of it: the
// value (bits), whether the read failed, and the first character left.
template <typename T>
struct Reading {
    T value;
    bool fail;
    int next;
    bool operator==(const Reading&) const = default;
};

template <typename T>
Reading<T> ByStream(const std::string& text) {
    std::istringstream is(text);
    T v{};
    is >> v;
    const bool fail = is.fail();
    is.clear();
    return {v, fail, is.get()};
}

template <typename T>
Reading<T> ByCursor(const std::string& text) {
    std::istringstream is(text);
    TextCursor c(is);
    T v{};
    if constexpr (std::is_same_v<T, int>) c.ReadInt(v);
    if constexpr (std::is_same_v<T, float>) c.ReadFloat(v);
    if constexpr (std::is_same_v<T, double>) c.ReadDouble(v);
    const bool fail = c.fail();
    c.Clear();
    return {v, fail, c.Get()};
}

// The same text reads the same way in every format: values below a type's range become zero
// (the stream's own reading), values above it fail at the largest value, a sign or an exponent
// mark without digits fails. (The stream refuses "nan" and "inf", which the cursor reads: the
// forms our writers print for NaN and infinity.)
TEST(TextCursorNumbers, ReadLikeTheLibrarysStream) {
    const std::vector<std::string> texts = {"0", "-0", "+7", "42 ", "  12,5", "1e-400", "-1e-400", "1e-50", "4e-39",
                                            "1e400", "-1e400", "3.5e38", "1e", "1.5e+", "+-1", "-", ".", "0x10",
                                            "12abc", "2147483647", "2147483648", "-2147483649", "1.25e2x", "\t-.5\n"};
    for (const std::string& t : texts) {
        SCOPED_TRACE("'" + t + "'");
        const auto f = ByStream<float>(t), fc = ByCursor<float>(t);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(fc.value), std::bit_cast<std::uint32_t>(f.value));
        EXPECT_EQ(fc.fail, f.fail);
        if (!f.fail) {
            EXPECT_EQ(fc.next, f.next);
        }
        const auto d = ByStream<double>(t), dc = ByCursor<double>(t);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(dc.value), std::bit_cast<std::uint64_t>(d.value));
        EXPECT_EQ(dc.fail, d.fail);
        const auto i = ByStream<int>(t), ic = ByCursor<int>(t);
        EXPECT_EQ(ic.value, i.value);
        EXPECT_EQ(ic.fail, i.fail);
        if (!i.fail) {
            EXPECT_EQ(ic.next, i.next);
        }
    }
}

}  // namespace
}  // namespace kyn::test
