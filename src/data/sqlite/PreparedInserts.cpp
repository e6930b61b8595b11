#include "data/sqlite/PreparedInserts.h"

#include "data/sqlite/SqliteDialect.h"
#include "sqltext/TsqlTokens.h"
#include "sqltext/Error.h"

namespace varnett::data {

using sqltext::Token;
using sqltext::TsqlTokens;

namespace {

// Statements kept between batches; a script rarely mixes more shapes at once.
constexpr std::size_t kKept = 4;

} // namespace

PreparedInserts::~PreparedInserts()
{
    clear();
}

void PreparedInserts::clear()
{
    for (Entry& entry : m_entries)
        sqlite3_finalize(entry.statement);
    m_entries.clear();
}

sqlite3_stmt* PreparedInserts::statementFor(const InsertStatement& insert)
{
    for (std::size_t i = m_entries.size(); i-- > 0;) {
        Entry& entry = m_entries[i];
        if (entry.rows == insert.rows && entry.columns == insert.columns
            && entry.header == insert.header) {
            if (i + 1 != m_entries.size()) {
                Entry used = std::move(entry);
                m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(i));
                m_entries.push_back(std::move(used));
            }
            return m_entries.back().statement;
        }
    }
    TsqlTokens tokens(insert.header, sqltext::Backticks::Names);
    std::string sql = toSqliteText(tokens, 0, tokens.tokens().size());
    sql.reserve(sql.size() + insert.rows * (insert.columns * 2 + 4));
    for (std::size_t r = 0; r < insert.rows; ++r) {
        sql += r == 0 ? " (" : ",(";
        for (std::size_t c = 0; c < insert.columns; ++c)
            sql += c == 0 ? "?" : ",?";
        sql += ')';
    }
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v3(m_db, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, &tail)
            != SQLITE_OK
        || !statement || tail != sql.data() + sql.size()
        || static_cast<std::size_t>(sqlite3_bind_parameter_count(statement))
            != insert.rows * insert.columns
        || sqlite3_stmt_readonly(statement)) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    ++m_prepared;
    m_entries.push_back({std::string(insert.header), insert.rows, insert.columns, statement});
    return statement;
}

void PreparedInserts::bind(sqlite3_stmt* statement, const InsertStatement& insert,
                           std::string_view batch)
{
    const std::size_t count = insert.rows * insert.columns;
    for (std::size_t k = 0; k < count; ++k) {
        const InsertValue& value = m_batch.values[insert.firstValue + k];
        const int index = static_cast<int>(k + 1);
        int rc = SQLITE_OK;
        switch (value.kind) {
        case InsertValue::Kind::Null:
            rc = sqlite3_bind_null(statement, index);
            break;
        case InsertValue::Kind::Integer:
            rc = sqlite3_bind_int64(statement, index, value.integer);
            break;
        case InsertValue::Kind::Real:
            rc = sqlite3_bind_double(statement, index, value.real);
            break;
        case InsertValue::Kind::Text: {
            std::string_view text = m_batch.bytes(value, batch);
            rc = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                                   SQLITE_STATIC);
            break;
        }
        case InsertValue::Kind::Blob: {
            std::string_view bytes = m_batch.bytes(value, batch);
            rc = sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                                   SQLITE_STATIC);
            break;
        }
        }
        if (rc != SQLITE_OK)
            throw Error(sqlite3_errmsg(m_db));
    }
}

bool PreparedInserts::run(std::string_view batch)
{
    if (!readInsertBatch(batch, m_batch))
        return false;
    // Statements no longer used go before the batch prepares its own.
    while (m_entries.size() > kKept) {
        sqlite3_finalize(m_entries.front().statement);
        m_entries.erase(m_entries.begin());
    }
    // Every statement is prepared before the first runs, so a batch SQLite
    // does not take is left whole to the general road.
    m_plan.clear();
    for (const InsertStatement& insert : m_batch.statements) {
        sqlite3_stmt* statement = statementFor(insert);
        if (!statement)
            return false;
        m_plan.push_back(statement);
    }
    for (std::size_t i = 0; i < m_plan.size(); ++i) {
        sqlite3_stmt* statement = m_plan[i];
        bind(statement, m_batch.statements[i], batch);
        int rc = sqlite3_step(statement);
        if (rc != SQLITE_DONE) {
            std::string message = sqlite3_errmsg(m_db);
            sqlite3_reset(statement);
            throw Error(message);
        }
        sqlite3_reset(statement);
    }
    return true;
}

} // namespace varnett::data
