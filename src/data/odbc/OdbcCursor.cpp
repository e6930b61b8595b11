#include "data/odbc/OdbcCursor.h"

#ifdef VARNETT_HAVE_ODBC

#include "sqltext/Error.h"

#include <array>

namespace varnett::data {

namespace {

constexpr SQLSMALLINT kSqlServerUdt = -151;   // CLR types: geography, hierarchyid, ...

bool isBinaryType(SQLSMALLINT type)
{
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY
        || type == kSqlServerUdt;
}

bool isIntegerType(SQLSMALLINT type)
{
    return type == SQL_INTEGER || type == SQL_SMALLINT || type == SQL_TINYINT
        || type == SQL_BIGINT || type == SQL_BIT;
}

bool isFloatType(SQLSMALLINT type)
{
    return type == SQL_FLOAT || type == SQL_DOUBLE || type == SQL_REAL;
}

// Dates and times, with SQL Server's time (-154) and datetimeoffset (-155).
bool isDateTimeType(SQLSMALLINT type)
{
    return type == SQL_TYPE_DATE || type == SQL_TYPE_TIMESTAMP || type == SQL_DATETIME
        || type == SQL_TYPE_TIME || type == -154 || type == -155;
}

} // namespace

std::string withFourDigitYear(std::string text)
{
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits > 0 && digits < 4 && digits < text.size() && text[digits] == '-')
        text.insert(0, 4 - digits, '0');
    return text;
}

std::vector<ResultColumn> describeResult(OdbcStatement& statement)
{
    std::vector<ResultColumn> result;
    const SQLSMALLINT count = statement.resultColumns();
    for (SQLUSMALLINT number = 1; number <= static_cast<SQLUSMALLINT>(count); ++number) {
        std::array<SQLWCHAR, 512> name{};
        SQLSMALLINT nameLength = 0;
        ResultColumn column;
        SQLULEN size = 0;
        SQLSMALLINT digits = 0;
        SQLSMALLINT nullable = 0;
        statement.check(SQLDescribeColW(statement.handle(), number, name.data(),
                                        static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                        &column.dataType, &size, &digits, &nullable),
                        "SQLDescribeCol");
        column.catalog.name = fromSqlWide(
            name.data(), std::min<std::size_t>(std::max<SQLSMALLINT>(nameLength, 0), name.size() - 1));
        std::array<SQLWCHAR, 256> typeName{};
        SQLSMALLINT typeBytes = 0;
        if (SQL_SUCCEEDED(SQLColAttributeW(statement.handle(), number, SQL_DESC_TYPE_NAME,
                                           typeName.data(), static_cast<SQLSMALLINT>(sizeof(typeName)),
                                           &typeBytes, nullptr)))
            column.catalog.typeName = fromSqlWide(
                typeName.data(), std::min<std::size_t>(std::max<SQLSMALLINT>(typeBytes, 0) / sizeof(SQLWCHAR),
                                                       typeName.size() - 1));
        column.catalog.columnSize = static_cast<long>(std::min<SQLULEN>(size, 0x7FFFFFFF));
        column.catalog.decimalDigits = digits;
        result.push_back(std::move(column));
    }
    return result;
}

OdbcCursor::OdbcCursor(std::unique_ptr<OdbcStatement> statement, std::vector<ResultColumn> result,
                       std::vector<sqltext::ColumnDesc> columns, bool blocks)
    : m_statement(std::move(statement)), m_columns(std::move(columns))
{
    if (m_columns.size() != result.size())
        throw Error("The driver describes " + std::to_string(result.size())
                    + " columns where the catalog lists " + std::to_string(m_columns.size()));
    for (const auto& column : result) {
        if (isBinaryType(column.dataType))
            m_fetch.push_back(Fetch::Binary);
        else if (isIntegerType(column.dataType))
            m_fetch.push_back(Fetch::Integer);
        else if (isFloatType(column.dataType))
            m_fetch.push_back(Fetch::Real);
        else if (isDateTimeType(column.dataType))
            m_fetch.push_back(Fetch::DateTime);
        else
            m_fetch.push_back(Fetch::Text);
    }
    if (!blocks)
        return;
    std::vector<FetchColumn> fetched;
    for (std::size_t i = 0; i < result.size(); ++i)
        fetched.push_back({m_fetch[i], result[i].dataType,
                           static_cast<SQLULEN>(std::max(result[i].catalog.columnSize.value_or(0), 0L))});
    m_block = BlockFetch::plan(*m_statement, fetched, fetchBlockLimits());
}

bool OdbcCursor::next()
{
    m_onRow = false;
    m_row.clear();
    if (m_done)
        return false;
    if (m_block) {
        m_onRow = m_block->next();
        m_done = !m_onRow;
        return m_onRow;
    }
    if (!m_statement->fetch()) {
        m_done = true;
        return false;
    }
    // SQLGetData reads each column once and in order, so the whole row is
    // read here; value() may then be asked in any order.
    m_row.resize(m_fetch.size());
    for (std::size_t i = 0; i < m_fetch.size(); ++i) {
        const auto number = static_cast<SQLUSMALLINT>(i + 1);
        Value& value = m_row[i];
        switch (m_fetch[i]) {
        case Fetch::Integer:
            if (auto v = m_statement->integer(number))
                value.kind = Value::Kind::Integer, value.integer = *v;
            break;
        case Fetch::Real:
            if (auto v = m_statement->real(number))
                value.kind = Value::Kind::Real, value.real = *v;
            break;
        case Fetch::Binary:
            if (auto v = m_statement->bytes(number))
                value.kind = Value::Kind::Blob, value.bytes = std::move(*v);
            break;
        case Fetch::Text:
            if (auto v = m_statement->text(number))
                value.kind = Value::Kind::Text, value.bytes = std::move(*v);
            break;
        case Fetch::DateTime:
            if (auto v = m_statement->text(number))
                value.kind = Value::Kind::Text, value.bytes = withFourDigitYear(std::move(*v));
            break;
        }
    }
    m_onRow = true;
    return true;
}

void OdbcCursor::checkColumn(std::size_t column) const
{
    if (!m_onRow)
        throw Error("No current row: the cursor is before the first row or past the last");
    if (column >= m_fetch.size())
        throw Error("Column " + std::to_string(column) + " does not exist; the row has "
                    + std::to_string(m_fetch.size()) + " columns");
}

Value OdbcCursor::value(std::size_t column) const
{
    checkColumn(column);
    if (m_block) {
        Value value;
        m_block->read(column, value);
        return value;
    }
    return m_row[column];
}

void OdbcCursor::readValue(std::size_t column, Value& out) const
{
    checkColumn(column);
    if (m_block)
        m_block->read(column, out);
    else
        out = m_row[column];
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
