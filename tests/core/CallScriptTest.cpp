#include "sqltext/CallScript.h"
#include "sqltext/Delimited.h"
#include "sqltext/Error.h"
#include "support/Values.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using namespace varnett::testing;

TEST(CallScript, DeclaresOutputsPassesLiteralsAndSelectsWhatCameBack)
{
    struct Case {
        ObjectName procedure;
        std::vector<CallParameter> parameters;
        std::string script;
    };
    const Case cases[] = {
        // No parameters: the return value alone.
        {{"dbo", "GetAll"}, {},
         "DECLARE @RETURN_VALUE int;\nEXEC @RETURN_VALUE = [dbo].[GetAll];\n"
         "SELECT @RETURN_VALUE AS [Return value];\n"},
        // Names with "]", "'" and blanks stay one name; a text with a quote,
        // a tab and a line break is one literal; a parameter left out is
        // not written; NULL is written as NULL.
        {{"Sales Dept", "Odd] 'Name"},
         {{"@Note", "nvarchar(40)", false, textValue("O'Neil\tsaid\n'hi'")},
          {"@Skipped", "int", false, std::nullopt},
          {"@Missing", "int", false, Value{}},
          {"@Total", "decimal(10,2)", true, textValue("12.50")}},
         "DECLARE @RETURN_VALUE int;\n"
         "DECLARE @Total decimal(10,2) = 12.50;\n"
         "EXEC @RETURN_VALUE = [Sales Dept].[Odd]] 'Name]\n"
         "    @Note = N'O''Neil\tsaid\n''hi''',\n"
         "    @Missing = NULL,\n"
         "    @Total = @Total OUTPUT;\n"
         "SELECT @RETURN_VALUE AS [Return value], @Total AS [@Total];\n"},
        // The return value's variable keeps clear of a parameter's name; an
        // output without a value goes in as NULL; binary as hex; an alias
        // type that is no regular name is bracketed.
        {{"dbo", "P"},
         {{"@return_value", "varbinary(4)", false, blobValue("\x01\xAB")},
          {"@RETURN_VALUE2", "My Type", true, std::nullopt}},
         "DECLARE @RETURN_VALUE3 int;\n"
         "DECLARE @RETURN_VALUE2 [My Type] = NULL;\n"
         "EXEC @RETURN_VALUE3 = [dbo].[P]\n"
         "    @return_value = 0x01AB,\n"
         "    @RETURN_VALUE2 = @RETURN_VALUE2 OUTPUT;\n"
         "SELECT @RETURN_VALUE3 AS [Return value], @RETURN_VALUE2 AS [@RETURN_VALUE2];\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(procedureCallScript(c.procedure, c.parameters), c.script) << c.procedure.name;

    // A value its type cannot hold names the parameter.
    try {
        procedureCallScript({"dbo", "P"}, {{"@Qty", "int", false, textValue("12x")}});
        FAIL() << "no error";
    } catch (const varnett::Error& error) {
        EXPECT_NE(std::string(error.what()).find("@Qty"), std::string::npos) << error.what();
    }
}

TEST(CallScript, DelimitedFieldsQuoteWhatWouldBreakTheLine)
{
    const std::optional<std::string> null;
    struct Case {
        std::optional<std::string> value;
        char delimiter;
        std::string field;
    };
    const Case cases[] = {
        {null, ',', ""},
        {std::string(), ',', "\"\""},
        {std::string("plain"), ',', "plain"},
        {std::string("a,b"), ',', "\"a,b\""},
        {std::string("a\tb"), ',', "a\tb"},
        {std::string("a\tb"), '\t', "\"a\tb\""},
        {std::string("a,b"), '\t', "a,b"},
        {std::string("say \"hi\""), '\t', "\"say \"\"hi\"\"\""},
        {std::string("two\nlines"), '\t', "\"two\nlines\""},
        {std::string("cr\r"), ',', "\"cr\r\""},
        {std::string(" padded"), ',', "\" padded\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(delimitedField(c.value, c.delimiter), c.field) << c.value.value_or("(null)");
}
