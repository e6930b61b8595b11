#include "data/dmMain.h"

#include "data/SettingsStore.h"

namespace varnett::data {

TDataMain::TDataMain(SettingsStore& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("DataMain"));
}

TDataMain::~TDataMain() = default;

void TDataMain::DataModuleCreate()
{
    m_notice = movePlainPassword(m_settings, m_settings.secrets(), m_question);
    std::string stored = storedConnectionText(m_settings, m_settings.secrets());
    m_db.setConnectionString(stored);
    m_db.open();
}

void TDataMain::storeConnectionString()
{
    storeConnectionText(m_settings, m_settings.secrets(), m_db.connectionString(), m_question);
}

std::vector<ObjectName> TDataMain::listTables()
{
    return m_db.engine().listTables();
}

std::vector<ObjectName> TDataMain::listViews()
{
    return m_db.engine().listViews();
}

std::vector<ProcedureRef> TDataMain::listProcedures()
{
    return m_db.engine().listProcedures();
}

std::unique_ptr<RowCursor> TDataMain::openTable(const ObjectName& table)
{
    return m_db.engine().openTable(table);
}

sqltext::TableKeys TDataMain::tableKeys(const ObjectName& table)
{
    return m_db.engine().tableKeys(table);
}

void TDataMain::executeLines(const std::vector<std::string>& lines)
{
    m_db.engine().executeBatch(joinLinesCrLf(lines));
}

std::string joinLinesCrLf(const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace varnett::data
