#pragma once

#include "sqltext/ColumnType.h"
#include "sqltext/ObjectName.h"
#include "sqltext/TableKeys.h"

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// True for the tables a database user never sees: SQLite's own and the
// procedure catalog.
bool isHiddenTable(std::string_view name);

// Tables, then views, hidden tables left out: those of the main database as
// dbo and those of each attached schema, each group ordered by schema and
// name (sqltext::lessObjectName).
std::vector<sqltext::ObjectName> listTablesAndViews(sqlite3* db,
                                                    const std::vector<std::string>& schemas = {});
// The views alone, ordered as listTablesAndViews orders them.
std::vector<sqltext::ObjectName> listViewNames(sqlite3* db,
                                               const std::vector<std::string>& schemas = {});

// The columns of a table or view in their order, each classified by its
// declared type; generated columns are computed, and an INTEGER PRIMARY KEY
// AUTOINCREMENT column is an identity. A table that does not exist throws
// "Invalid object name 'X'.". `database` is "main" or an attached schema.
std::vector<sqltext::ColumnDesc> describeColumns(sqlite3* db, const std::string& table,
                                                 const std::string& database = "main");

// The table's key from SQLite's own catalog: the PRIMARY KEY columns in key
// order, else the columns of the unique index (neither partial nor on an
// expression) whose name sorts first; identity, rowversion and computed
// columns as describeColumns sees them. A view has no key. `database` is
// "main" or an attached schema.
sqltext::TableKeys describeKeys(sqlite3* db, const std::string& table,
                                const std::string& database = "main");

} // namespace varnett::data
