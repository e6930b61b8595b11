#include "sqltext/DataScript.h"

#include "sqltext/Error.h"
#include "support/Values.h"
#include "support/Names.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using varnett::data::Value;
using Lines = std::vector<std::string>;
using namespace varnett::testing;

namespace {

ColumnDesc col(std::string name, SqlType type, bool identity = false, bool computed = false)
{
    ColumnDesc desc;
    desc.name = std::move(name);
    desc.type = type;
    desc.identity = identity;
    desc.computed = computed;
    return desc;
}

// Collects what the writer hands over, and counts the hand-overs.
struct Capture {
    std::string text;
    int chunks = 0;
    DataScriptWriter::Sink sink()
    {
        return [this](std::string_view chunk) {
            text.append(chunk);
            ++chunks;
        };
    }
};

// The lines of a text whose lines all end in CR LF.
Lines linesOf(const std::string& text)
{
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "text does not end in CR LF";
    return lines;
}

class VectorCursor : public varnett::data::RowCursor {
public:
    VectorCursor(std::vector<ColumnDesc> columns, std::vector<std::vector<Value>> rows)
        : columns_(std::move(columns)), rows_(std::move(rows)) {}
    const std::vector<ColumnDesc>& columns() const override { return columns_; }
    bool next() override { return ++row_ < rows_.size(); }
    Value value(std::size_t column) const override { return rows_[row_].at(column); }

private:
    std::vector<ColumnDesc> columns_;
    std::vector<std::vector<Value>> rows_;
    std::size_t row_ = static_cast<std::size_t>(-1);
};

} // namespace

TEST(DataScript, FramedTableWithIdentity)
{
    Capture out;
    DataScriptWriter writer(out.sink());
    writer.beginTable("T"_name, {col("id", SqlType::Int, true), col("name", SqlType::VarChar)});
    writer.writeRow(std::vector<Value>{integerValue(1), textValue("abc")});
    writer.endTable();
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"set identity_insert T on", "GO", "INSERT INTO T(", "[id],", "[name])",
                     "VALUES(", "1,", "'abc')", "GO", "", "set identity_insert T off", "GO"}));
}

TEST(DataScript, UnframedTablesAndEmptyTables)
{
    Capture out;
    DataScriptWriter writer(out.sink());
    writer.beginTable("Order Details"_name, {col("a]b", SqlType::NVarChar)});
    writer.writeRow(std::vector<Value>{textValue("x'y")});
    writer.writeRow(std::vector<Value>{Value{}});
    writer.endTable();
    writer.beginTable("Empty"_name, {col("id", SqlType::Int, true)});
    writer.endTable();
    writer.beginTable("Order"_name, {col("n", SqlType::Int)});
    writer.endTable();
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"INSERT INTO [Order Details](", "[a]]b])", "VALUES(", "N'x''y')", "GO",
                     "INSERT INTO [Order Details](", "[a]]b])", "VALUES(", "NULL)", "GO", "",
                     "set identity_insert Empty on", "GO", "", "set identity_insert Empty off",
                     "GO", ""}));
}

TEST(DataScript, ServerFilledColumnsAreLeftOut)
{
    Capture out;
    DataScriptWriter writer(out.sink());
    writer.beginTable("T"_name, {col("id", SqlType::Int, true), col("ts", SqlType::Timestamp),
                            col("name", SqlType::VarChar), col("total", SqlType::Int, false, true),
                            col("data", SqlType::VarBinary)});
    Value stamp;
    stamp.kind = Value::Kind::Blob;
    stamp.bytes = "12345678";
    Value data = stamp;
    data.bytes = "";
    writer.writeRow(std::vector<Value>{integerValue(7), stamp, textValue(""), integerValue(99), data});
    writer.endTable();

    // Nothing left to write but server-filled columns.
    writer.beginTable("Stamps"_name, {col("ts", SqlType::Timestamp)});
    writer.writeRow(std::vector<Value>{stamp});
    writer.endTable();
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"set identity_insert T on", "GO", "INSERT INTO T(", "[id],", "[name],",
                     "[data])", "VALUES(", "7,", "'',", "0x)", "GO", "",
                     "set identity_insert T off", "GO",
                     "INSERT INTO Stamps DEFAULT VALUES", "GO", ""}));
}

TEST(DataScript, StreamsInChunksAndRefusesBadInput)
{
    Capture out;
    DataScriptWriter writer(out.sink(), 64);
    EXPECT_THROW(writer.writeRow(std::vector<Value>{integerValue(1)}), varnett::Error);
    EXPECT_THROW(writer.beginTable("T"_name, {}), varnett::Error);
    writer.beginTable("T"_name, {col("n", SqlType::Int), col("d", SqlType::Date)});
    EXPECT_THROW(writer.beginTable("U"_name, {col("n", SqlType::Int)}), varnett::Error);
    for (int i = 0; i < 10; ++i)
        writer.writeRow(std::vector<Value>{integerValue(i), textValue("2024-01-31")});
    EXPECT_GT(out.chunks, 1);   // handed over while rows are written
    EXPECT_THROW(writer.writeRow(std::vector<Value>{integerValue(1)}), varnett::Error);
    // A value that fails leaves no half-written row behind.
    EXPECT_THROW(writer.writeRow(std::vector<Value>{integerValue(10), textValue("not a date")}), varnett::Error);
    writer.endTable();
    EXPECT_THROW(writer.endTable(), varnett::Error);
    writer.flush();

    Lines lines = linesOf(out.text);
    ASSERT_EQ(lines.size(), 10u * 7u + 1u);
    EXPECT_EQ(lines[0], "INSERT INTO T(");
    EXPECT_EQ(lines[4], "0,");
    EXPECT_EQ(lines[5], "'2024-01-31')");
    EXPECT_EQ(lines[63], "INSERT INTO T(");
    EXPECT_EQ(lines[67], "9,");
    EXPECT_EQ(lines[69], "GO");
    EXPECT_EQ(lines.back(), "");
}

TEST(DataScript, WholeTableFromACursor)
{
    VectorCursor rows({col("id", SqlType::BigInt, true), col("v", SqlType::VarChar)},
                      {{integerValue(1), textValue("a")}, {integerValue(2), Value{}}});
    Capture out;
    DataScriptWriter writer(out.sink());
    writer.writeTable("T2"_name, rows);
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"set identity_insert T2 on", "GO",
                     "INSERT INTO T2(", "[id],", "[v])", "VALUES(", "1,", "'a')", "GO",
                     "INSERT INTO T2(", "[id],", "[v])", "VALUES(", "2,", "NULL)", "GO",
                     "", "set identity_insert T2 off", "GO"}));
}

TEST(DataScript, RowsPerInsertAndStatementsPerBatch)
{
    const std::vector<ColumnDesc> columns = {col("id", SqlType::Int, true),
                                             col("name", SqlType::VarChar)};
    const std::vector<std::vector<Value>> rows = {{integerValue(1), textValue("a")},
                                                  {integerValue(2), Value{}},
                                                  {integerValue(3), textValue("O'Neil")}};
    struct Case {
        DataScriptOptions options;
        Lines lines;    // between "set identity_insert T on", GO and the empty line
    };
    const Case cases[] = {
        {{2, 1},
         {"INSERT INTO T(", "[id],", "[name])", "VALUES(", "1,", "'a'),", "(", "2,", "NULL)",
          "GO", "INSERT INTO T(", "[id],", "[name])", "VALUES(", "3,", "'O''Neil')", "GO"}},
        {{1, 2},
         {"INSERT INTO T(", "[id],", "[name])", "VALUES(", "1,", "'a');", "INSERT INTO T(",
          "[id],", "[name])", "VALUES(", "2,", "NULL);", "GO", "INSERT INTO T(", "[id],",
          "[name])", "VALUES(", "3,", "'O''Neil');", "GO"}},
        {{1000, 10},
         {"INSERT INTO T(", "[id],", "[name])", "VALUES(", "1,", "'a'),", "(", "2,", "NULL),",
          "(", "3,", "'O''Neil');", "GO"}},
        {{3, 1},
         {"INSERT INTO T(", "[id],", "[name])", "VALUES(", "1,", "'a'),", "(", "2,", "NULL),",
          "(", "3,", "'O''Neil')", "GO"}},
    };
    for (const Case& c : cases) {
        Capture out;
        DataScriptWriter writer(out.sink(), 1 << 16, c.options);
        VectorCursor cursor(columns, rows);
        writer.writeTable("T"_name, cursor);
        writer.flush();
        Lines expected = {"set identity_insert T on", "GO"};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.insert(expected.end(), {"", "set identity_insert T off", "GO"});
        EXPECT_EQ(linesOf(out.text), expected)
            << c.options.rowsPerInsert << " rows, " << c.options.statementsPerBatch;
    }
}

TEST(DataScript, VariantsInAMultiRowInsertKeepTheirOwnType)
{
    const std::vector<ColumnDesc> columns = {col("n", SqlType::Int), col("v", SqlType::SqlVariant)};
    const std::vector<std::vector<Value>> rows = {{integerValue(1), integerValue(5000000000)},
                                                  {integerValue(2), realValue(2.5)},
                                                  {integerValue(3), textValue("x")},
                                                  {integerValue(4), Value{}}};
    struct Case {
        DataScriptOptions options;
        Lines values;   // the value lines of the rows
    };
    const Case cases[] = {
        // One row to an INSERT: as the plain script writes them.
        {{1, 4},
         {"1,", "CAST(5000000000 AS bigint));", "2,", "CAST(2.5 AS float));", "3,", "N'x');",
          "4,", "NULL);"}},
        {{4, 1},
         {"1,", "CAST(CAST(5000000000 AS bigint) AS sql_variant)),", "2,",
          "CAST(CAST(2.5 AS float) AS sql_variant)),", "3,", "CAST(N'x' AS sql_variant)),",
          "4,", "NULL)"}},
    };
    for (const Case& c : cases) {
        Capture out;
        DataScriptWriter writer(out.sink(), 1 << 16, c.options);
        VectorCursor cursor(columns, rows);
        writer.writeTable("T"_name, cursor);
        writer.flush();
        Lines values;
        Lines lines = linesOf(out.text);
        for (std::size_t i = 0; i + 1 < lines.size(); ++i)
            if (lines[i] == "VALUES(" || lines[i] == "(")
                values.insert(values.end(), {lines[i + 1], lines[i + 2]});
        EXPECT_EQ(values, c.values) << c.options.rowsPerInsert << " rows";
    }
}

TEST(DataScript, OptionsWithServerFilledTablesAndEmptyTables)
{
    Capture out;
    DataScriptWriter writer(out.sink(), 1 << 16, {5, 2});
    // DEFAULT VALUES takes one row: each row is its own statement.
    writer.beginTable("Stamps"_name, {col("id", SqlType::Int, true), col("ts", SqlType::Timestamp)});
    writer.endTable();
    writer.beginTable("Stamps"_name, {col("ts", SqlType::Timestamp)});
    for (int i = 0; i < 3; ++i)
        writer.writeRow(std::vector<Value>{blobValue("12345678")});
    writer.endTable();
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"set identity_insert Stamps on", "GO", "", "set identity_insert Stamps off",
                     "GO", "INSERT INTO Stamps DEFAULT VALUES;",
                     "INSERT INTO Stamps DEFAULT VALUES;", "GO",
                     "INSERT INTO Stamps DEFAULT VALUES;", "GO", ""}));

    for (DataScriptOptions bad : {DataScriptOptions{0, 1}, DataScriptOptions{1001, 1},
                                  DataScriptOptions{1, 0}})
        EXPECT_THROW(DataScriptWriter(out.sink(), 64, bad), varnett::Error);
}

TEST(DataScript, AFailingValueInAMultiRowInsertLeavesTheStatementWhole)
{
    Capture out;
    DataScriptWriter writer(out.sink(), 1 << 16, {2, 1});
    writer.beginTable("T"_name, {col("d", SqlType::Date)});
    writer.writeRow(std::vector<Value>{textValue("2024-01-31")});
    EXPECT_THROW(writer.writeRow(std::vector<Value>{textValue("soon")}), varnett::Error);
    writer.writeRow(std::vector<Value>{Value{}});
    writer.endTable();
    writer.flush();
    EXPECT_EQ(linesOf(out.text),
              (Lines{"INSERT INTO T(", "[d])", "VALUES(", "'2024-01-31'),", "(", "NULL)", "GO",
                     ""}));
}
