#include "data/SettingsStore.h"

#include "sqltext/Error.h"

#include <QSettings>

namespace varnett::data {

namespace {

const QString kConnectionStringKey = QStringLiteral("ConnectionString");

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
{
}

SettingsStore::SettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

SettingsStore::~SettingsStore() = default;

std::string SettingsStore::connectionString() const
{
    m_settings->sync();
    QVariant value = m_settings->value(kConnectionStringKey);
    if (!value.isValid())
        return {};
    if (value.typeId() != QMetaType::QString)
        throw Error("Invalid data type for 'ConnectionString'");
    return value.toString().toStdString();
}

void SettingsStore::setConnectionString(const std::string& value)
{
    m_settings->setValue(kConnectionStringKey, QString::fromStdString(value));
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        throw Error("Failed to set data for 'ConnectionString'");
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
