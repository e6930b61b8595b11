#include "sqltext/Error.h"
#include "data/odbc/OdbcBlockFetch.h"
#include "data/odbc/OdbcBlockLoad.h"
#include "data/odbc/OdbcColumnType.h"
#include "data/odbc/OdbcCursor.h"
#include "data/odbc/OdbcText.h"

#include <gtest/gtest.h>

using namespace varnett::data;
using varnett::sqltext::kMaxLength;
using varnett::sqltext::SqlType;

TEST(OdbcText, Utf16ConversionKeepsEveryCharacter)
{
    EXPECT_EQ(utf8ToUtf16("A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::u16string{u'A', 0x00E4, 0x20AC, 0xD83D, 0xDE00}));
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'A', 0x00E4, 0x20AC, 0xD83D, 0xDE00}),
              "A\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8ToUtf16(std::string("a\0b", 3)), (std::u16string{u'a', 0, u'b'}));
    // A lone surrogate cannot be written in UTF-8.
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'x', 0xD800, u'y'}), "x\xEF\xBF\xBDy");
    EXPECT_EQ(utf16ToUtf8(std::u16string{0xDC00}), "\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(std::u16string{u'x', 0xD83D}), "x\xEF\xBF\xBD");
    // Into a kept string: what it held before is gone.
    std::string kept = "held before";
    utf16ToUtf8(std::u16string{u'A', 0x00E4, 0xD83D, 0xDE00}, kept);
    EXPECT_EQ(kept, "A\xC3\xA4\xF0\x9F\x98\x80");
    utf16ToUtf8(std::u16string(), kept);
    EXPECT_EQ(kept, "");

    for (const char* bad : {"\xC3", "a\x80", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(utf8ToUtf16(bad), varnett::Error);
    }
    try {
        utf8ToUtf16("ab\xC3");
        ADD_FAILURE();
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "The text is not valid UTF-8 (at byte 3)");
    }
}

TEST(OdbcText, DateTextsGetFourDigitYears)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1-01-01", "0001-01-01"},
        {"1-01-01 00:00:00.000000", "0001-01-01 00:00:00.000000"},
        {"999-12-31 23:59:59 -14:00", "0999-12-31 23:59:59 -14:00"},
        {"2024-02-29", "2024-02-29"},
        {"12:34:56.1234567", "12:34:56.1234567"},
        {"", ""},
        {"10000-01-01", "10000-01-01"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(withFourDigitYear(text), expected) << text;
}

TEST(OdbcText, DriverPrefixesAreStripped)
{
    EXPECT_EQ(stripDriverPrefixes("[unixODBC][FreeTDS][SQL Server]Invalid object name 'x'."),
              "Invalid object name 'x'.");
    EXPECT_EQ(stripDriverPrefixes("[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Msg"),
              "Msg");
    EXPECT_EQ(stripDriverPrefixes("[unixODBC][Driver Manager] Can't open lib 'x'\n"),
              "Can't open lib 'x'");
    EXPECT_EQ(stripDriverPrefixes("near \"x\": syntax error (1)"), "near \"x\": syntax error (1)");
    EXPECT_EQ(stripDriverPrefixes("[unclosed"), "[unclosed");
}

TEST(OdbcColumnType, SqlServerCatalogRows)
{
    struct Case {
        CatalogColumn row;
        SqlType type;
        const char* typeName;
        int length, precision, scale;
        bool identity;
    };
    const Case cases[] = {
        {{"a", "varchar", 50, std::nullopt}, SqlType::VarChar, "varchar", 50, 0, 0, false},
        {{"a", "varchar", 0, std::nullopt}, SqlType::VarChar, "varchar", kMaxLength, 0, 0, false},
        {{"a", "varchar", 2147483647, std::nullopt}, SqlType::VarChar, "varchar", kMaxLength, 0, 0, false},
        {{"a", "nvarchar", 4000, std::nullopt}, SqlType::NVarChar, "nvarchar", 4000, 0, 0, false},
        {{"a", "nvarchar", 1073741823, std::nullopt}, SqlType::NVarChar, "nvarchar", kMaxLength, 0, 0, false},
        {{"a", "sysname", 128, std::nullopt}, SqlType::NVarChar, "sysname", 128, 0, 0, false},
        {{"a", "nchar", 10, std::nullopt}, SqlType::NChar, "nchar", 10, 0, 0, false},
        {{"a", "char", 10, std::nullopt}, SqlType::Char, "char", 10, 0, 0, false},
        {{"a", "varbinary", 0, std::nullopt}, SqlType::VarBinary, "varbinary", kMaxLength, 0, 0, false},
        {{"a", "binary", 16, std::nullopt}, SqlType::Binary, "binary", 16, 0, 0, false},
        {{"a", "int identity", 10, 0}, SqlType::Int, "int", 0, 0, 0, true},
        {{"a", "bigint identity", 19, 0}, SqlType::BigInt, "bigint", 0, 0, 0, true},
        {{"a", "numeric() identity", 12, 0}, SqlType::Numeric, "numeric", 0, 12, 0, true},
        {{"a", "decimal", 10, 2}, SqlType::Decimal, "decimal", 0, 10, 2, false},
        {{"a", "money", 19, 4}, SqlType::Money, "money", 0, 19, 4, false},
        {{"a", "smallmoney", 10, 4}, SqlType::SmallMoney, "smallmoney", 0, 10, 4, false},
        {{"a", "datetime2", 27, 7}, SqlType::DateTime2, "datetime2", 0, 0, 0, false},
        {{"a", "timestamp", 8, std::nullopt}, SqlType::Timestamp, "timestamp", 8, 0, 0, false},
        {{"a", "uniqueidentifier", 36, std::nullopt}, SqlType::UniqueIdentifier, "uniqueidentifier", 0, 0, 0, false},
        {{"a", "sql_variant", 8000, std::nullopt}, SqlType::SqlVariant, "sql_variant", 0, 0, 0, false},
        {{"a", "geography", 2147483647, std::nullopt}, SqlType::Unknown, "geography", 0, 0, 0, false},
        {{"a", "identityish", 4, std::nullopt}, SqlType::Unknown, "identityish", 0, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row.typeName);
        auto desc = describeCatalogColumn(c.row);
        EXPECT_EQ(desc.name, "a");
        EXPECT_EQ(desc.type, c.type);
        EXPECT_EQ(desc.typeName, c.typeName);
        EXPECT_EQ(desc.length, c.length);
        EXPECT_EQ(desc.precision, c.precision);
        EXPECT_EQ(desc.scale, c.scale);
        EXPECT_EQ(desc.identity, c.identity);
        EXPECT_FALSE(desc.computed);
    }
}

TEST(OdbcColumnType, DeclaredTextRowsTakeTheirNumbersFromTheText)
{
    // Drivers such as the SQLite one report the declared text as TYPE_NAME
    // and sizes of their own.
    auto decimal = describeCatalogColumn({"d", "decimal(10,2)", 2, 10});
    EXPECT_EQ(decimal.type, SqlType::Decimal);
    EXPECT_EQ(decimal.typeName, "decimal");
    EXPECT_EQ(decimal.precision, 10);
    EXPECT_EQ(decimal.scale, 2);

    auto varchar = describeCatalogColumn({"v", "VARCHAR ( 20 )", 255, 10});
    EXPECT_EQ(varchar.type, SqlType::VarChar);
    EXPECT_EQ(varchar.typeName, "VARCHAR");
    EXPECT_EQ(varchar.length, 20);

    auto wideMax = describeCatalogColumn({"n", "nvarchar(max)", 0, std::nullopt});
    EXPECT_EQ(wideMax.type, SqlType::NVarChar);
    EXPECT_EQ(wideMax.length, kMaxLength);

    auto identity = describeCatalogColumn({"i", "int IDENTITY(1,1)", 9, 10});
    EXPECT_EQ(identity.type, SqlType::Int);
    EXPECT_TRUE(identity.identity);

    auto integer = describeCatalogColumn({"i", "INTEGER", 9, 10});
    EXPECT_EQ(integer.type, SqlType::Int);
    EXPECT_EQ(integer.typeName, "INTEGER");

    auto unknown = describeCatalogColumn({"u", "", std::nullopt, std::nullopt});
    EXPECT_EQ(unknown.type, SqlType::Unknown);
}

// The block settings read from the environment: a number in range, else the
// default (for the load: off).
TEST(OdbcBlockSettings, RowsAreReadStrictly)
{
    struct Row {
        const char* setting;
        std::size_t fetchRows;
        std::size_t loadRows;
    };
    const Row rows[] = {
        {nullptr, 1024, 0},
        {"", 1024, 0},
        {"1", 1, 1},
        {"10", 10, 10},
        {"1000", 1000, 1000},
        {"1001", 1001, 0},
        {"65536", 65536, 0},
        {"65537", 1024, 0},
        {"0", 1024, 0},
        {"-5", 1024, 0},
        {"12x", 1024, 0},
        {" 10", 1024, 0},
        {"99999999999999999999999", 1024, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.setting ? row.setting : "(unset)");
        EXPECT_EQ(fetchBlockRows(row.setting, 1024), row.fetchRows);
        EXPECT_EQ(blockLoadRows(row.setting), row.loadRows);
    }
}
