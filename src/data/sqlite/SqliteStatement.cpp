#include "data/sqlite/SqliteStatement.h"

#include "sqltext/Error.h"
#include "sqltext/Quoting.h"

namespace varnett::data {

void throwSqliteError(sqlite3* db)
{
    throw Error(db ? sqlite3_errmsg(db) : "out of memory");
}

void execSqlite(sqlite3* db, const std::string& sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message ? message : sqlite3_errmsg(db);
        sqlite3_free(message);
        throw Error(text);
    }
}

std::string sqliteQuote(std::string_view name)
{
    std::string out;
    sqltext::appendQuoted(out, name, "\"", '"');
    return out;
}

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_stmt, nullptr)
        != SQLITE_OK)
        throwSqliteError(db);
}

SqliteStatement::SqliteStatement(StatementCache& cache, const std::string& sql)
    : m_db(nullptr), m_stmt(cache.statement(sql)), m_cached(true)
{
    m_db = sqlite3_db_handle(m_stmt);
}

SqliteStatement::~SqliteStatement()
{
    if (m_cached) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    } else {
        sqlite3_finalize(m_stmt);
    }
}

sqlite3_stmt* StatementCache::statement(const std::string& sql)
{
    auto found = m_statements.find(sql);
    if (found != m_statements.end())
        return found->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &stmt, nullptr)
        != SQLITE_OK)
        throwSqliteError(m_db);
    m_statements.emplace(sql, stmt);
    return stmt;
}

void StatementCache::clear()
{
    for (auto& entry : m_statements)
        sqlite3_finalize(entry.second);
    m_statements.clear();
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text)
{
    if (sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT)
        != SQLITE_OK)
        throwSqliteError(m_db);
    return *this;
}

bool SqliteStatement::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throwSqliteError(m_db);
}

std::string SqliteStatement::text(int column) const
{
    const auto* bytes = sqlite3_column_text(m_stmt, column);
    int size = sqlite3_column_bytes(m_stmt, column);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size))
                 : std::string();
}

std::int64_t SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

} // namespace varnett::data
