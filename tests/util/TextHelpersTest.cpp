// User names and the small string helpers. (The ctime layout of time texts is checked by the
// history block test.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "util/StringUtil.h"
#include "util/UserName.h"

namespace kyn::test {
namespace {

TEST(UserNames, OwnerFallsBackToUnknownAndIsCutAt259) {
    const char* saved = std::getenv("USERNAME");
    const std::string keep = saved ? saved : "";
    unsetenv("USERNAME");
    EXPECT_EQ(kyn::OwnerName(), "Unknown");
    setenv("USERNAME", std::string(300, 'u').c_str(), 1);
    EXPECT_EQ(kyn::OwnerName(), std::string(259, 'u'));
    setenv("USERNAME", "lab", 1);
    EXPECT_EQ(kyn::OwnerName(), "lab");
    if (saved) setenv("USERNAME", keep.c_str(), 1); else unsetenv("USERNAME");
}

// Removing every "-arb" and every "\\.." is seen in the VarnixBinaryX and VarnixCSV tests.
TEST(StringHelpers, ReplacementIsNotSearchedAgain) {
    std::string r = "aaa";
    kyn::ReplaceAll(r, "a", "aa");  // the replacement is not searched again
    EXPECT_EQ(r, "aaaaaa");
}

TEST(StringHelpers, KindIsTheFirstWord) {
    EXPECT_EQ(kyn::KindOf("Wavelength -emmono -excitation 280"), "Wavelength");
    EXPECT_EQ(kyn::KindOf(std::string("Ti\0me", 5)), "Ti");
    EXPECT_EQ(kyn::KindOf(" lead"), "");
}

TEST(StringHelpers, FlagValuesReadLikeAtofAndAtoi) {
    EXPECT_DOUBLE_EQ(kyn::NumberAfterFlag("Temperature -ramp 1.5", "-ramp "), 1.5);
    EXPECT_DOUBLE_EQ(kyn::NumberAfterFlag("Wavelength -en 1nm", "-en "), 1.0);
    EXPECT_DOUBLE_EQ(kyn::NumberAfterFlag("Wavelength", "-en "), 0.0);
    EXPECT_DOUBLE_EQ(kyn::ParseLeadingDouble("  +2.5e3xyz"), 2500.0);
    EXPECT_EQ(kyn::IntegerAfterFlag("Count -current 100 -sampleperiod 50", "-sampleperiod "), 50);
    EXPECT_EQ(kyn::IntegerAfterFlag("Count -current 12.9", "-current "), 12);
    EXPECT_EQ(kyn::ParseLeadingInt("99999999999"), 2147483647);
    bool found = true;
    EXPECT_EQ(kyn::IntegerAfterFlag("Count", "-current ", &found), 0);
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace kyn::test
