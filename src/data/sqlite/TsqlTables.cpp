#include "data/sqlite/TsqlTables.h"

#include "data/sqlite/SqliteDialect.h"
#include "data/sqlite/SqliteSchema.h"
#include "data/sqlite/SqliteStatement.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Batches.h"
#include "sqltext/Error.h"
#include "sqltext/SchemaScript.h"
#include "sqltext/TsqlTokens.h"

#include <algorithm>

namespace varnett::data {

using sqltext::SchemaTable;

namespace {

std::string qualified(const std::string& database, std::string_view name)
{
    return sqliteQuote(database) + "." + sqliteQuote(name);
}

bool hasStructureTable(sqlite3* db, const std::string& database)
{
    SqliteStatement find(db, "SELECT 1 FROM " + sqliteQuote(database)
                                 + ".sqlite_master WHERE type = 'table' AND name = ?1");
    find.bind(1, kStructureTable);
    return find.step();
}

struct Record {
    std::string kind;
    std::string definition;
    sqltext::ProcedureSettings settings;
};

std::optional<Record> readRecord(sqlite3* db, const std::string& database, std::string_view name)
{
    if (!hasStructureTable(db, database))
        return std::nullopt;
    SqliteStatement query(db, "SELECT kind, definition, quoted_identifier, ansi_nulls FROM "
                                  + qualified(database, kStructureTable) + " WHERE name = ?1");
    query.bind(1, name);
    if (!query.step())
        return std::nullopt;
    return Record{query.text(0), query.text(1), {query.integer(2) != 0, query.integer(3) != 0}};
}

void writeRecord(sqlite3* db, const std::string& database, std::string_view name,
                 std::string_view kind, const std::string& definition,
                 const sqltext::ProcedureSettings& settings = {})
{
    execSqlite(db, "CREATE TABLE IF NOT EXISTS " + qualified(database, kStructureTable)
                       + " (name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE, kind TEXT NOT NULL,"
                         " definition TEXT NOT NULL, quoted_identifier INTEGER NOT NULL,"
                         " ansi_nulls INTEGER NOT NULL)");
    SqliteStatement write(db, "INSERT OR REPLACE INTO " + qualified(database, kStructureTable)
                                  + " VALUES (?1, ?2, ?3, ?4, ?5)");
    write.bind(1, name).bind(2, kind).bind(3, definition);
    write.bind(4, settings.quotedIdentifier ? "1" : "0").bind(5, settings.ansiNulls ? "1" : "0");
    write.step();
}

// The table's statements, one batch each: CREATE TABLE, its indexes, its
// foreign keys.
std::string tableDefinition(const SchemaTable& table)
{
    std::string out = sqltext::createTableStatement(table);
    for (const sqltext::SchemaIndex& index : table.indexes)
        out += "GO\r\n" + sqltext::createIndexStatement(table.name, index) + "\r\n";
    for (const sqltext::SchemaForeignKey& key : table.foreignKeys)
        out += "GO\r\n" + sqltext::addForeignKeyStatement(table.name, key) + "\r\n";
    return out;
}

std::optional<SchemaTable> readDefinition(const std::string& definition)
{
    const std::vector<std::string> batches = sqltext::splitBatches(definition);
    if (batches.empty())
        return std::nullopt;
    auto table = sqltext::readCreateTable(batches.front());
    if (!table)
        return std::nullopt;
    for (std::size_t i = 1; i < batches.size(); ++i) {
        if (auto index = sqltext::readCreateIndex(batches[i]))
            table->indexes.push_back(index->index);
        else if (auto alter = sqltext::readAlterTable(batches[i]); alter && alter->foreignKey)
            table->foreignKeys.push_back(*alter->foreignKey);
        else
            return std::nullopt;
    }
    return table;
}

// A T-SQL expression in SQLite's words.
std::string sqliteExpression(const std::string& text)
{
    sqltext::TsqlTokens tokens(text, sqltext::Backticks::Symbol);
    return toSqliteText(tokens, 0, tokens.tokens().size());
}

// A type SQLite reads as a type name: as it is when it is a name with
// numbers in parentheses, else one quoted name ("nvarchar(max)").
std::string sqliteType(const std::string& type)
{
    const bool plain = !type.empty() && std::all_of(type.begin(), type.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '_' || c == '(' || c == ')' || c == ',';
    }) && type.find("max") == std::string::npos;
    return plain ? type : sqliteQuote(type);
}

bool isRowversion(const sqltext::SchemaColumn& column)
{
    return sqltext::equalsNoCase(column.type, "rowversion")
        || sqltext::equalsNoCase(column.type, "timestamp");
}

const char* actionText(sqltext::ReferentialAction action)
{
    switch (action) {
    case sqltext::ReferentialAction::Cascade: return "CASCADE";
    case sqltext::ReferentialAction::SetNull: return "SET NULL";
    case sqltext::ReferentialAction::SetDefault: return "SET DEFAULT";
    case sqltext::ReferentialAction::NoAction: break;
    }
    return "NO ACTION";
}

std::string sqliteNames(const std::vector<std::string>& names)
{
    std::string out = "(";
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i ? ", " : "") + sqliteQuote(names[i]);
    return out + ")";
}

std::string sqliteKeyColumns(const std::vector<sqltext::KeyColumn>& columns)
{
    std::string out = "(";
    for (std::size_t i = 0; i < columns.size(); ++i)
        out += (i ? ", " : "") + sqliteQuote(columns[i].name)
            + (columns[i].descending ? " DESC" : "");
    return out + ")";
}

// SQLite's CREATE TABLE of the structure, the table named without its
// database (as SQLite keeps the text). Identity and rowversion columns take
// NULL in SQLite: the engine fills the one, the other stays empty.
std::string sqliteCreateTable(const SchemaTable& table)
{
    std::vector<std::string> parts;
    for (const sqltext::SchemaColumn& column : table.columns) {
        std::string part = sqliteQuote(column.name);
        if (!column.computedText.empty()) {
            part += " GENERATED ALWAYS AS (" + sqliteExpression(column.computedText) + ")"
                + (column.persisted ? " STORED" : " VIRTUAL");
        } else {
            part += " " + sqliteType(column.type);
            if (!column.nullable && !column.identity && !isRowversion(column))
                part += " NOT NULL";
            if (!column.defaultText.empty())
                part += " DEFAULT (" + sqliteExpression(column.defaultText) + ")";
        }
        parts.push_back(std::move(part));
    }
    for (const sqltext::SchemaKey& key : table.keys)
        parts.push_back("CONSTRAINT " + sqliteQuote(key.name)
                        + (key.primary ? " PRIMARY KEY " : " UNIQUE ")
                        + sqliteKeyColumns(key.columns));
    for (const sqltext::SchemaCheck& check : table.checks)
        parts.push_back("CONSTRAINT " + sqliteQuote(check.name) + " CHECK ("
                        + sqliteExpression(check.text) + ")");
    for (const sqltext::SchemaForeignKey& key : table.foreignKeys) {
        std::string part = "CONSTRAINT " + sqliteQuote(key.name) + " FOREIGN KEY "
            + sqliteNames(key.columns) + " REFERENCES " + sqliteQuote(key.referenced.name);
        if (!key.referencedColumns.empty())
            part += " " + sqliteNames(key.referencedColumns);
        part += std::string(" ON DELETE ") + actionText(key.onDelete) + " ON UPDATE "
            + actionText(key.onUpdate);
        parts.push_back(std::move(part));
    }
    std::string out = "CREATE TABLE " + sqliteQuote(table.name.name) + " (";
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i ? ", " : "") + parts[i];
    return out + ")";
}

// The trigger that gives an identity column its next value when an INSERT
// leaves it NULL: past the largest value (the smallest, counting down), or
// the seed in an empty table.
std::string identityTrigger(const std::string& database, const SchemaTable& table,
                            const sqltext::SchemaColumn& column)
{
    const bool down = !column.identity->increment.empty() && column.identity->increment[0] == '-';
    const std::string table_ = sqliteQuote(table.name.name);
    const std::string name = sqliteQuote(column.name);
    return "CREATE TRIGGER " + qualified(database, "varnett_identity_" + table.name.name)
        + " AFTER INSERT ON " + table_ + " FOR EACH ROW WHEN NEW." + name
        + " IS NULL BEGIN UPDATE " + table_ + " SET " + name + " = (SELECT coalesce("
        + (down ? "min(" : "max(") + name + ") + (" + column.identity->increment + "), ("
        + column.identity->seed + ")) FROM " + table_ + ") WHERE rowid = NEW.rowid; END";
}

// A referenced table named without its schema is one of the table's own
// schema, as SQLite reads it; another schema's cannot be referred to. The
// constraints without a name get theirs.
void checkForeignKeys(SchemaTable& table, const std::string& schema)
{
    for (sqltext::SchemaForeignKey& key : table.foreignKeys)
        if (key.referenced.schema.empty())
            key.referenced.schema = schema;
    sqltext::nameConstraints(table);
    for (const sqltext::SchemaForeignKey& key : table.foreignKeys)
        if (!sqltext::equalsNoCase(key.referenced.schema, schema))
            throw Error("The embedded engine cannot keep the foreign key '" + key.name
                        + "': it refers to a table of another schema ('"
                        + sqltext::displayName(key.referenced) + "'), and each schema is a "
                        "database file of its own.");
}

std::string schemaOf(const std::string& database)
{
    return database == "main" ? std::string("dbo") : database;
}

// Replaces SQLite's text of a table whose columns stay as they are.
void rewriteTable(sqlite3* db, const std::string& database, const SchemaTable& table)
{
    std::int64_t version = 0;
    {
        SqliteStatement query(db, "PRAGMA " + sqliteQuote(database) + ".schema_version");
        if (query.step())
            version = query.integer(0);
    }
    execSqlite(db, "PRAGMA writable_schema = ON");
    try {
        SqliteStatement update(db, "UPDATE " + sqliteQuote(database)
                                       + ".sqlite_master SET sql = ?1 WHERE type = 'table'"
                                         " AND name = ?2 COLLATE NOCASE");
        update.bind(1, sqliteCreateTable(table)).bind(2, table.name.name);
        update.step();
        execSqlite(db, "PRAGMA " + sqliteQuote(database) + ".schema_version = "
                           + std::to_string(version + 1));
    } catch (...) {
        execSqlite(db, "PRAGMA writable_schema = OFF");
        throw;
    }
    execSqlite(db, "PRAGMA writable_schema = OFF");
}

std::string catalogName(sqlite3* db, const std::string& database, const std::string& name,
                        const char* type)
{
    SqliteStatement find(db, "SELECT name FROM " + sqliteQuote(database)
                                 + ".sqlite_master WHERE type = ?1 AND name = ?2 COLLATE NOCASE");
    find.bind(1, type).bind(2, name);
    return find.step() ? find.text(0) : std::string();
}

// The structure of a table as SQLite's catalog tells it.
SchemaTable tableFromCatalog(sqlite3* db, const std::string& database, const std::string& name,
                             const std::string& createSql)
{
    SchemaTable table;
    if (auto parsed = sqltext::readCreateTable(createSql)) {
        table = std::move(*parsed);
    } else {
        SqliteStatement info(db, "SELECT name, type, \"notnull\", dflt_value, pk"
                                 " FROM pragma_table_info(?1, ?2)");
        info.bind(1, name).bind(2, database);
        while (info.step()) {
            sqltext::SchemaColumn column;
            column.name = info.text(0);
            column.type = sqltext::toLowerAscii(info.text(1));
            column.nullable = info.integer(2) == 0 && info.integer(4) == 0;
            column.defaultText = info.text(3);
            table.columns.push_back(std::move(column));
        }
    }
    SqliteStatement indexes(db, "SELECT sql FROM " + sqliteQuote(database)
                                    + ".sqlite_master WHERE type = 'index' AND tbl_name = ?1"
                                      " AND sql IS NOT NULL ORDER BY name");
    indexes.bind(1, name);
    while (indexes.step())
        if (auto index = sqltext::readCreateIndex(indexes.text(0)))
            table.indexes.push_back(index->index);
    for (sqltext::SchemaForeignKey& key : table.foreignKeys)
        key.referenced.schema = schemaOf(database);
    return table;
}

} // namespace

void createTsqlTable(sqlite3* db, const std::string& database, SchemaTable table)
{
    const std::string schema = schemaOf(database);
    checkForeignKeys(table, schema);
    std::string sql = sqliteCreateTable(table);
    sql.insert(std::string_view("CREATE TABLE ").size(), sqliteQuote(database) + ".");
    execSqlite(db, "SAVEPOINT varnett_table");
    try {
        execSqlite(db, sql);
        for (const sqltext::SchemaColumn& column : table.columns)
            if (column.identity)
                execSqlite(db, identityTrigger(database, table, column));
        table.name.schema = schema;
        writeRecord(db, database, table.name.name, "table", tableDefinition(table));
    } catch (...) {
        execSqlite(db, "ROLLBACK TO varnett_table; RELEASE varnett_table");
        throw;
    }
    execSqlite(db, "RELEASE varnett_table");
}

void createTsqlIndex(sqlite3* db, const std::string& database,
                     const sqltext::IndexStatement& statement)
{
    const std::string tableName = catalogName(db, database, statement.table.name, "table");
    if (tableName.empty())
        throw Error("Cannot find the object \"" + sqltext::displayName(statement.table)
                    + "\" because it does not exist or you do not have permissions.");
    sqltext::SchemaObject object = readTsqlObject(db, database, {schemaOf(database), tableName});
    execSqlite(db, "SAVEPOINT varnett_index");
    try {
        execSqlite(db, std::string("CREATE ") + (statement.index.unique ? "UNIQUE " : "")
                           + "INDEX " + qualified(database, statement.index.name) + " ON "
                           + sqliteQuote(tableName) + " "
                           + sqliteKeyColumns(statement.index.columns));
        if (readRecord(db, database, tableName)) {
            object.table.indexes.push_back(statement.index);
            writeRecord(db, database, tableName, "table", tableDefinition(object.table));
        }
    } catch (...) {
        execSqlite(db, "ROLLBACK TO varnett_index; RELEASE varnett_index");
        throw;
    }
    execSqlite(db, "RELEASE varnett_index");
}

void alterTsqlTable(sqlite3* db, const std::string& database,
                    const sqltext::AlterTableStatement& statement)
{
    const std::string tableName = catalogName(db, database, statement.table.name, "table");
    if (tableName.empty())
        throw Error("Cannot find the object \"" + sqltext::displayName(statement.table)
                    + "\" because it does not exist or you do not have permissions.");
    SchemaTable table = readTsqlObject(db, database, {schemaOf(database), tableName}).table;
    if (statement.foreignKey) {
        if (!statement.foreignKey->name.empty() && hasConstraint(db, database, statement.foreignKey->name))
            throw Error("There is already an object named '" + statement.foreignKey->name
                        + "' in the database.");
        table.foreignKeys.push_back(*statement.foreignKey);
    }
    if (statement.check)
        table.checks.push_back(*statement.check);
    if (!statement.dropped.empty()) {
        auto named = [&](const auto& item) {
            return sqltext::equalsNoCase(item.name, statement.dropped);
        };
        const std::size_t before = table.foreignKeys.size() + table.checks.size();
        std::erase_if(table.foreignKeys, named);
        std::erase_if(table.checks, named);
        if (table.foreignKeys.size() + table.checks.size() == before)
            throw Error("'" + statement.dropped + "' is not a constraint.");
    }
    checkForeignKeys(table, schemaOf(database));
    execSqlite(db, "SAVEPOINT varnett_alter_table");
    try {
        rewriteTable(db, database, table);
        writeRecord(db, database, tableName, "table", tableDefinition(table));
    } catch (...) {
        execSqlite(db, "ROLLBACK TO varnett_alter_table; RELEASE varnett_alter_table");
        throw;
    }
    execSqlite(db, "RELEASE varnett_alter_table");
}

void recordTsqlView(sqlite3* db, const std::string& database, const std::string& view,
                    const std::string& text, const sqltext::ProcedureSettings& settings)
{
    const std::string name = catalogName(db, database, view, "view");
    if (!name.empty())
        writeRecord(db, database, name, "view", text, settings);
}

sqltext::SchemaObject readTsqlObject(sqlite3* db, const std::string& database,
                                     const sqltext::ObjectName& shown)
{
    SqliteStatement find(db, "SELECT type, name, sql FROM " + sqliteQuote(database)
                                 + ".sqlite_master WHERE type IN ('table', 'view')"
                                   " AND name = ?1 COLLATE NOCASE");
    find.bind(1, shown.name);
    if (isHiddenTable(shown.name) || !find.step())
        throw Error("Invalid object name '" + sqltext::displayName(shown) + "'.");
    const std::string type = find.text(0);
    const std::string name = find.text(1);
    const std::string createSql = find.text(2);
    const std::optional<Record> record = readRecord(db, database, name);
    sqltext::SchemaObject object;
    const sqltext::ObjectName objectName{shown.schema, name};
    if (type == "view") {
        object.isView = true;
        object.view.name = objectName;
        if (record && record->kind == "view") {
            object.view.text = record->definition;
            object.view.settings = record->settings;
        } else {
            object.view.text = createSql;
        }
        return object;
    }
    std::optional<SchemaTable> table;
    if (record && record->kind == "table")
        table = readDefinition(record->definition);
    if (!table)
        table = tableFromCatalog(db, database, name, createSql);
    // Indexes dropped since they were recorded are gone.
    std::erase_if(table->indexes, [&](const sqltext::SchemaIndex& index) {
        return catalogName(db, database, index.name, "index").empty();
    });
    table->name = objectName;
    sqltext::nameConstraints(*table);
    object.table = std::move(*table);
    return object;
}

bool hasConstraint(sqlite3* db, const std::string& database, const std::string& name)
{
    if (!hasStructureTable(db, database))
        return false;
    SqliteStatement tables(db, "SELECT name FROM " + sqliteQuote(database)
                                   + ".sqlite_master WHERE type = 'table'");
    std::vector<std::string> names;
    while (tables.step())
        if (!isHiddenTable(tables.text(0)))
            names.push_back(tables.text(0));
    for (const std::string& table : names) {
        const SchemaTable structure =
            readTsqlObject(db, database, {schemaOf(database), table}).table;
        auto named = [&](const auto& item) { return sqltext::equalsNoCase(item.name, name); };
        if (std::any_of(structure.keys.begin(), structure.keys.end(), named)
            || std::any_of(structure.checks.begin(), structure.checks.end(), named)
            || std::any_of(structure.foreignKeys.begin(), structure.foreignKeys.end(), named))
            return true;
    }
    return false;
}

} // namespace varnett::data
