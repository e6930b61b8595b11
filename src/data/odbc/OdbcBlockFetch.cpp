#include "data/odbc/OdbcBlockFetch.h"

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcCursor.h"
#include "data/odbc/OdbcError.h"
#include "data/odbc/OdbcText.h"
#include "sqltext/Error.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace varnett::data {

namespace {

// Character and binary columns past this size are of the unbounded kinds.
constexpr SQLULEN kBoundedSize = 8000;

// Bytes of one value's buffer, or none when the column has no bound size.
// Character columns get room for two UTF-16 units a character (a server may
// count characters beyond the BMP as one) and the terminator; numbers,
// identifiers and dates room beyond their display size for a sign, a point
// and a leading zero.
std::optional<std::size_t> valueWidth(const FetchColumn& column)
{
    constexpr std::size_t wide = sizeof(SQLWCHAR);
    switch (column.kind) {
    case FetchKind::Integer:
        return sizeof(SQLBIGINT);
    case FetchKind::Real:
        return sizeof(SQLDOUBLE);
    case FetchKind::Binary:
        if ((column.dataType == SQL_BINARY || column.dataType == SQL_VARBINARY) && column.size > 0
            && column.size <= kBoundedSize)
            return column.size;
        return std::nullopt;
    case FetchKind::DateTime:
        if (column.size > 64)
            return std::nullopt;
        return (std::max<std::size_t>(column.size, 32) + 16) * wide;
    case FetchKind::Text:
        switch (column.dataType) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
            if (column.size > 0 && column.size <= kBoundedSize)
                return (2 * column.size + 1) * wide;
            return std::nullopt;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
        case SQL_GUID:
            if (column.size > 0 && column.size <= 64)
                return (column.size + 8) * wide;
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

SQLSMALLINT cTypeOf(FetchKind kind)
{
    switch (kind) {
    case FetchKind::Integer:
        return SQL_C_SBIGINT;
    case FetchKind::Real:
        return SQL_C_DOUBLE;
    case FetchKind::Binary:
        return SQL_C_BINARY;
    case FetchKind::Text:
    case FetchKind::DateTime:
        break;
    }
    return SQL_C_WCHAR;
}

[[noreturn]] void tooLong(std::size_t column)
{
    throw Error("The value of column " + std::to_string(column + 1)
                + " is longer than the driver described the column.");
}

} // namespace

std::size_t fetchBlockRows(const char* setting, std::size_t otherwise)
{
    if (!setting || !*setting)
        return otherwise;
    std::size_t rows = 0;
    for (const char* c = setting; *c; ++c) {
        if (*c < '0' || *c > '9' || rows > 65536)
            return otherwise;
        rows = rows * 10 + static_cast<std::size_t>(*c - '0');
    }
    return rows >= 1 && rows <= 65536 ? rows : otherwise;
}

FetchBlockLimits& fetchBlockLimits()
{
    static FetchBlockLimits limits = [] {
        FetchBlockLimits read;
        read.rows = fetchBlockRows(std::getenv("VARNETT_ODBC_FETCH_ROWS"), read.rows);
        return read;
    }();
    return limits;
}

std::unique_ptr<BlockFetch> BlockFetch::plan(OdbcStatement& statement,
                                             const std::vector<FetchColumn>& columns,
                                             const FetchBlockLimits& limits)
{
    if (columns.empty() || limits.rows < 2)
        return nullptr;
    std::vector<Bound> bound;
    std::size_t rowBytes = 0;
    for (const FetchColumn& column : columns) {
        const std::optional<std::size_t> width = valueWidth(column);
        if (!width)
            return nullptr;
        bound.push_back({column.kind, cTypeOf(column.kind), *width, {}, {}});
        rowBytes += *width + sizeof(SQLLEN);
    }
    const std::size_t rows = std::clamp<std::size_t>(limits.bytes / rowBytes, 1, limits.rows);
    if (rows < 2)
        return nullptr;
    std::unique_ptr<BlockFetch> fetch(new BlockFetch(statement, std::move(bound), rows));
    fetch->bind();
    return fetch;
}

BlockFetch::BlockFetch(OdbcStatement& statement, std::vector<Bound> bound, std::size_t blockRows)
    : m_statement(statement), m_bound(std::move(bound)), m_blockRows(blockRows),
      m_status(blockRows, SQL_ROW_NOROW)
{
    for (Bound& column : m_bound) {
        column.data.assign(column.width * m_blockRows, 0);
        column.indicators.assign(m_blockRows, SQL_NULL_DATA);
    }
}

void BlockFetch::bind()
{
    const SQLHSTMT handle = m_statement.handle();
    auto attribute = [&](SQLINTEGER name, SQLPOINTER value, const char* what) {
        m_statement.check(SQLSetStmtAttr(handle, name, value, 0), what);
    };
    attribute(SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN),
              "SQLSetStmtAttr(SQL_ATTR_ROW_BIND_TYPE)");
    attribute(SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_blockRows)),
              "SQLSetStmtAttr(SQL_ATTR_ROW_ARRAY_SIZE)");
    attribute(SQL_ATTR_ROW_STATUS_PTR, m_status.data(), "SQLSetStmtAttr(SQL_ATTR_ROW_STATUS_PTR)");
    attribute(SQL_ATTR_ROWS_FETCHED_PTR, &m_fetched, "SQLSetStmtAttr(SQL_ATTR_ROWS_FETCHED_PTR)");
    for (std::size_t i = 0; i < m_bound.size(); ++i) {
        Bound& column = m_bound[i];
        m_statement.check(SQLBindCol(handle, static_cast<SQLUSMALLINT>(i + 1), column.cType,
                                     column.data.data(), static_cast<SQLLEN>(column.width),
                                     column.indicators.data()),
                          "SQLBindCol");
    }
}

bool BlockFetch::next()
{
    if (m_done)
        return false;
    if (m_onRow && m_row + 1 < m_fetched) {
        ++m_row;
        return true;
    }
    m_onRow = false;
    m_fetched = 0;
    if (m_statement.check(SQLFetch(m_statement.handle()), "SQLFetch") == SQL_NO_DATA
        || m_fetched == 0) {
        m_done = true;
        return false;
    }
    for (std::size_t row = 0; row < m_fetched; ++row)
        if (m_status[row] == SQL_ROW_ERROR)
            throwOdbcError(SQL_HANDLE_STMT, m_statement.handle(), "SQLFetch");
    m_row = 0;
    m_onRow = true;
    return true;
}

void BlockFetch::read(std::size_t column, sqltext::Value& out) const
{
    using Kind = sqltext::Value::Kind;
    const Bound& bound = m_bound.at(column);
    const SQLLEN indicator = bound.indicators[m_row];
    const char* data = bound.data.data() + m_row * bound.width;
    out.integer = 0;
    out.real = 0.0;
    if (indicator == SQL_NULL_DATA) {
        out.kind = Kind::Null;
        out.bytes.clear();
        return;
    }
    if (indicator < 0)
        tooLong(column);
    const auto length = static_cast<std::size_t>(indicator);
    switch (bound.kind) {
    case FetchKind::Integer: {
        SQLBIGINT value = 0;
        std::memcpy(&value, data, sizeof value);
        out.kind = Kind::Integer;
        out.integer = static_cast<std::int64_t>(value);
        out.bytes.clear();
        return;
    }
    case FetchKind::Real: {
        SQLDOUBLE value = 0;
        std::memcpy(&value, data, sizeof value);
        out.kind = Kind::Real;
        out.real = value;
        out.bytes.clear();
        return;
    }
    case FetchKind::Binary:
        if (length > bound.width)
            tooLong(column);
        out.kind = Kind::Blob;
        out.bytes.assign(data, length);
        return;
    case FetchKind::Text:
    case FetchKind::DateTime: {
        // The driver leaves room for its terminator; a value that needed
        // more was cut.
        if (length > bound.width - sizeof(SQLWCHAR))
            tooLong(column);
        std::u16string_view units(reinterpret_cast<const char16_t*>(data), length / sizeof(SQLWCHAR));
        out.kind = Kind::Text;
        utf16ToUtf8(units, out.bytes);
        if (bound.kind == FetchKind::DateTime)
            out.bytes = withFourDigitYear(std::move(out.bytes));
        return;
    }
    }
}

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
