#include "sqltext/DataScript.h"

#include "sqltext/Error.h"
#include "sqltext/Identifiers.h"
#include "sqltext/ObjectName.h"
#include "sqltext/ValueLiterals.h"

#include <algorithm>

namespace varnett::sqltext {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

} // namespace

DataScriptWriter::DataScriptWriter(Sink sink, std::size_t chunkSize)
    : sink_(std::move(sink)), chunkSize_(std::max<std::size_t>(chunkSize, 1))
{
    buffer_.reserve(chunkSize_ + 4096);
}

void DataScriptWriter::line(std::string_view text)
{
    buffer_.append(text);
    buffer_.append(kLineEnd);
}

void DataScriptWriter::beginTable(std::string_view table, const std::vector<ColumnDesc>& columns)
{
    if (open_)
        throw Error("The script of the table '" + table_ + "' is not finished");
    if (columns.empty())
        throw Error("The table '" + std::string(table) + "' has no columns");
    table_ = sqlName(parseObjectName(table));
    columns_ = columns;
    written_.clear();
    framed_ = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!isServerFilled(columns[i]) && !columns[i].computed)
            written_.push_back(i);
        framed_ = framed_ || columns[i].identity;
    }

    header_.clear();
    if (written_.empty()) {
        header_ += "INSERT INTO " + table_ + " DEFAULT VALUES";
        header_ += kLineEnd;
    } else {
        header_ += "INSERT INTO " + table_ + "(";
        header_ += kLineEnd;
        for (std::size_t k = 0; k < written_.size(); ++k) {
            header_ += bracketQuote(columns[written_[k]].name);
            header_ += k + 1 < written_.size() ? "," : ")";
            header_ += kLineEnd;
        }
        header_ += "VALUES(";
        header_ += kLineEnd;
    }

    if (framed_) {
        line("set identity_insert " + table_ + " on");
        line("GO");
    }
    open_ = true;
}

void DataScriptWriter::writeRow(std::span<const Value> values)
{
    if (!open_)
        throw Error("No table is being scripted");
    if (values.size() != columns_.size())
        throw Error("A row of the table '" + table_ + "' has " + std::to_string(values.size())
                    + " values for " + std::to_string(columns_.size()) + " columns");
    // The row is put together apart, so a value that fails leaves no half row.
    row_.clear();
    row_ += header_;
    for (std::size_t k = 0; k < written_.size(); ++k) {
        std::size_t column = written_[k];
        appendLiteral(row_, columns_[column], values[column]);
        row_ += k + 1 < written_.size() ? ',' : ')';
        row_ += kLineEnd;
    }
    row_ += "GO";
    row_ += kLineEnd;
    buffer_ += row_;
    if (buffer_.size() >= chunkSize_)
        flush();
}

void DataScriptWriter::endTable()
{
    if (!open_)
        throw Error("No table is being scripted");
    line("");
    if (framed_) {
        line("set identity_insert " + table_ + " off");
        line("GO");
    }
    open_ = false;
}

void DataScriptWriter::writeTable(std::string_view table, RowCursor& rows)
{
    const std::vector<ColumnDesc>& columns = rows.columns();
    beginTable(table, columns);
    std::vector<Value> values(columns.size());
    while (rows.next()) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = rows.value(i);
        writeRow(values);
    }
    endTable();
}

void DataScriptWriter::flush()
{
    if (buffer_.empty())
        return;
    sink_(buffer_);
    buffer_.clear();
}

} // namespace varnett::sqltext
