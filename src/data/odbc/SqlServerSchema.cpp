#include "data/odbc/SqlServerSchema.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/SqlServerCatalog.h"
#include "sqltext/AsciiText.h"
#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"

namespace varnett::data {

namespace {

using sqltext::SchemaTable;

std::string textOf(OdbcStatement& statement, SQLUSMALLINT column)
{
    return statement.text(column).value_or(std::string());
}

std::int64_t numberOf(OdbcStatement& statement, SQLUSMALLINT column)
{
    return statement.integer(column).value_or(0);
}

// The type as a column declares it: "nvarchar(40)", "decimal(19,4)",
// "varbinary(max)", "datetime2(3)"; an alias type by its two-part name.
std::string typeText(const std::string& name, std::int64_t maxLength, std::int64_t precision,
                     std::int64_t scale, bool userDefined, const std::string& schema)
{
    if (userDefined)
        return sqltext::bracketQuote(schema) + "." + sqltext::bracketQuote(name);
    const std::string type = sqltext::toLowerAscii(name);
    auto length = [&](std::int64_t bytesPerCharacter) {
        return type + "(" + (maxLength < 0 ? std::string("max")
                                           : std::to_string(maxLength / bytesPerCharacter)) + ")";
    };
    if (type == "varchar" || type == "char" || type == "varbinary" || type == "binary")
        return length(1);
    if (type == "nvarchar" || type == "nchar")
        return length(2);
    if (type == "decimal" || type == "numeric")
        return type + "(" + std::to_string(precision) + "," + std::to_string(scale) + ")";
    if (type == "datetime2" || type == "time" || type == "datetimeoffset")
        return type + "(" + std::to_string(scale) + ")";
    if (type == "float" && precision != 53)
        return type + "(" + std::to_string(precision) + ")";
    return type;
}

sqltext::ReferentialAction actionOf(std::int64_t code)
{
    switch (code) {
    case 1: return sqltext::ReferentialAction::Cascade;
    case 2: return sqltext::ReferentialAction::SetNull;
    case 3: return sqltext::ReferentialAction::SetDefault;
    default: return sqltext::ReferentialAction::NoAction;
    }
}

void readColumns(const std::shared_ptr<OdbcSession>& session, const std::string& object,
                 SchemaTable& table)
{
    OdbcStatement statement(session);
    statement.execute(
        "SELECT c.name, t.name, CAST(c.max_length AS int), CAST(c.precision AS int),"
        " CAST(c.scale AS int), CAST(c.is_nullable AS int), CAST(t.is_user_defined AS int),"
        " SCHEMA_NAME(t.schema_id), CAST(c.is_identity AS int),"
        " CAST(ic.seed_value AS nvarchar(40)), CAST(ic.increment_value AS nvarchar(40)),"
        " dc.name, dc.definition, cc.definition, CAST(cc.is_persisted AS int),"
        " CASE WHEN c.collation_name <> CONVERT(sysname, DATABASEPROPERTYEX(DB_NAME(),"
        " 'Collation')) THEN c.collation_name END"
        " FROM sys.columns c"
        " JOIN sys.types t ON t.user_type_id = c.user_type_id"
        " LEFT JOIN sys.identity_columns ic ON ic.object_id = c.object_id"
        " AND ic.column_id = c.column_id"
        " LEFT JOIN sys.default_constraints dc ON dc.parent_object_id = c.object_id"
        " AND dc.parent_column_id = c.column_id"
        " LEFT JOIN sys.computed_columns cc ON cc.object_id = c.object_id"
        " AND cc.column_id = c.column_id"
        " WHERE c.object_id = OBJECT_ID(?) ORDER BY c.column_id",
        {object});
    while (statement.fetch()) {
        sqltext::SchemaColumn column;
        column.name = textOf(statement, 1);
        const std::string type = textOf(statement, 2);
        const std::int64_t maxLength = numberOf(statement, 3);
        const std::int64_t precision = numberOf(statement, 4);
        const std::int64_t scale = numberOf(statement, 5);
        column.nullable = numberOf(statement, 6) != 0;
        const bool userDefined = numberOf(statement, 7) != 0;
        const std::string typeSchema = textOf(statement, 8);
        column.type = typeText(type, maxLength, precision, scale, userDefined, typeSchema);
        if (numberOf(statement, 9) != 0) {
            sqltext::IdentitySpec identity;
            identity.seed = statement.text(10).value_or("1");
            identity.increment = statement.text(11).value_or("1");
            column.identity = identity;
        }
        column.defaultName = textOf(statement, 12);
        column.defaultText = textOf(statement, 13);
        column.computedText = textOf(statement, 14);
        column.persisted = numberOf(statement, 15) != 0;
        column.collation = textOf(statement, 16);
        if (!column.computedText.empty())
            column.type.clear();
        table.columns.push_back(std::move(column));
    }
}

void readKeys(const std::shared_ptr<OdbcSession>& session, const std::string& object,
              SchemaTable& table)
{
    OdbcStatement statement(session);
    statement.execute(
        "SELECT i.name, CAST(i.is_primary_key AS int), CASE WHEN i.type = 1 THEN 1 ELSE 0 END,"
        " c.name, CAST(ic.is_descending_key AS int)"
        " FROM sys.indexes i"
        " JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id"
        " JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id"
        " WHERE i.object_id = OBJECT_ID(?) AND (i.is_primary_key = 1 OR i.is_unique_constraint = 1)"
        " AND ic.is_included_column = 0"
        " ORDER BY i.is_primary_key DESC, i.name, ic.key_ordinal",
        {object});
    while (statement.fetch()) {
        std::string name = textOf(statement, 1);
        const bool primary = numberOf(statement, 2) != 0;
        const bool clustered = numberOf(statement, 3) != 0;
        sqltext::KeyColumn column{textOf(statement, 4), numberOf(statement, 5) != 0};
        if (table.keys.empty() || table.keys.back().name != name)
            table.keys.push_back({std::move(name), primary, clustered, {}});
        table.keys.back().columns.push_back(std::move(column));
    }
}

void readChecks(const std::shared_ptr<OdbcSession>& session, const std::string& object,
                SchemaTable& table)
{
    OdbcStatement statement(session);
    statement.execute("SELECT name, definition FROM sys.check_constraints"
                      " WHERE parent_object_id = OBJECT_ID(?) ORDER BY name",
                      {object});
    while (statement.fetch()) {
        std::string name = textOf(statement, 1);
        table.checks.push_back({std::move(name), textOf(statement, 2)});
    }
}

void readIndexes(const std::shared_ptr<OdbcSession>& session, const std::string& object,
                 SchemaTable& table)
{
    OdbcStatement statement(session);
    statement.execute(
        "SELECT i.name, CAST(i.is_unique AS int), CASE WHEN i.type = 1 THEN 1 ELSE 0 END,"
        " c.name, CAST(ic.is_descending_key AS int), CAST(ic.is_included_column AS int)"
        " FROM sys.indexes i"
        " JOIN sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id"
        " JOIN sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id"
        " WHERE i.object_id = OBJECT_ID(?) AND i.is_primary_key = 0"
        " AND i.is_unique_constraint = 0 AND i.type IN (1, 2) AND i.is_hypothetical = 0"
        " ORDER BY i.name, ic.is_included_column, ic.key_ordinal, ic.index_column_id",
        {object});
    while (statement.fetch()) {
        std::string name = textOf(statement, 1);
        const bool unique = numberOf(statement, 2) != 0;
        const bool clustered = numberOf(statement, 3) != 0;
        std::string column = textOf(statement, 4);
        const bool descending = numberOf(statement, 5) != 0;
        const bool included = numberOf(statement, 6) != 0;
        if (table.indexes.empty() || table.indexes.back().name != name)
            table.indexes.push_back({std::move(name), unique, clustered, {}, {}});
        if (included)
            table.indexes.back().included.push_back(std::move(column));
        else
            table.indexes.back().columns.push_back({std::move(column), descending});
    }
}

void readForeignKeys(const std::shared_ptr<OdbcSession>& session, const std::string& object,
                     SchemaTable& table)
{
    OdbcStatement statement(session);
    statement.execute(
        "SELECT f.name, SCHEMA_NAME(r.schema_id), r.name, pc.name, rc.name,"
        " CAST(f.delete_referential_action AS int), CAST(f.update_referential_action AS int)"
        " FROM sys.foreign_keys f"
        " JOIN sys.foreign_key_columns fc ON fc.constraint_object_id = f.object_id"
        " JOIN sys.objects r ON r.object_id = f.referenced_object_id"
        " JOIN sys.columns pc ON pc.object_id = fc.parent_object_id"
        " AND pc.column_id = fc.parent_column_id"
        " JOIN sys.columns rc ON rc.object_id = fc.referenced_object_id"
        " AND rc.column_id = fc.referenced_column_id"
        " WHERE f.parent_object_id = OBJECT_ID(?) ORDER BY f.name, fc.constraint_column_id",
        {object});
    while (statement.fetch()) {
        std::string name = textOf(statement, 1);
        sqltext::ObjectName referenced{textOf(statement, 2), textOf(statement, 3)};
        std::string column = textOf(statement, 4);
        std::string referencedColumn = textOf(statement, 5);
        const auto onDelete = actionOf(numberOf(statement, 6));
        const auto onUpdate = actionOf(numberOf(statement, 7));
        if (table.foreignKeys.empty() || table.foreignKeys.back().name != name) {
            sqltext::SchemaForeignKey key;
            key.name = std::move(name);
            key.referenced = std::move(referenced);
            key.onDelete = onDelete;
            key.onUpdate = onUpdate;
            table.foreignKeys.push_back(std::move(key));
        }
        table.foreignKeys.back().columns.push_back(std::move(column));
        table.foreignKeys.back().referencedColumns.push_back(std::move(referencedColumn));
    }
}

} // namespace

sqltext::SchemaObject sqlServerSchemaObject(const std::shared_ptr<OdbcSession>& session,
                                            const sqltext::ObjectName& object)
{
    const std::string bracketed = sqltext::bracketedName(object);
    sqltext::ObjectName name;
    std::string type;
    {
        OdbcStatement statement(session);
        statement.execute("SELECT SCHEMA_NAME(schema_id), name, type FROM sys.objects"
                          " WHERE object_id = OBJECT_ID(?) AND type IN ('U', 'V')",
                          {bracketed});
        if (!statement.fetch())
            throw Error("Invalid object name '" + sqltext::displayName(object) + "'.");
        name.schema = textOf(statement, 1);
        name.name = textOf(statement, 2);
        // Some servers lowercase names in sys.objects; the lists keep their case.
        if (sqltext::equalsNoCase(name.schema, object.schema))
            name.schema = object.schema;
        if (sqltext::equalsNoCase(name.name, object.name))
            name.name = object.name;
        type = textOf(statement, 3);
    }
    sqltext::SchemaObject result;
    if (!type.empty() && type.front() == 'V') {
        result.isView = true;
        result.view.name = name;
        result.view.text = sqlServerModuleText(session, bracketed);
        result.view.settings = sqlServerModuleSettings(session, bracketed);
        return result;
    }
    result.table.name = name;
    readColumns(session, bracketed, result.table);
    readKeys(session, bracketed, result.table);
    readChecks(session, bracketed, result.table);
    readIndexes(session, bracketed, result.table);
    readForeignKeys(session, bracketed, result.table);
    return result;
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
