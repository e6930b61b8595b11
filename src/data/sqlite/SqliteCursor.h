#pragma once

#include "data/Engine.h"
#include "data/sqlite/SqliteStatement.h"

#include <string>
#include <vector>

namespace varnett::data {

// The rows of one table or view, read from SQLite one step at a time.
// The rows of the table that meet the condition (SQLite's text), counted.
std::uint64_t countSqliteRows(sqlite3* db, const std::string& table, const std::string& database,
                              const std::string& condition);

class SqliteCursor final : public RowCursor {
public:
    // `database` is "main" or the attached schema that holds the table;
    // `condition`, SQLite's SQL, keeps only the rows that meet it (empty keeps all).
    SqliteCursor(sqlite3* db, const std::string& table, std::vector<sqltext::ColumnDesc> columns,
                 const std::string& database = "main", const std::string& condition = {});

    const std::vector<sqltext::ColumnDesc>& columns() const override { return m_columns; }
    bool next() override;
    Value value(std::size_t column) const override;
    void readValue(std::size_t column, Value& out) const override;

private:
    std::vector<sqltext::ColumnDesc> m_columns;
    SqliteStatement m_statement;
    bool m_onRow = false;
    bool m_done = false;
};

} // namespace varnett::data
