#include "registry.h"

namespace harbex {

RegistryKey::RegistryKey()
    : settings_(QSettings::NativeFormat, QSettings::UserScope, kRegistryOrganisation,
                kRegistryApplication) {}

std::unique_ptr<RegistryKey> RegistryKey::Open() {
    std::unique_ptr<RegistryKey> key(new RegistryKey);
    if (!key->settings_.isWritable() || key->settings_.status() != QSettings::NoError) return {};
    return key;
}

QString RegistryKey::Read(const QString& name) const {
    return settings_.value(name).toString();
}

bool RegistryKey::Write(const QString& name, const QString& value) {
    settings_.setValue(name, value);
    settings_.sync();
    return settings_.status() == QSettings::NoError;
}

} // namespace harbex
