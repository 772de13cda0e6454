// TextCursor::ReadFloat reads every number text as std::from_chars does (value and end), also on
// its fast paths for the short texts our writers print.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "formats/native/TextCursor.h"
#include "util/NumberFormat.h"

namespace kyn {
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

}  // namespace
}  // namespace kyn
