#include "ProcedureDatabase.h"

#include "Fixture.h"
#include "data/SettingsStore.h"
#include "data/dmMain.h"
#include "sqltext/ProcedureFilter.h"
#include "support/Names.h"


namespace varnett::testing {

ProcedureDatabase::ProcedureDatabase()
{
    m_settings = makeSettings(m_dir, embeddedConnectionString(makeSalesDatabase(m_dir)));
    m_dataMain = std::make_unique<data::TDataMain>(*m_settings);
    m_dataMain->DataModuleCreate();
    for (const char* text : {
             "CREATE PROCEDURE SP_INSERT_Orders AS SELECT 1",
             "CREATE PROCEDURE SP_UPDATE_Orders AS SELECT 2",
             "CREATE PROCEDURE SP_DELETE_Orders AS SELECT 3",
             "CREATE PROCEDURE sp_helper AS SELECT 4",
             "CREATE PROCEDURE GetCustomers AS EXEC sp_helper",
             "CREATE PROCEDURE [a]]b] AS SELECT 5",
         })
        m_dataMain->executeLines({text});
}

ProcedureDatabase::~ProcedureDatabase() = default;

QStringList ProcedureDatabase::procedures()
{
    QStringList names;
    for (const sqltext::ProcedureRef& procedure : m_dataMain->listProcedures())
        names << QString::fromStdString(sqltext::displayName(procedure.object));
    return names;
}

void ProcedureDatabase::breakConnection()
{
    m_dataMain->db().setConnectionString(embeddedConnectionString(m_dir.file("gone.db")));
}

} // namespace varnett::testing
