#include "data/sqlite/BatchPlan.h"
#include "sqltext/Error.h"

#include <gtest/gtest.h>

using varnett::Error;
using varnett::data::BatchPlan;
using varnett::data::BatchStep;
using varnett::data::NameParts;
using varnett::data::planBatch;

namespace {

std::string errorOf(const std::string& batch)
{
    try {
        planBatch(batch);
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

const char* kNotFirst = "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.";

} // namespace

TEST(BatchPlan, EmptyBatchesAreRefused)
{
    const char* empty = "Command text was not set for the command object.";
    EXPECT_EQ(errorOf(""), empty);
    EXPECT_EQ(errorOf(" \r\n\t"), empty);
    EXPECT_EQ(errorOf("-- nothing\r\n/* at /* all */ */\r\n"), empty);
}

TEST(BatchPlan, ProcedureNamesFollowTsqlQuoting)
{
    BatchPlan plan = planBatch("-- header\r\n/* note */ create proc [dbo].[a]]b] as select 1");
    EXPECT_TRUE(plan.createsProcedure);
    EXPECT_EQ(plan.procedureName, "a]b");
    EXPECT_EQ(planBatch("CREATE PROCEDURE \"O'Brien\"\r\nAS\r\nselect 1").procedureName, "O'Brien");
    EXPECT_EQ(planBatch("Create Procedure dbo . SP_X @a int as select @a").procedureName, "SP_X");
    EXPECT_EQ(planBatch("CREATE PROCEDURE [Order Details Insert] AS SELECT 1").procedureName,
              "Order Details Insert");

    EXPECT_EQ(errorOf("CREATE PROCEDURE Sales.dbo.x AS SELECT 1"),
              "'CREATE/ALTER PROCEDURE' does not allow specifying the database name as a prefix "
              "to the object name.");
    EXPECT_EQ(errorOf("CREATE PROCEDURE AS SELECT 1"), "Incorrect syntax near the keyword 'AS'.");
    EXPECT_EQ(errorOf("CREATE PROCEDURE"), "Incorrect syntax near 'PROCEDURE'.");
    EXPECT_EQ(errorOf("CREATE PROCEDURE x AS SELECT 'open"),
              "Unclosed quotation mark after the character string 'open'.");
    EXPECT_EQ(errorOf("CREATE PROCEDURE x AS /* open"), "Missing end comment mark '*/'.");
    EXPECT_EQ(errorOf("ALTER PROCEDURE x AS SELECT 1"),
              "The embedded engine cannot alter a procedure: drop it and create it again.");

    BatchPlan orAlter = planBatch("-- note\r\ncreate Or Alter Proc [dbo].[P x] @a int AS SELECT @a");
    EXPECT_TRUE(orAlter.createsProcedure);
    EXPECT_TRUE(orAlter.createOrAlter);
    EXPECT_EQ(orAlter.procedureName, "P x");
    EXPECT_FALSE(planBatch("CREATE PROCEDURE P AS SELECT 1").createOrAlter);
    EXPECT_EQ(errorOf("CREATE OR ALTER PROCEDURE Sales.dbo.x AS SELECT 1"),
              "'CREATE/ALTER PROCEDURE' does not allow specifying the database name as a prefix "
              "to the object name.");
    EXPECT_EQ(errorOf("CREATE OR ALTER PROCEDURE"), "Incorrect syntax near 'PROCEDURE'.");
    EXPECT_EQ(errorOf("CREATE OR ALTER PROCEDURE a AS SELECT 1\r\nGO\r\nSELECT 2"), kNotFirst);
}

TEST(BatchPlan, ProcedureMustBeTheOnlyStatement)
{
    EXPECT_EQ(errorOf("create procedure a as select 1\r\nGO\r\nselect 2"), kNotFirst);
    EXPECT_EQ(errorOf("create procedure a as select 1\r\n  go\t"), kNotFirst);
    EXPECT_EQ(errorOf("create procedure a as select 1\r\ncreate procedure b as select 2"),
              kNotFirst);
    EXPECT_EQ(errorOf("select 1\r\ncreate proc b as select 2"), kNotFirst);
    // GO and CREATE PROCEDURE inside strings and comments are text.
    EXPECT_TRUE(planBatch("create procedure a as\r\nselect 'x\r\nGO\r\ncreate procedure b'\r\n"
                          "/*\r\nGO\r\n*/ -- create procedure c\r\nselect 1 -- GO")
                    .createsProcedure);
    EXPECT_TRUE(planBatch("create procedure a as\r\ngoto done\r\ndone: return").createsProcedure);
}

TEST(BatchPlan, DropStatementsAreAnsweredByTheEngine)
{
    BatchPlan plan = planBatch("DROP PROCEDURE [a]]b]\r\ndrop proc dbo.c, [d e];\r\n"
                               "DROP PROCEDURE IF EXISTS x");
    ASSERT_EQ(plan.steps.size(), 3u);
    EXPECT_EQ(plan.steps[0].kind, BatchStep::Kind::DropProcedures);
    EXPECT_EQ(plan.steps[0].names, (std::vector<NameParts>{{"a]b"}}));
    EXPECT_EQ(plan.steps[1].names, (std::vector<NameParts>{{"dbo", "c"}, {"d e"}}));
    EXPECT_FALSE(plan.steps[1].ifExists);
    EXPECT_TRUE(plan.steps[2].ifExists);

    BatchPlan conditional = planBatch(
        "if exists (select * from sysobjects where id = object_id(N'[dbo].[O''Brien]]x]') and "
        "OBJECTPROPERTY(id, N'IsProcedure') = 1)\r\ndrop procedure [dbo].[O'Brien]]x]");
    ASSERT_EQ(conditional.steps.size(), 1u);
    EXPECT_EQ(conditional.steps[0].kind, BatchStep::Kind::DropIfProcedure);
    EXPECT_EQ(conditional.steps[0].tested, (NameParts{"dbo", "O'Brien]x"}));
    EXPECT_EQ(conditional.steps[0].names, (std::vector<NameParts>{{"dbo", "O'Brien]x"}}));

    BatchPlan oneLine = planBatch("IF EXISTS (SELECT * FROM SYSOBJECTS WHERE ID = "
                                  "OBJECT_ID(N'[dbo].[P]') AND OBJECTPROPERTY(ID, N'IsProcedure') "
                                  "= 1) DROP PROCEDURE [dbo].[P]");
    ASSERT_EQ(oneLine.steps.size(), 1u);
    EXPECT_EQ(oneLine.steps[0].kind, BatchStep::Kind::DropIfProcedure);
}

TEST(BatchPlan, OtherTextRunsInOrderAsSqlite)
{
    BatchPlan plan = planBatch("insert into t values (N'it''s', 0xABC, 0x)\r\n"
                               "set identity_insert [t] on\r\n"
                               "DROP PROCEDURE p\r\n"
                               "create table [a]]b] (k integer primary key autoincrement,"
                               " v varchar(max), w NVARCHAR ( MAX )) /* x */");
    ASSERT_EQ(plan.steps.size(), 4u);
    EXPECT_EQ(plan.steps[0].kind, BatchStep::Kind::RunSql);
    EXPECT_EQ(plan.steps[0].sql, "insert into t values ('it''s', X'0ABC', X'')\r\n");
    EXPECT_EQ(plan.steps[1].kind, BatchStep::Kind::Ignore);
    EXPECT_EQ(plan.steps[2].kind, BatchStep::Kind::DropProcedures);
    EXPECT_EQ(plan.steps[3].kind, BatchStep::Kind::RunSql);
    EXPECT_EQ(plan.steps[3].sql,
              "\r\ncreate table `a]b` (k integer primary key autoincrement,"
              " v \"varchar(max)\", w \"NVARCHAR(max)\")  ");

    // A drop in the middle of a line is the SQL's, not the engine's.
    BatchPlan inside = planBatch("select 1 DROP PROCEDURE p");
    ASSERT_EQ(inside.steps.size(), 1u);
    EXPECT_EQ(inside.steps[0].kind, BatchStep::Kind::RunSql);
    // ... while one after a semicolon is a statement of its own.
    BatchPlan after = planBatch("select 1; DROP PROCEDURE p; select 2");
    ASSERT_EQ(after.steps.size(), 3u);
    EXPECT_EQ(after.steps[0].sql, "select 1; ");
    EXPECT_EQ(after.steps[1].kind, BatchStep::Kind::DropProcedures);
    EXPECT_EQ(after.steps[2].sql, " select 2");
}
