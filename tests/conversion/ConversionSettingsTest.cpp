// Stored settings: what is written back. (A stored value used as it was read, and the first run
// without stored settings, are checked at the desktop program's start-up.)
#include <gtest/gtest.h>

#include "conversion/ConversionSettings.h"

namespace kyn::test {
namespace {

TEST(ConversionSettings, SaveNormalisesFlagsAndMarksConfigured) {
    MemorySettingsStore store;
    ConversionSettings s;
    s.DefaultFileType = 9;         // out of range: written as it stands
    s.UseSensibleExtensions = 3;   // written as it stands
    s.EuroLocale = 5;              // flag: written as 1
    s.StripHeaderInformation = 1;  // never stored
    SaveConversionSettings(store, s);
    EXPECT_EQ(store.ReadInt("Options", "StripHeaderInformation"), std::nullopt);
    const ConversionSettings back = LoadConversionSettings(store);
    EXPECT_EQ(back.DefaultFileType, 9);
    EXPECT_EQ(back.UseSensibleExtensions, 3);
    EXPECT_EQ(back.EuroLocale, 1);
    EXPECT_EQ(back.StripHeaderInformation, 0);
    EXPECT_EQ(back.Configured, 1);
}

}  // namespace
}  // namespace kyn::test
