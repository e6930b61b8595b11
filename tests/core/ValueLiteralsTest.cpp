#include "sqltext/ValueLiterals.h"

#include "data/Error.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using namespace varnett::sqltext;
using varnett::data::Value;

namespace {

ColumnDesc column(SqlType type)
{
    ColumnDesc desc;
    desc.name = "c";
    desc.type = type;
    return desc;
}

Value text(std::string s)
{
    Value v;
    v.kind = Value::Kind::Text;
    v.bytes = std::move(s);
    return v;
}

Value blob(std::string s)
{
    Value v = text(std::move(s));
    v.kind = Value::Kind::Blob;
    return v;
}

Value integer(std::int64_t n)
{
    Value v;
    v.kind = Value::Kind::Integer;
    v.integer = n;
    return v;
}

Value real(double d)
{
    Value v;
    v.kind = Value::Kind::Real;
    v.real = d;
    return v;
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
    EXPECT_EQ(lit(SqlType::VarChar, text("")), "''");
    EXPECT_EQ(lit(SqlType::NVarChar, text("")), "N''");
    EXPECT_EQ(lit(SqlType::VarChar, text("O'Neil")), "'O''Neil'");
    EXPECT_EQ(lit(SqlType::VarChar, text("'")), "''''");
    EXPECT_EQ(lit(SqlType::Char, text("ab ")), "'ab '");
    EXPECT_EQ(lit(SqlType::Text, text("line1\r\nline2")), "'line1\r\nline2'");
    EXPECT_EQ(lit(SqlType::NVarChar, text("Gr\xc3\xbc\xc3\x9f" "e 'x'")),
              "N'Gr\xc3\xbc\xc3\x9f" "e ''x'''");
    EXPECT_EQ(lit(SqlType::NChar, text("\xe6\x97\xa5")), "N'\xe6\x97\xa5'");
    EXPECT_EQ(lit(SqlType::NText, text("a''b")), "N'a''''b'");
    EXPECT_EQ(lit(SqlType::Xml, text("<a b='1'/>")), "N'<a b=''1''/>'");
    // A number kept in a character column is written as its text.
    EXPECT_EQ(lit(SqlType::VarChar, integer(42)), "'42'");
    EXPECT_EQ(lit(SqlType::NVarChar, real(2.5)), "N'2.5'");
}

TEST(ValueLiterals, IntegersAndBits)
{
    EXPECT_EQ(lit(SqlType::TinyInt, integer(255)), "255");
    EXPECT_EQ(lit(SqlType::SmallInt, integer(-32768)), "-32768");
    EXPECT_EQ(lit(SqlType::Int, integer(0)), "0");
    EXPECT_EQ(lit(SqlType::BigInt, integer(std::numeric_limits<std::int64_t>::min())),
              "-9223372036854775808");
    EXPECT_EQ(lit(SqlType::BigInt, integer(std::numeric_limits<std::int64_t>::max())),
              "9223372036854775807");
    EXPECT_EQ(lit(SqlType::Int, text(" +17 ")), "17");
    EXPECT_EQ(lit(SqlType::Int, real(3.0)), "3");
    EXPECT_THROW(lit(SqlType::Int, real(3.5)), varnett::Error);
    EXPECT_THROW(lit(SqlType::BigInt, real(1e19)), varnett::Error);
    EXPECT_THROW(lit(SqlType::Int, text("12a")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Int, text("")), varnett::Error);

    EXPECT_EQ(lit(SqlType::Bit, integer(1)), "1");
    EXPECT_EQ(lit(SqlType::Bit, integer(0)), "0");
    EXPECT_EQ(lit(SqlType::Bit, integer(-5)), "1");
    EXPECT_EQ(lit(SqlType::Bit, text("True")), "1");
    EXPECT_EQ(lit(SqlType::Bit, text("0")), "0");
    EXPECT_THROW(lit(SqlType::Bit, text("yes")), varnett::Error);
}

TEST(ValueLiterals, ExactNumbersAreNeverRounded)
{
    EXPECT_EQ(lit(SqlType::Decimal, text("12.50")), "12.50");
    EXPECT_EQ(lit(SqlType::Money, text("-007.5000")), "-7.5000");
    EXPECT_EQ(lit(SqlType::Numeric, text(".5")), "0.5");
    EXPECT_EQ(lit(SqlType::Numeric, text("5.")), "5");
    EXPECT_EQ(lit(SqlType::SmallMoney, text("+3")), "3");
    EXPECT_EQ(lit(SqlType::Decimal, text("-0.00")), "0.00");
    EXPECT_EQ(lit(SqlType::Decimal, text("1.5E-3")), "0.0015");
    EXPECT_EQ(lit(SqlType::Decimal, text("1.50e1")), "15.0");
    EXPECT_EQ(lit(SqlType::Decimal, text("12345678901234567890123456789.123456789")),
              "12345678901234567890123456789.123456789");
    EXPECT_EQ(lit(SqlType::Decimal, integer(-42)), "-42");
    EXPECT_EQ(lit(SqlType::Decimal, real(0.1)), "0.1");
    EXPECT_EQ(lit(SqlType::Decimal, real(1e-7)), "0.0000001");
    EXPECT_EQ(lit(SqlType::Decimal, real(1e20)), "100000000000000000000");
    EXPECT_THROW(lit(SqlType::Decimal, text("1,5")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, text("")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, text("1E99999")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Decimal, real(std::numeric_limits<double>::quiet_NaN())),
                 varnett::Error);
}

TEST(ValueLiterals, FloatsReadBackToTheSameValue)
{
    EXPECT_EQ(lit(SqlType::Float, real(0.1)), "0.1");
    EXPECT_EQ(lit(SqlType::Float, real(123.0)), "123");
    EXPECT_EQ(lit(SqlType::Float, real(-1234.5)), "-1234.5");
    EXPECT_EQ(lit(SqlType::Float, real(1e308)), "1E+308");
    EXPECT_EQ(lit(SqlType::Float, real(5e-324)), "5E-324");
    EXPECT_EQ(lit(SqlType::Float, real(std::numeric_limits<double>::max())),
              "1.7976931348623157E+308");
    EXPECT_EQ(lit(SqlType::Float, real(1e-5)), "1E-05");
    EXPECT_EQ(lit(SqlType::Float, real(0.0)), "0");
    EXPECT_EQ(lit(SqlType::Float, real(-0.0)), "-0E0");
    EXPECT_EQ(lit(SqlType::Float, integer(7)), "7");
    EXPECT_EQ(lit(SqlType::Float, text("2.5e3")), "2500");
    // A real column's value is written as the float it holds.
    EXPECT_EQ(lit(SqlType::Real, real(static_cast<double>(0.1f))), "0.1");
    EXPECT_EQ(lit(SqlType::Float, real(static_cast<double>(0.1f))), "0.10000000149011612");
    EXPECT_THROW(lit(SqlType::Float, real(std::numeric_limits<double>::infinity())),
                 varnett::Error);
    EXPECT_THROW(lit(SqlType::Float, text("abc")), varnett::Error);
}

TEST(ValueLiterals, DatesAndTimes)
{
    EXPECT_EQ(lit(SqlType::DateTime, text("2024-01-31 13:45:00.123")), "'2024-01-31T13:45:00.123'");
    EXPECT_EQ(lit(SqlType::DateTime, text("2024-01-31T13:45:00")), "'2024-01-31T13:45:00'");
    EXPECT_EQ(lit(SqlType::DateTime, text("2024-01-31")), "'2024-01-31T00:00:00'");
    EXPECT_EQ(lit(SqlType::DateTime, text("2024-01-31 00:00:00.000")), "'2024-01-31T00:00:00'");
    EXPECT_EQ(lit(SqlType::SmallDateTime, text("2024-01-31 13:45")), "'2024-01-31T13:45:00'");
    EXPECT_EQ(lit(SqlType::DateTime2, text("2024-01-31 13:45:00.1200")), "'2024-01-31T13:45:00.12'");
    EXPECT_EQ(lit(SqlType::DateTime2, text("0001-01-01 23:59:59.9999999")),
              "'0001-01-01T23:59:59.9999999'");
    EXPECT_EQ(lit(SqlType::DateTime2, text("2024-01-31 13:45:00.123456700")),
              "'2024-01-31T13:45:00.1234567'");
    EXPECT_EQ(lit(SqlType::Date, text("2024-02-29")), "'2024-02-29'");
    EXPECT_EQ(lit(SqlType::Date, text("2024-02-29 00:00:00")), "'2024-02-29'");
    EXPECT_EQ(lit(SqlType::Time, text("13:45:00.1234567")), "'13:45:00.1234567'");
    EXPECT_EQ(lit(SqlType::Time, text("00:00:00")), "'00:00:00'");
    EXPECT_EQ(lit(SqlType::Time, text("9:05")), "'09:05:00'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, text("2024-01-31 13:45:00.123 +01:00")),
              "'2024-01-31T13:45:00.123+01:00'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, text("2024-01-31T13:45:00-05:30")),
              "'2024-01-31T13:45:00-05:30'");
    EXPECT_EQ(lit(SqlType::DateTimeOffset, text("2024-01-31T00:00:00Z")),
              "'2024-01-31T00:00:00+00:00'");

    EXPECT_THROW(lit(SqlType::Date, text("2023-02-29")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Date, text("2024-01-31 10:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, text("2024-13-01")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, text("31.01.2024")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, text("2024-01-31 24:00:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, text("2024-01-31 10:00:00+01:00")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime2, text("2024-01-31 10:00:00.12345678")), varnett::Error);
    EXPECT_THROW(lit(SqlType::Time, text("2024-01-31")), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, integer(45000)), varnett::Error);
    EXPECT_THROW(lit(SqlType::DateTime, text("")), varnett::Error);
}

TEST(ValueLiterals, IdentifiersAndBinary)
{
    EXPECT_EQ(lit(SqlType::UniqueIdentifier, text("{6f9619ff-8b86-d011-b42d-00c04fc964ff}")),
              "'6F9619FF-8B86-D011-B42D-00C04FC964FF'");
    EXPECT_EQ(lit(SqlType::UniqueIdentifier, text("6F9619FF8B86D011B42D00C04FC964FF")),
              "'6F9619FF-8B86-D011-B42D-00C04FC964FF'");
    EXPECT_THROW(lit(SqlType::UniqueIdentifier, text("6F9619FF-8B86-D011-B42D")), varnett::Error);
    EXPECT_THROW(lit(SqlType::UniqueIdentifier, text("6F9619FF-8B86-D011-B42D-00C04FC964FG")),
                 varnett::Error);

    EXPECT_EQ(lit(SqlType::VarBinary, blob("")), "0x");
    EXPECT_EQ(lit(SqlType::Binary, blob(std::string("\x00\x01\xab\xff", 4))), "0x0001ABFF");
    EXPECT_EQ(lit(SqlType::Image, blob("'")), "0x27");
    EXPECT_EQ(lit(SqlType::VarBinary, text("AZ")), "0x415A");
    EXPECT_THROW(lit(SqlType::VarBinary, integer(1)), varnett::Error);
}

TEST(ValueLiterals, VariantsTakeTheFormOfTheirValue)
{
    EXPECT_EQ(lit(SqlType::SqlVariant, integer(-3)), "-3");
    EXPECT_EQ(lit(SqlType::SqlVariant, real(0.5)), "0.5");
    EXPECT_EQ(lit(SqlType::SqlVariant, text("it's")), "N'it''s'");
    EXPECT_EQ(lit(SqlType::Unknown, blob("\x10")), "0x10");
    EXPECT_EQ(lit(SqlType::Unknown, Value{}), "NULL");

    // Appending keeps what the text held.
    std::string out = "x=";
    appendLiteral(out, column(SqlType::Int), integer(5));
    EXPECT_EQ(out, "x=5");
}
