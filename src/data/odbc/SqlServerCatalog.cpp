#include "data/odbc/SqlServerCatalog.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcCatalog.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"

#include <algorithm>

namespace varnett::data {

namespace {

// User tables or views (TABLE_TYPE 'BASE TABLE' or 'VIEW') of every schema.
// INFORMATION_SCHEMA keeps the names as they were created; the object's
// IsMSShipped property leaves out what the server installs in a user
// database.
std::vector<sqltext::ObjectName> objectsOfType(const std::shared_ptr<OdbcSession>& session,
                                       const char* type)
{
    OdbcStatement statement(session);
    statement.execute(
        "SELECT TABLE_SCHEMA, TABLE_NAME FROM INFORMATION_SCHEMA.TABLES"
        " WHERE TABLE_TYPE = ? AND ISNULL(OBJECTPROPERTY(OBJECT_ID(QUOTENAME(TABLE_SCHEMA)"
        " + N'.' + QUOTENAME(TABLE_NAME)), N'IsMSShipped'), 0) = 0",
        {type});
    std::vector<sqltext::ObjectName> objects;
    while (statement.fetch()) {
        std::string schema = statement.text(1).value_or(std::string());
        std::string name = statement.text(2).value_or(std::string());
        objects.push_back({schema.empty() ? std::string("dbo") : std::move(schema), std::move(name)});
    }
    return orderedNames(std::move(objects));
}

bool isSet(const std::optional<std::int64_t>& value) { return value.value_or(0) != 0; }

// A column the catalog views name, as the table's column list names it: some
// servers keep the original case of column names in one place only.
std::string columnNamed(const std::vector<std::string>& columns, std::string name)
{
    if (std::find(columns.begin(), columns.end(), name) != columns.end())
        return name;
    for (const std::string& column : columns)
        if (sqltext::equalsNoCase(column, name))
            return column;
    return name;
}

} // namespace

std::vector<sqltext::ObjectName> sqlServerTables(const std::shared_ptr<OdbcSession>& session)
{
    std::vector<sqltext::ObjectName> names = objectsOfType(session, "BASE TABLE");
    std::vector<sqltext::ObjectName> views = objectsOfType(session, "VIEW");
    names.insert(names.end(), std::make_move_iterator(views.begin()),
                 std::make_move_iterator(views.end()));
    return names;
}

std::vector<sqltext::ObjectName> sqlServerViews(const std::shared_ptr<OdbcSession>& session)
{
    return objectsOfType(session, "VIEW");
}

ServerFilledColumns sqlServerFilledColumns(const std::shared_ptr<OdbcSession>& session,
                                           const std::string& object,
                                           const std::vector<std::string>& columns)
{
    OdbcStatement statement(session);
    statement.execute("SELECT name, CAST(is_identity AS int), CAST(is_computed AS int),"
                      " CASE WHEN TYPE_NAME(system_type_id) = N'timestamp' THEN 1 ELSE 0 END"
                      " FROM sys.columns WHERE object_id = OBJECT_ID(?) ORDER BY column_id",
                      {object});
    ServerFilledColumns filled;
    while (statement.fetch()) {
        std::string name = columnNamed(columns, statement.text(1).value_or(std::string()));
        const bool identity = isSet(statement.integer(2));
        const bool computed = isSet(statement.integer(3));
        const bool rowversion = isSet(statement.integer(4));
        if (identity)
            filled.identity.push_back(name);
        if (computed)
            filled.computed.push_back(name);
        if (rowversion)
            filled.rowversion.push_back(std::move(name));
    }
    return filled;
}

sqltext::TableKeys sqlServerKeys(const std::shared_ptr<OdbcSession>& session,
                                 const std::string& object, const std::vector<std::string>& columns)
{
    sqltext::TableKeys keys;
    {
        OdbcStatement statement(session);
        statement.execute(
            "SELECT i.name, CAST(i.is_primary_key AS int), c.name"
            " FROM sys.indexes i"
            " JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id"
            " JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id"
            " WHERE i.object_id = OBJECT_ID(?) AND i.is_unique = 1 AND i.has_filter = 0"
            " AND i.is_disabled = 0 AND i.is_hypothetical = 0 AND ic.is_included_column = 0"
            " ORDER BY i.is_primary_key DESC, i.name, ic.key_ordinal",
            {object});
        bool first = true;
        std::string index;
        while (statement.fetch()) {
            std::string name = statement.text(1).value_or(std::string());
            const bool primary = isSet(statement.integer(2));
            std::string column = columnNamed(columns, statement.text(3).value_or(std::string()));
            if (first) {
                index = name;
                keys.keyName = name;
                keys.primaryKey = primary;
                first = false;
            } else if (name != index) {
                continue;
            }
            keys.key.push_back(std::move(column));
        }
    }
    ServerFilledColumns filled = sqlServerFilledColumns(session, object, columns);
    keys.identity = std::move(filled.identity);
    keys.computed = std::move(filled.computed);
    keys.rowversion = std::move(filled.rowversion);
    return keys;
}

std::string sqlServerModuleText(const std::shared_ptr<OdbcSession>& session,
                                const std::string& object)
{
    OdbcStatement statement(session);
    statement.execute("SELECT OBJECT_ID(?),"
                      " (SELECT definition FROM sys.sql_modules WHERE object_id = OBJECT_ID(?))",
                      {object, object});
    std::optional<std::int64_t> id;
    std::optional<std::string> text;
    if (statement.fetch()) {
        id = statement.integer(1);
        text = statement.text(2);
    }
    if (!id)
        throw Error("The object '" + object + "' does not exist or is invalid for this operation.");
    if (!text || text->empty())
        throw Error("The text of '" + object
                    + "' cannot be read: the server keeps none for it (it is encrypted, or this"
                      " login may not see it).");
    return *text;
}

sqltext::ProcedureSettings sqlServerModuleSettings(const std::shared_ptr<OdbcSession>& session,
                                                   const std::string& object)
{
    OdbcStatement statement(session);
    statement.execute("SELECT CAST(uses_quoted_identifier AS int), CAST(uses_ansi_nulls AS int)"
                      " FROM sys.sql_modules WHERE object_id = OBJECT_ID(?)",
                      {object});
    if (!statement.fetch())
        throw Error("The object '" + object + "' does not exist or is not a procedure.");
    const bool quoted = isSet(statement.integer(1));
    const bool ansiNulls = isSet(statement.integer(2));
    return {quoted, ansiNulls};
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
