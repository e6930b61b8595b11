#include "sqltext/InsertLiterals.h"
#include "sqltext/ValueLiterals.h"

#include "support/Values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

using namespace varnett::sqltext;
using namespace varnett::testing;

namespace {

std::string shown(const std::optional<Value>& value)
{
    if (!value)
        return "(sent as text)";
    switch (value->kind) {
    case Value::Kind::Null: return "NULL";
    case Value::Kind::Integer: return "integer " + std::to_string(value->integer);
    case Value::Kind::Real: return "real " + std::to_string(value->real);
    case Value::Kind::Text: return "text '" + value->bytes + "'";
    case Value::Kind::Blob: return "blob of " + std::to_string(value->bytes.size());
    }
    return "?";
}

bool same(const std::optional<Value>& a, const std::optional<Value>& b)
{
    if (!a || !b)
        return !a && !b;
    return a->kind == b->kind && a->integer == b->integer
        && std::memcmp(&a->real, &b->real, sizeof a->real) == 0 && a->bytes == b->bytes;
}

// The value bound for the literal the data script writes for `value` in a
// column of the type; none when the batch or the value goes as text.
std::optional<Value> roundTrip(SqlType type, const Value& value)
{
    ColumnDesc column;
    column.name = "c";
    column.type = type;
    const std::string batch = "INSERT INTO T(\r\n[c])\r\nVALUES(\r\n" + literal(column, value) + ")";
    InsertLiterals read;
    if (!readInsertLiterals(batch, read))
        return std::nullopt;
    EXPECT_EQ(read.values.size(), 1u);
    if (read.values.size() != 1)
        return std::nullopt;
    return boundValue(boundFormOf(type), read.values[0].kind, read.bytes(read.values[0]));
}

} // namespace

// Every literal form the data script writes binds as the value it stands for,
// or goes as text where binding could differ.
TEST(InsertLiterals, WrittenLiteralsBindAsTheirValues)
{
    constexpr auto int64Min = std::numeric_limits<std::int64_t>::min();
    constexpr auto int64Max = std::numeric_limits<std::int64_t>::max();
    const std::optional<Value> asText;
    struct Row {
        SqlType type;
        Value value;
        std::optional<Value> bound;
    };
    const Row rows[] = {
        {SqlType::Int, Value{}, Value{}},
        {SqlType::Int, integerValue(0), integerValue(0)},
        {SqlType::TinyInt, integerValue(255), integerValue(255)},
        {SqlType::BigInt, integerValue(int64Min), integerValue(int64Min)},
        {SqlType::BigInt, integerValue(int64Max), integerValue(int64Max)},
        {SqlType::Bit, integerValue(1), integerValue(1)},
        {SqlType::Bit, textValue("0"), integerValue(0)},
        {SqlType::Float, realValue(0.1), realValue(0.1)},
        {SqlType::Float, realValue(1.7976931348623157e308), realValue(1.7976931348623157e308)},
        {SqlType::Float, realValue(-2.2250738585072014e-308), realValue(-2.2250738585072014e-308)},
        {SqlType::Float, realValue(1e20), realValue(1e20)},
        {SqlType::Float, realValue(1.0 / 3.0), realValue(1.0 / 3.0)},
        {SqlType::Real, realValue(3.4e38), realValue(3.4e38)},
        {SqlType::Float, integerValue(7), realValue(7)},
        {SqlType::Decimal, textValue("12345.67"), textValue("12345.67")},
        {SqlType::Decimal, textValue("-0.0000000001"), textValue("-0.0000000001")},
        {SqlType::Numeric, integerValue(-5), textValue("-5")},
        {SqlType::Money, textValue("922337203685477.5807"), textValue("922337203685477.5807")},
        {SqlType::SmallMoney, textValue("-214748.3648"), textValue("-214748.3648")},
        {SqlType::VarChar, textValue("O'Neil"), textValue("O'Neil")},
        {SqlType::VarChar, textValue(""), textValue("")},
        {SqlType::Char, textValue("line1\r\nline2\t"), textValue("line1\r\nline2\t")},
        // Beyond ASCII a '...' constant is read through the database's code page.
        {SqlType::VarChar, textValue("Gr\xc3\xbc\xc3\x9f" "e"), asText},
        {SqlType::NVarChar, textValue("\xce\xa9 ''q'' \xf0\x9f\x98\x80"),
         textValue("\xce\xa9 ''q'' \xf0\x9f\x98\x80")},
        {SqlType::NVarChar, textValue(""), textValue("")},
        {SqlType::NText, textValue("GO"), textValue("GO")},
        {SqlType::Xml, textValue("<a b='1'/>"), textValue("<a b='1'/>")},
        // A line that is only GO, and NUL, are written as expressions.
        {SqlType::NVarChar, textValue("a\r\nGO\r\nb"), asText},
        {SqlType::VarChar, textValue(std::string("a\0b", 3)), asText},
        {SqlType::Date, textValue("2024-02-29"), textValue("2024-02-29")},
        {SqlType::DateTime, textValue("2024-02-29 12:34:56.123"), textValue("2024-02-29T12:34:56.123")},
        {SqlType::DateTime2, textValue("0001-01-01 00:00:00"), textValue("0001-01-01T00:00:00")},
        {SqlType::Time, textValue("23:59:59.999999"), textValue("23:59:59.999999")},
        {SqlType::DateTimeOffset, textValue("2024-02-29 12:34:56.5 +05:30"),
         textValue("2024-02-29T12:34:56.5+05:30")},
        {SqlType::UniqueIdentifier, textValue("6f9619ff-8b86-d011-b42d-00c04fc964ff"),
         textValue("6F9619FF-8B86-D011-B42D-00C04FC964FF")},
        {SqlType::VarBinary, blobValue(std::string("\xde\xad\x00\x0a", 4)),
         blobValue(std::string("\xde\xad\x00\x0a", 4))},
        {SqlType::Binary, blobValue(""), blobValue("")},
        {SqlType::Image, Value{}, Value{}},
        // sql_variant keeps its value's type, which a parameter would not.
        {SqlType::SqlVariant, integerValue(5), asText},
        {SqlType::SqlVariant, textValue("x"), asText},
        {SqlType::SqlVariant, Value{}, asText},
    };
    for (const Row& row : rows) {
        ColumnDesc column;
        column.type = row.type;
        SCOPED_TRACE(literal(column, row.value));
        const std::optional<Value> bound = roundTrip(row.type, row.value);
        EXPECT_TRUE(same(bound, row.bound)) << shown(bound) << " where " << shown(row.bound);
    }
}

// What the reader takes: the data script's INSERT statements and nothing else.
TEST(InsertLiterals, ReadsTheDataScriptsStatementsOnly)
{
    struct Row {
        const char* batch;
        bool read;
        std::size_t statements = 0;
        std::size_t values = 0;
    };
    const Row rows[] = {
        {"INSERT INTO T(\r\n[a],\r\n[b])\r\nVALUES(\r\n1,\r\nN'x'),\r\n(\r\n2,\r\nNULL);\r\n"
         "INSERT INTO T(\r\n[a],\r\n[b])\r\nVALUES(\r\n-3,\r\n'y');\r\n",
         true, 2, 6},
        {"insert into [Sales].[Order Details] ([a]) values (0x00FF) ; ;", true, 1, 1},
        {"INSERT T([a]) VALUES(+1.5E-3)", true, 1, 1},
        {"INSERT INTO \"q\".T([a b]) VALUES('')", true, 1, 1},
        {"", false},
        {"set identity_insert T on", false},
        {"-- rows\r\nINSERT INTO T([a]) VALUES(1)", false},
        {"INSERT INTO T([a]) VALUES(1) /* x */", false},
        {"INSERT INTO T DEFAULT VALUES", false},
        {"INSERT INTO T VALUES(1)", false},
        {"INSERT INTO T([a],[b]) VALUES(1)", false},
        {"INSERT INTO T([a]) VALUES(1, 2)", false},
        {"INSERT INTO T([a]) VALUES(0x1)", false},
        {"INSERT INTO T([a]) VALUES('x' + 'y')", false},
        {"INSERT INTO T([a]) VALUES(CAST(5 AS bigint))", false},
        {"INSERT INTO T([a]) VALUES('open)", false},
        {"INSERT INTO T([a]) VALUES(1) SELECT 1", false},
        {"INSERT INTO T([a]) VALUES(1),", false},
        {"INSERT INTO T([a]) VALUES(@v)", false},
        {"INSERT INTO T([a]) VALUES(DEFAULT)", false},
        {"INSERT INTO T([a]) SELECT 1", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.batch);
        InsertLiterals read;
        ASSERT_EQ(readInsertLiterals(row.batch, read), row.read);
        if (!row.read)
            continue;
        EXPECT_EQ(read.statements.size(), row.statements);
        EXPECT_EQ(read.values.size(), row.values);
    }

    InsertLiterals read;
    ASSERT_TRUE(readInsertLiterals("INSERT INTO [Sales].[Order Details]([a],\r\n[b]) VALUES('it''s', -7)", read));
    ASSERT_EQ(read.statements.size(), 1u);
    EXPECT_EQ(read.statements[0].table, "[Sales].[Order Details]");
    EXPECT_EQ(read.statements[0].columns, "[a],\r\n[b]");
    EXPECT_EQ(read.statements[0].header, "INSERT INTO [Sales].[Order Details]([a],\r\n[b])");
    EXPECT_EQ(read.statements[0].columnCount, 2u);
    EXPECT_EQ(read.bytes(read.values[0]), "it's");
    EXPECT_EQ(read.bytes(read.values[1]), "-7");
}

// Constants that do not fit their column's form go as text.
TEST(InsertLiterals, ConstantsOutsideTheirFormGoAsText)
{
    using Kind = Literal::Kind;
    struct Row {
        BoundForm form;
        Kind kind;
        const char* text;
        bool binds;
    };
    const Row rows[] = {
        {BoundForm::Integer, Kind::Number, "1.5", false},
        {BoundForm::Integer, Kind::Number, "1E3", false},
        {BoundForm::Integer, Kind::Number, "9223372036854775808", false},
        {BoundForm::Integer, Kind::Number, "-9223372036854775808", true},
        {BoundForm::Integer, Kind::Number, "-9223372036854775809", false},
        {BoundForm::Integer, Kind::Text, "1", false},
        {BoundForm::Float, Kind::Number, "1E400", false},
        {BoundForm::Float, Kind::Number, "+2.5", true},
        {BoundForm::Float, Kind::NText, "2.5", false},
        {BoundForm::Exact, Kind::Number, "1E5", false},
        {BoundForm::Exact, Kind::Number, "+.5", true},
        {BoundForm::Exact, Kind::Text, "5", false},
        {BoundForm::Text, Kind::Number, "5", false},
        {BoundForm::Text, Kind::Binary, "x", false},
        {BoundForm::Binary, Kind::Text, "x", false},
        {BoundForm::None, Kind::Number, "5", false},
        {BoundForm::None, Kind::Null, "", false},
        {BoundForm::Binary, Kind::Null, "", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(boundValue(row.form, row.kind, row.text).has_value(), row.binds);
    }
}
