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

DataScriptWriter::DataScriptWriter(Sink sink, std::size_t chunkSize, DataScriptOptions options)
    : sink_(std::move(sink)), chunkSize_(std::max<std::size_t>(chunkSize, 1)), options_(options)
{
    if (options_.rowsPerInsert < 1 || options_.rowsPerInsert > 1000)
        throw Error("An INSERT holds 1 to 1000 rows, not " + std::to_string(options_.rowsPerInsert));
    if (options_.statementsPerBatch < 1)
        throw Error("A batch holds at least one statement, not "
                    + std::to_string(options_.statementsPerBatch));
    buffer_.reserve(chunkSize_ + 4096);
}

void DataScriptWriter::line(std::string_view text)
{
    buffer_.append(text);
    buffer_.append(kLineEnd);
}

void DataScriptWriter::beginTable(const ObjectName& table, const std::vector<ColumnDesc>& columns)
{
    if (open_)
        throw Error("The script of the table '" + table_ + "' is not finished");
    if (columns.empty())
        throw Error("The table '" + displayName(table) + "' has no columns");
    table_ = sqlName(table);
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
    rowsInStatement_ = 0;
    statementsInBatch_ = 0;
}

void DataScriptWriter::closeStatement()
{
    if (options_.statementsPerBatch > 1)
        buffer_ += ';';
    buffer_ += kLineEnd;
    rowsInStatement_ = 0;
    if (++statementsInBatch_ == options_.statementsPerBatch) {
        line("GO");
        statementsInBatch_ = 0;
    }
}

void DataScriptWriter::writeRow(std::span<const Value> values)
{
    if (!open_)
        throw Error("No table is being scripted");
    if (values.size() != columns_.size())
        throw Error("A row of the table '" + table_ + "' has " + std::to_string(values.size())
                    + " values for " + std::to_string(columns_.size()) + " columns");
    // The row goes straight into the buffer; a value that fails takes back
    // what the row had written, so that no half row is left.
    const std::size_t rowStart = buffer_.size();
    if (rowsInStatement_ > 0) {
        buffer_ += ',';
        buffer_ += kLineEnd;
        buffer_ += '(';
        buffer_ += kLineEnd;
    } else {
        buffer_ += header_;
    }
    try {
        for (std::size_t k = 0; k < written_.size(); ++k) {
            std::size_t column = written_[k];
            // The rows of one VALUES list take one type per column, as UNION
            // ALL does: a sql_variant value of its own type would be converted
            // to the type of another row's value. Cast to sql_variant, each
            // keeps its own.
            const bool variant = options_.rowsPerInsert > 1
                && columns_[column].type == SqlType::SqlVariant && !values[column].isNull();
            if (variant)
                buffer_ += "CAST(";
            appendLiteral(buffer_, columns_[column], values[column]);
            if (variant)
                buffer_ += " AS sql_variant)";
            if (k + 1 < written_.size()) {
                buffer_ += ',';
                buffer_ += kLineEnd;
            }
        }
    } catch (...) {
        buffer_.resize(rowStart);
        throw;
    }
    if (!written_.empty())
        buffer_ += ')';
    // A DEFAULT VALUES statement holds one row.
    if (++rowsInStatement_ == options_.rowsPerInsert || written_.empty())
        closeStatement();
    if (buffer_.size() >= chunkSize_)
        flush();
}

void DataScriptWriter::endTable()
{
    if (!open_)
        throw Error("No table is being scripted");
    if (rowsInStatement_ > 0)
        closeStatement();
    if (statementsInBatch_ > 0) {
        line("GO");
        statementsInBatch_ = 0;
    }
    line("");
    if (framed_) {
        line("set identity_insert " + table_ + " off");
        line("GO");
    }
    open_ = false;
}

void DataScriptWriter::writeTable(const ObjectName& table, RowCursor& rows)
{
    const std::vector<ColumnDesc>& columns = rows.columns();
    beginTable(table, columns);
    std::vector<Value> values(columns.size());
    while (rows.next()) {
        for (std::size_t i = 0; i < values.size(); ++i)
            rows.readValue(i, values[i]);
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
