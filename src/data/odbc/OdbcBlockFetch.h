#pragma once

#ifdef VARNETT_HAVE_ODBC

#include "data/odbc/OdbcSession.h"
#include "sqltext/Value.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace varnett::data {

// How a column of a result is read: integers and bit as Integer, float and
// real as Real, binary as the raw bytes, dates and times and everything else
// as the driver's text.
enum class FetchKind { Integer, Real, Binary, Text, DateTime };

// A column of a result as the block fetch sees it.
struct FetchColumn {
    FetchKind kind = FetchKind::Text;
    SQLSMALLINT dataType = SQL_UNKNOWN_TYPE;
    SQLULEN size = 0;           // as SQLDescribeCol reports it
};

// The most rows one fetch brings, and the most memory the bound buffers of a
// block may take (fewer rows to a block when its rows are wide).
struct FetchBlockLimits {
    std::size_t rows = 1024;
    std::size_t bytes = std::size_t{4} << 20;
};

// The rows to a block as the environment variable VARNETT_ODBC_FETCH_ROWS
// sets them (1 to 65536; 1 reads row by row); `otherwise` when it is unset or
// holds anything else.
std::size_t fetchBlockRows(const char* setting, std::size_t otherwise);

// The limits the cursors opened from now on use, the rows first read from
// VARNETT_ODBC_FETCH_ROWS; a test sets a block of a few rows to read across
// block boundaries.
FetchBlockLimits& fetchBlockLimits();

// Rows of an executed statement fetched a block at a time into buffers bound
// column by column (SQL_ATTR_ROW_ARRAY_SIZE), each value converted by the
// driver as SQLGetData converts it, so the values are those of the row path.
class BlockFetch {
public:
    // The block reading of the result; none when a column's values have no
    // bound size (varchar(max), text, xml, ...), which are read row by row
    // with SQLGetData.
    static std::unique_ptr<BlockFetch> plan(OdbcStatement& statement,
                                            const std::vector<FetchColumn>& columns,
                                            const FetchBlockLimits& limits);

    // Moves to the next row, fetching the next block when the one at hand is
    // used up; false at the end.
    bool next();
    // A value of the current row.
    void read(std::size_t column, sqltext::Value& out) const;
    std::size_t blockRows() const { return m_blockRows; }

private:
    struct Bound {
        FetchKind kind;
        SQLSMALLINT cType;
        std::size_t width;          // bytes of one value's buffer
        std::vector<char> data;     // width x block rows
        std::vector<SQLLEN> indicators;
    };

    BlockFetch(OdbcStatement& statement, std::vector<Bound> bound, std::size_t blockRows);
    void bind();

    OdbcStatement& m_statement;
    std::vector<Bound> m_bound;
    std::size_t m_blockRows;
    std::vector<SQLUSMALLINT> m_status;
    SQLULEN m_fetched = 0;
    std::size_t m_row = 0;          // position in the block, valid while m_onRow
    bool m_onRow = false;
    bool m_done = false;
};

} // namespace varnett::data

#endif // VARNETT_HAVE_ODBC
