#include "app/QtSettingsStore.h"

#include "app/Resources.h"

namespace kyn::app {

namespace {
QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}
}  // namespace

QtSettingsStore::QtSettingsStore()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganisation),
                QString::fromLatin1(kAppTitle)) {}

std::optional<std::int32_t> QtSettingsStore::ReadInt(const std::string& section, const std::string& name) {
    const QVariant v = settings_.value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    bool ok = false;
    const int value = v.toInt(&ok);
    // A value that is not a number counts as absent and takes its default.
    if (!ok) return std::nullopt;
    return value;
}

void QtSettingsStore::WriteInt(const std::string& section, const std::string& name, std::int32_t value) {
    settings_.setValue(Key(section, name), static_cast<int>(value));
}

}  // namespace kyn::app
