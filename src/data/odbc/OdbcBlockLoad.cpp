#include "data/odbc/OdbcBlockLoad.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcCursor.h"
#include "data/odbc/OdbcText.h"
#include "sqltext/Error.h"

#include <algorithm>

namespace varnett::data {

using sqltext::BoundForm;
using sqltext::Value;

namespace {

constexpr SQLSMALLINT kSqlServerXml = -152;
constexpr SQLSMALLINT kSqlServerTime = -154;
constexpr SQLSMALLINT kSqlServerDateTimeOffset = -155;
constexpr SQLULEN kWideLimit = 4000;      // nvarchar(n) holds at most 4,000 characters
constexpr SQLULEN kBinaryLimit = 8000;

// The bound form of a column of the target as the driver describes it.
BoundForm formOf(SQLSMALLINT type)
{
    switch (type) {
    case SQL_BIT: case SQL_TINYINT: case SQL_SMALLINT: case SQL_INTEGER: case SQL_BIGINT:
        return BoundForm::Integer;
    case SQL_FLOAT: case SQL_REAL: case SQL_DOUBLE:
        return BoundForm::Float;
    case SQL_DECIMAL: case SQL_NUMERIC:
        return BoundForm::Exact;
    case SQL_CHAR: case SQL_VARCHAR: case SQL_LONGVARCHAR: case SQL_WCHAR: case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR: case kSqlServerXml: case SQL_GUID: case SQL_TYPE_DATE:
    case SQL_TYPE_TIME: case SQL_TYPE_TIMESTAMP: case SQL_DATETIME: case kSqlServerTime:
        return BoundForm::Text;
    case kSqlServerDateTimeOffset:
        // Babelfish converts no parameter to datetimeoffset; the text serves
        // both servers.
        return BoundForm::None;
    case SQL_BINARY: case SQL_VARBINARY: case SQL_LONGVARBINARY:
        return BoundForm::Binary;
    default:
        return BoundForm::None;
    }
}

std::size_t executions = 0;

} // namespace

std::size_t blockLoadExecutions()
{
    return executions;
}

struct OdbcBlockLoad::Target {
    std::string header;
    std::vector<BoundForm> forms;
    std::vector<SQLULEN> sizes;     // as described
};

struct OdbcBlockLoad::Prepared {
    std::string header;
    std::size_t rows = 0;
    std::unique_ptr<OdbcStatement> statement;
};

OdbcBlockLoad::OdbcBlockLoad(std::shared_ptr<OdbcSession> session, std::size_t rowsPerExecution)
    : m_session(std::move(session)), m_rowsPerExecution(rowsPerExecution)
{
}

std::size_t blockLoadRows(const char* setting)
{
    if (!setting || !*setting)
        return 0;
    std::size_t rows = 0;
    for (const char* c = setting; *c; ++c) {
        if (*c < '0' || *c > '9' || rows > 1000)
            return 0;
        rows = rows * 10 + static_cast<std::size_t>(*c - '0');
    }
    return rows <= 1000 ? rows : 0;
}

OdbcBlockLoad::~OdbcBlockLoad() = default;

void OdbcBlockLoad::forget()
{
    m_targets.clear();
    m_prepared.clear();
}

const OdbcBlockLoad::Target* OdbcBlockLoad::targetFor(const sqltext::InsertRows& insert)
{
    for (const auto& target : m_targets)
        if (target->header == insert.header)
            return target.get();
    auto target = std::make_unique<Target>();
    target->header = insert.header;
    try {
        OdbcStatement statement(m_session);
        statement.execute("SELECT TOP (0) " + std::string(insert.columns) + " FROM "
                          + std::string(insert.table));
        for (const ResultColumn& column : describeResult(statement)) {
            target->forms.push_back(formOf(column.dataType));
            target->sizes.push_back(static_cast<SQLULEN>(
                std::max(column.catalog.columnSize.value_or(0), 0L)));
        }
    } catch (const Error&) {
        // The INSERT's text then meets the same problem and reports it as
        // the server words it for the INSERT.
        return nullptr;
    }
    if (target->forms.size() != insert.columnCount)
        return nullptr;
    m_targets.push_back(std::move(target));
    return m_targets.back().get();
}

OdbcStatement& OdbcBlockLoad::preparedFor(const sqltext::InsertRows& insert, std::size_t rows)
{
    for (const auto& prepared : m_prepared)
        if (prepared->rows == rows && prepared->header == insert.header)
            return *prepared->statement;
    std::string sql(insert.header);
    sql += " VALUES ";
    std::string row = "(";
    for (std::size_t i = 0; i < insert.columnCount; ++i)
        row += i ? ",?" : "?";
    row += ")";
    for (std::size_t r = 0; r < rows; ++r) {
        if (r)
            sql += ',';
        sql += row;
    }
    auto prepared = std::make_unique<Prepared>();
    prepared->header = insert.header;
    prepared->rows = rows;
    prepared->statement = std::make_unique<OdbcStatement>(m_session);
    SqlWideString text = toSqlWide(sql);
    prepared->statement->check(SQLPrepareW(prepared->statement->handle(), text.data(),
                                           static_cast<SQLINTEGER>(text.size())),
                               "SQLPrepare");
    m_prepared.push_back(std::move(prepared));
    return *m_prepared.back()->statement;
}

bool OdbcBlockLoad::run(std::string_view batch)
{
    if (m_rowsPerExecution == 0 || !sqltext::readInsertLiterals(batch, m_literals))
        return false;
    // Every value is read before anything runs: one that does not bind
    // exactly sends the whole batch as text.
    std::vector<const Target*> targets;
    m_values.resize(m_literals.values.size());
    for (const sqltext::InsertRows& insert : m_literals.statements) {
        if (insert.columnCount > kMaxParameters)
            return false;
        const Target* target = targetFor(insert);
        if (!target)
            return false;
        targets.push_back(target);
        for (std::size_t i = 0; i < insert.rows * insert.columnCount; ++i) {
            const sqltext::Literal& literal = m_literals.values[insert.firstValue + i];
            auto value = sqltext::boundValue(target->forms[i % insert.columnCount], literal.kind,
                                             m_literals.bytes(literal));
            if (!value)
                return false;
            m_values[insert.firstValue + i] = std::move(*value);
        }
    }
    for (std::size_t s = 0; s < m_literals.statements.size(); ++s) {
        const sqltext::InsertRows& insert = m_literals.statements[s];
        const std::size_t perExecution =
            std::clamp<std::size_t>(kMaxParameters / insert.columnCount, 1, m_rowsPerExecution);
        for (std::size_t row = 0; row < insert.rows; row += perExecution) {
            const std::size_t rows = std::min(perExecution, insert.rows - row);
            execute(preparedFor(insert, rows), *targets[s],
                    insert.firstValue + row * insert.columnCount, rows);
        }
    }
    return true;
}

void OdbcBlockLoad::execute(OdbcStatement& statement, const Target& target, std::size_t firstValue,
                            std::size_t rows)
{
    const std::size_t columns = target.forms.size();
    const std::size_t count = rows * columns;
    // Every buffer is complete before the first is bound: the driver keeps
    // pointers into them.
    m_wide.clear();
    m_integers.assign(count, 0);
    m_reals.assign(count, 0);
    m_lengths.assign(count, SQL_NULL_DATA);
    std::vector<std::size_t> wideAt(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const Value& value = m_values[firstValue + i];
        switch (value.kind) {
        case Value::Kind::Null:
            break;
        case Value::Kind::Integer:
            m_integers[i] = value.integer;
            m_lengths[i] = sizeof(SQLBIGINT);
            break;
        case Value::Kind::Real:
            m_reals[i] = value.real;
            m_lengths[i] = sizeof(SQLDOUBLE);
            break;
        case Value::Kind::Text: {
            wideAt[i] = m_wide.size();
            const std::u16string units = utf8ToUtf16(value.bytes);
            m_wide.insert(m_wide.end(), units.begin(), units.end());
            m_lengths[i] = static_cast<SQLLEN>(units.size() * sizeof(SQLWCHAR));
            break;
        }
        case Value::Kind::Blob:
            m_lengths[i] = static_cast<SQLLEN>(value.bytes.size());
            break;
        }
    }
    m_wide.push_back(0);   // a valid address for the empty texts at the end
    const SQLHSTMT handle = statement.handle();
    SQLFreeStmt(handle, SQL_CLOSE);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t column = i % columns;
        const Value& value = m_values[firstValue + i];
        SQLSMALLINT cType = SQL_C_WCHAR;
        SQLSMALLINT sqlType = SQL_WVARCHAR;
        SQLULEN size = kWideLimit;
        SQLPOINTER data = nullptr;
        SQLLEN capacity = 0;
        switch (target.forms[column]) {
        case BoundForm::Integer:
            cType = SQL_C_SBIGINT, sqlType = SQL_BIGINT, size = 0, data = &m_integers[i];
            break;
        case BoundForm::Float:
            cType = SQL_C_DOUBLE, sqlType = SQL_DOUBLE, size = 0, data = &m_reals[i];
            break;
        case BoundForm::Binary:
            cType = SQL_C_BINARY;
            sqlType = target.sizes[column] > 0 && target.sizes[column] <= kBinaryLimit
                ? SQL_VARBINARY : SQL_LONGVARBINARY;
            size = std::max<SQLULEN>(value.bytes.size(), 1);
            if (sqlType == SQL_VARBINARY)
                size = kBinaryLimit;
            data = const_cast<char*>(value.bytes.data());
            capacity = static_cast<SQLLEN>(value.bytes.size());
            break;
        case BoundForm::Exact:
        case BoundForm::Text:
        case BoundForm::None: {
            const std::size_t units = m_lengths[i] > 0
                ? static_cast<std::size_t>(m_lengths[i]) / sizeof(SQLWCHAR) : 0;
            if (target.sizes[column] == 0 || target.sizes[column] > kWideLimit || units > kWideLimit) {
                sqlType = SQL_WLONGVARCHAR;
                size = std::max<std::size_t>(units, 1);
            }
            data = m_wide.data() + wideAt[i];
            capacity = m_lengths[i] > 0 ? m_lengths[i] : 0;
            break;
        }
        }
        statement.check(SQLBindParameter(handle, static_cast<SQLUSMALLINT>(i + 1), SQL_PARAM_INPUT,
                                         cType, sqlType, size, 0, data, capacity, &m_lengths[i]),
                        "SQLBindParameter");
    }
    ++executions;
    statement.check(SQLExecute(handle), "SQLExecute");
    while (statement.check(SQLMoreResults(handle), "SQLMoreResults") != SQL_NO_DATA) {
    }
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
