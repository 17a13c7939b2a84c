#pragma once
// The shell's registry key: organisation "Varnhold", application "SNOBOL4"
// in the platform's native settings store.

#include <QSettings>
#include <QString>
#include <memory>

namespace harbex {

inline constexpr char kRegistryOrganisation[] = "Varnhold";
inline constexpr char kRegistryApplication[] = "SNOBOL4";
// The remembered folder of the source chosen last.
inline constexpr char kCurrentDirValue[] = "CurrentDir";

class RegistryKey {
public:
    // Opens the key, creating it when missing; none when it cannot be
    // created or written.
    static std::unique_ptr<RegistryKey> Open();

    // The string value, empty when absent.
    QString Read(const QString& name) const;
    // Writes the value through to the store; false when that failed.
    bool Write(const QString& name, const QString& value);

private:
    RegistryKey();
    QSettings settings_;
};

} // namespace harbex
