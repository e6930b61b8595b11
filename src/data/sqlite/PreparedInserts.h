#pragma once

#include "data/sqlite/InsertBatch.h"

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

namespace varnett::data {

// Runs batches of INSERT statements of constants through prepared statements
// kept from one batch to the next: a statement of the same shape as one
// before (the same text up to VALUES, as many rows of as many values) only
// binds its values anew. A data script loads row after row of the same shape.
class PreparedInserts {
public:
    explicit PreparedInserts(sqlite3* db) : m_db(db) {}
    ~PreparedInserts();
    PreparedInserts(const PreparedInserts&) = delete;
    PreparedInserts& operator=(const PreparedInserts&) = delete;

    // Runs the batch when it is such INSERT statements and SQLite prepares
    // each of them; false, with nothing run, otherwise. Throws varnett::Error
    // with SQLite's message when a statement fails; those before it stay done,
    // as when SQLite runs the batch's text.
    bool run(std::string_view batch);
    // Finalizes the kept statements.
    void clear();
    // Statements prepared so far, kept or not.
    std::size_t preparedCount() const { return m_prepared; }

private:
    struct Entry {
        std::string header;
        std::size_t rows = 0;
        std::size_t columns = 0;
        sqlite3_stmt* statement = nullptr;
    };

    // The kept statement of that shape, prepared when there is none; null
    // when SQLite does not prepare it.
    sqlite3_stmt* statementFor(const InsertStatement& insert);
    void bind(sqlite3_stmt* statement, const InsertStatement& insert, std::string_view batch);

    sqlite3* m_db;
    std::vector<Entry> m_entries;       // the one used last at the back
    std::vector<sqlite3_stmt*> m_plan;  // per statement of the batch at hand
    InsertBatch m_batch;
    std::size_t m_prepared = 0;
};

} // namespace varnett::data
