#include "sqltext/ValueLiterals.h"

#include "sqltext/Error.h"
#include "support/Values.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace varnett::sqltext;
using varnett::data::Value;
using namespace varnett::testing;

namespace {

ColumnDesc column(SqlType type)
{
    ColumnDesc desc;
    desc.name = "c";
    desc.type = type;
    return desc;
}

std::string lit(SqlType type, const Value& value)
{
    return literal(column(type), value);
}

} // namespace

TEST(ValueLiterals, NullAndCharacterTypes)
{
    EXPECT_EQ(lit(SqlType::VarChar, Value{}), "NULL");
    EXPECT_EQ(lit(SqlType::NVarChar, Value{}), "NULL");
    EXPECT_EQ(lit(SqlType::Int, Value{}), "NULL");
    EXPECT_EQ(lit(SqlType::VarChar, textValue("")), "''");
    EXPECT_EQ(lit(SqlType::NVarChar, textValue("")), "N''");
    EXPECT_EQ(lit(SqlType::VarChar, textValue("O'Neil")), "'O''Neil'");
    EXPECT_EQ(lit(SqlType::VarChar, textValue("'")), "''''");
    EXPECT_EQ(lit(SqlType::Char, textValue("ab ")), "'ab '");
    EXPECT_EQ(lit(SqlType::Text, textValue("line1\r\nline2")), "'line1\r\nline2'");
    EXPECT_EQ(lit(SqlType::NVarChar, textValue("Gr\xc3\xbc\xc3\x9f" "e 'x'")),
              "N'Gr\xc3\xbc\xc3\x9f" "e ''x'''");
    EXPECT_EQ(lit(SqlType::NChar, textValue("\xe6\x97\xa5")), "N'\xe6\x97\xa5'");
    EXPECT_EQ(lit(SqlType::NText, textValue("a''b")), "N'a''''b'");
    EXPECT_EQ(lit(SqlType::Xml, textValue("<a b='1'/>")), "N'<a b=''1''/>'");
    // A number kept in a character column is written as its text.
    EXPECT_EQ(lit(SqlType::VarChar, integerValue(42)), "'42'");
    EXPECT_EQ(lit(SqlType::NVarChar, realValue(2.5)), "N'2.5'");
}

TEST(ValueLiterals, IntegersAndBits)
{
    EXPECT_EQ(lit(SqlType::TinyInt, integerValue(255)), "255");
    EXPECT_EQ(lit(SqlType::SmallInt, integerValue(-32768)), "-32768");
    EXPECT_EQ(lit(SqlType::Int, integerValue(0)), "0");
    EXPECT_EQ(lit(SqlType::BigInt, integerValue(std::numeric_limits<std::int64_t>::min())),
              "-9223372036854775808");
    EXPECT_EQ(lit(SqlType::BigInt, integerValue(std::numeric_limits<std::int64_t>::max())),
              "9223372036854775807");
    EXPECT_EQ(lit(SqlType::Int, textValue(" +17 ")), "17");
    EXPECT_EQ(lit(SqlType::Int, realValue(3.0)), "3");
    EXPECT_THROW(lit(SqlType::Int, realValue(3.5)), varnett::Error);
    EXPECT_THROW(lit(SqlType::BigInt, realValue(1e19)), varnett::Error);
    EXPECT_THROW(lit(SqlType::Int, textValue("12a")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Int, textValue("")), varnett::Error);

    EXPECT_EQ(lit(SqlType::Bit, integerValue(1)), "1");
    EXPECT_EQ(lit(SqlType::Bit, integerValue(0)), "0");
    EXPECT_EQ(lit(SqlType::Bit, integerValue(-5)), "1");
    EXPECT_EQ(lit(SqlType::Bit, textValue("True")), "1");
    EXPECT_EQ(lit(SqlType::Bit, textValue("0")), "0");
    EXPECT_THROW(lit(SqlType::Bit, textValue("yes")), varnett::Error);
}

TEST(ValueLiterals, ExactNumbersAreNeverRounded)
{
    EXPECT_EQ(lit(SqlType::Decimal, textValue("12.50")), "12.50");
    EXPECT_EQ(lit(SqlType::Money, textValue("-007.5000")), "-7.5000");
    EXPECT_EQ(lit(SqlType::Numeric, textValue(".5")), "0.5");
    EXPECT_EQ(lit(SqlType::Numeric, textValue("5.")), "5");
    EXPECT_EQ(lit(SqlType::SmallMoney, textValue("+3")), "3");
    EXPECT_EQ(lit(SqlType::Decimal, textValue("-0.00")), "0.00");
    EXPECT_EQ(lit(SqlType::Decimal, textValue("1.5E-3")), "0.0015");
    EXPECT_EQ(lit(SqlType::Decimal, textValue("1.50e1")), "15.0");
    EXPECT_EQ(lit(SqlType::Decimal, textValue("12345678901234567890123456789.123456789")),
              "12345678901234567890123456789.123456789");
    EXPECT_EQ(lit(SqlType::Decimal, integerValue(-42)), "-42");
    EXPECT_EQ(lit(SqlType::Decimal, realValue(0.1)), "0.1");
    EXPECT_EQ(lit(SqlType::Decimal, realValue(1e-7)), "0.0000001");
    EXPECT_EQ(lit(SqlType::Decimal, realValue(1e20)), "100000000000000000000");
    EXPECT_THROW(lit(SqlType::Decimal, textValue("1,5")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, textValue("")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, textValue("1E99999")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, realValue(std::numeric_limits<double>::quiet_NaN())),
                 varnett::Error);
}

TEST(ValueLiterals, FloatsReadBackToTheSameValue)
{
    EXPECT_EQ(lit(SqlType::Float, realValue(0.1)), "0.1");
    EXPECT_EQ(lit(SqlType::Float, realValue(123.0)), "123");
    EXPECT_EQ(lit(SqlType::Float, realValue(-1234.5)), "-1234.5");
    EXPECT_EQ(lit(SqlType::Float, realValue(1e308)), "1E+308");
    EXPECT_EQ(lit(SqlType::Float, realValue(5e-324)), "5E-324");
    EXPECT_EQ(lit(SqlType::Float, realValue(std::numeric_limits<double>::max())),
              "1.7976931348623157E+308");
    EXPECT_EQ(lit(SqlType::Float, realValue(1e-5)), "1E-05");
    EXPECT_EQ(lit(SqlType::Float, realValue(0.0)), "0");
    EXPECT_EQ(lit(SqlType::Float, realValue(-0.0)), "-0E0");
    EXPECT_EQ(lit(SqlType::Float, integerValue(7)), "7");
    EXPECT_EQ(lit(SqlType::Float, textValue("2.5e3")), "2500");
    // A real column's float is written as the double it is: a real column
    // rounds it to the same float, an embedded engine's keeps it whole.
    EXPECT_EQ(lit(SqlType::Real, realValue(static_cast<double>(0.1f))), "0.10000000149011612");
    EXPECT_EQ(lit(SqlType::Real, realValue(0.5)), "0.5");
    EXPECT_EQ(lit(SqlType::Float, realValue(static_cast<double>(0.1f))), "0.10000000149011612");
    EXPECT_THROW(lit(SqlType::Float, realValue(std::numeric_limits<double>::infinity())),
                 varnett::Error);
    EXPECT_THROW(lit(SqlType::Float, textValue("abc")), varnett::Error);
}

TEST(ValueLiterals, DatesAndTimes)
{
    EXPECT_EQ(lit(SqlType::DateTime, textValue("2024-01-31 13:45:00.123")), "'2024-01-31T13:45:00.123'");
    EXPECT_EQ(lit(SqlType::DateTime, textValue("2024-01-31T13:45:00")), "'2024-01-31T13:45:00'");
    EXPECT_EQ(lit(SqlType::DateTime, textValue("2024-01-31")), "'2024-01-31T00:00:00'");
    EXPECT_EQ(lit(SqlType::DateTime, textValue("2024-01-31 00:00:00.000")), "'2024-01-31T00:00:00'");
    EXPECT_EQ(lit(SqlType::SmallDateTime, textValue("2024-01-31 13:45")), "'2024-01-31T13:45:00'");
    EXPECT_EQ(lit(SqlType::DateTime2, textValue("2024-01-31 13:45:00.1200")), "'2024-01-31T13:45:00.12'");
    EXPECT_EQ(lit(SqlType::DateTime2, textValue("0001-01-01 23:59:59.9999999")),
              "'0001-01-01T23:59:59.9999999'");
    EXPECT_EQ(lit(SqlType::DateTime2, textValue("2024-01-31 13:45:00.123456700")),
              "'2024-01-31T13:45:00.1234567'");
    EXPECT_EQ(lit(SqlType::Date, textValue("2024-02-29")), "'2024-02-29'");
    EXPECT_EQ(lit(SqlType::Date, textValue("2024-02-29 00:00:00")), "'2024-02-29'");
    EXPECT_EQ(lit(SqlType::Time, textValue("13:45:00.1234567")), "'13:45:00.1234567'");
    EXPECT_EQ(lit(SqlType::Time, textValue("00:00:00")), "'00:00:00'");
    EXPECT_EQ(lit(SqlType::Time, textValue("9:05")), "'09:05:00'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, textValue("2024-01-31 13:45:00.123 +01:00")),
              "'2024-01-31T13:45:00.123+01:00'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, textValue("2024-01-31T13:45:00-05:30")),
              "'2024-01-31T13:45:00-05:30'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, textValue("2024-01-31T00:00:00Z")),
              "'2024-01-31T00:00:00+00:00'");

    EXPECT_THROW(lit(SqlType::Date, textValue("2023-02-29")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Date, textValue("2024-01-31 10:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, textValue("2024-13-01")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, textValue("31.01.2024")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, textValue("2024-01-31 24:00:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, textValue("2024-01-31 10:00:00+01:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime2, textValue("2024-01-31 10:00:00.12345678")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Time, textValue("2024-01-31")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, integerValue(45000)), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, textValue("")), varnett::Error);
}

TEST(ValueLiterals, IdentifiersAndBinary)
{
    EXPECT_EQ(lit(SqlType::UniqueIdentifier, textValue("{6f9619ff-8b86-d011-b42d-00c04fc964ff}")),
              "'6F9619FF-8B86-D011-B42D-00C04FC964FF'");
    EXPECT_EQ(lit(SqlType::UniqueIdentifier, textValue("6F9619FF8B86D011B42D00C04FC964FF")),
              "'6F9619FF-8B86-D011-B42D-00C04FC964FF'");
    EXPECT_THROW(lit(SqlType::UniqueIdentifier, textValue("6F9619FF-8B86-D011-B42D")), varnett::Error);
    EXPECT_THROW(lit(SqlType::UniqueIdentifier, textValue("6F9619FF-8B86-D011-B42D-00C04FC964FG")),
                 varnett::Error);

    EXPECT_EQ(lit(SqlType::VarBinary, blobValue("")), "0x");
    EXPECT_EQ(lit(SqlType::Binary, blobValue(std::string("\x00\x01\xab\xff", 4))), "0x0001ABFF");
    EXPECT_EQ(lit(SqlType::Image, blobValue("'")), "0x27");
    EXPECT_EQ(lit(SqlType::VarBinary, textValue("AZ")), "0x415A");
    EXPECT_THROW(lit(SqlType::VarBinary, integerValue(1)), varnett::Error);
}

TEST(ValueLiterals, TextsWithGoLinesOrNulAreConcatenations)
{
    struct Row {
        SqlType type;
        std::string text;
        std::string literal;
    };
    const std::vector<Row> rows = {
        {SqlType::NVarChar, "line 1\r\nGO\r\nline 3",
         "N'line 1' + NCHAR(13) + NCHAR(10) + N'GO' + NCHAR(13) + NCHAR(10) + N'line 3'"},
        {SqlType::VarChar, "a\n  go \nb'c", "'a' + CHAR(10) + '  go ' + CHAR(10) + 'b''c'"},
        {SqlType::NText, std::string("x\0y", 3), "N'x' + NCHAR(0) + N'y'"},
        {SqlType::Char, std::string("\0", 1), "CHAR(0)"},
        {SqlType::NVarChar, "GO\n", "N'GO' + NCHAR(10)"},
        // No GO line: the literal as it is, line breaks inside.
        {SqlType::NVarChar, "a\r\nGOTO\nb", "N'a\r\nGOTO\nb'"},
        {SqlType::VarChar, "GO", "'GO'"},
        // Every kind of line break ends a line, and a GO line may come first.
        {SqlType::VarChar, "a\rGo", "'a' + CHAR(13) + 'Go'"},
        {SqlType::VarChar, "\tgO\t\r", "'\tgO\t' + CHAR(13)"},
        {SqlType::VarChar, "\nGO", "CHAR(10) + 'GO'"},
        {SqlType::VarChar, "GO GO\r\nG O", "'GO GO\r\nG O'"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(lit(row.type, textValue(row.text)), row.literal) << row.text;

    // A long value starts from a (max) string, so the joins are not cut.
    const std::string longText = std::string(4000, 'x') + "\nGO";
    EXPECT_EQ(lit(SqlType::NVarChar, textValue(longText)),
              "CAST(N'' AS nvarchar(max)) + N'" + std::string(4000, 'x') + "' + NCHAR(10) + N'GO'");
    EXPECT_EQ(lit(SqlType::Text, textValue(longText)).substr(0, 29), "CAST('' AS varchar(max)) + 'x");
}

TEST(ValueLiterals, VariantsTakeTheFormOfTheirValue)
{
    // Numbers keep their type in the variant.
    EXPECT_EQ(lit(SqlType::SqlVariant, integerValue(-3)), "CAST(-3 AS bigint)");
    EXPECT_EQ(lit(SqlType::SqlVariant, integerValue(5000000000)), "CAST(5000000000 AS bigint)");
    EXPECT_EQ(lit(SqlType::SqlVariant, realValue(3.14159)), "CAST(3.14159 AS float)");
    EXPECT_EQ(lit(SqlType::SqlVariant, realValue(0.5)), "CAST(0.5 AS float)");
    EXPECT_EQ(lit(SqlType::Unknown, integerValue(-3)), "-3");
    EXPECT_EQ(lit(SqlType::SqlVariant, textValue("it's")), "N'it''s'");
    EXPECT_EQ(lit(SqlType::Unknown, blobValue("\x10")), "0x10");
    EXPECT_EQ(lit(SqlType::Unknown, Value{}), "NULL");

    // Appending keeps what the text held.
    std::string out = "x=";
    appendLiteral(out, column(SqlType::Int), integerValue(5));
    EXPECT_EQ(out, "x=5");
}
