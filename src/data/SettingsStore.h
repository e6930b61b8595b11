#pragma once

#include "sqltext/GeneratorOptions.h"

#include <QString>

#include <memory>
#include <string>

class QSettings;

namespace varnett::data {

// The per-user settings store. It holds "ConnectionString" and, beside it,
// the generator options under "GeneratorOptions/...".
// On Linux an INI file in the user's configuration folder (organisation
// "Varnett"); on Windows the registry key HKEY_CURRENT_USER\Varnett. Tests
// point it at a file of their own.
class SettingsStore {
public:
    // The user's own store.
    SettingsStore();
    // A store kept in the given INI file.
    explicit SettingsStore(const QString& iniFile);
    ~SettingsStore();

    // The stored connection string; empty when none is stored. Throws
    // varnett::Error when the stored value is not a text.
    std::string connectionString() const;
    // Stores the connection string. Throws varnett::Error when it cannot be
    // written.
    void setConnectionString(const std::string& value);

    // The stored generator options; those never stored are off. Throws
    // varnett::Error naming the value when a stored one is not a switch.
    sqltext::GeneratorOptions generatorOptions() const;
    // Stores every generator option. Throws varnett::Error when they cannot
    // be written.
    void setGeneratorOptions(const sqltext::GeneratorOptions& options);

    // Where the store lives (file path or registry key), for messages.
    QString location() const;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace varnett::data
