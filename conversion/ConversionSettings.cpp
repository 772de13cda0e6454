#include "conversion/ConversionSettings.h"

namespace kyn {

std::optional<std::int32_t> MemorySettingsStore::ReadInt(const std::string& section, const std::string& name) {
    log_.push_back(section + "/" + name);
    const auto it = values_.find({section, name});
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

void MemorySettingsStore::WriteInt(const std::string& section, const std::string& name, std::int32_t value) {
    log_.push_back(section + "/" + name + "=" + std::to_string(value));
    values_[{section, name}] = value;
}

namespace {

std::int32_t Read(SettingsStore& store, const char* name, std::int32_t fallback) {
    return store.ReadInt(kOptionsSection, name).value_or(fallback);
}

std::int32_t AsFlag(std::int32_t v) { return v != 0 ? 1 : 0; }

}  // namespace

ConversionSettings LoadConversionSettings(SettingsStore& store) {
    const ConversionSettings d;
    ConversionSettings s;
    s.DefaultFileType = Read(store, "DefaultFileType", d.DefaultFileType);
    s.EuroLocale = Read(store, "EuroLocale", d.EuroLocale);
    s.SaveExtraInfo = Read(store, "SaveExtraInfo", d.SaveExtraInfo);
    s.UseSensibleExtensions = Read(store, "UseSensibleExtensions", d.UseSensibleExtensions);
    s.StripAcornFileTypes = Read(store, "StripAcornFileTypes", d.StripAcornFileTypes);
    s.SaveInPlace = Read(store, "SaveInPlace", d.SaveInPlace);
    s.DeleteOriginals = Read(store, "DeleteOriginals", d.DeleteOriginals);
    s.SilentlyOverwrite = Read(store, "SilentlyOverwrite", d.SilentlyOverwrite);
    s.SkipBadFilesSilently = Read(store, "SkipBadFilesSilently", d.SkipBadFilesSilently);
    s.Configured = Read(store, "Configured", d.Configured);
    s.StripHeaderInformation = 0;
    return s;
}

void SaveConversionSettings(SettingsStore& store, const ConversionSettings& s) {
    store.WriteInt(kOptionsSection, "DefaultFileType", s.DefaultFileType);
    store.WriteInt(kOptionsSection, "UseSensibleExtensions", s.UseSensibleExtensions);
    store.WriteInt(kOptionsSection, "EuroLocale", AsFlag(s.EuroLocale));
    store.WriteInt(kOptionsSection, "SaveExtraInfo", AsFlag(s.SaveExtraInfo));
    store.WriteInt(kOptionsSection, "StripAcornFileTypes", AsFlag(s.StripAcornFileTypes));
    store.WriteInt(kOptionsSection, "SaveInPlace", AsFlag(s.SaveInPlace));
    store.WriteInt(kOptionsSection, "DeleteOriginals", AsFlag(s.DeleteOriginals));
    store.WriteInt(kOptionsSection, "SilentlyOverwrite", AsFlag(s.SilentlyOverwrite));
    store.WriteInt(kOptionsSection, "SkipBadFilesSilently", AsFlag(s.SkipBadFilesSilently));
    store.WriteInt(kOptionsSection, "Configured", 1);
}

}  // namespace kyn
