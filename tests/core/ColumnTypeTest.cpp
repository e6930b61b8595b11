#include "sqltext/ColumnType.h"
#include "sqltext/TypeText.h"

#include <gtest/gtest.h>

using varnett::sqltext::ColumnDesc;
using varnett::sqltext::describeDeclaredType;
using varnett::sqltext::isServerFilled;
using varnett::sqltext::kMaxLength;
using varnett::sqltext::SqlType;

namespace {

struct Expected {
    const char* declared;
    SqlType type;
    const char* typeName;
    int length;
    int precision;
    int scale;
    bool identity;
};

void check(const Expected& e)
{
    SCOPED_TRACE(e.declared);
    ColumnDesc column = describeDeclaredType("Col", e.declared);
    EXPECT_EQ(column.name, "Col");
    EXPECT_EQ(column.type, e.type);
    EXPECT_EQ(column.typeName, e.typeName);
    EXPECT_EQ(column.length, e.length);
    EXPECT_EQ(column.precision, e.precision);
    EXPECT_EQ(column.scale, e.scale);
    EXPECT_EQ(column.identity, e.identity);
    EXPECT_FALSE(column.computed);
}

} // namespace

TEST(ColumnType, EveryServerTypeGetsItsCategory)
{
    const Expected cases[] = {
        {"varchar(50)", SqlType::VarChar, "varchar", 50, 0, 0, false},
        {"VARCHAR ( MAX )", SqlType::VarChar, "VARCHAR", kMaxLength, 0, 0, false},
        {"nvarchar(4000)", SqlType::NVarChar, "nvarchar", 4000, 0, 0, false},
        {"nvarchar(max)", SqlType::NVarChar, "nvarchar", kMaxLength, 0, 0, false},
        {"nchar(5)", SqlType::NChar, "nchar", 5, 0, 0, false},
        {"char(3)", SqlType::Char, "char", 3, 0, 0, false},
        {"char", SqlType::Char, "char", 1, 0, 0, false},
        {"text", SqlType::Text, "text", 0, 0, 0, false},
        {"NText", SqlType::NText, "NText", 0, 0, 0, false},
        {"int", SqlType::Int, "int", 0, 0, 0, false},
        {"INTEGER", SqlType::Int, "INTEGER", 0, 0, 0, false},
        {"smallint", SqlType::SmallInt, "smallint", 0, 0, 0, false},
        {"tinyint", SqlType::TinyInt, "tinyint", 0, 0, 0, false},
        {"bigint", SqlType::BigInt, "bigint", 0, 0, 0, false},
        {"bit", SqlType::Bit, "bit", 0, 0, 0, false},
        {"decimal(10, 2)", SqlType::Decimal, "decimal", 0, 10, 2, false},
        {"decimal", SqlType::Decimal, "decimal", 0, 18, 0, false},
        {"decimal(9)", SqlType::Decimal, "decimal", 0, 9, 0, false},
        {"numeric(38,38)", SqlType::Numeric, "numeric", 0, 38, 38, false},
        {"numeric", SqlType::Numeric, "numeric", 0, 18, 0, false},
        {"money", SqlType::Money, "money", 0, 0, 0, false},
        {"smallmoney", SqlType::SmallMoney, "smallmoney", 0, 0, 0, false},
        {"float", SqlType::Float, "float", 0, 0, 0, false},
        {"float(53)", SqlType::Float, "float", 0, 0, 0, false},
        {"float(24)", SqlType::Real, "float", 0, 0, 0, false},
        {"real", SqlType::Real, "real", 0, 0, 0, false},
        {"datetime", SqlType::DateTime, "datetime", 0, 0, 0, false},
        {"smalldatetime", SqlType::SmallDateTime, "smalldatetime", 0, 0, 0, false},
        {"date", SqlType::Date, "date", 0, 0, 0, false},
        {"time(3)", SqlType::Time, "time", 0, 0, 0, false},
        {"datetime2", SqlType::DateTime2, "datetime2", 0, 0, 0, false},
        {"datetimeoffset(7)", SqlType::DateTimeOffset, "datetimeoffset", 0, 0, 0, false},
        {"binary(8)", SqlType::Binary, "binary", 8, 0, 0, false},
        {"varbinary(256)", SqlType::VarBinary, "varbinary", 256, 0, 0, false},
        {"varbinary(max)", SqlType::VarBinary, "varbinary", kMaxLength, 0, 0, false},
        {"timestamp", SqlType::Timestamp, "timestamp", 0, 0, 0, false},
        {"rowversion", SqlType::Timestamp, "rowversion", 0, 0, 0, false},
        {"image", SqlType::Image, "image", 0, 0, 0, false},
        {"uniqueidentifier", SqlType::UniqueIdentifier, "uniqueidentifier", 0, 0, 0, false},
        {"sql_variant", SqlType::SqlVariant, "sql_variant", 0, 0, 0, false},
        {"xml", SqlType::Xml, "xml", 0, 0, 0, false},
    };
    for (const Expected& e : cases)
        check(e);
}

TEST(ColumnType, IdentityIsReadAfterTheType)
{
    const Expected cases[] = {
        {"int identity", SqlType::Int, "int", 0, 0, 0, true},
        {"int identity(1,1)", SqlType::Int, "int", 0, 0, 0, true},
        {"  BIGINT   IDENTITY ( 100 , -1 ) ", SqlType::BigInt, "BIGINT", 0, 0, 0, true},
        {"numeric(10,0) identity", SqlType::Numeric, "numeric", 0, 10, 0, true},
        // identity on types that cannot hold one, or with a broken seed
        {"varchar(10) identity", SqlType::Unknown, "varchar", 0, 0, 0, false},
        {"decimal(10,2) identity", SqlType::Unknown, "decimal", 0, 0, 0, false},
        {"int identity(1)", SqlType::Unknown, "int", 0, 0, 0, false},
        {"int identity(a,b)", SqlType::Unknown, "int", 0, 0, 0, false},
    };
    for (const Expected& e : cases)
        check(e);
}

TEST(ColumnType, AnythingElseIsUnknownWithItsNameKept)
{
    const Expected cases[] = {
        {"double  varying", SqlType::Unknown, "double varying", 0, 0, 0, false},
        {"geography", SqlType::Unknown, "geography", 0, 0, 0, false},
        {"varchar2(20)", SqlType::Unknown, "varchar2", 0, 0, 0, false},
        {"", SqlType::Unknown, "", 0, 0, 0, false},
        {"int(11)", SqlType::Unknown, "int", 0, 0, 0, false},
        {"varchar(0)", SqlType::Unknown, "varchar", 0, 0, 0, false},
        {"varchar(8001)", SqlType::Unknown, "varchar", 0, 0, 0, false},
        {"nchar(max)", SqlType::Unknown, "nchar", 0, 0, 0, false},
        {"varchar(50", SqlType::Unknown, "varchar", 0, 0, 0, false},
        {"varchar(50) x", SqlType::Unknown, "varchar", 0, 0, 0, false},
        {"decimal(5,6)", SqlType::Unknown, "decimal", 0, 0, 0, false},
        {"decimal(39,0)", SqlType::Unknown, "decimal", 0, 0, 0, false},
        {"time(8)", SqlType::Unknown, "time", 0, 0, 0, false},
    };
    for (const Expected& e : cases)
        check(e);
}

TEST(ColumnType, SynonymsAreTheTypesTheyStandFor)
{
    const Expected cases[] = {
        {"double  precision", SqlType::Float, "double precision", 0, 0, 0, false},
        {"DEC(10, 2)", SqlType::Decimal, "DEC", 0, 10, 2, false},
        {"dec", SqlType::Decimal, "dec", 0, 18, 0, false},
        {"character varying(30)", SqlType::VarChar, "character varying", 30, 0, 0, false},
        {"char varying(max)", SqlType::VarChar, "char varying", kMaxLength, 0, 0, false},
        {"character(4)", SqlType::Char, "character", 4, 0, 0, false},
        {"national character varying(20)", SqlType::NVarChar, "national character varying", 20, 0, 0, false},
        {"national char(3)", SqlType::NChar, "national char", 3, 0, 0, false},
        {"nchar varying(9)", SqlType::NVarChar, "nchar varying", 9, 0, 0, false},
        {"national text", SqlType::NText, "national text", 0, 0, 0, false},
        {"binary varying(16)", SqlType::VarBinary, "binary varying", 16, 0, 0, false},
        {"integer identity(1,1)", SqlType::Int, "integer", 0, 0, 0, true},
    };
    for (const Expected& e : cases)
        check(e);
    // The type texts of the types they stand for.
    EXPECT_EQ(typeText(describeDeclaredType("c", "double precision")), "[float]");
    EXPECT_EQ(typeText(describeDeclaredType("c", "dec(10,2)")), "[decimal](19,2)");
    EXPECT_EQ(typeText(describeDeclaredType("c", "character varying(30)")), "[varchar](31)");
    EXPECT_EQ(typeText(describeDeclaredType("c", "integer")), "[int]");
}

TEST(ColumnType, ServerFilledColumns)
{
    EXPECT_TRUE(isServerFilled(describeDeclaredType("v", "timestamp")));
    EXPECT_TRUE(isServerFilled(describeDeclaredType("v", "rowversion")));
    EXPECT_FALSE(isServerFilled(describeDeclaredType("v", "int identity")));
    EXPECT_FALSE(isServerFilled(describeDeclaredType("v", "binary(8)")));
    ColumnDesc computed = describeDeclaredType("total", "money");
    computed.computed = true;
    EXPECT_TRUE(isServerFilled(computed));
}
