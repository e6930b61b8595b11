#pragma once

#include "sqltext/SchemaModel.h"
#include "sqltext/SchemaStatements.h"

#include <sqlite3.h>

#include <optional>
#include <string>
#include <string_view>

namespace varnett::data {

// T-SQL tables and views on SQLite. SQLite gets a table it can hold (the
// declared types kept as its column types); what SQLite cannot keep (the
// identity's seed and increment, collations, constraint names, clustering,
// the T-SQL texts of defaults, checks and computed columns, a view's text
// and settings) is kept beside it in a table of each database, so the
// catalog reads back what the statements said.

// The table of each database that keeps the T-SQL structure.
inline constexpr std::string_view kStructureTable = "varnett_structure";

// CREATE TABLE: the table in `database` ("main" or an attached schema), an
// identity column filled on insert (a trigger gives it the next value of its
// seed and increment when an INSERT leaves it out), the structure recorded.
// A foreign key to a table of another schema is refused: SQLite's keys stay
// within one database file.
void createTsqlTable(sqlite3* db, const std::string& database, sqltext::SchemaTable table);

// CREATE INDEX on a table of `database`.
void createTsqlIndex(sqlite3* db, const std::string& database,
                     const sqltext::IndexStatement& statement);

// ALTER TABLE ... ADD a foreign key or check, or DROP CONSTRAINT. SQLite's
// own text of the table is rewritten (the rows stay as they are: the
// columns do not change) and the structure recorded again.
void alterTsqlTable(sqlite3* db, const std::string& database,
                    const sqltext::AlterTableStatement& statement);

// CREATE VIEW: its text as given and the session's settings, recorded after
// SQLite made the view from its translation.
void recordTsqlView(sqlite3* db, const std::string& database, const std::string& view,
                    const std::string& text, const sqltext::ProcedureSettings& settings);

// The structure of a table or view of `database`, named `shown` (its schema
// as the lists show it). A table made by T-SQL statements reads as they made
// it; another one as SQLite's catalog describes it, its constraints named
// as sqltext::nameConstraints names them. Throws "Invalid object name" for
// an unknown one.
sqltext::SchemaObject readTsqlObject(sqlite3* db, const std::string& database,
                                     const sqltext::ObjectName& shown);

// True when `database` holds a constraint of that name (any letter case).
bool hasConstraint(sqlite3* db, const std::string& database, const std::string& name);

} // namespace varnett::data
