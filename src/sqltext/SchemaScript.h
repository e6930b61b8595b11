#pragma once

#include "sqltext/SchemaModel.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// What the schema script does beyond the plain one: all off by default.
struct SchemaScriptOptions {
    // Each CREATE runs only when its object is missing, so the script can
    // run twice: IF OBJECT_ID(N'[s].[t]', N'U') IS NULL and the like.
    bool guarded = false;
    // The objects are dropped (when they exist) before they are created:
    // foreign keys first, then views, then tables, each in reverse order.
    bool dropFirst = false;
    bool leaveOutForeignKeys = false;
    bool leaveOutIndexes = false;
};

// The text of a schema script in two parts: the schemas, drops, tables with
// their indexes and the views; then the foreign keys. A data script's rows go
// between them. Every batch ends in a GO line; lines end in CR LF.
struct SchemaScriptText {
    std::string beforeData;
    std::string afterData;
};

// The script of the tables and views, each written once (names compare
// without regard to the case of a to z): CREATE SCHEMA for every schema
// but dbo that they use, then the tables in foreign-key order (a table after
// those it refers to, a cycle broken where it closes), each followed by its
// indexes; then the views, each after the views it names; then every foreign
// key. Throws varnett::Error naming a view whose text holds a line of only
// GO, or a table without columns.
SchemaScriptText schemaScript(const std::vector<SchemaTable>& tables,
                              const std::vector<SchemaView>& views,
                              const SchemaScriptOptions& options = {});

// The CREATE TABLE statement of a table with its columns, key, unique and
// check constraints, on lines of its own, ended by a line break (no GO).
std::string createTableStatement(const SchemaTable& table);
// CREATE [UNIQUE] [NON]CLUSTERED INDEX [i] ON [s].[t] (...) [INCLUDE (...)].
std::string createIndexStatement(const ObjectName& table, const SchemaIndex& index);
// ALTER TABLE [s].[t] ADD CONSTRAINT [f] FOREIGN KEY (...) REFERENCES ....
std::string addForeignKeyStatement(const ObjectName& table, const SchemaForeignKey& key);

// The order of the views where each comes after the views of the list that
// its text names (an unqualified name means dbo), as positions in `views`.
std::vector<std::size_t> viewOrder(const std::vector<SchemaView>& views);

} // namespace varnett::sqltext
