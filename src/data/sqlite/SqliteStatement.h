#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace varnett::data {

// Throws varnett::Error carrying the connection's last SQLite message.
[[noreturn]] void throwSqliteError(sqlite3* db);

// Runs every statement of the text; throws with SQLite's message.
void execSqlite(sqlite3* db, const std::string& sql);

// Quotes a name for SQLite: "..." with every " doubled.
std::string sqliteQuote(std::string_view name);

// One prepared SQLite statement, finalized when the object goes.
class SqliteStatement {
public:
    SqliteStatement(sqlite3* db, std::string_view sql);
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
};

} // namespace varnett::data
