#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/Engine.h"
#include "data/odbc/OdbcBlockFetch.h"
#include "data/odbc/OdbcColumnType.h"
#include "data/odbc/OdbcSession.h"

#include <memory>
#include <vector>

namespace varnett::data {

// A column of an open result set, as SQLDescribeCol and SQLColAttribute
// report it.
struct ResultColumn {
    SQLSMALLINT dataType = SQL_UNKNOWN_TYPE;
    CatalogColumn catalog;   // name, TYPE_NAME, size and digits of the result
};

std::vector<ResultColumn> describeResult(OdbcStatement& statement);

// A date or time text with its year written in four digits: drivers write
// the years before 1000 as they are ("1-01-01" for 0001-01-01).
std::string withFourDigitYear(std::string text);

// Rows of an executed SELECT. Integers and bit come as Integer, float and
// real as Real, binary as Blob with the raw bytes, and everything else
// (character, decimal, date and time, GUID, ...) as the driver's text, so
// decimals stay unrounded and times keep their fractions. Rows are fetched a
// block at a time (BlockFetch) when asked and every column has a bound size,
// else one at a time with SQLGetData.
class OdbcCursor final : public RowCursor {
public:
    // Blocks only where asked: a server that holds every value to its
    // column's described size (SQL Server does; SQLite's driver, for one,
    // describes sizes its values pass).
    OdbcCursor(std::unique_ptr<OdbcStatement> statement, std::vector<ResultColumn> result,
               std::vector<sqltext::ColumnDesc> columns, bool blocks);

    const std::vector<sqltext::ColumnDesc>& columns() const override { return m_columns; }
    bool next() override;
    Value value(std::size_t column) const override;
    void readValue(std::size_t column, Value& out) const override;
    // Rows to a block fetch; 0 when the rows are read one at a time.
    std::size_t blockRows() const { return m_block ? m_block->blockRows() : 0; }

private:
    using Fetch = FetchKind;

    void checkColumn(std::size_t column) const;

    std::unique_ptr<OdbcStatement> m_statement;
    std::vector<sqltext::ColumnDesc> m_columns;
    std::vector<Fetch> m_fetch;
    std::unique_ptr<BlockFetch> m_block;
    std::vector<Value> m_row;
    bool m_onRow = false;
    bool m_done = false;
};

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
