// The per-user settings store of the desktop program: QSettings under the organisation
// "Velorant Ltd" and the application "KYNDataConverter" (the registry key of that name on
// Windows, ~/.config/Velorant Ltd/KYNDataConverter.conf elsewhere), integer values by section.
#pragma once

#include <QSettings>

#include "conversion/ConversionSettings.h"

namespace kyn::app {

class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    std::optional<std::int32_t> ReadInt(const std::string& section, const std::string& name) override;
    void WriteInt(const std::string& section, const std::string& name, std::int32_t value) override;
    // Writes everything to disk now (it is also written when the store is destroyed).
    void Flush() { settings_.sync(); }

private:
    QSettings settings_;
};

}  // namespace kyn::app
