#include "sqltext/Error.h"
#include "sqltext/ProcScript.h"
#include "support/Names.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using Lines = std::vector<std::string>;

namespace {

ScriptProcedure proc(std::string_view name, Lines lines = {})
{
    return {parseObjectName(name), std::move(lines)};
}

// The names in script order.
std::vector<std::string> ordered(const std::vector<ScriptProcedure>& procedures)
{
    std::vector<std::string> names;
    for (std::size_t i : scriptOrder(procedures))
        names.push_back(displayName(procedures[i].name));
    return names;
}

} // namespace

TEST(ProcScript, CalleeNamesOfTheLineForms)
{
    EXPECT_EQ(calleeName("EXEC PROC_B @A, @B"), "PROC_B");
    EXPECT_EQ(calleeName("  execute Proc_B"), "PROC_B");
    EXPECT_EQ(calleeName("exec proc_b"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC @RC = PROC_B @A"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC @rc=proc_b"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC DBO.PROC_B"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC [dbo].[Proc B]"), "PROC B");
    EXPECT_EQ(calleeName("EXEC [a]]b]"), "A]B");
    EXPECT_EQ(calleeName("EXEC \"PROC_B\""), "PROC_B");
    EXPECT_EQ(calleeName("EXEC Sales..PROC_B"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC PROC_B;1 @A"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC    PROC_B"), "PROC_B");
    EXPECT_EQ(calleeName("EXEC\tPROC_B"), "PROC_B");
    EXPECT_EQ(calleeName("SET @X = 1 EXEC PROC_B"), "PROC_B");
    // EXEC wins over an earlier EXECUTE.
    EXPECT_EQ(calleeName("EXECUTE PROC_A EXEC PROC_B"), "PROC_B");

    EXPECT_EQ(calleeName("EXEC (@sql)"), std::nullopt);
    EXPECT_EQ(calleeName("EXEC @sql"), std::nullopt);
    EXPECT_EQ(calleeName("EXEC ('SELECT 1')"), std::nullopt);
    EXPECT_EQ(calleeName("SELECT 1 EXEC "), std::nullopt);
    EXPECT_EQ(calleeName("EXEC [unterminated"), std::nullopt);
    EXPECT_EQ(calleeName("EXECPROC_B"), std::nullopt);
    EXPECT_EQ(calleeName("SELECT * FROM T"), std::nullopt);
    // Words in comments and strings execute nothing.
    EXPECT_EQ(calleeName("-- exec Foo"), std::nullopt);
    EXPECT_EQ(calleeName("/* EXEC Bar */ select 1"), std::nullopt);
    EXPECT_EQ(calleeName("/* EXEC Bar */ EXEC Foo"), "FOO");
    EXPECT_EQ(calleeName("print 'EXEC Bar'"), std::nullopt);
    EXPECT_EQ(calleeName("EXEC /* the one */ Foo"), "FOO");
    // EXEC is a word of its own after a symbol too, as the server reads it.
    EXPECT_EQ(calleeName("SET @x = 1;EXEC Foo"), "FOO");
}

TEST(ProcScript, CallingLinesReadAloneAsInTheirText)
{
    EXPECT_EQ(callingLines("AS\r\nEXEC A\r\n-- EXEC B\nselect 1 /* EXEC C\r\nEXEC D */ EXEC E\rx"),
              (Lines{"EXEC A", " EXEC E"}));
    EXPECT_EQ(callingLines("select 'a\nEXEC B' exec C"), (Lines{" exec C"}));
    EXPECT_EQ(callingLines("exec A -- and\n\n\nexecute B /* open"), (Lines{"exec A -- and", "execute B /* open"}));
    EXPECT_TRUE(callingLines("").empty());
    EXPECT_TRUE(callingLines("CREATE PROC P AS select N'\xc3\x89x', 'exe' + 'c'\r\n").empty());
    EXPECT_EQ(callingLines("select 1\nExEcUtE B;1"), (Lines{"ExEcUtE B;1"}));
}

TEST(ProcScript, CalleesComeBeforeTheirCallers)
{
    EXPECT_EQ(ordered({proc("A", {"AS", "EXEC B"}), proc("B")}), (Lines{"B", "A"}));
    EXPECT_EQ(ordered({proc("A", {"exec c"}), proc("B"), proc("C", {"EXECUTE B"})}),
              (Lines{"B", "C", "A"}));
    EXPECT_EQ(ordered({proc("A"), proc("B", {"EXEC A"})}), (Lines{"A", "B"}));
    EXPECT_EQ(ordered({proc("A", {"EXEC X"}), proc("B")}), (Lines{"A", "B"}));
    EXPECT_EQ(ordered({proc("A", {"EXEC A"}), proc("B")}), (Lines{"A", "B"}));
    EXPECT_EQ(ordered({proc("A", {"EXEC B"})}), (Lines{"A"}));
    EXPECT_TRUE(scriptOrder({}).empty());
    // The forms that name a procedure through a variable, a schema or a group.
    EXPECT_EQ(ordered({proc("A", {"EXEC @rc = dbo.B"}), proc("B")}), (Lines{"B", "A"}));
    EXPECT_EQ(ordered({proc("A", {"EXEC [dbo].[B];1"}), proc("B")}), (Lines{"B", "A"}));
    EXPECT_EQ(ordered({proc("A", {"EXEC @B"}), proc("B")}), (Lines{"A", "B"}));
    // A call in a comment or a string, over one line or several, is none.
    EXPECT_EQ(ordered({proc("A", {"-- exec B", "/* EXEC C */"}), proc("B"), proc("C")}),
              (Lines{"A", "B", "C"}));
    EXPECT_EQ(ordered({proc("A", {"/* start", "EXEC B", "*/ print 'x", "EXEC C'"}), proc("B"),
                       proc("C")}),
              (Lines{"A", "B", "C"}));
    // The first line that calls a procedure further down decides first.
    EXPECT_EQ(ordered({proc("A", {"EXEC B", "EXEC C"}), proc("B"), proc("C")}),
              (Lines{"B", "C", "A"}));
}

TEST(ProcScript, CyclesEndAndKeepTheGivenOrder)
{
    EXPECT_EQ(ordered({proc("A", {"EXEC B"}), proc("B", {"EXEC A"})}), (Lines{"A", "B"}));
    EXPECT_EQ(ordered({proc("B", {"EXEC A"}), proc("A", {"EXEC B"})}), (Lines{"B", "A"}));
    // X calls into the cycle of B and C: the cycle moves up as a whole.
    EXPECT_EQ(ordered({proc("X", {"EXEC C"}), proc("B", {"EXEC C"}), proc("C", {"EXEC B"})}),
              (Lines{"B", "C", "X"}));
    // A cycle that itself calls D: D comes first.
    EXPECT_EQ(ordered({proc("A", {"EXEC B"}), proc("B", {"EXEC A", "EXEC D"}), proc("D")}),
              (Lines{"D", "A", "B"}));
    // Three in a ring, with an outsider in between.
    EXPECT_EQ(ordered({proc("A", {"EXEC B"}), proc("Y"), proc("B", {"EXEC C"}),
                       proc("C", {"EXEC A"})}),
              (Lines{"A", "B", "C", "Y"}));
}

TEST(ProcScript, LongCallChainIsOrdered)
{
    std::vector<ScriptProcedure> chain;
    for (int i = 0; i < 300; ++i)
        chain.push_back(proc("P" + std::to_string(i), {"EXEC P" + std::to_string(i + 1)}));
    std::vector<std::size_t> order = scriptOrder(chain);
    ASSERT_EQ(order.size(), 300u);
    EXPECT_EQ(order.front(), 299u);
    EXPECT_EQ(order[1], 298u);
    EXPECT_EQ(order.back(), 0u);
}

TEST(ProcScript, BlockLayout)
{
    // The text byte for byte: a lone LF inside a string stays, no empty line
    // comes before it, the procedure's own settings frame it.
    EXPECT_EQ(procedureBlock("SP_X"_name, {false, true},
                             "CREATE PROCEDURE SP_X AS\r\n\r\nSELECT 'a\nb'\r\n"),
              "if exists (select * from sysobjects where id = object_id(N'[dbo].[SP_X]') and "
              "OBJECTPROPERTY(id, N'IsProcedure') = 1) drop procedure [dbo].[SP_X]\r\n"
              "GO\r\n"
              "\r\n"
              "SET QUOTED_IDENTIFIER  OFF    SET ANSI_NULLS  ON\r\n"
              "GO\r\n"
              "CREATE PROCEDURE SP_X AS\r\n\r\nSELECT 'a\nb'\r\n"
              "\r\n"
              "GO\r\n"
              "SET QUOTED_IDENTIFIER  OFF    SET ANSI_NULLS  ON\r\n"
              "GO\r\n");
    // A text without a final line break gets one, and no empty line.
    EXPECT_EQ(procedureBlock("P"_name, {true, false}, "CREATE PROC P AS SELECT 1"),
              "if exists (select * from sysobjects where id = object_id(N'[dbo].[P]') and "
              "OBJECTPROPERTY(id, N'IsProcedure') = 1) drop procedure [dbo].[P]\r\n"
              "GO\r\n\r\nSET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  OFF\r\nGO\r\n"
              "CREATE PROC P AS SELECT 1\r\nGO\r\n"
              "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  OFF\r\nGO\r\n");

    std::string odd = procedureBlock("O'Brien]x"_name, {}, "x");
    EXPECT_EQ(odd.substr(0, odd.find('\r')),
              "if exists (select * from sysobjects where id = object_id(N'[dbo].[O''Brien]]x]') and "
              "OBJECTPROPERTY(id, N'IsProcedure') = 1) drop procedure [dbo].[O'Brien]]x]");
}

TEST(ProcScript, ALineOfOnlyGoIsRefused)
{
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"CREATE PROC P AS\r\nSELECT 1\r\nGO\r\nSELECT 2", "3 ('GO')"},
        {"CREATE PROC P AS\nSELECT '\n  go \n'", "3 ('  go ')"},
        {"CREATE PROC P AS SELECT 'a\rGo\r'", "2 ('Go')"},
    };
    for (const auto& [text, line] : rows) {
        try {
            procedureBlock("P"_name, {}, text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const varnett::Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The procedure 'P' cannot be written to a script: its line " + line
                          + " holds only GO, which would end the script's batch there");
        }
    }
    // GO inside a line, or GOTO, is no GO line.
    EXPECT_NO_THROW(procedureBlock("P"_name, {}, "CREATE PROC P AS\r\nGOTO x\r\nx: SELECT 'GO'\r\n"));
}

TEST(ProcScript, DropTexts)
{
    EXPECT_EQ(conditionalDropLines("SP_X"_name),
              (Lines{"if exists (select * from sysobjects where id = object_id(N'[dbo].[SP_X]') "
                     "and OBJECTPROPERTY(id, N'IsProcedure') = 1)",
                     "drop procedure [dbo].[SP_X]"}));
    EXPECT_EQ(conditionalDropLines("a]b'c"_name),
              (Lines{"if exists (select * from sysobjects where id = object_id(N'[dbo].[a]]b''c]') "
                     "and OBJECTPROPERTY(id, N'IsProcedure') = 1)",
                     "drop procedure [dbo].[a]]b'c]"}));
    EXPECT_EQ(dropProcedureLines(varnett::testing::names({"C", "a]b", "O'Brien"})),
              (Lines{"DROP PROCEDURE [C]", "DROP PROCEDURE [a]]b]", "DROP PROCEDURE [O'Brien]"}));
    EXPECT_TRUE(dropProcedureLines({}).empty());
}
