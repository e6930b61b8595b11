#include "data/sqlite/ProcedureCatalog.h"

#include "data/sqlite/SqliteStatement.h"

namespace varnett::data {

SqliteStatement ProcedureCatalog::prepare(const std::string& sql) const
{
    if (m_cache)
        return SqliteStatement(*m_cache, sql);
    return SqliteStatement(m_db, sql);
}

std::string ProcedureCatalog::table() const
{
    // Always qualified: an unqualified name that main lacks would reach a
    // schema's catalog.
    return (m_database == "main" ? std::string("main") : sqliteQuote(m_database)) + "."
        + sqliteQuote(kTableName);
}

bool ProcedureCatalog::exists() const
{
    SqliteStatement query = prepare("SELECT 1 FROM " + sqliteQuote(m_database)
                                    + ".sqlite_master WHERE type = 'table' AND name = ?1");
    query.bind(1, kTableName);
    return query.step();
}

std::vector<std::string> ProcedureCatalog::names() const
{
    std::vector<std::string> result;
    if (!exists())
        return result;
    SqliteStatement query = prepare("SELECT name FROM " + table());
    while (query.step())
        result.push_back(query.text(0));
    return result;
}

std::optional<std::string> ProcedureCatalog::text(std::string_view name) const
{
    if (!exists())
        return std::nullopt;
    SqliteStatement query =
        prepare("SELECT definition FROM " + table() + " WHERE name = ?1 COLLATE NOCASE");
    query.bind(1, name);
    if (!query.step())
        return std::nullopt;
    return query.text(0);
}

bool ProcedureCatalog::hasSettingsColumns() const
{
    SqliteStatement query =
        prepare("SELECT 1 FROM pragma_table_info(?1, ?2) WHERE name = 'ansi_nulls'");
    query.bind(1, kTableName).bind(2, m_database);
    return query.step();
}

std::optional<sqltext::ProcedureSettings> ProcedureCatalog::settings(std::string_view name) const
{
    if (!exists())
        return std::nullopt;
    const std::string sql = "SELECT quoted_identifier, ansi_nulls FROM " + table()
        + " WHERE name = ?1 COLLATE NOCASE";
    // A query prepared before found the columns, and columns are never
    // dropped: the catalog need not be looked at again.
    if (!(m_cache && m_cache->holds(sql)) && !hasSettingsColumns())
        return contains(name) ? std::optional<sqltext::ProcedureSettings>(sqltext::ProcedureSettings{})
                              : std::nullopt;
    SqliteStatement query = prepare(sql);
    query.bind(1, name);
    if (!query.step())
        return std::nullopt;
    return sqltext::ProcedureSettings{query.integer(0) != 0, query.integer(1) != 0};
}

void ProcedureCatalog::add(std::string_view name, std::string_view text,
                           const sqltext::ProcedureSettings& settings)
{
    execSqlite(m_db, "CREATE TABLE IF NOT EXISTS " + table()
                         + " (name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
                           " definition TEXT NOT NULL,"
                           " quoted_identifier INTEGER NOT NULL DEFAULT 1,"
                           " ansi_nulls INTEGER NOT NULL DEFAULT 1)");
    // A catalog made before the settings were kept gains their columns.
    if (!hasSettingsColumns())
        execSqlite(m_db, "ALTER TABLE " + table()
                             + " ADD COLUMN quoted_identifier INTEGER NOT NULL DEFAULT 1;"
                               " ALTER TABLE " + table()
                             + " ADD COLUMN ansi_nulls INTEGER NOT NULL DEFAULT 1");
    SqliteStatement insert(m_db, "INSERT INTO " + table()
                                     + " (name, definition, quoted_identifier, ansi_nulls)"
                                       " VALUES (?1, ?2, ?3, ?4)");
    insert.bind(1, name).bind(2, text).bind(3, settings.quotedIdentifier ? "1" : "0")
        .bind(4, settings.ansiNulls ? "1" : "0");
    insert.step();
}

bool ProcedureCatalog::remove(std::string_view name)
{
    if (!exists())
        return false;
    SqliteStatement drop(m_db, "DELETE FROM " + table() + " WHERE name = ?1 COLLATE NOCASE");
    drop.bind(1, name);
    drop.step();
    return sqlite3_changes(m_db) > 0;
}

} // namespace varnett::data
