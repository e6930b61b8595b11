#include "sqltext/Error.h"
#include "sqltext/Generators.h"

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

TEST(InsertProcedure, OneFieldAndNameAsTyped)
{
    EXPECT_EQ(insertProcedure("Orders", {{"Amount", "[decimal](19,4)"}}, "SP INSERT"),
              (Lines{"CREATE PROCEDURE SP INSERT", "@pAmount [decimal](19,4)", "", "AS BEGIN",
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
                  "@pORDERID [int],",
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
                  "@pORDERID [int],",
                  "@pCUSTOMERNAME [varchar](41),",
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
              (Lines{"CREATE PROCEDURE U", "@pORDERID [int],", "@pAmount [decimal](19,4)", "",
                     "AS BEGIN", "", "UPDATE Orders SET", "[Amount] = @pAmount", "WHERE ",
                     "OrderID >= @pOrderID", "", "END"}));

    // A condition on the last selected field: the declaration line before it ends the list.
    std::vector<Field> two = {{"OrderID", "[int]"}, {"Amount", "[decimal](19,4)"}};
    Lines lastField = updateProcedure("Orders", two, {{"Amount", 2, "[decimal](19,4)"}}, "U");
    EXPECT_EQ(Lines(lastField.begin() + 1, lastField.begin() + 4),
              (Lines{"@pAMOUNT [decimal](19,4),", "@pOrderID [int]", ""}));

    // All selected fields as conditions: exactly the declarations.
    Lines all = updateProcedure("Orders", two, {{"Amount", 1, "[decimal](19,4)"}, {"OrderID", 3, "[int]"}}, "U");
    EXPECT_EQ(all, (Lines{"CREATE PROCEDURE U", "@pAMOUNT [decimal](19,4),", "@pORDERID [int]", "",
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
              (Lines{"CREATE PROCEDURE U", "@pAMOUNT [decimal](19,4),", "@pORDERID [int],",
                     "@pCustomerName [varchar](41)", "", "AS BEGIN", "", "UPDATE Orders SET",
                     "[CustomerName] = @pCustomerName", "WHERE ", "Amount >= @pAmount AND",
                     "OrderID = @pOrderID AND", "Amount <= @pAmount", "", "END"}));

    // Field and condition names match without regard to case; one variable, one declaration.
    Lines mixedCase = updateProcedure("Orders", {{"orderid", "[int]"}, {"Amount", "[money]"}},
                                      {{"OrderID", 0, "[int]"}, {"ORDERID", 0, "[int]"}}, "U");
    EXPECT_EQ(Lines(mixedCase.begin() + 1, mixedCase.begin() + 4),
              (Lines{"@pORDERID [int],", "@pAmount [money]", ""}));
}

TEST(UpdateProcedure, AwkwardConditionNames)
{
    std::vector<ConditionRow> conditions = {{"Order Date", 6, "[datetime]"},
                                            {"User", 0, "[int]"},
                                            {"a]b", 1, "[int]"}};
    EXPECT_EQ(updateProcedure("Order Details", {{"Unit Price", "[money]"}}, conditions, "U"),
              (Lines{"CREATE PROCEDURE U", "@pORDER_DATE [datetime],", "@pUSER [int],",
                     "@pA_B [int],", "@pUnit_Price [money]", "", "AS BEGIN", "",
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
    EXPECT_EQ(updateProcedure("Maps", {shape}, {where}, "U")[1], "@pCODE [char],");

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
