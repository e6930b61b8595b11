#include "ServerFixture.h"

#include "sqltext/ProcedureText.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace varnett::testing;

namespace {

std::string joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}


bool listed(const std::string& procedures, const std::string& name)
{
    std::string lower = procedures, wanted = name + "\n";
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), ::tolower);
    return ("\n" + lower).find("\n" + wanted) != std::string::npos;
}

} // namespace

// The text comes back whole: a line past 255 characters stays one line, and
// a text past 8,000 characters is not cut.
TEST(ServerProcedures, OpenGivesTheTextWholeAndUpdateReplacesItOrLeavesIt)
{
    TempDir dir;
    ScratchDatabase db;
    db.run("CREATE SCHEMA Purchasing");
    std::vector<std::string> lines = {"CREATE PROCEDURE Purchasing.P_Long", "AS", "BEGIN",
                                      "-- " + std::string(600, 'x') + " end of the long line"};
    for (int i = 0; i < 150; ++i)
        lines.push_back("SELECT " + std::to_string(i) + " AS n, 'a line of the long text, "
                        "number " + std::to_string(i) + "' AS t");
    lines.push_back("END");
    ASSERT_GT(joined(lines).size(), 8000u);
    db.run(joined(lines));

    std::string printed;
    for (const std::string& line : lines)
        printed += line + "\n";
    EXPECT_TRUE(cli(dir, db, {"text", "Purchasing.P_Long"}) == printed)
        << "the text of Purchasing.P_Long came back otherwise";
    auto engine = db.open();
    EXPECT_TRUE(varnett::sqltext::procedureLines(engine->procedureText("Purchasing.P_Long"_name))
                == lines);
    engine.reset();

    // A text that fails to create leaves the old procedure in place.
    Outcome bad = runScript(dir, {"--connection", db.connection(), "update-procedure", "-"},
                            "CREATE PROCEDURE Purchasing.P_Long AS SELECT FROM WHERE\r\n");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err, "");
    EXPECT_EQ(scalar(db.name(), "SELECT LEN(definition) FROM sys.sql_modules"
                                " WHERE object_id = OBJECT_ID('Purchasing.P_Long')"),
              std::to_string(joined(lines).size() - 2));

    // A good one replaces it, in its own schema.
    cli(dir, db, {"update-procedure", "-"}, "CREATE PROCEDURE Purchasing.P_Long AS SELECT 42\r\n");
    EXPECT_EQ(scalar(db.name(), "EXEC Purchasing.P_Long"), "42");

    // Drop takes procedures of two schemas in one batch.
    db.run("CREATE PROCEDURE dbo.P_Other AS SELECT 1");
    EXPECT_TRUE(listed(cli(dir, db, {"procedures"}), "P_Other"));
    EXPECT_TRUE(listed(cli(dir, db, {"procedures"}), "Purchasing.P_Long"));
    cli(dir, db, {"drop", "P_Other", "Purchasing.P_Long"});
    EXPECT_EQ(cli(dir, db, {"procedures"}), "");
    Outcome missing = runScript(dir, {"--connection", db.connection(), "text", "P_Other"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;
}

// The procedure script of procedures that call one another across two
// schemas, loaded into a second database, gives procedures that run there.
TEST(ServerProcedures, ProcedureScriptAcrossSchemasLoadsIntoAnotherDatabase)
{
    TempDir dir;
    ScratchDatabase source;
    source.run("CREATE SCHEMA Sales");
    source.run("CREATE PROCEDURE dbo.P_Base @n int AS SELECT @n * 2 AS doubled");
    source.run("CREATE PROCEDURE Sales.P_Mid @n int AS\r\n-- exec dbo.P_Top would be a loop\r\n"
               "EXEC dbo.P_Base @n = @n");
    source.run("CREATE PROCEDURE dbo.P_Top AS EXEC Sales.P_Mid 21");
    const std::string script = dir.file("procs.sql");
    cli(dir, source, {"proc-script", "--out", script, "P_Top", "Sales.P_Mid", "P_Base"});
    const std::string text = readFile(script);
    auto at = [&](const char* name) { return text.find(name); };
    EXPECT_LT(at("CREATE PROCEDURE dbo.P_Base"), at("CREATE PROCEDURE Sales.P_Mid")) << text;
    EXPECT_LT(at("CREATE PROCEDURE Sales.P_Mid"), at("CREATE PROCEDURE dbo.P_Top")) << text;

    ScratchDatabase target;
    target.run("CREATE SCHEMA Sales");
    cli(dir, target, {"load", script});
    EXPECT_EQ(scalar(target.name(), "EXEC dbo.P_Top"), "42");
    // Loading it again replaces them (each block drops its procedure first).
    cli(dir, target, {"load", script});
    EXPECT_EQ(scalar(target.name(), "EXEC dbo.P_Top"), "42");
    EXPECT_EQ(scalar(target.name(), "SELECT uses_ansi_nulls FROM sys.sql_modules"
                                    " WHERE object_id = OBJECT_ID('Sales.P_Mid')"),
              "1");
}
