#include "data/sqlite/SqliteCursor.h"

#include "sqltext/Error.h"

namespace varnett::data {

namespace {

std::string selectText(const std::string& database, const std::string& table,
                       const std::vector<sqltext::ColumnDesc>& columns,
                       const std::string& condition)
{
    std::string sql = "SELECT ";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            sql += ", ";
        sql += sqliteQuote(columns[i].name);
    }
    if (columns.empty())
        sql += "NULL";
    sql += " FROM " + (database == "main" ? std::string("main") : sqliteQuote(database)) + "."
        + sqliteQuote(table);
    if (!condition.empty())
        sql += " WHERE (" + condition + ")";
    return sql;
}

} // namespace

std::uint64_t countSqliteRows(sqlite3* db, const std::string& table, const std::string& database,
                              const std::string& condition)
{
    std::string sql = "SELECT COUNT(*) FROM "
        + (database == "main" ? std::string("main") : sqliteQuote(database)) + "."
        + sqliteQuote(table);
    if (!condition.empty())
        sql += " WHERE (" + condition + ")";
    SqliteStatement count(db, sql);
    return count.step() ? static_cast<std::uint64_t>(count.integer(0)) : 0;
}

SqliteCursor::SqliteCursor(sqlite3* db, const std::string& table,
                           std::vector<sqltext::ColumnDesc> columns, const std::string& database,
                           const std::string& condition)
    : m_columns(std::move(columns)),
      m_statement(db, selectText(database, table, m_columns, condition))
{
}

bool SqliteCursor::next()
{
    if (m_done)
        return false;
    m_onRow = false;
    try {
        m_onRow = m_statement.step();
    } catch (...) {
        m_done = true;
        throw;
    }
    m_done = !m_onRow;
    return m_onRow;
}

Value SqliteCursor::value(std::size_t column) const
{
    Value value;
    readValue(column, value);
    return value;
}

void SqliteCursor::readValue(std::size_t column, Value& value) const
{
    if (!m_onRow)
        throw Error("There is no current row to read.");
    if (column >= m_columns.size())
        throw Error("Column " + std::to_string(column) + " is out of range; the row has "
                    + std::to_string(m_columns.size()) + " columns.");
    sqlite3_stmt* stmt = m_statement.handle();
    int index = static_cast<int>(column);
    value.bytes.clear();
    value.integer = 0;
    value.real = 0;
    switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
        value.kind = Value::Kind::Integer;
        value.integer = sqlite3_column_int64(stmt, index);
        break;
    case SQLITE_FLOAT:
        value.kind = Value::Kind::Real;
        value.real = sqlite3_column_double(stmt, index);
        break;
    case SQLITE_TEXT: {
        value.kind = Value::Kind::Text;
        const unsigned char* text = sqlite3_column_text(stmt, index);
        int size = sqlite3_column_bytes(stmt, index);
        if (text)
            value.bytes.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
        break;
    }
    case SQLITE_BLOB: {
        value.kind = Value::Kind::Blob;
        const void* blob = sqlite3_column_blob(stmt, index);
        int size = sqlite3_column_bytes(stmt, index);
        if (blob)
            value.bytes.assign(static_cast<const char*>(blob), static_cast<std::size_t>(size));
        break;
    }
    default:
        value.kind = Value::Kind::Null;
        break;
    }
}

} // namespace varnett::data
