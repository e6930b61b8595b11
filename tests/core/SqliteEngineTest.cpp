#include "sqltext/Error.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using varnett::Error;
using varnett::data::createSqliteDatabase;
using varnett::data::Engine;
using varnett::data::openSqliteEngine;
using varnett::data::Value;
using varnett::sqltext::SqlType;
using varnett::testing::TempDir;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using Texts = std::vector<std::string>;

namespace {

std::string cannotDrop(const std::string& name)
{
    return "Cannot drop the procedure '" + name
        + "', because it does not exist or you do not have permission.";
}

} // namespace

TEST(SqliteEngine, FilesAreOpenedNeverCreated)
{
    TempDir dir;
    std::string missing = dir.file("Missing.db");
    std::string message = errorOf([&] { openSqliteEngine(missing); });
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(missing));

    auto engine = freshEngine(dir);
    EXPECT_EQ(engine->databaseName(), "Sales");
    EXPECT_EQ(varnett::testing::shown(engine->listTables()), Texts{});
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{});
    message = errorOf([&] { createSqliteDatabase(dir.file("Sales.db")); });
    EXPECT_NE(message.find("already exists"), std::string::npos) << message;

    varnett::testing::writeFile(dir.path() / "notes.db", "these are not the pages of a database");
    message = errorOf([&] { openSqliteEngine(dir.file("notes.db")); });
    EXPECT_NE(message.find("notes.db"), std::string::npos) << message;
    EXPECT_EQ(varnett::testing::readFile(dir.path() / "notes.db"),
              "these are not the pages of a database");
}

TEST(SqliteEngine, TablesBeforeViewsWithoutRegardToCase)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table beta (x int);\r\n"
                         "create table \"Alpha\" (id INTEGER PRIMARY KEY AUTOINCREMENT);\r\n"
                         "create table _under (x int);\r\n"
                         "create view \"Zeta View\" as select 1 as one;\r\n"
                         "create view aview as select x from beta;\r\n"
                         "create table Gamma (x int); insert into Alpha default values");
    engine->executeBatch("create procedure p as select 1");
    // Neither sqlite_sequence (from AUTOINCREMENT) nor the procedure catalog shows.
    EXPECT_EQ(varnett::testing::shown(engine->listTables()),
              (Texts{"_under", "Alpha", "beta", "Gamma", "aview", "Zeta View"}));
    Texts views = varnett::testing::shown(engine->listViews());
    std::sort(views.begin(), views.end());
    EXPECT_EQ(views, (Texts{"Zeta View", "aview"}));
    EXPECT_EQ(errorOf([&] { engine->openTable("varnett_procedures"_name); }),
              "Invalid object name 'varnett_procedures'.");
    EXPECT_EQ(errorOf([&] { engine->openTable("Nope"_name); }), "Invalid object name 'Nope'.");
}

TEST(SqliteEngine, ColumnsAreDescribedFromTheirDeclaredTypes)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch(
        "create table [we]]ird \"table\" 'x'] (\r\n"
        "  Id INTEGER PRIMARY KEY AUTOINCREMENT, Name nvarchar(40), Notes varchar(max),\r\n"
        "  Price decimal(10, 2), Stamp rowversion, Total money generated always as (Price * 2),\r\n"
        "  [odd ]]\"' col] foo(3), Other int identity(1,1))");
    auto cursor = engine->openTable("we]ird \"table\" 'x'"_name);
    const auto& columns = cursor->columns();
    ASSERT_EQ(columns.size(), 8u);
    EXPECT_EQ(columns[0].name, "Id");
    EXPECT_EQ(columns[0].type, SqlType::Int);
    EXPECT_TRUE(columns[0].identity);
    EXPECT_EQ(columns[1].type, SqlType::NVarChar);
    EXPECT_EQ(columns[1].length, 40);
    EXPECT_EQ(columns[2].type, SqlType::VarChar);
    EXPECT_EQ(columns[2].length, varnett::sqltext::kMaxLength);
    EXPECT_EQ(columns[3].precision, 10);
    EXPECT_EQ(columns[3].scale, 2);
    EXPECT_EQ(columns[4].type, SqlType::Timestamp);
    EXPECT_EQ(columns[5].name, "Total");
    EXPECT_TRUE(columns[5].computed);
    EXPECT_FALSE(columns[4].computed);
    EXPECT_EQ(columns[6].name, "odd ]\"' col");
    EXPECT_EQ(columns[6].type, SqlType::Unknown);
    EXPECT_EQ(columns[6].typeName, "foo");
    EXPECT_TRUE(columns[7].identity);
    EXPECT_FALSE(columns[1].identity);
    EXPECT_FALSE(cursor->next());

    // A plain INTEGER PRIMARY KEY is no identity.
    engine->executeBatch("create table plain (id INTEGER PRIMARY KEY, autoincrement_note text)");
    EXPECT_FALSE(engine->openTable("plain"_name)->columns()[0].identity);
}

TEST(SqliteEngine, RowsStreamWithTheirStorageClasses)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table t (n int, r float, s nvarchar(20), b varbinary(10));\r\n"
                         "create view v as select n, s from t where n > 1;\r\n"
                         "insert into t values (1, 2.5, 'Müller Ελλάδα 東京', X'00FF10');\r\n"
                         "insert into t values (NULL, NULL, '', X'');\r\n"
                         "insert into t values (9223372036854775807, -1e300, N'it''s', 0x0102)");
    auto cursor = engine->openTable("T"_name);
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->value(0).kind, Value::Kind::Integer);
    EXPECT_EQ(cursor->value(0).integer, 1);
    EXPECT_EQ(cursor->value(1).kind, Value::Kind::Real);
    EXPECT_EQ(cursor->value(1).real, 2.5);
    EXPECT_EQ(cursor->value(2).kind, Value::Kind::Text);
    EXPECT_EQ(cursor->value(2).bytes, "Müller Ελλάδα 東京");
    EXPECT_EQ(cursor->value(3).kind, Value::Kind::Blob);
    EXPECT_EQ(cursor->value(3).bytes, std::string("\x00\xFF\x10", 3));
    ASSERT_TRUE(cursor->next());
    EXPECT_TRUE(cursor->value(0).isNull());
    EXPECT_TRUE(cursor->value(1).isNull());
    EXPECT_EQ(cursor->value(2).kind, Value::Kind::Text);
    EXPECT_EQ(cursor->value(2).bytes, "");
    EXPECT_EQ(cursor->value(3).kind, Value::Kind::Blob);
    EXPECT_EQ(cursor->value(3).bytes, "");
    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->value(0).integer, 9223372036854775807);
    EXPECT_EQ(cursor->value(1).real, -1e300);
    EXPECT_EQ(cursor->value(2).bytes, "it's");
    EXPECT_EQ(cursor->value(3).bytes, "\x01\x02");
    EXPECT_NE(errorOf([&] { cursor->value(4); }), "(no error)");
    EXPECT_FALSE(cursor->next());
    EXPECT_FALSE(cursor->next());
    EXPECT_NE(errorOf([&] { cursor->value(0); }), "(no error)");

    auto view = engine->openTable("v"_name);
    ASSERT_EQ(view->columns().size(), 2u);
    EXPECT_EQ(view->columns()[1].type, SqlType::NVarChar);
    ASSERT_TRUE(view->next());
    EXPECT_EQ(view->value(1).bytes, "it's");
    EXPECT_FALSE(view->next());
}

TEST(SqliteEngine, ProceduresAreCreatedListedAndDropped)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    const std::string text = "/* first */\r\nCREATE PROCEDURE [dbo].[b_proc]\r\nAS\r\nSELECT 1\r\n";
    engine->executeBatch(text);
    engine->executeBatch("create proc A_proc as select 2");
    engine->executeBatch("create proc [a]]b] as select 3");
    engine->executeBatch("create proc \"O'Brien\" as select 4");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (Texts{"a]b;1", "A_proc;1", "b_proc;1", "O'Brien;1"}));
    EXPECT_EQ(engine->procedureText("b_proc"_name),
              (Texts{"/* first */\r\n", "CREATE PROCEDURE [dbo].[b_proc]\r\n", "AS\r\n",
                     "SELECT 1\r\n"}));

    EXPECT_EQ(errorOf([&] { engine->executeBatch("create procedure B_PROC as select 5"); }),
              "There is already an object named 'B_PROC' in the database.");
    engine->executeBatch("create table Orders (x int)");
    EXPECT_EQ(errorOf([&] { engine->executeBatch("create procedure orders as select 5"); }),
              "There is already an object named 'orders' in the database.");
    EXPECT_EQ(errorOf([&] { engine->executeBatch("   "); }),
              "Command text was not set for the command object.");

    // Every drop line runs; the first failure is reported afterwards.
    EXPECT_EQ(errorOf([&] {
                  engine->executeBatch("DROP PROCEDURE [missing]\r\nDROP PROCEDURE [a]]b]\r\n"
                                       "DROP PROCEDURE [dbo].[gone]");
              }),
              cannotDrop("missing"));
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (Texts{"A_proc;1", "b_proc;1", "O'Brien;1"}));
    EXPECT_EQ(errorOf([&] { engine->executeBatch("DROP PROCEDURE [dbo].[gone]"); }),
              cannotDrop("dbo.gone"));
    EXPECT_EQ(errorOf([&] { engine->executeBatch("DROP PROCEDURE Orders"); }),
              cannotDrop("Orders"));

    // The conditional drop of an edited procedure drops when present only.
    const std::string dropIf =
        "if exists (select * from sysobjects where id = object_id(N'[dbo].[O''Brien]') and "
        "OBJECTPROPERTY(id, N'IsProcedure') = 1)\r\ndrop procedure [dbo].[O'Brien]\r\n";
    engine->executeBatch(dropIf);
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (Texts{"A_proc;1", "b_proc;1"}));
    engine->executeBatch(dropIf);
    engine->executeBatch("set identity_insert [Orders] on\r\nset identity_insert Orders off");
}

TEST(SqliteEngine, ProcedureNamesAreReadAsTheServerReadsThem)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    // A name with a blank, unbracketed: the server sees a syntax error.
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"CREATE PROCEDURE SP_INSERT_Order Details\r\n@pQty [int]\r\nAS BEGIN SELECT 1 END",
         "Incorrect syntax near 'Details'."},
        {"create proc P x as select 1", "Incorrect syntax near 'x'."},
        {"create proc P", "Incorrect syntax near 'P'."},
        {"create proc P 'a' as select 1", "Incorrect syntax near ''a''."},
    };
    for (const auto& [batch, message] : refused)
        EXPECT_EQ(errorOf([&engine, &batch = batch] { engine->executeBatch(batch); }), message) << batch;
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{});

    // What may follow a name: parameters, a group number, WITH, FOR, AS.
    engine->executeBatch("CREATE PROCEDURE [SP_INSERT_Order Details]\r\n@pQty [int]\r\nAS SELECT 1");
    engine->executeBatch("create proc P1;1 as select 1");
    engine->executeBatch("create proc P2 (@a int) as select 1");
    engine->executeBatch("create proc P3 with recompile as select 1");
    engine->executeBatch("create proc P4 for replication as select 1");
    engine->executeBatch("create proc P5\r\n-- note\r\nas select 1");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (Texts{"P1;1", "P2;1", "P3;1", "P4;1", "P5;1",
                                               "SP_INSERT_Order Details;1"}));
}

TEST(SqliteEngine, ProceduresKeepTheSessionSettingsTheyWereCreatedUnder)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create proc Defaults as select 1");
    engine->executeBatch("SET QUOTED_IDENTIFIER OFF SET ANSI_NULLS ON");
    engine->executeBatch("create proc QuotedOff as select \"a\"");
    engine->executeBatch("set ansi_nulls off;\r\nset quoted_identifier on");
    engine->executeBatch("create proc NullsOff as select 1");

    struct Row {
        std::string name;
        bool quotedIdentifier, ansiNulls;
    };
    for (const Row& row : {Row{"Defaults", true, true}, Row{"QuotedOff", false, true},
                           Row{"NullsOff", true, false}}) {
        auto settings = engine->procedureSettings(varnett::sqltext::parseObjectName(row.name));
        EXPECT_EQ(settings.quotedIdentifier, row.quotedIdentifier) << row.name;
        EXPECT_EQ(settings.ansiNulls, row.ansiNulls) << row.name;
    }
    EXPECT_EQ(errorOf([&] { engine->procedureSettings("Nope"_name); }),
              "The object 'Sales.dbo.Nope' does not exist in database 'Sales' or is not a "
              "procedure.");

    // A catalog written before settings were kept reads as ON and gains them.
    auto old = freshEngine(dir, "Old.db");
    old->executeBatch("create table varnett_procedures (name TEXT NOT NULL PRIMARY KEY"
                      " COLLATE NOCASE, definition TEXT NOT NULL);"
                      "insert into varnett_procedures values ('Kept', 'create proc Kept as select 1')");
    EXPECT_TRUE(old->procedureSettings("Kept"_name).quotedIdentifier);
    old->executeBatch("SET ANSI_NULLS OFF");
    old->executeBatch("create proc Added as select 1");
    EXPECT_FALSE(old->procedureSettings("Added"_name).ansiNulls);
    EXPECT_TRUE(old->procedureSettings("Kept"_name).ansiNulls);
}

TEST(SqliteEngine, ProcedureTextComesInRowsOfAtMost255Characters)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    std::string longLine = "-- " + std::string(597, 'x');    // 600 characters
    std::string wide;
    for (int i = 0; i < 300; ++i)
        wide += "é";                                         // 300 characters, 600 bytes
    engine->executeBatch("create procedure LongLines as\r\n" + longLine + "\r\n" + wide
                         + "\nselect 1");
    auto rows = engine->procedureText("[LongLines]"_name);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], "create procedure LongLines as\r\n");
    EXPECT_EQ(rows[1], "-- " + std::string(252, 'x'));
    EXPECT_EQ(rows[2], std::string(255, 'x'));
    EXPECT_EQ(rows[3], std::string(90, 'x') + "\r\n");
    EXPECT_EQ(rows[4].size(), 510u);
    EXPECT_EQ(rows[5].size(), 90u + 1u);
    EXPECT_EQ(rows[5].substr(0, 2), "é");
    EXPECT_EQ(rows[5].back(), '\n');
    EXPECT_EQ(rows[6], "select 1");

    EXPECT_EQ(engine->procedureText("LongLines"_name).size(), 7u);
    EXPECT_EQ(engine->procedureText("[DBO].[longlines]"_name).size(), 7u);
    EXPECT_EQ(errorOf([&] { engine->procedureText("Nowhere.LongLines"_name); }),
              "The object 'Sales.Nowhere.LongLines' does not exist in database 'Sales' or is invalid "
              "for this operation.");
    EXPECT_EQ(errorOf([&] { engine->procedureText("Missing"_name); }),
              "The object 'Sales.dbo.Missing' does not exist in database 'Sales' or is invalid "
              "for this operation.");
    EXPECT_EQ(errorOf([&] { engine->procedureText({"dbo", "[Long"}); }),
              "The object 'Sales.dbo.[[Long]' does not exist in database 'Sales' or is invalid "
              "for this operation.");
}

TEST(SqliteEngine, TransactionsCoverTheProcedureCatalog)
{
    TempDir dir;
    {
        auto engine = freshEngine(dir);
        // The catalog made by the first procedure goes with its rollback.
        engine->beginTransaction();
        engine->executeBatch("create procedure undone as select 0");
        engine->rollback();
        EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{});

        engine->executeBatch("create procedure kept as select 1");

        engine->beginTransaction();
        engine->executeBatch("DROP PROCEDURE [kept]");
        EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{});
        engine->rollback();
        EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{"kept;1"});

        engine->beginTransaction();
        engine->executeBatch("create procedure added as select 2");
        engine->commit();

        EXPECT_EQ(errorOf([&] { engine->commit(); }),
                  "cannot commit - no transaction is active");
        EXPECT_EQ(errorOf([&] { engine->rollback(); }),
                  "cannot rollback - no transaction is active");
        EXPECT_EQ(errorOf([&] { engine->executeBatch("select * from nowhere"); }),
                  "no such table: nowhere");
    }
    auto reopened = openSqliteEngine(dir.file("Sales.db"));
    EXPECT_EQ(varnett::testing::shown(reopened->listProcedures()), (Texts{"added;1", "kept;1"}));
}
