#include "sqltext/Error.h"
#include "sqltext/TypeText.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;

namespace {

ColumnDesc column(SqlType type, const char* typeName, int length = 0, int precision = 0,
                  int scale = 0)
{
    ColumnDesc c;
    c.name = "C";
    c.typeName = typeName;
    c.type = type;
    c.length = length;
    c.precision = precision;
    c.scale = scale;
    return c;
}

std::string text(const ColumnDesc& c) { return typeText(c).value_or("<none>"); }

} // namespace

TEST(TypeText, CharacterTypes)
{
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", 50)), "[varchar](51)");
    EXPECT_EQ(text(column(SqlType::NVarChar, "nvarchar", 50)), "[nvarchar](51)");
    EXPECT_EQ(text(column(SqlType::NChar, "nchar", 10)), "[nvarchar](11)");
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", kMaxLength)), "[varchar](max)");
    EXPECT_EQ(text(column(SqlType::NVarChar, "nvarchar", kMaxLength)), "[nvarchar](max)");
    EXPECT_EQ(text(column(SqlType::Char, "char", 10)), "[char](10)");
    EXPECT_EQ(text(column(SqlType::Text, "text")), "[text]");
    EXPECT_EQ(text(column(SqlType::NText, "ntext")), "[ntext]");
}

TEST(TypeText, LengthsAtTheServerLimits)
{
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", 7999)), "[varchar](8000)");
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", 8000)), "[varchar](8000)");
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", 9000)), "[varchar](max)");
    EXPECT_EQ(text(column(SqlType::NVarChar, "nvarchar", 3999)), "[nvarchar](4000)");
    EXPECT_EQ(text(column(SqlType::NVarChar, "nvarchar", 4000)), "[nvarchar](4000)");
    EXPECT_EQ(text(column(SqlType::NChar, "nchar", 4000)), "[nvarchar](4000)");
    // No declared length: the server's default of 1.
    EXPECT_EQ(text(column(SqlType::VarChar, "varchar", 0)), "[varchar](2)");
    EXPECT_EQ(text(column(SqlType::Char, "char", 0)), "[char](1)");
    EXPECT_EQ(text(column(SqlType::Binary, "binary", 0)), "[binary](1)");
}

TEST(TypeText, NumericTypes)
{
    EXPECT_EQ(text(column(SqlType::Int, "int")), "[int]");
    ColumnDesc identity = column(SqlType::Int, "int");
    identity.identity = true;
    EXPECT_EQ(text(identity), "[int]");
    EXPECT_EQ(text(column(SqlType::TinyInt, "tinyint")), "[int]");
    EXPECT_EQ(text(column(SqlType::SmallInt, "smallint")), "[smallint]");
    EXPECT_EQ(text(column(SqlType::BigInt, "bigint")), "[bigint]");
    EXPECT_EQ(text(column(SqlType::Bit, "bit")), "[bit]");
    EXPECT_EQ(text(column(SqlType::Decimal, "decimal", 0, 10, 2)), "[decimal](19,2)");
    EXPECT_EQ(text(column(SqlType::Numeric, "numeric", 0, 19, 5)), "[decimal](19,5)");
    EXPECT_EQ(text(column(SqlType::Decimal, "decimal", 0, 20, 3)), "[decimal](20,3)");
    EXPECT_EQ(text(column(SqlType::Numeric, "numeric", 0, 38, 10)), "[decimal](38,10)");
    EXPECT_EQ(text(column(SqlType::Decimal, "decimal", 0, 0, 0)), "[decimal](19,0)");
    EXPECT_EQ(text(column(SqlType::Money, "money")), "[decimal](19,4)");
    EXPECT_EQ(text(column(SqlType::SmallMoney, "smallmoney")), "[decimal](19,4)");
    EXPECT_EQ(text(column(SqlType::Float, "float")), "[float]");
    EXPECT_EQ(text(column(SqlType::Real, "real")), "[real]");
}

TEST(TypeText, DateAndTimeTypes)
{
    EXPECT_EQ(text(column(SqlType::DateTime, "datetime")), "[datetime]");
    EXPECT_EQ(text(column(SqlType::SmallDateTime, "smalldatetime")), "[datetime]");
    EXPECT_EQ(text(column(SqlType::Date, "date")), "[date]");
    EXPECT_EQ(text(column(SqlType::Time, "time")), "[time]");
    EXPECT_EQ(text(column(SqlType::DateTime2, "datetime2")), "[datetime2]");
    EXPECT_EQ(text(column(SqlType::DateTimeOffset, "datetimeoffset")), "[datetimeoffset]");
}

TEST(TypeText, BinaryAndOtherTypes)
{
    EXPECT_EQ(text(column(SqlType::Binary, "binary", 16)), "[binary](16)");
    EXPECT_EQ(text(column(SqlType::Timestamp, "timestamp", 8)), "[binary](8)");
    EXPECT_EQ(text(column(SqlType::Timestamp, "rowversion")), "[binary](8)");
    EXPECT_EQ(text(column(SqlType::VarBinary, "varbinary", 100)), "[varbinary](100)");
    EXPECT_EQ(text(column(SqlType::VarBinary, "varbinary", kMaxLength)), "[varbinary](max)");
    EXPECT_EQ(text(column(SqlType::Image, "image")), "[image]");
    EXPECT_EQ(text(column(SqlType::UniqueIdentifier, "uniqueidentifier")), "[uniqueidentifier]");
    EXPECT_EQ(text(column(SqlType::SqlVariant, "sql_variant")), "[sql_variant]");
    EXPECT_EQ(text(column(SqlType::Xml, "xml")), "[xml]");
    EXPECT_FALSE(typeText(column(SqlType::Unknown, "geography")).has_value());
}

TEST(TypeText, InvalidColumnsAreErrors)
{
    EXPECT_THROW(typeText(column(SqlType::VarChar, "varchar", -5)), varnett::Error);
    EXPECT_THROW(typeText(column(SqlType::Char, "char", kMaxLength)), varnett::Error);
    EXPECT_THROW(typeText(column(SqlType::Decimal, "decimal", 0, 10, -1)), varnett::Error);
    EXPECT_THROW(typeText(column(SqlType::Decimal, "decimal", 0, 39, 0)), varnett::Error);
    EXPECT_THROW(typeText(column(SqlType::Decimal, "decimal", 0, 25, 30)), varnett::Error);
    try {
        typeText(column(SqlType::VarChar, "varchar", -5));
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "The column 'C' of type varchar has an invalid length (-5)");
    }
}

TEST(TypeText, DeclaredTypeFallback)
{
    EXPECT_EQ(typeTextOrDeclared(column(SqlType::Int, "INTEGER")), "[int]");
    EXPECT_EQ(typeTextOrDeclared(column(SqlType::VarChar, "varchar", 40)), "[varchar](41)");
    EXPECT_EQ(typeTextOrDeclared(column(SqlType::Unknown, "geography")), "[geography]");
    EXPECT_EQ(typeTextOrDeclared(column(SqlType::Unknown, "odd]type")), "[odd]]type]");
    EXPECT_EQ(typeTextOrDeclared(column(SqlType::Unknown, "")), "");
}
