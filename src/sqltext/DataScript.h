#pragma once

#include "sqltext/ObjectName.h"
#include "sqltext/Value.h"
#include "sqltext/ColumnType.h"

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// How the rows are put into statements and batches. The defaults give one
// INSERT a row and a GO after each.
struct DataScriptOptions {
    int rowsPerInsert = 1;          // row value lists to one INSERT, 1 to 1000
    int statementsPerBatch = 1;     // statements between two GO lines, at least 1
};

// Writes the data transfer script of tables row by row into a sink, a chunk
// of text at a time, so memory does not grow with the number of rows. Lines
// end in CR LF. Text reaches the sink whenever a chunk is full and on flush();
// call flush() after the last table.
//
// Per table: "set identity_insert T on" and GO when the table has an
// identity column; one INSERT statement per row over 2k + 3 lines
//   INSERT INTO T(  /  [c1],  ...  [ck])  /  VALUES(  /  x1,  ...  xk)  /  GO
// then an empty line, and "set identity_insert T off" and GO when framed.
// T is bare when it is a regular identifier and no keyword, else bracketed;
// column names are bracketed with "]" doubled; columns the server fills
// itself (timestamp, rowversion, computed) are left out. A table with no
// other columns gets "INSERT INTO T DEFAULT VALUES" and GO per row.
//
// With several rows to an INSERT, each further row's value list follows the
// last value line of the one before, which ends in ")," instead of ")", on
// lines of its own: "(", x1, ... xk. With several statements to a batch,
// every statement ends in ";" and a GO line follows every Nth statement and
// the last statement of a table. With several rows to an INSERT, a
// sql_variant value is written CAST(literal AS sql_variant), so that its type
// is not that of another row's value.
class DataScriptWriter {
public:
    using Sink = std::function<void(std::string_view)>;

    explicit DataScriptWriter(Sink sink, std::size_t chunkSize = 1 << 16,
                              DataScriptOptions options = {});

    // Starts a table with its columns in table order. Throws varnett::Error
    // while another table is open or when there are no columns.
    void beginTable(const ObjectName& table, const std::vector<ColumnDesc>& columns);
    // Writes one row: one value per column of beginTable, in that order.
    // Throws varnett::Error for another number of values, or a value its
    // column type cannot hold (the row is then not written).
    void writeRow(std::span<const Value> values);
    // Ends the open table.
    void endTable();
    // A whole table from a cursor: beginTable, every row, endTable.
    void writeTable(const ObjectName& table, RowCursor& rows);
    // Hands the text held so far to the sink.
    void flush();

private:
    void line(std::string_view text);
    void closeStatement();

    Sink sink_;
    std::size_t chunkSize_;
    std::string buffer_;
    bool open_ = false;
    bool framed_ = false;
    std::string table_;
    DataScriptOptions options_;
    int rowsInStatement_ = 0;           // rows of the INSERT still open; 0 when none is
    int statementsInBatch_ = 0;         // statements since the last GO
    std::string header_;                // the lines up to and including "VALUES("
    std::vector<ColumnDesc> columns_;
    std::vector<std::size_t> written_;  // positions of the columns written
};

} // namespace varnett::sqltext
