#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcSession.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ProcScript.h"
#include "sqltext/TableKeys.h"

#include <memory>
#include <string>
#include <vector>

namespace varnett::data {

// The catalog of a SQL Server database read through its documented catalog
// views and functions (INFORMATION_SCHEMA, sys.columns, sys.indexes,
// sys.sql_modules) rather than the ODBC catalog calls,
// which report identity columns, the original case of names and keys
// differently from driver to driver and server to server.

// The user tables, then the user views, of every schema but the system ones,
// each group ordered by schema and name. Objects the server ships
// (IsMSShipped) are left out.
std::vector<sqltext::ObjectName> sqlServerTables(const std::shared_ptr<OdbcSession>& session);
std::vector<sqltext::ObjectName> sqlServerViews(const std::shared_ptr<OdbcSession>& session);

// What the server fills in the columns of a table or view: by column name, as
// the table's column list (the ODBC catalog) names them.
struct ServerFilledColumns {
    std::vector<std::string> identity;
    std::vector<std::string> computed;
    std::vector<std::string> rowversion;
};
// The object is named as OBJECT_ID takes it ("[Schema].[Name]").
ServerFilledColumns sqlServerFilledColumns(const std::shared_ptr<OdbcSession>& session,
                                           const std::string& object,
                                           const std::vector<std::string>& columns);

// The key (primary key, else the first unique index by name; filtered and
// disabled indexes are no keys) and the identity, rowversion and computed
// columns of the table.
sqltext::TableKeys sqlServerKeys(const std::shared_ptr<OdbcSession>& session,
                                 const std::string& object, const std::vector<std::string>& columns);

// The whole text of a module as the server keeps it, in one piece. Throws
// naming the object when it does not exist or its text cannot be read
// (encrypted, or no permission to see it).
std::string sqlServerModuleText(const std::shared_ptr<OdbcSession>& session,
                                const std::string& object);
// The settings the module was created under.
sqltext::ProcedureSettings sqlServerModuleSettings(const std::shared_ptr<OdbcSession>& session,
                                                   const std::string& object);

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
