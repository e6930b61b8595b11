#include "data/odbc/OdbcCatalog.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/ConnectionString.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"

#include <algorithm>
#include <cstdint>

namespace varnett::data {

namespace {

bool isSystemSchema(const std::string& schema)
{
    return sqltext::equalsNoCase(schema, "sys") || sqltext::equalsNoCase(schema, "INFORMATION_SCHEMA");
}

// The object of a catalog row: a driver without schemas (no TABLE_SCHEM)
// keeps everything in dbo.
sqltext::ObjectName objectOf(std::string schema, std::string name)
{
    if (schema.empty())
        schema = "dbo";
    return sqltext::ObjectName{std::move(schema), std::move(name)};
}

void appendTablesOfType(const std::shared_ptr<OdbcSession>& session, const CatalogOptions& options,
                        const char* type, std::vector<sqltext::ObjectName>& names)
{
    std::vector<sqltext::ObjectName> objects;
    OdbcStatement statement(session);
    SqlWideString all = toSqlWide("%");
    SqlWideString types = toSqlWide(type);
    statement.check(SQLTablesW(statement.handle(), nullptr, 0, nullptr, 0, all.data(), SQL_NTS,
                               types.data(), SQL_NTS),
                    "SQLTables");
    while (statement.fetch()) {
        std::string schema = statement.text(2).value_or(std::string());
        std::string name = statement.text(3).value_or(std::string());
        if (options.sqlServer && isSystemSchema(schema))
            continue;
        objects.push_back(objectOf(std::move(schema), std::move(name)));
    }
    for (sqltext::ObjectName& name : orderedNames(std::move(objects)))
        names.push_back(std::move(name));
}

bool isDigits(std::string_view text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

std::vector<sqltext::ObjectName> orderedNames(std::vector<sqltext::ObjectName> objects)
{
    std::stable_sort(objects.begin(), objects.end(), sqltext::lessObjectName);
    return objects;
}

std::string escapePattern(const std::string& name, const std::string& escape)
{
    if (escape.empty())
        return name;
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '%' || name[i] == '_' || name.compare(i, escape.size(), escape) == 0)
            out += escape;
        out += name[i];
    }
    return out;
}

std::vector<sqltext::ObjectName> catalogTables(const std::shared_ptr<OdbcSession>& session,
                                               const CatalogOptions& options)
{
    std::vector<sqltext::ObjectName> names;
    appendTablesOfType(session, options, "TABLE", names);
    appendTablesOfType(session, options, "VIEW", names);
    return names;
}

std::vector<sqltext::ObjectName> catalogViews(const std::shared_ptr<OdbcSession>& session,
                                              const CatalogOptions& options)
{
    std::vector<sqltext::ObjectName> names;
    appendTablesOfType(session, options, "VIEW", names);
    return names;
}

std::vector<sqltext::ProcedureRef> catalogProcedures(const std::shared_ptr<OdbcSession>& session,
                                                     const CatalogOptions& options)
{
    OdbcStatement statement(session);
    SqlWideString all = toSqlWide("%");
    statement.check(SQLProceduresW(statement.handle(), nullptr, 0, nullptr, 0, all.data(), SQL_NTS),
                    "SQLProcedures");
    // Each name without its group number, which goes back on after ordering.
    std::vector<sqltext::ProcedureRef> procedures;
    while (statement.fetch()) {
        std::string schema = statement.text(2).value_or(std::string());
        std::string name = statement.text(3).value_or(std::string());
        if (options.sqlServer && isSystemSchema(schema))
            continue;
        int group = 1;
        auto semicolon = name.rfind(';');
        const std::string_view digits = std::string_view(name).substr(semicolon + 1);
        if (semicolon != std::string::npos && isDigits(digits) && digits.size() <= 5) {
            group = std::stoi(std::string(digits));
            name.erase(semicolon);
        }
        procedures.push_back({objectOf(std::move(schema), std::move(name)), group});
    }
    std::stable_sort(procedures.begin(), procedures.end(),
                     [](const sqltext::ProcedureRef& a, const sqltext::ProcedureRef& b) {
                         return sqltext::lessObjectName(a.object, b.object);
                     });
    return procedures;
}

std::vector<OwnedColumns> catalogColumns(const std::shared_ptr<OdbcSession>& session,
                                         const CatalogOptions& options, const std::string& table)
{
    OdbcStatement statement(session);
    SqlWideString pattern = toSqlWide(escapePattern(table, options.patternEscape));
    statement.check(SQLColumnsW(statement.handle(), nullptr, 0, nullptr, 0, pattern.data(), SQL_NTS,
                                nullptr, 0),
                    "SQLColumns");
    std::vector<OwnedColumns> groups;
    while (statement.fetch()) {
        // Columns are read left to right, as SQLGetData wants them.
        std::string catalog = statement.text(1).value_or(std::string());
        std::string schema = statement.text(2).value_or(std::string());
        std::string tableName = statement.text(3).value_or(std::string());
        CatalogColumn column;
        column.name = statement.text(4).value_or(std::string());
        column.typeName = statement.text(6).value_or(std::string());
        if (auto size = statement.integer(7))
            column.columnSize = static_cast<long>(*size);
        if (auto digits = statement.integer(9))
            column.decimalDigits = static_cast<int>(*digits);
        // A driver without a pattern escape may match more than the name.
        if (tableName != table)
            continue;
        std::string owner = catalog + "." + schema;
        if (groups.empty() || groups.back().owner != owner)
            groups.push_back({owner, {}});
        groups.back().columns.push_back(std::move(column));
    }
    return groups;
}

std::vector<sqltext::ObjectName> referencedTables(const std::shared_ptr<OdbcSession>& session,
                                                  const sqltext::ObjectName& table)
{
    OdbcStatement statement(session);
    SqlWideString name = toSqlWide(table.name);
    statement.check(SQLForeignKeysW(statement.handle(), nullptr, 0, nullptr, 0, nullptr, 0,
                                    nullptr, 0, nullptr, 0, name.data(), SQL_NTS),
                    "SQLForeignKeys");
    std::vector<sqltext::ObjectName> names;
    while (statement.fetch()) {
        // Columns are read in ascending order, as every driver allows.
        const std::string parentSchema = statement.text(2).value_or(std::string());
        const std::string parentName = statement.text(3).value_or(std::string());
        const std::string schema = statement.text(6).value_or(std::string());
        // Only the keys of the table in its own schema (a driver without
        // schemas keeps everything in dbo).
        if (parentName.empty() || !sqltext::equalsNoCase(objectOf(schema, {}).schema, table.schema))
            continue;
        sqltext::ObjectName parent = objectOf(parentSchema, parentName);
        if (std::find(names.begin(), names.end(), parent) == names.end())
            names.push_back(std::move(parent));
    }
    return names;
}

namespace {

std::string ownerOf(OdbcStatement& statement)
{
    std::string catalog = statement.text(1).value_or(std::string());
    std::string schema = statement.text(2).value_or(std::string());
    return catalog + "." + schema;
}

// The schema argument of a catalog function: none (any owner) for an empty
// schema.
struct SchemaArgument {
    explicit SchemaArgument(const std::string& schema) : text(toSqlWide(schema)) {}
    SQLWCHAR* data() { return text.empty() ? nullptr : text.data(); }
    SQLSMALLINT length() const { return text.empty() ? 0 : SQL_NTS; }
    SqlWideString text;
};

void primaryKey(const std::shared_ptr<OdbcSession>& session, const std::string& table,
                const std::string& schema, sqltext::TableKeys& keys)
{
    OdbcStatement statement(session);
    SqlWideString name = toSqlWide(table);
    SchemaArgument owner(schema);
    statement.check(SQLPrimaryKeysW(statement.handle(), nullptr, 0, owner.data(), owner.length(),
                                    name.data(), SQL_NTS),
                    "SQLPrimaryKeys");
    std::string firstOwner;
    std::vector<std::pair<std::int64_t, std::string>> columns;
    while (statement.fetch()) {
        std::string owner = ownerOf(statement);
        statement.text(3);
        std::string column = statement.text(4).value_or(std::string());
        std::int64_t sequence = statement.integer(5).value_or(0);
        std::string keyName = statement.text(6).value_or(std::string());
        if (columns.empty())
            firstOwner = owner;
        else if (owner != firstOwner)
            continue;
        columns.emplace_back(sequence, std::move(column));
        keys.keyName = keyName;
    }
    std::stable_sort(columns.begin(), columns.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& column : columns)
        keys.key.push_back(std::move(column.second));
    keys.primaryKey = !keys.key.empty();
}

void firstUniqueIndex(const std::shared_ptr<OdbcSession>& session, const std::string& table,
                      const std::string& schema, sqltext::TableKeys& keys)
{
    OdbcStatement statement(session);
    SqlWideString name = toSqlWide(table);
    SchemaArgument owner(schema);
    statement.check(SQLStatisticsW(statement.handle(), nullptr, 0, owner.data(), owner.length(),
                                   name.data(), SQL_NTS, SQL_INDEX_UNIQUE, SQL_QUICK),
                    "SQLStatistics");
    // The rows come ordered by uniqueness, type, qualifier, index name and
    // position: the first index named is the one taken.
    std::string firstOwner, firstIndex;
    std::vector<std::pair<std::int64_t, std::string>> columns;
    while (statement.fetch()) {
        std::string owner = ownerOf(statement);
        statement.text(3);
        const std::int64_t nonUnique = statement.integer(4).value_or(1);
        statement.text(5);
        std::string index = statement.text(6).value_or(std::string());
        const std::int64_t type = statement.integer(7).value_or(SQL_TABLE_STAT);
        const std::int64_t position = statement.integer(8).value_or(0);
        std::string column = statement.text(9).value_or(std::string());
        if (type == SQL_TABLE_STAT || nonUnique != 0 || column.empty())
            continue;
        if (columns.empty()) {
            firstOwner = owner;
            firstIndex = index;
        } else if (owner != firstOwner || index != firstIndex) {
            continue;
        }
        columns.emplace_back(position, std::move(column));
    }
    std::stable_sort(columns.begin(), columns.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& column : columns)
        keys.key.push_back(std::move(column.second));
    if (!keys.key.empty())
        keys.keyName = firstIndex;
}

std::vector<std::string> rowversionColumns(const std::shared_ptr<OdbcSession>& session,
                                           const std::string& table, const std::string& schema)
{
    OdbcStatement statement(session);
    SqlWideString name = toSqlWide(table);
    SchemaArgument owner(schema);
    statement.check(SQLSpecialColumnsW(statement.handle(), SQL_ROWVER, nullptr, 0, owner.data(),
                                       owner.length(), name.data(), SQL_NTS, SQL_SCOPE_CURROW,
                                       SQL_NULLABLE),
                    "SQLSpecialColumns");
    std::vector<std::string> names;
    while (statement.fetch()) {
        statement.integer(1);
        if (auto column = statement.text(2))
            names.push_back(*column);
    }
    return names;
}

} // namespace

sqltext::TableKeys catalogKeys(const std::shared_ptr<OdbcSession>& session,
                               const CatalogOptions& options, const std::string& table,
                               const std::string& schema)
{
    sqltext::TableKeys keys;
    primaryKey(session, table, schema, keys);
    if (keys.key.empty())
        firstUniqueIndex(session, table, schema, keys);
    keys.rowversion = rowversionColumns(session, table, schema);

    std::vector<OwnedColumns> columns = catalogColumns(session, options, table);
    // The columns of the schema's table; without a schema, the first owner's.
    auto owned = std::find_if(columns.begin(), columns.end(), [&](const OwnedColumns& group) {
        return schema.empty()
            || sqltext::equalsNoCase(group.owner.substr(group.owner.rfind('.') + 1), schema);
    });
    if (owned != columns.end()) {
        for (const CatalogColumn& column : owned->columns) {
            const sqltext::ColumnDesc described = describeCatalogColumn(column);
            auto add = [&](std::vector<std::string>& names) {
                if (std::find(names.begin(), names.end(), described.name) == names.end())
                    names.push_back(described.name);
            };
            if (described.identity)
                add(keys.identity);
            if (described.type == sqltext::SqlType::Timestamp)
                add(keys.rowversion);
        }
    }
    return keys;
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
