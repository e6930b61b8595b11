#include "sqltext/InsertionLists.h"

#include "sqltext/Error.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using Items = std::vector<std::string>;

namespace {

const std::vector<InsertionField> kFields = {
    {"A", "[int]", "int"},
    {"B", "[varchar](51)", "varchar"},
};

} // namespace

TEST(InsertionLists, SnippetsKeepTheirBlanks)
{
    ASSERT_EQ(kSnippetItems.size(), 25u);
    EXPECT_EQ(kSnippetItems[0], "BEGIN");
    EXPECT_EQ(kSnippetItems[6], "SELECT ");
    EXPECT_EQ(kSnippetItems[7], "SELECT  FROM ");
    EXPECT_EQ(kSnippetItems[8], "SELECT  FROM  WHERE ");
    EXPECT_EQ(kSnippetItems[9], "DECLARE ");
    EXPECT_EQ(kSnippetItems[14], "FETCH FIRST FROM {cursor name} INTO {@variable, @var...}");
    EXPECT_EQ(kSnippetItems[19], "INSERT INTO  () VALUES()");
    EXPECT_EQ(kSnippetItems[20], "UPDATE  SET   WHERE ");
    EXPECT_EQ(kSnippetItems[21], "DELETE FROM   WHERE ");
    EXPECT_EQ(kSnippetItems[22], "EXEC ");
    EXPECT_EQ(kSnippetItems[24], "@@FETCH_STATUS = ");
}

TEST(InsertionLists, FieldItemsByListMode)
{
    EXPECT_EQ(fieldItems(kFields, ListMode::Plain), (Items{"[A]", "[B]"}));
    EXPECT_EQ(fieldItems(kFields, ListMode::Typed), (Items{"[A]", "[B]"}));
    EXPECT_EQ(fieldItems(kFields, ListMode::Compare),
              (Items{"[A] = @pA", "[A] = @lA", "[B] = @pB", "[B] = @lB"}));
    // Awkward names stay usable SQL.
    EXPECT_EQ(fieldItems({{"Order Date", "[datetime]", "datetime"}}, ListMode::Compare),
              (Items{"[Order Date] = @pOrder_Date", "[Order Date] = @lOrder_Date"}));
    EXPECT_EQ(fieldItems({{"a]b", "", ""}}, ListMode::Plain), (Items{"[a]]b]"}));
    EXPECT_TRUE(fieldItems({}, ListMode::Compare).empty());
}

TEST(InsertionLists, VariableItemsByListMode)
{
    EXPECT_EQ(variableItems(kFields, ListMode::Plain), (Items{"@pA", "@lA", "@pB", "@lB"}));
    EXPECT_EQ(variableItems(kFields, ListMode::Compare),
              (Items{"@pA = ", "@lA = ", "@pB = ", "@lB = "}));
    EXPECT_EQ(variableItems(kFields, ListMode::Typed),
              (Items{"@pA [int]", "@lA [int]", "@pB [varchar](51)", "@lB [varchar](51)"}));
    // A field without a type text is offered with its declared type name.
    EXPECT_EQ(variableItems({{"Code", "", "geography"}}, ListMode::Typed),
              (Items{"@pCode [geography]", "@lCode [geography]"}));
    EXPECT_EQ(variableItems({{"X", "", ""}}, ListMode::Typed), (Items{"@pX", "@lX"}));
    EXPECT_TRUE(variableItems({}, ListMode::Typed).empty());
}

TEST(InsertionLists, ComposingFollowsListOrder)
{
    Items fields = fieldItems(kFields, ListMode::Plain);
    EXPECT_EQ(composeResult(fields, {0, 1}, ListMode::Plain), "[A], [B]");
    EXPECT_EQ(composeResult(fields, {1, 0}, ListMode::Plain), "[A], [B]");
    EXPECT_EQ(composeResult(fields, {1}, ListMode::Plain), "[B]");
    EXPECT_EQ(composeResult(fields, {}, ListMode::Plain), "");

    Items compare = fieldItems(kFields, ListMode::Compare);
    EXPECT_EQ(composeResult(compare, {3, 0}, ListMode::Compare), "[A] = @pA AND [B] = @lB");
    Items equals = variableItems(kFields, ListMode::Compare);
    EXPECT_EQ(composeResult(equals, {0, 2}, ListMode::Compare), "@pA =  AND @pB = ");
    Items typed = variableItems(kFields, ListMode::Typed);
    EXPECT_EQ(composeResult(typed, {2, 0}, ListMode::Typed), "@pA [int], @pB [varchar](51)");
    EXPECT_EQ(composeResult(Items(kSnippetItems.begin(), kSnippetItems.end()), {22},
                            ListMode::Plain),
              "EXEC ");

    EXPECT_THROW(composeResult(fields, {2}, ListMode::Plain), varnett::Error);
}

TEST(InsertionLists, InsertingAtTheCaret)
{
    EXPECT_EQ(insertAtColumn("", 0, "DECLARE "), "DECLARE ");
    EXPECT_EQ(insertAtColumn("SELECT  FROM T", 7, "[A]"), "SELECT [A] FROM T");
    EXPECT_EQ(insertAtColumn("abc", 10, "X"), "abcX");
    EXPECT_EQ(insertAtColumn("abc", 0, ""), "abc");
    // Columns count characters, not bytes.
    EXPECT_EQ(insertAtColumn("\xc3\xa4\xc3\xb6x", 1, "|"), "\xc3\xa4|\xc3\xb6x");

    EXPECT_EQ(insertProcedureName("EXEC ", 5, "SP_X"), "EXEC SP_X ");
    EXPECT_EQ(insertProcedureName("EXEC ", 5, ""), "EXEC  ");
    EXPECT_EQ(insertProcedureName("EXEC \r\n", 5, "P"), "EXEC P ");
}

TEST(InsertionLists, FollowUpsAfterAResult)
{
    EXPECT_EQ(nextFollowUp("DECLARE ", FollowUp::None), FollowUp::Variables);
    EXPECT_EQ(nextFollowUp(" \tDECLARE", FollowUp::None), FollowUp::Variables);
    EXPECT_EQ(nextFollowUp("declare ", FollowUp::None), FollowUp::None);
    EXPECT_EQ(nextFollowUp("DECLARE {cursor name} CURSOR FOR", FollowUp::None), FollowUp::None);
    EXPECT_EQ(nextFollowUp("SELECT  FROM  WHERE ", FollowUp::None), FollowUp::Fields);
    EXPECT_EQ(nextFollowUp("UPDATE  SET   WHERE ", FollowUp::None), FollowUp::Fields);
    EXPECT_EQ(nextFollowUp("DELETE FROM   WHERE ", FollowUp::None), FollowUp::Fields);
    EXPECT_EQ(nextFollowUp("where", FollowUp::None), FollowUp::None);
    EXPECT_EQ(nextFollowUp("EXEC ", FollowUp::None), FollowUp::Procedures);
    EXPECT_EQ(nextFollowUp("EXECUTE ", FollowUp::None), FollowUp::None);
    EXPECT_EQ(nextFollowUp("", FollowUp::None), FollowUp::None);

    // Each follow-up runs once, in order, on the latest result.
    EXPECT_EQ(nextFollowUp("@pWHERE [int]", FollowUp::Variables), FollowUp::Fields);
    EXPECT_EQ(nextFollowUp("DECLARE", FollowUp::Variables), FollowUp::None);
    EXPECT_EQ(nextFollowUp("[WHERE] = @pWHERE", FollowUp::Fields), FollowUp::None);
    EXPECT_EQ(nextFollowUp("EXEC", FollowUp::Fields), FollowUp::Procedures);
    EXPECT_EQ(nextFollowUp("EXEC", FollowUp::Procedures), FollowUp::None);
}
