#include "data/SettingsStore.h"

#include "data/SecretStore.h"
#include "sqltext/Error.h"

#include <QSettings>

namespace varnett::data {

namespace {

const QString kConnectionStringKey = QStringLiteral("ConnectionString");
const QString kPasswordEntryKey = QStringLiteral("PasswordEntry");
const QString kPasswordFallbackKey = QStringLiteral("PasswordFallback");

// The generator options' values, each a switch kept as "true" or "false".
struct OptionValue {
    const char* key;
    bool sqltext::GeneratorOptions::*member;
};
constexpr OptionValue kOptionValues[] = {
    {"GeneratorOptions/SetNoCount", &sqltext::GeneratorOptions::setNoCount},
    {"GeneratorOptions/TryCatch", &sqltext::GeneratorOptions::tryCatch},
    {"GeneratorOptions/CreateOrAlter", &sqltext::GeneratorOptions::createOrAlter},
    {"GeneratorOptions/IdentityOutput", &sqltext::GeneratorOptions::identityOutput},
    {"GeneratorOptions/KeyConditions", &sqltext::GeneratorOptions::keyConditions},
    {"GeneratorOptions/RowversionCheck", &sqltext::GeneratorOptions::rowversionCheck},
};

} // namespace

SettingsStore::SettingsStore()
#ifdef Q_OS_WIN
    : m_settings(std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Varnett"),
                                             QSettings::NativeFormat))
#else
    : m_settings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("Varnett")))
#endif
    , m_secrets(systemKeychain())
{
}

SettingsStore::SettingsStore(const QString& iniFile, std::unique_ptr<SecretStore> secrets)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
    , m_secrets(secrets ? std::move(secrets) : noSecretStore())
{
}

SettingsStore::~SettingsStore() = default;

std::string SettingsStore::text(const QString& key) const
{
    m_settings->sync();
    QVariant value = m_settings->value(key);
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QString)
        throw Error("Invalid data type for '" + key.toStdString() + "'");
    return value.toString().toStdString();
}

void SettingsStore::setText(const QString& key, const std::string& value)
{
    m_settings->setValue(key, QString::fromStdString(value));
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw Error("Failed to set data for '" + key.toStdString() + "'");
}

std::string SettingsStore::connectionString() const
{
    return text(kConnectionStringKey);
}

void SettingsStore::setConnectionString(const std::string& value)
{
    setText(kConnectionStringKey, value);
}

std::string SettingsStore::passwordEntry() const
{
    return text(kPasswordEntryKey);
}

void SettingsStore::setPasswordEntry(const std::string& entry)
{
    if (!entry.empty()) {
        setText(kPasswordEntryKey, entry);
        return;
    }
    if (!m_settings->contains(kPasswordEntryKey))
        return;
    m_settings->remove(kPasswordEntryKey);
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw Error("Failed to remove 'PasswordEntry'");
}

std::string SettingsStore::passwordFallback() const
{
    return text(kPasswordFallbackKey);
}

void SettingsStore::setPasswordFallback(const std::string& answer)
{
    setText(kPasswordFallbackKey, answer);
}

sqltext::GeneratorOptions SettingsStore::generatorOptions() const
{
    m_settings->sync();
    sqltext::GeneratorOptions options;
    for (const OptionValue& option : kOptionValues) {
        const QVariant value = m_settings->value(QString::fromLatin1(option.key));
        if (!value.isValid())
            continue;
        // INI files give texts; the registry may give numbers.
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("1"))
            options.*(option.member) = true;
        else if (text != QLatin1String("false") && text != QLatin1String("0"))
            throw Error(std::string("Invalid data type for '") + option.key + "'");
    }
    return options;
}

void SettingsStore::setGeneratorOptions(const sqltext::GeneratorOptions& options)
{
    for (const OptionValue& option : kOptionValues)
        m_settings->setValue(QString::fromLatin1(option.key), options.*(option.member));
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw Error("Failed to set data for 'GeneratorOptions'");
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}

} // namespace varnett::data
