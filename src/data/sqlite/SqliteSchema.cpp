#include "data/sqlite/SqliteSchema.h"

#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "data/sqlite/ProcedureCatalog.h"
#include "data/sqlite/SqliteStatement.h"
#include "data/sqlite/TsqlTables.h"
#include "sqltext/TsqlTokens.h"
#include "sqltext/ObjectName.h"

#include <algorithm>

namespace varnett::data {

using sqltext::Token;
using sqltext::TsqlTokens;

namespace {

// True when a CREATE TABLE text asks for AUTOINCREMENT (outside strings,
// quoted names and comments).
bool hasAutoincrement(std::string_view createSql)
{
    TsqlTokens tokens(createSql, sqltext::Backticks::Names);
    return std::any_of(tokens.tokens().begin(), tokens.tokens().end(), [&](const Token& token) {
        return tokens.isKeyword(token, "AUTOINCREMENT");
    });
}

// SQLite's column hidden flag: 1 hidden (virtual tables), 2 and 3 generated.
constexpr int kHiddenColumn = 1;

} // namespace

bool isHiddenTable(std::string_view name)
{
    return sqltext::equalsNoCase(name.substr(0, 7), "sqlite_")
        || sqltext::equalsNoCase(name, ProcedureCatalog::kTableName)
        || sqltext::equalsNoCase(name, "varnett_schemas")
        || sqltext::equalsNoCase(name, kStructureTable);
}

namespace {

// The visible objects of one type ("table" or "view") of the main database,
// as dbo, and of each attached schema, in list order.
std::vector<sqltext::ObjectName> objectsOfType(sqlite3* db, const std::vector<std::string>& schemas,
                                            const char* type)
{
    std::vector<sqltext::ObjectName> objects;
    std::vector<std::string> databases = {"main"};
    databases.insert(databases.end(), schemas.begin(), schemas.end());
    for (const std::string& database : databases) {
        SqliteStatement query(db, "SELECT name FROM " + sqliteQuote(database)
                                      + ".sqlite_master WHERE type = ?1");
        query.bind(1, type);
        while (query.step()) {
            std::string name = query.text(0);
            if (!isHiddenTable(name))
                objects.push_back({database == "main" ? "dbo" : database, std::move(name)});
        }
    }
    std::sort(objects.begin(), objects.end(), sqltext::lessObjectName);
    return objects;
}

} // namespace

std::vector<sqltext::ObjectName> listTablesAndViews(sqlite3* db,
                                                    const std::vector<std::string>& schemas)
{
    std::vector<sqltext::ObjectName> names = objectsOfType(db, schemas, "table");
    const std::vector<sqltext::ObjectName> views = objectsOfType(db, schemas, "view");
    names.insert(names.end(), views.begin(), views.end());
    return names;
}

std::vector<sqltext::ObjectName> listViewNames(sqlite3* db,
                                               const std::vector<std::string>& schemas)
{
    return objectsOfType(db, schemas, "view");
}

std::vector<sqltext::ColumnDesc> describeColumns(sqlite3* db, const std::string& table,
                                                 const std::string& database)
{
    std::string createSql;
    {
        SqliteStatement find(db, "SELECT sql FROM " + sqliteQuote(database)
                                     + ".sqlite_master WHERE type IN ('table', 'view')"
                                       " AND name = ?1 COLLATE NOCASE");
        find.bind(1, table);
        if (isHiddenTable(table) || !find.step())
            throw Error("Invalid object name '"
                        + (database == "main" ? table : database + "." + table) + "'.");
        createSql = find.text(0);
    }

    struct Row {
        std::string name, declared;
        std::int64_t pk, hidden;
    };
    std::vector<Row> rows;
    SqliteStatement info(db, "SELECT name, type, pk, hidden FROM pragma_table_xinfo(?1, ?2)");
    info.bind(1, table).bind(2, database);
    while (info.step())
        rows.push_back({info.text(0), info.text(1), info.integer(2), info.integer(3)});

    auto keyColumns = std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.pk > 0; });
    bool autoincrement = keyColumns == 1 && hasAutoincrement(createSql);

    // A table made by T-SQL statements names its identity as they did.
    std::vector<std::string> identities;
    if (!isHiddenTable(table)) {
        const sqltext::SchemaObject object = readTsqlObject(db, database, {"dbo", table});
        for (const sqltext::SchemaColumn& column : object.table.columns)
            if (column.identity)
                identities.push_back(column.name);
    }

    std::vector<sqltext::ColumnDesc> columns;
    for (const Row& row : rows) {
        if (row.hidden == kHiddenColumn)
            continue;
        auto column = sqltext::describeDeclaredType(row.name, row.declared);
        column.computed = row.hidden > kHiddenColumn;
        if (autoincrement && row.pk == 1 && sqltext::equalsNoCase(row.declared, "INTEGER"))
            column.identity = true;
        if (std::find(identities.begin(), identities.end(), row.name) != identities.end())
            column.identity = true;
        columns.push_back(std::move(column));
    }
    return columns;
}

sqltext::TableKeys describeKeys(sqlite3* db, const std::string& table,
                                const std::string& database)
{
    sqltext::TableKeys keys;
    for (const sqltext::ColumnDesc& column : describeColumns(db, table, database)) {
        if (column.identity)
            keys.identity.push_back(column.name);
        if (column.type == sqltext::SqlType::Timestamp)
            keys.rowversion.push_back(column.name);
        if (column.computed)
            keys.computed.push_back(column.name);
    }

    // Views report no key columns, so they end with none.
    {
        SqliteStatement info(db, "SELECT name FROM pragma_table_info(?1, ?2) WHERE pk > 0"
                                 " ORDER BY pk");
        info.bind(1, table).bind(2, database);
        while (info.step())
            keys.key.push_back(info.text(0));
    }
    if (!keys.key.empty()) {
        keys.primaryKey = true;
        return keys;
    }

    std::vector<std::string> unique;
    {
        SqliteStatement list(db, "SELECT name FROM pragma_index_list(?1, ?2)"
                                 " WHERE \"unique\" = 1 AND partial = 0");
        list.bind(1, table).bind(2, database);
        while (list.step())
            unique.push_back(list.text(0));
    }
    std::sort(unique.begin(), unique.end(), sqltext::lessNoCase);
    for (const std::string& index : unique) {
        std::vector<std::string> columns;
        bool onColumns = true;
        SqliteStatement info(db, "SELECT cid, name FROM pragma_index_info(?1, ?2) ORDER BY seqno");
        info.bind(1, index).bind(2, database);
        while (info.step()) {
            if (info.integer(0) < 0)
                onColumns = false;
            columns.push_back(info.text(1));
        }
        if (onColumns && !columns.empty()) {
            keys.key = std::move(columns);
            keys.keyName = index;
            return keys;
        }
    }
    return keys;
}

} // namespace varnett::data
