#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcColumnType.h"
#include "data/odbc/OdbcSession.h"
#include "sqltext/ObjectName.h"
#include "sqltext/TableKeys.h"

#include <memory>
#include <string>
#include <vector>

namespace varnett::data {

// How the catalog functions are to be read on one connection.
struct CatalogOptions {
    bool sqlServer = false;         // the server is Microsoft SQL Server
    std::string patternEscape;      // SQL_SEARCH_PATTERN_ESCAPE; empty when none
};

// Names of the views in the driver's order.
std::vector<sqltext::ObjectName> catalogViews(const std::shared_ptr<OdbcSession>& session,
                                              const CatalogOptions& options);
// The tables, then the views (the schema from TABLE_SCHEM, dbo when the
// driver gives none), each group ordered by schema and name whatever the
// driver's order. On SQL Server the system schemas (sys, INFORMATION_SCHEMA)
// are left out.
std::vector<sqltext::ObjectName> catalogTables(const std::shared_ptr<OdbcSession>& session,
                                               const CatalogOptions& options);

// The procedures (the schema from PROCEDURE_SCHEM), ordered as the tables
// are; the group is the driver's own ";n" at the end of the name, 1 where it
// gives none.
std::vector<sqltext::ProcedureRef> catalogProcedures(const std::shared_ptr<OdbcSession>& session,
                                                     const CatalogOptions& options);

// The columns of each table of that name, grouped by owner (catalog and
// schema) in the driver's order, each group in column order.
struct OwnedColumns {
    std::string owner;
    std::vector<CatalogColumn> columns;
};
std::vector<OwnedColumns> catalogColumns(const std::shared_ptr<OdbcSession>& session,
                                         const CatalogOptions& options, const std::string& table);

// The tables the table refers to by foreign keys (SQLForeignKeys), each
// once, in the driver's order.
std::vector<sqltext::ObjectName> referencedTables(const std::shared_ptr<OdbcSession>& session,
                                          const sqltext::ObjectName& table);

// The key of the table from SQLPrimaryKeys, else from the first unique index
// SQLStatistics names; its rowversion columns from SQLSpecialColumns
// (SQL_ROWVER); its identity columns from the type names. (SQL Server's
// catalog is read through its views instead: SqlServerCatalog.h.) The table
// is the one in the schema; without a
// schema, where a table of that name has several owners, the first one the
// driver names.
sqltext::TableKeys catalogKeys(const std::shared_ptr<OdbcSession>& session,
                               const CatalogOptions& options, const std::string& table,
                               const std::string& schema = {});

// The objects ordered as the lists order them, whatever order the server
// delivered them in.
std::vector<sqltext::ObjectName> orderedNames(std::vector<sqltext::ObjectName> objects);

// A name made literal for a catalog function's pattern argument.
std::string escapePattern(const std::string& name, const std::string& escape);

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
