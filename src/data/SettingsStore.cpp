#include "data/SettingsStore.h"

#include "sqltext/Error.h"

#include <QSettings>

namespace varnett::data {

namespace {
const QString kConnectionStringKey = QStringLiteral("ConnectionString");
}

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

QString SettingsStore::location() const
{
    return m_settings->fileName();
}

} // namespace varnett::data
