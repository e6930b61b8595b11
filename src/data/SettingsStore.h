#pragma once

#include "data/SecretStore.h"
#include "sqltext/GeneratorOptions.h"

#include <QString>

#include <memory>
#include <string>

class QSettings;

namespace varnett::data {

// The kept answers to "no keychain: store the password in the settings file?".
inline constexpr const char* kPasswordInSettingsFile = "SettingsFile";
inline constexpr const char* kPasswordNowhere = "Nowhere";

// The per-user settings store. It holds "ConnectionString", the keychain
// entry of its password ("PasswordEntry") and the answer given where there
// was no keychain ("PasswordFallback"), and, beside them, the generator
// options under "GeneratorOptions/...". It also gives the keychain that
// passwords go to.
// On Linux an INI file in the user's configuration folder (organisation
// "Varnett"); on Windows the registry key HKEY_CURRENT_USER\Varnett. Tests
// point it at a file of their own.
class SettingsStore {
public:
    // The user's own store, with the system keychain.
    SettingsStore();
    // A store kept in the given INI file, with the given keychain (none: no
    // keychain can be reached).
    explicit SettingsStore(const QString& iniFile, std::unique_ptr<SecretStore> secrets = nullptr);
    ~SettingsStore();

    // The stored connection string; empty when none is stored. Throws
    // varnett::Error when the stored value is not a text.
    std::string connectionString() const;
    // Stores the connection string. Throws varnett::Error when it cannot be
    // written.
    void setConnectionString(const std::string& value);

    // The keychain entry of the stored connection's password; empty when
    // there is none. Setting an empty name removes it.
    std::string passwordEntry() const;
    void setPasswordEntry(const std::string& entry);
    // kPasswordInSettingsFile, kPasswordNowhere or empty (never asked).
    std::string passwordFallback() const;
    void setPasswordFallback(const std::string& answer);

    SecretStore& secrets() { return *m_secrets; }

    // The stored generator options; those never stored are off. Throws
    // varnett::Error naming the value when a stored one is not a switch.
    sqltext::GeneratorOptions generatorOptions() const;
    // Stores every generator option. Throws varnett::Error when they cannot
    // be written.
    void setGeneratorOptions(const sqltext::GeneratorOptions& options);

    // Where the store lives (file path or registry key), for messages.
    QString location() const;

private:
    std::string text(const QString& key) const;
    void setText(const QString& key, const std::string& value);

    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<SecretStore> m_secrets;
};

} // namespace varnett::data
