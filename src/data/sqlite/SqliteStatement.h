#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace varnett::data {

// Throws varnett::Error carrying the connection's last SQLite message.
[[noreturn]] void throwSqliteError(sqlite3* db);

// Runs every statement of the text; throws with SQLite's message.
void execSqlite(sqlite3* db, const std::string& sql);

// Quotes a name for SQLite: "..." with every " doubled.
std::string sqliteQuote(std::string_view name);

// Prepared statements of one connection kept for use again, so that a query
// run for every one of many objects is parsed once. Each is finalized with
// the cache, which must go before its connection is closed.
class StatementCache {
public:
    explicit StatementCache(sqlite3* db) : m_db(db) {}
    ~StatementCache() { clear(); }
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement of the text, prepared on first use.
    sqlite3_stmt* statement(const std::string& sql);
    bool holds(const std::string& sql) const { return m_statements.count(sql) != 0; }
    void clear();

private:
    sqlite3* m_db;
    std::unordered_map<std::string, sqlite3_stmt*> m_statements;
};

// One prepared SQLite statement, finalized when the object goes; one taken
// from a cache is reset and its bindings cleared instead, so that it holds no
// lock between uses.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
    SqliteStatement(StatementCache& cache, const std::string& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binds text to the parameter ?index (counting from 1).
    SqliteStatement& bind(int index, std::string_view text);
    // Moves to the next row; false when the statement is done.
    bool step();
    std::string text(int column) const;
    std::int64_t integer(int column) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_cached = false;
};

} // namespace varnett::data
