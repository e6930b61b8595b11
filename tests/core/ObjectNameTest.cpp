#include "sqltext/Error.h"
#include "sqltext/ObjectName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace varnett;
using sqltext::ObjectName;

namespace {

struct ParseRow {
    const char* text;
    const char* schema;
    const char* name;
    const char* display;
    const char* sql;
    const char* bracketed;
};

const ParseRow kParseRows[] = {
    {"Customer", "dbo", "Customer", "Customer", "Customer", "[dbo].[Customer]"},
    {"Sales.Customer", "Sales", "Customer", "Sales.Customer", "Sales.Customer", "[Sales].[Customer]"},
    {"[Sales].[X]", "Sales", "X", "Sales.X", "Sales.X", "[Sales].[X]"},
    {"[a.b]", "dbo", "a.b", "[a.b]", "[a.b]", "[dbo].[a.b]"},
    {"dbo.Orders", "dbo", "Orders", "Orders", "Orders", "[dbo].[Orders]"},
    {"DBO.Orders", "DBO", "Orders", "Orders", "Orders", "[DBO].[Orders]"},
    {"Order Details", "dbo", "Order Details", "Order Details", "[Order Details]",
     "[dbo].[Order Details]"},
    {"[Sales Dept].[Order.Lines]", "Sales Dept", "Order.Lines", "Sales Dept.[Order.Lines]",
     "[Sales Dept].[Order.Lines]", "[Sales Dept].[Order.Lines]"},
    {"[x.y].[a]]b]", "x.y", "a]b", "[x.y].a]b", "[x.y].[a]]b]", "[x.y].[a]]b]"},
    {"\"Q\".T", "Q", "T", "Q.T", "Q.T", "[Q].[T]"},
    {"[[x]", "dbo", "[x", "[[x]", "[[x]", "[dbo].[[x]"},
    {"we]ird \"t\" 'x'", "dbo", "we]ird \"t\" 'x'", "we]ird \"t\" 'x'", "[we]]ird \"t\" 'x']",
     "[dbo].[we]]ird \"t\" 'x']"},
    {"Sales.[Order]", "Sales", "Order", "Sales.Order", "Sales.[Order]", "[Sales].[Order]"},
    {"[a\"b]", "dbo", "a\"b", "a\"b", "[a\"b]", "[dbo].[a\"b]"},
};

} // namespace

TEST(ObjectName, ParsesAndWritesEveryForm)
{
    for (const ParseRow& row : kParseRows) {
        SCOPED_TRACE(row.text);
        const ObjectName object = sqltext::parseObjectName(row.text);
        EXPECT_EQ(object.schema, row.schema);
        EXPECT_EQ(object.name, row.name);
        EXPECT_EQ(sqltext::displayName(object), row.display);
        EXPECT_EQ(sqltext::sqlName(object), row.sql);
        EXPECT_EQ(sqltext::bracketedName(object), row.bracketed);
        // The display form reads back to the same object.
        const ObjectName again = sqltext::parseObjectName(sqltext::displayName(object));
        EXPECT_EQ(again.name, row.name);
        EXPECT_EQ(again.isDbo(), object.isDbo());
    }
}

TEST(ObjectName, RefusesMalformedNames)
{
    for (const char* text : {"", "a.b.c", "[open", "Sales.", ".X", "\"q", "[a]b"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(sqltext::parseObjectName(text), Error);
    }
}

TEST(ObjectName, OrdersBySchemaThenNameIgnoringCase)
{
    std::vector<std::string> names = {"Sales.b", "zeta", "HumanResources.Employee", "Alpha",
                                      "sales.A", "[a.b]", "a_b", "ab", "Accounting.X"};
    std::sort(names.begin(), names.end(), sqltext::lessDisplayName);
    const std::vector<std::string> expected = {"Accounting.X", "[a.b]", "a_b",
                                               "ab", "Alpha", "zeta",
                                               "HumanResources.Employee", "sales.A", "Sales.b"};
    EXPECT_EQ(names, expected);
}

TEST(ObjectName, ProcedureReferencesCarryTheirGroup)
{
    struct Row {
        const char* text;
        const char* catalog;   // catalogName of what parseProcedureRef read; or the error
    };
    const Row rows[] = {
        {"SP_X", "SP_X;1"},
        {"SP_X;2", "SP_X;2"},
        {"Sales.[SP Y];007", "Sales.SP Y;7"},
        {"[a;b]", "a;b;1"},              // a ";" inside the name
        {"a;b", "a;b;1"},                // not followed by digits: part of the name
        {"[x;1]", "x;1;1"},
        {"SP_X;32767", "SP_X;32767"},
        {"SP_X;0", "The procedure 'SP_X;0' has no group number from 1 to 32767 after its ';'."},
        {"SP_X;32768", "The procedure 'SP_X;32768' has no group number from 1 to 32767 after its ';'."},
        {"SP_X;99999999999", "The procedure 'SP_X;99999999999' has no group number from 1 to 32767 after its ';'."},
        {"a.b.c;1", "The name 'a.b.c' has more than two parts: give Schema.Name or Name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string result;
        try {
            result = sqltext::catalogName(sqltext::parseProcedureRef(row.text));
        } catch (const Error& error) {
            result = error.what();
        }
        EXPECT_EQ(result, row.catalog);
    }
}
