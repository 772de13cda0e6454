// Stored settings: what is written back, and stored values used as they were read.
#include <gtest/gtest.h>

#include "conversion/ConversionSettings.h"

namespace kyn {
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

TEST(ConversionSettings, StoredValuesAreUsedAsRead) {
    MemorySettingsStore store;
    store.WriteInt("Options", "SkipBadFilesSilently", 7);
    store.WriteInt("Other", "SaveInPlace", 1);  // another section is not ours
    const ConversionSettings s = LoadConversionSettings(store);
    EXPECT_EQ(s.SkipBadFilesSilently, 7);
    EXPECT_EQ(s.SaveInPlace, 0);
    EXPECT_EQ(s.Configured, 0);
}

}  // namespace
}  // namespace kyn
