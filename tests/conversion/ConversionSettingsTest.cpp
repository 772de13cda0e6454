// Stored settings (defaults, read and write orders, normalisation) and the target table.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "conversion/ConversionSettings.h"
#include "conversion/TargetFormat.h"
#include "datastore/DataStore.h"

namespace kyn {
namespace {

TEST(ConversionSettings, FreshUserGetsDefaultsReadInOrder) {
    MemorySettingsStore store;
    const ConversionSettings s = LoadConversionSettings(store);
    EXPECT_EQ(s.DefaultFileType, 2);
    EXPECT_EQ(s.UseSensibleExtensions, 1);
    EXPECT_EQ(s, ConversionSettings{});
    EXPECT_EQ(s.Configured, 0);
    EXPECT_EQ(store.Log(), (std::vector<std::string>{
                               "Options/DefaultFileType", "Options/EuroLocale", "Options/SaveExtraInfo",
                               "Options/UseSensibleExtensions", "Options/StripAcornFileTypes", "Options/SaveInPlace",
                               "Options/DeleteOriginals", "Options/SilentlyOverwrite", "Options/SkipBadFilesSilently",
                               "Options/Configured"}));
}

TEST(ConversionSettings, SaveWritesInOrderNormalisesFlagsAndMarksConfigured) {
    MemorySettingsStore store;
    ConversionSettings s;
    s.DefaultFileType = 9;        // out of range: written as it stands
    s.UseSensibleExtensions = 3;  // written as it stands
    s.EuroLocale = 5;             // flag: written as 1
    s.SaveExtraInfo = 1;
    s.StripHeaderInformation = 1;  // never stored
    SaveConversionSettings(store, s);
    EXPECT_EQ(store.Log(), (std::vector<std::string>{
                               "Options/DefaultFileType=9", "Options/UseSensibleExtensions=3", "Options/EuroLocale=1",
                               "Options/SaveExtraInfo=1", "Options/StripAcornFileTypes=0", "Options/SaveInPlace=0",
                               "Options/DeleteOriginals=0", "Options/SilentlyOverwrite=0",
                               "Options/SkipBadFilesSilently=0", "Options/Configured=1"}));
    const ConversionSettings back = LoadConversionSettings(store);
    EXPECT_EQ(back.DefaultFileType, 9);
    EXPECT_EQ(back.SaveExtraInfo, 1);
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
}

TEST(TargetFormat, TableHasSevenDistinctTargets) {
    const TargetTable& t = TargetFormats();
    ASSERT_EQ(t.size(), 7u);
    const char* ext[] = {".dsx", ".dsb", ".dsa", ".csv", ".glb", ".txt", ".jdx"};
    std::set<std::string> keys;
    for (int i = 0; i < 7; ++i) {
        const TargetFormat* f = FindTarget(t, i);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::string(f->extension), ext[i]);
        EXPECT_EQ(f->mode, i <= 1 ? StreamMode::Binary : StreamMode::Text);
        EXPECT_EQ(TargetExtension(*f, 0), ".txt");
        EXPECT_EQ(TargetExtension(*f, 1), ext[i]);
        EXPECT_EQ(FindTargetByKey(t, f->key), f);
        keys.insert(f->key);
    }
    EXPECT_EQ(keys.size(), 7u);
    EXPECT_EQ(FindTarget(t, 7), nullptr);
    EXPECT_EQ(FindTarget(t, -1), nullptr);
    EXPECT_EQ(FindTargetByKey(t, "xls"), nullptr);
}

TEST(TargetFormat, KineticTargetRefusesADataSetWithoutTimeAxis) {
    DataStore ds("t", 0, 0);
    ds.AddProperty("Absorbance");
    ds.AddDimension(Dimension("Wavelength", 3));
    std::ostringstream os;
    FindTarget(TargetFormats(), 4)->write(ds, os, {});
    EXPECT_TRUE(os.fail());
    EXPECT_TRUE(os.str().empty());
}

}  // namespace
}  // namespace kyn
