#pragma once

#include "data/Engine.h"

#include <memory>
#include <string>
#include <string_view>

namespace varnett::data {

// True for the providers reached through ODBC: SQLOLEDB, SQLOLEDB.1,
// SQLNCLI..., MSOLEDBSQL... (SQL Server) and MSDASQL (any ODBC driver).
bool isOdbcProvider(std::string_view provider);

// The SQL Server engine: opens an ODBC connection for an OLE DB connection
// string whose Provider is an ODBC one. Throws varnett::Error with the
// driver's message when the connection cannot be made.
std::unique_ptr<Engine> openOdbcEngine(const std::string& connectionString);

// The driver of a SQL Server string without a Driver key: the FreeTDS
// library where it is usually installed, else the driver name "FreeTDS".
std::string defaultSqlServerDriver();

} // namespace varnett::data
