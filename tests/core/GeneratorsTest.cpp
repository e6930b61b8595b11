#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "sqltext/Identifiers.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using Lines = std::vector<std::string>;

namespace {

const std::vector<Field> kOrderFields = {
    {"OrderID", "[int]"},
    {"CustomerName", "[varchar](41)"},
    {"Amount", "[decimal](19,4)"},
};

} // namespace

TEST(InsertProcedure, WorkedExample)
{
    EXPECT_EQ(insertProcedure("Orders", kOrderFields, "SP_INSERT_Orders"),
              (Lines{
                  "CREATE PROCEDURE SP_INSERT_Orders",
                  "@pOrderID [int],",
                  "@pCustomerName [varchar](41),",
                  "@pAmount [decimal](19,4)",
                  "",
                  "AS BEGIN",
                  "",
                  "INSERT INTO Orders(",
                  "[OrderID],",
                  "[CustomerName],",
                  "[Amount]",
                  ")",
                  "",
                  "VALUES (",
                  "@pOrderID,",
                  "@pCustomerName,",
                  "@pAmount",
                  ")",
                  "END",
              }));
}

TEST(InsertProcedure, OneFieldAndNameAsTheServerNeedsIt)
{
    EXPECT_EQ(insertProcedure("Orders", {{"Amount", "[decimal](19,4)"}}, "SP INSERT"),
              (Lines{"CREATE PROCEDURE [SP INSERT]", "@pAmount [decimal](19,4)", "", "AS BEGIN",
                     "", "INSERT INTO Orders(", "[Amount]", ")", "", "VALUES (", "@pAmount", ")",
                     "END"}));
}

TEST(InsertProcedure, AwkwardNamesAreQuoted)
{
    std::vector<Field> fields = {{"Order Date", "[datetime]"}, {"a]b", "[int]"}, {"Order", "[bit]"}};
    EXPECT_EQ(insertProcedure("Order Details", fields, "P"),
              (Lines{"CREATE PROCEDURE P", "@pOrder_Date [datetime],", "@pa_b [int],",
                     "@pOrder [bit]", "", "AS BEGIN", "", "INSERT INTO [Order Details](",
                     "[Order Date],", "[a]]b],", "[Order]", ")", "", "VALUES (", "@pOrder_Date,",
                     "@pa_b,", "@pOrder", ")", "END"}));
    EXPECT_EQ(insertProcedure("User", {{"Id", "[int]"}}, "P")[5], "INSERT INTO [User](");
    EXPECT_EQ(insertProcedure("t]x", {{"Id", "[int]"}}, "P")[5], "INSERT INTO [t]]x](");
}

TEST(DeleteProcedure, WorkedExample)
{
    std::vector<Field> fields = {{"OrderID", "[int]"}, {"CustomerName", "[varchar](41)"}};
    EXPECT_EQ(deleteProcedure("Orders", fields, "SP_DELETE_Orders"),
              (Lines{
                  "CREATE PROCEDURE SP_DELETE_Orders",
                  "@pOrderID [int],",
                  "@pCustomerName [varchar](41)",
                  "",
                  "AS BEGIN",
                  "",
                  "DELETE FROM Orders",
                  "WHERE ",
                  "[OrderID] = @pOrderID AND",
                  "[CustomerName] = @pCustomerName",
                  "",
                  "END",
              }));
}

TEST(DeleteProcedure, OneFieldAndAwkwardNames)
{
    EXPECT_EQ(deleteProcedure("Orders", {{"OrderID", "[int]"}}, "D"),
              (Lines{"CREATE PROCEDURE D", "@pOrderID [int]", "", "AS BEGIN", "",
                     "DELETE FROM Orders", "WHERE ", "[OrderID] = @pOrderID", "", "END"}));
    EXPECT_EQ(deleteProcedure("Order Details", {{"Unit Price", "[decimal](19,4)"}, {"x]", "[int]"}}, "D"),
              (Lines{"CREATE PROCEDURE D", "@pUnit_Price [decimal](19,4),", "@px_ [int]", "",
                     "AS BEGIN", "", "DELETE FROM [Order Details]", "WHERE ",
                     "[Unit Price] = @pUnit_Price AND", "[x]]] = @px_", "", "END"}));
}

TEST(UpdateProcedure, WorkedExamples)
{
    std::vector<ConditionRow> conditions = {{"OrderID", 0, "[int]"}};
    EXPECT_EQ(updateProcedure("Orders", kOrderFields, conditions, "SP_UPDATE_Orders"),
              (Lines{
                  "CREATE PROCEDURE SP_UPDATE_Orders",
                  "@pOrderID [int],",
                  "@pCustomerName [varchar](41),",
                  "@pAmount [decimal](19,4)",
                  "",
                  "AS BEGIN",
                  "",
                  "UPDATE Orders SET",
                  "[OrderID] = @pOrderID,",
                  "[CustomerName] = @pCustomerName,",
                  "[Amount] = @pAmount",
                  "WHERE ",
                  "OrderID = @pOrderID",
                  "",
                  "END",
              }));

    conditions.push_back({"CustomerName", 6, "[varchar](41)"});
    EXPECT_EQ(updateProcedure("Orders", kOrderFields, conditions, "SP_UPDATE_Orders"),
              (Lines{
                  "CREATE PROCEDURE SP_UPDATE_Orders",
                  "@pOrderID [int],",
                  "@pCustomerName [varchar](41),",
                  "@pAmount [decimal](19,4)",
                  "",
                  "AS BEGIN",
                  "",
                  "UPDATE Orders SET",
                  "[OrderID] = @pOrderID,",
                  "[CustomerName] = @pCustomerName,",
                  "[Amount] = @pAmount",
                  "WHERE ",
                  "OrderID = @pOrderID AND",
                  "CustomerName LIKE @pCustomerName+'%'",
                  "",
                  "END",
              }));
}

TEST(UpdateProcedure, ConditionsAndDeclarations)
{
    // No conditions: "WHERE " is followed by the empty line and END.
    EXPECT_EQ(updateProcedure("Orders", {{"Amount", "[decimal](19,4)"}}, {}, "U"),
              (Lines{"CREATE PROCEDURE U", "@pAmount [decimal](19,4)", "", "AS BEGIN", "",
                     "UPDATE Orders SET", "[Amount] = @pAmount", "WHERE ", "", "END"}));

    // A condition on a field that is not selected: declared, used only in WHERE.
    EXPECT_EQ(updateProcedure("Orders", {{"Amount", "[decimal](19,4)"}}, {{"OrderID", 4, "[int]"}}, "U"),
              (Lines{"CREATE PROCEDURE U", "@pOrderID [int],", "@pAmount [decimal](19,4)", "",
                     "AS BEGIN", "", "UPDATE Orders SET", "[Amount] = @pAmount", "WHERE ",
                     "OrderID >= @pOrderID", "", "END"}));

    // A condition on the last selected field: the declaration line before it ends the list.
    std::vector<Field> two = {{"OrderID", "[int]"}, {"Amount", "[decimal](19,4)"}};
    Lines lastField = updateProcedure("Orders", two, {{"Amount", 2, "[decimal](19,4)"}}, "U");
    EXPECT_EQ(Lines(lastField.begin() + 1, lastField.begin() + 4),
              (Lines{"@pAmount [decimal](19,4),", "@pOrderID [int]", ""}));

    // All selected fields as conditions: exactly the declarations.
    Lines all = updateProcedure("Orders", two, {{"Amount", 1, "[decimal](19,4)"}, {"OrderID", 3, "[int]"}}, "U");
    EXPECT_EQ(all, (Lines{"CREATE PROCEDURE U", "@pAmount [decimal](19,4),", "@pOrderID [int]", "",
                          "AS BEGIN", "", "UPDATE Orders SET", "[OrderID] = @pOrderID,",
                          "[Amount] = @pAmount", "WHERE ", "Amount > @pAmount AND",
                          "OrderID <> @pOrderID", "", "END"}));
}

TEST(UpdateProcedure, SameFieldTwiceIsDeclaredOnce)
{
    std::vector<ConditionRow> conditions = {{"Amount", 4, "[decimal](19,4)"},
                                            {"OrderID", 0, "[int]"},
                                            {"Amount", 5, "[decimal](19,4)"}};
    EXPECT_EQ(updateProcedure("Orders", {{"CustomerName", "[varchar](41)"}}, conditions, "U"),
              (Lines{"CREATE PROCEDURE U", "@pAmount [decimal](19,4),", "@pOrderID [int],",
                     "@pCustomerName [varchar](41)", "", "AS BEGIN", "", "UPDATE Orders SET",
                     "[CustomerName] = @pCustomerName", "WHERE ", "Amount >= @pAmount AND",
                     "OrderID = @pOrderID AND", "Amount <= @pAmount", "", "END"}));

    // A condition whose name differs from a selected field only in case is
    // that field: one variable, one declaration, spelt as the field is.
    Lines mixedCase = updateProcedure("Orders", {{"orderid", "[int]"}, {"Amount", "[money]"}},
                                      {{"OrderID", 0, "[int]"}, {"ORDERID", 0, "[int]"}}, "U");
    EXPECT_EQ(mixedCase, (Lines{"CREATE PROCEDURE U", "@porderid [int],", "@pAmount [money]", "",
                                "AS BEGIN", "", "UPDATE Orders SET", "[orderid] = @porderid,",
                                "[Amount] = @pAmount", "WHERE ", "OrderID = @porderid AND",
                                "ORDERID = @porderid", "", "END"}));
}

TEST(UpdateProcedure, AwkwardConditionNames)
{
    std::vector<ConditionRow> conditions = {{"Order Date", 6, "[datetime]"},
                                            {"User", 0, "[int]"},
                                            {"a]b", 1, "[int]"}};
    EXPECT_EQ(updateProcedure("Order Details", {{"Unit Price", "[money]"}}, conditions, "U"),
              (Lines{"CREATE PROCEDURE U", "@pOrder_Date [datetime],", "@pUser [int],",
                     "@pa_b [int],", "@pUnit_Price [money]", "", "AS BEGIN", "",
                     "UPDATE [Order Details] SET", "[Unit Price] = @pUnit_Price", "WHERE ",
                     "[Order Date] LIKE @pOrder_Date+'%' AND", "[User] = @pUser AND",
                     "[a]]b] > @pa_b", "", "END"}));
}

TEST(Generators, MissingTypeTextFallsBackToTheDeclaredType)
{
    Field shape{"Shape", "", "geography"};
    EXPECT_EQ(insertProcedure("Maps", {shape}, "I")[1], "@pShape [geography]");
    EXPECT_EQ(deleteProcedure("Maps", {shape}, "D")[1], "@pShape [geography]");
    ConditionRow where{"Code", 0, "", "char"};
    EXPECT_EQ(updateProcedure("Maps", {shape}, {where}, "U")[1], "@pCode [char],");

    try {
        insertProcedure("Maps", {{"Blob", ""}}, "I");
        FAIL() << "a field without any type was accepted";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "The field 'Blob' has no data type");
    }
}

TEST(Generators, BadInputIsAnError)
{
    EXPECT_THROW(insertProcedure("Orders", {}, "I"), varnett::Error);
    EXPECT_THROW(deleteProcedure("", kOrderFields, "D"), varnett::Error);
    EXPECT_THROW(updateProcedure("Orders", kOrderFields, {}, ""), varnett::Error);
    EXPECT_THROW(updateProcedure("Orders", kOrderFields, {{"OrderID", 7, "[int]"}}, "U"),
                 varnett::Error);
    EXPECT_THROW(updateProcedure("Orders", kOrderFields, {{"", 0, "[int]"}}, "U"), varnett::Error);
    EXPECT_THROW(insertProcedure("Orders", {{"", "[int]"}}, "I"), varnett::Error);
}

TEST(Conditions, OperatorsParametersAndProposedNames)
{
    EXPECT_EQ(operatorItem(0), " = ");
    EXPECT_EQ(operatorItem(3), " <> ");
    EXPECT_EQ(operatorItem(6), " LIKE ");
    EXPECT_THROW(operatorItem(-1), varnett::Error);
    EXPECT_THROW(operatorItem(7), varnett::Error);

    EXPECT_EQ(conditionParameter("Name", 0), "@pName");
    EXPECT_EQ(conditionParameter("Name", 5), "@pName");
    EXPECT_EQ(conditionParameter("Name", 6), "@pName+'%'");
    EXPECT_EQ(conditionParameter("Order Date", 6), "@pOrder_Date+'%'");
    EXPECT_THROW(conditionParameter("Name", 9), varnett::Error);

    EXPECT_EQ(proposedProcedureName(ProcedureKind::Insert, "Orders"), "SP_INSERT_Orders");
    EXPECT_EQ(proposedProcedureName(ProcedureKind::Update, "Orders"), "SP_UPDATE_Orders");
    EXPECT_EQ(proposedProcedureName(ProcedureKind::Delete, "Orders"), "SP_DELETE_Orders");
}

TEST(Identifiers, RegularNamesAreJudgedByCharacters)
{
    struct Row {
        std::string name;
        std::string written;   // as quoteIfNeeded writes it
        std::string variable;  // as variableSafe makes it
    };
    const std::vector<Row> rows = {
        {"Orders", "Orders", "Orders"},
        {"Größe", "Größe", "Größe"},                         // letters beyond ASCII
        {"Ωμέγα2", "Ωμέγα2", "Ωμέγα2"},
        {"Preis\xE2\x82\xAC", "[Preis\xE2\x82\xAC]", "Preis_"},   // euro sign
        {"a\xC2\xA0" "b", "[a\xC2\xA0" "b]", "a_b"},              // no-break space
        {"x\xF0\x9F\x98\x80", "[x\xF0\x9F\x98\x80]", "x_"},       // emoji
        {"#temp", "[#temp]", "_temp"},
        {"@var", "[@var]", "_var"},
        {"a#b$c@d", "a#b$c@d", "a_b_c_d"},
        {"$x", "[$x]", "_x"},
        {"1st", "[1st]", "1st"},
        {"Order", "[Order]", "Order"},
        {"a]b", "[a]]b]", "a_b"},
        {"\xFF" "bad", "[\xFF" "bad]", "_bad"},                    // not UTF-8
    };
    for (const Row& row : rows) {
        EXPECT_EQ(quoteIfNeeded(row.name), row.written) << row.name;
        EXPECT_EQ(variableSafe(row.name), row.variable) << row.name;
    }
    EXPECT_TRUE(isRegularIdentifier("#temp"));
    EXPECT_FALSE(isBareName("#temp"));
    EXPECT_FALSE(isRegularIdentifier(""));
}

TEST(Generators, ProcedureNamesAreWrittenAsTheServerNeedsThem)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"SP_INSERT_Orders", "SP_INSERT_Orders"},
        {"SP_INSERT_Order Details", "[SP_INSERT_Order Details]"},
        {"[SP_DELETE_dbo.Dotted]", "[SP_DELETE_dbo.Dotted]"},
        {"SP_DELETE_dbo.Dotted", "SP_DELETE_dbo.Dotted"},
        {"Sales.SP_DELETE_Order Details", "Sales.[SP_DELETE_Order Details]"},
        {"[Sales Dept].SP_X", "[Sales Dept].SP_X"},
        {"dbo.SP_X", "dbo.SP_X"},
        {"SP_UPDATE_a]b", "[SP_UPDATE_a]]b]"},
        {"#proc", "[#proc]"},
        {"Procedure", "[Procedure]"},
        {"[Typed Name]", "[Typed Name]"},
        {"[dbo].[x y]", "[dbo].[x y]"},
        {"[half", "[[half]"},
        {"[a]b]", "[[a]]b]]]"},
    };
    for (const auto& [typed, written] : rows) {
        EXPECT_EQ(procedureNameText(typed), written) << typed;
        EXPECT_EQ(deleteProcedure("T", {{"Id", "[int]"}}, typed).front(),
                  "CREATE PROCEDURE " + written);
    }
}

TEST(Generators, ParameterNamesAreUniqueAndValid)
{
    std::vector<Field> fields = {{"a b", "[int]"}, {"a_b", "[int]"}, {"A-B", "[int]"},
                                 {"#x", "[int]"}, {"@x", "[int]"}};
    EXPECT_EQ(insertProcedure("T", fields, "I"),
              (Lines{"CREATE PROCEDURE I", "@pa_b [int],", "@pa_b2 [int],", "@pA_B3 [int],",
                     "@p_x [int],", "@p_x2 [int]", "", "AS BEGIN", "", "INSERT INTO T(", "[a b],",
                     "[a_b],", "[A-B],", "[#x],", "[@x]", ")", "", "VALUES (", "@pa_b,",
                     "@pa_b2,", "@pA_B3,", "@p_x,", "@p_x2", ")", "END"}));

    // A condition and a set field of clashing names keep their own variables.
    EXPECT_EQ(updateProcedure("T", {{"a_b", "[int]"}}, {{"a b", 0, "[int]"}}, "U"),
              (Lines{"CREATE PROCEDURE U", "@pa_b [int],", "@pa_b2 [int]", "", "AS BEGIN", "",
                     "UPDATE T SET", "[a_b] = @pa_b2", "WHERE ", "[a b] = @pa_b", "", "END"}));

    // 126 characters after "@p" fit; one more does not.
    std::string longest(126, 'x');
    EXPECT_EQ(deleteProcedure("T", {{longest, "[int]"}}, "D")[1], "@p" + longest + " [int]");
    try {
        deleteProcedure("T", {{longest + "y", "[int]"}}, "D");
        FAIL() << "a parameter name of 129 characters was accepted";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), ("The parameter name of the field '" + longest
                                + "y' would be longer than 128 characters").c_str());
    }
    // Characters, not bytes: 126 two-byte letters fit.
    std::string greek;
    for (int i = 0; i < 126; ++i)
        greek += "\xCE\xB1";
    EXPECT_EQ(insertProcedure("T", {{greek, "[int]"}}, "I")[1], "@p" + greek + " [int]");

    // The procedure's own name: 128 characters fit, in any schema; 129 do not.
    const std::string table(118, 'T');
    EXPECT_EQ(insertProcedure(table, {{"a", "[int]"}}, proposedProcedureName(ProcedureKind::Insert, table))[0],
              "CREATE PROCEDURE SP_INSERT_" + table);
    EXPECT_EQ(deleteProcedure("S." + table, {{"a", "[int]"}}, "S.SP_DELETE_" + table)[0],
              "CREATE PROCEDURE S.SP_DELETE_" + table);
    for (const std::string& name : {"SP_INSERT_" + table + "x", "[SP_INSERT_" + table + "x]",
                                    "S.SP_INSERT_" + table + "x"}) {
        try {
            insertProcedure(table, {{"a", "[int]"}}, name);
            ADD_FAILURE() << name << " was accepted";
        } catch (const varnett::Error& e) {
            EXPECT_STREQ(e.what(), ("The procedure name 'SP_INSERT_" + table
                                    + "x' is longer than 128 characters").c_str());
        }
    }
}

TEST(Generators, ServerFilledFieldsAreLeftOut)
{
    std::vector<Field> fields = {{"Id", "[int]", "int", SqlType::Int, true},
                                 {"Name", "[varchar](41)", "varchar", SqlType::VarChar},
                                 {"Stamp", "[binary](8)", "timestamp", SqlType::Timestamp, true}};
    EXPECT_EQ(insertProcedure("T", fields, "I"),
              (Lines{"CREATE PROCEDURE I", "@pName [varchar](41)", "", "AS BEGIN", "",
                     "INSERT INTO T(", "[Name]", ")", "", "VALUES (", "@pName", ")", "END"}));
    // Not set, but still a condition.
    EXPECT_EQ(updateProcedure("T", fields, {{"Id", 0, "[int]", "int", SqlType::Int}}, "U"),
              (Lines{"CREATE PROCEDURE U", "@pId [int],", "@pName [varchar](41)", "", "AS BEGIN",
                     "", "UPDATE T SET", "[Name] = @pName", "WHERE ", "Id = @pId", "", "END"}));
    EXPECT_EQ(deleteProcedure("T", fields, "D")[1], "@pId [int],");

    EXPECT_EQ(leftOutFields(ProcedureKind::Insert, fields), (Lines{"Id", "Stamp"}));
    EXPECT_EQ(leftOutFields(ProcedureKind::Delete, fields), Lines{});
    EXPECT_EQ(leftOutNote(ProcedureKind::Update, fields), "Left out, the server fills them: Id, Stamp");
    EXPECT_EQ(leftOutNote(ProcedureKind::Insert, {fields[0], fields[1]}),
              "Left out, the server fills it: Id");
    EXPECT_EQ(leftOutNote(ProcedureKind::Insert, {fields[1]}), "");

    EXPECT_THROW(insertProcedure("T", {fields[0], fields[2]}, "I"), varnett::Error);
    EXPECT_THROW(updateProcedure("T", {fields[0]}, {}, "U"), varnett::Error);

    ColumnDesc identity{"Id", "int", SqlType::Int};
    identity.identity = true;
    EXPECT_TRUE(fieldOf(identity).serverFilled);
    ColumnDesc computed{"Total", "decimal", SqlType::Decimal, 0, 10, 2};
    computed.computed = true;
    EXPECT_TRUE(fieldOf(computed).serverFilled);
    Field plain = fieldOf({"Name", "varchar", SqlType::VarChar, 40});
    EXPECT_EQ(plain.typeText, "[varchar](41)");
    EXPECT_FALSE(plain.serverFilled);
}

TEST(Generators, FieldsTheServerCannotCompare)
{
    struct Row {
        SqlType type;
        bool comparable;
        int operators;
    };
    const std::vector<Row> rows = {
        {SqlType::Text, false, 6},      {SqlType::NText, false, 6},
        {SqlType::Image, false, 6},     {SqlType::Xml, false, 6},
        {SqlType::VarChar, true, 7},    {SqlType::NChar, true, 7},
        {SqlType::Char, true, 7},       {SqlType::NVarChar, true, 7},
        {SqlType::Int, true, 6},        {SqlType::DateTime, true, 6},
        {SqlType::UniqueIdentifier, true, 6}, {SqlType::Unknown, true, 7},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isComparable(row.type), row.comparable) << static_cast<int>(row.type);
        EXPECT_EQ(operatorCount(row.type), row.operators) << static_cast<int>(row.type);
    }

    Field memo{"Memo", "[text]", "text", SqlType::Text};
    try {
        deleteProcedure("T", {{"Id", "[int]"}, memo}, "D");
        FAIL() << "a text field was compared";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "The field 'Memo' cannot be compared: the server does not compare "
                               "text, ntext, image or xml values");
    }
    EXPECT_THROW(updateProcedure("T", {{"Id", "[int]"}}, {{"Memo", 0, "[text]", "text", SqlType::Text}}, "U"),
                 varnett::Error);
    // A text field may still be set.
    EXPECT_EQ(updateProcedure("T", {memo}, {{"Id", 1, "[int]", "int", SqlType::Int}}, "U")[7],
              "[Memo] = @pMemo");
    try {
        updateProcedure("T", {memo}, {{"Id", kLikeOperator, "[int]", "int", SqlType::Int}}, "U");
        FAIL() << "LIKE on an int field was accepted";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "The field 'Id' holds no characters; LIKE is only for character fields");
    }
}
