#include "data/sqlite/ProcedureCatalog.h"

#include "data/sqlite/SqliteStatement.h"

namespace varnett::data {

namespace {

std::string table() { return sqliteQuote(ProcedureCatalog::kTableName); }

} // namespace

bool ProcedureCatalog::exists() const
{
    SqliteStatement query(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    query.bind(1, kTableName);
    return query.step();
}

std::vector<std::string> ProcedureCatalog::names() const
{
    std::vector<std::string> result;
    if (!exists())
        return result;
    SqliteStatement query(m_db, "SELECT name FROM " + table());
    while (query.step())
        result.push_back(query.text(0));
    return result;
}

std::optional<std::string> ProcedureCatalog::text(std::string_view name) const
{
    if (!exists())
        return std::nullopt;
    SqliteStatement query(m_db,
                          "SELECT definition FROM " + table() + " WHERE name = ?1 COLLATE NOCASE");
    query.bind(1, name);
    if (!query.step())
        return std::nullopt;
    return query.text(0);
}

void ProcedureCatalog::add(std::string_view name, std::string_view text)
{
    execSqlite(m_db, "CREATE TABLE IF NOT EXISTS " + table()
                         + " (name TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
                           " definition TEXT NOT NULL)");
    SqliteStatement insert(m_db, "INSERT INTO " + table() + " (name, definition) VALUES (?1, ?2)");
    insert.bind(1, name).bind(2, text);
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
