#pragma once

#include "sqltext/SchemaModel.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnett::sqltext {

// Readers of the statements that build a table, as the schema script writes
// them and as people write them by hand. Each reads one whole statement (a
// ";" after it is allowed) and gives none for a text it does not know
// completely, so the caller can hand it on unchanged. Besides T-SQL they
// read SQLite's forms of an identity key (INTEGER PRIMARY KEY AUTOINCREMENT)
// and of a computed column (GENERATED ALWAYS AS (...) VIRTUAL | STORED).
// Expressions are kept as written; type names are written in lower case,
// "integer" as int, without blanks ("decimal(10,2)"); constraints not named
// keep an empty name; a foreign key's referenced table named without its
// schema keeps an empty schema.

// CREATE TABLE name ( columns and constraints ).
std::optional<SchemaTable> readCreateTable(std::string_view statement);

// CREATE [UNIQUE] [CLUSTERED | NONCLUSTERED] INDEX name ON table (columns)
// [INCLUDE (columns)]: the table and the index.
struct IndexStatement {
    ObjectName table;
    SchemaIndex index;
};
std::optional<IndexStatement> readCreateIndex(std::string_view statement);

// ALTER TABLE name ADD [CONSTRAINT name] FOREIGN KEY ... | CHECK (...), or
// ALTER TABLE name DROP CONSTRAINT name.
struct AlterTableStatement {
    ObjectName table;
    std::optional<SchemaForeignKey> foreignKey;   // added
    std::optional<SchemaCheck> check;             // added
    std::string dropped;                          // a dropped constraint's name
};
std::optional<AlterTableStatement> readAlterTable(std::string_view statement);

// Gives every constraint without a name one made from its table's and its
// columns' names, as the embedded engine names them: PK_T, UQ_T_c, CK_T_n,
// DF_T_c, FK_T_R (a number added when that name is taken).
void nameConstraints(SchemaTable& table);

} // namespace varnett::sqltext
