#include "data/SettingsStore.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/RunScript.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

using varnett::testing::Outcome;
using varnett::testing::readFile;
using varnett::testing::runScript;
using varnett::testing::TempDir;
using varnett::testing::writeFile;
namespace fs = std::filesystem;

namespace {


const char* const kCustomers = "create table Customers (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                               " Name varchar(40), [Order Date] datetime, [a:b] int,"
                               " Shape geography);"
                               "create table [Order Details] (Qty smallint, Note nvarchar(10))";

// A database with two tables and a view; returns its connection string.
std::string salesDatabase(const TempDir& dir, const std::string& file = "Sales.db",
                          bool withRows = true)
{
    varnett::data::createSqliteDatabase(dir.file(file));
    auto engine = varnett::data::openSqliteEngine(dir.file(file));
    engine->executeBatch(kCustomers);
    if (withRows) {
        engine->executeBatch("create view [Customer Names] as select Name from Customers;"
                             "insert into Customers values (7, 'O''Neil', '2024-01-02', 1, NULL);"
                             "insert into Customers values (9, '', NULL, NULL, NULL);"
                             "insert into [Order Details] values (3, N'Ωμέγα')");
    }
    return "Provider=SQLite;Data Source=" + dir.file(file);
}

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

const char* const kUsageLine = "Usage: varnett-script [--connection STRING] COMMAND [ARGUMENTS]\n";

} // namespace

TEST(Cli, UsageErrorsExitWithTwoAndHelpWithZero)
{
    TempDir dir;
    Outcome help = runScript(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(startsWith(help.out, kUsageLine)) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(runScript(dir, {"tables", "extra", "--help"}).status, 0);

    struct Case {
        std::vector<std::string> args;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"tables", "--frob"}, "unknown option '--frob'"},
        {{"fields"}, "command 'fields' needs an argument"},
        {{"fields", "A", "B"}, "command 'fields' takes one argument only"},
        {{"tables", "A"}, "command 'tables' takes no arguments"},
        {{"insert", "T", "--where", "Name:="}, "command 'insert' takes no --where"},
        {{"update", "T", "--where", "Name"}, "--where needs FIELD:OPERATOR, not 'Name'"},
        {{"update", "T", "--where", "Name:=="},
         "unknown operator '==' in --where (use =, >, <, <>, >=, <= or LIKE)"},
        {{"update", "T", "--name", "A", "--name=B"}, "option '--name' is given more than once"},
        {{"update", "T", "--field", "A"}, "command 'update' needs at least one --where FIELD:OPERATOR"},
        {{"insert", "T", "--field"}, "option '--field' needs a value"},
        {{"proc-script", "P"}, "command 'proc-script' needs --out FILE"},
        {{"data-script", "--out", "f.sql"}, "command 'data-script' needs at least one argument"},
        {{"tables", "--out", "f.sql"}, "command 'tables' takes no --out"},
        {{"data-script", "--out", "f", "T", "--rows-per-insert", "0"},
         "option '--rows-per-insert' needs a whole number from 1 to 1000, not '0'"},
        {{"data-script", "--out", "f", "T", "--rows-per-insert=1001"},
         "option '--rows-per-insert' needs a whole number from 1 to 1000, not '1001'"},
        {{"data-script", "--out", "f", "T", "--batch", "ten"},
         "option '--batch' needs a whole number from 1 to 1000000, not 'ten'"},
        {{"data-script", "--out", "f", "T", "--batch", "2", "--batch", "3"},
         "option '--batch' is given more than once"},
        {{"data-script", "--out", "f", "T", "--where", "T"}, "--where needs TABLE:CONDITION, not 'T'"},
        {{"data-script", "--out", "f", "T", "--where", "T: "},
         "--where needs TABLE:CONDITION, not 'T: '"},
        {{"data-script", "--out", "f", "T", "--where", "T:a=1", "--where", "t:b=2"},
         "--where names the table 't' more than once"},
        {{"data-script", "--out", "f", "T", "--no-transaction"},
         "command 'data-script' takes no --no-transaction"},
        {{"load", "f", "--batch", "2"}, "command 'load' takes no --batch"},
        {{"load", "f", "--order-by-keys"}, "command 'load' takes no --order-by-keys"},
        {{"load", "f", "--no-transaction=yes"}, "option '--no-transaction' takes no value"},
        {{"update", "T", "--rows-per-insert", "2"}, "command 'update' takes no --rows-per-insert"},
        {{"drop", "P", "--key"}, "command 'drop' takes no --key"},
        {{"insert", "T", "--nocount=yes"}, "option '--nocount' takes no value"},
        {{"select", "T", "--out", "f.sql"}, "command 'select' takes no --out"},
        {{"select"}, "command 'select' needs an argument"},
        {{"delete", "T", "--where", "a:="}, "command 'delete' takes no --where"},
        {{"update-procedure"}, "command 'update-procedure' needs an argument"},
        {{"run"}, "command 'run' needs an argument"},
        {{"run", "P", "--param", "x"}, "--param needs NAME=VALUE, not 'x'"},
        {{"run", "P", "--param=", "=1"}, "--param needs NAME=VALUE, not ''"},
        {{"run", "P", "--format", "xml"}, "--format is tsv, csv or json, not 'xml'"},
        {{"run", "P", "--rollback=yes"}, "option '--rollback' takes no value"},
        {{"exec", "f", "--rollback"}, "command 'exec' takes no --rollback"},
        {{"tables", "--null", "a"}, "command 'tables' takes no --null"},
        {{"schema-script", "T"}, "command 'schema-script' needs --out FILE"},
        {{"schema-script", "--out", "f", "--where", "T:a=1"}, "--where needs --with-data"},
        {{"schema-script", "--out", "f", "--batch", "2"}, "--batch needs --with-data"},
        {{"schema-script", "--out", "f", "--guarded=yes"}, "option '--guarded' takes no value"},
        {{"data-script", "--out", "f", "T", "--with-data"},
         "command 'data-script' takes no --with-data"},
        {{"generate", "--out", "f"}, "command 'generate' needs --kinds insert,update,delete,select"},
        {{"generate", "--kinds", "insert"},
         "command 'generate' needs exactly one of --out FILE, --folder DIR and --create"},
        {{"generate", "--kinds", "insert", "--out", "f", "--create"},
         "command 'generate' needs exactly one of --out FILE, --folder DIR and --create"},
        {{"generate", "--kinds", "insert", "--out", "f", "--folder", "d"},
         "command 'generate' needs exactly one of --out FILE, --folder DIR and --create"},
        {{"generate", "--kinds", "insert,upsert", "--create"},
         "--kinds takes insert, update, delete and select, separated by commas, not "
         "'insert,upsert'"},
        {{"generate", "--kinds", "insert,", "--create"},
         "--kinds takes insert, update, delete and select, separated by commas, not 'insert,'"},
        {{"generate", "--kinds", "insert,INSERT", "--create"}, "--kinds names 'insert' more than once"},
        {{"generate", "--kinds", "insert", "--kinds", "select", "--create"},
         "option '--kinds' is given more than once"},
        {{"generate", "--kinds", "insert", "--create", "--pattern", "SP_{name}"},
         "The name pattern 'SP_{name}' holds the unknown placeholder '{name}': use {schema}, "
         "{table} or {kind}."},
        {{"generate", "--kinds", "insert", "--create=yes"}, "option '--create' takes no value"},
        {{"generate", "--kinds", "update", "--create", "--field", "A"},
         "command 'generate' takes no --field"},
        {{"generate", "--kinds", "update", "--create", "--where", "A:="},
         "command 'generate' takes no --where"},
        {{"insert", "T", "--kinds", "insert"}, "command 'insert' takes no --kinds"},
        {{"tables", "--create"}, "command 'tables' takes no --create"},
        {{"proc-script", "--out", "f", "P", "--pattern", "x"}, "command 'proc-script' takes no --pattern"},
        {{"deploy", "P"}, "command 'deploy' needs --folder DIR"},
        {{"deploy", "--folder", "d", "--diff"}, "command 'deploy' takes no --diff"},
        {{"write-back"}, "command 'write-back' needs --folder DIR"},
        {{"write-back", "--folder", "d", "--out", "f"}, "command 'write-back' takes no --out"},
    };
    for (const Case& c : cases) {
        Outcome run = runScript(dir, c.args);
        EXPECT_EQ(run.status, 2) << c.reason;
        // One line, then the short usage, not the whole of --help.
        EXPECT_EQ(run.err, "varnett-script: " + c.reason + "\n\n" + kUsageLine
                               + "'varnett-script --help' lists the commands and their options.\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(Cli, TablesAndFieldsWithTheirErrors)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    Outcome tables = runScript(dir, {"--connection", connection, "tables"});
    EXPECT_EQ(tables.status, 0);
    EXPECT_EQ(tables.out, "Customers\nOrder Details\nCustomer Names\n");
    EXPECT_EQ(tables.err, "");

    const std::string fields = "id\t[int]\nName\t[varchar](41)\nOrder Date\t[datetime]\n"
                               "a:b\t[int]\nShape\t\n";
    EXPECT_EQ(runScript(dir, {"--connection", connection, "fields", "Customers"}).out, fields);
    EXPECT_EQ(runScript(dir, {"fields", "customers", "--connection=" + connection}).out, fields);

    Outcome missing = runScript(dir, {"--connection", connection, "fields", "Nope"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "varnett-script: The table 'Nope' does not exist.\n");

    Outcome badFile = runScript(dir, {"--connection", "Provider=SQLite;Data Source=" + dir.file("No.db"),
                                  "tables"});
    EXPECT_EQ(badFile.status, 1);
    EXPECT_EQ(badFile.err, "varnett-script: The database file '" + dir.file("No.db")
                               + "' does not exist.\n");

    // Without --connection: the string the program stored, and an error when there is none.
    Outcome unset = runScript(dir, {"tables"});
    EXPECT_EQ(unset.status, 1);
    EXPECT_EQ(unset.err, "varnett-script: No connection string is stored in "
                             + dir.file("config") + "/Varnett.ini; give one with --connection.\n");
    varnett::data::SettingsStore(QString::fromStdString(dir.file("config") + "/Varnett.ini"))
        .setConnectionString(connection);
    EXPECT_EQ(runScript(dir, {"tables"}).out, "Customers\nOrder Details\nCustomer Names\n");
}

TEST(Cli, GeneratedProceduresFollowFieldsConditionsAndNames)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    // The identity column is selected but left out, and standard error says so.
    Outcome insert = runScript(dir, {"--connection", connection, "insert", "Customers", "--field",
                                 "Name", "--field", "id"});
    EXPECT_EQ(insert.status, 0);
    EXPECT_EQ(insert.out, "CREATE PROCEDURE SP_INSERT_Customers\n@pName [varchar](41)\n\nAS BEGIN"
                          "\n\nINSERT INTO Customers(\n[Name]\n)\n\nVALUES (\n@pName\n)\nEND\n");
    EXPECT_EQ(insert.err, "varnett-script: Left out, the server fills it: id.\n");

    // Without --field: every column INSERT can write.
    Outcome all = runScript(dir, {"--connection", connection, "insert", "Customers"});
    EXPECT_EQ(all.out, "CREATE PROCEDURE SP_INSERT_Customers\n@pName [varchar](41),\n"
                       "@pOrder_Date [datetime],\n@pa_b [int],\n@pShape [geography]\n\nAS BEGIN"
                       "\n\nINSERT INTO Customers(\n[Name],\n[Order Date],\n[a:b],\n[Shape]\n)\n"
                       "\nVALUES (\n@pName,\n@pOrder_Date,\n@pa_b,\n@pShape\n)\nEND\n");
    EXPECT_EQ(all.err, "");

    // The operator is the text after the last colon; the field may hold colons.
    Outcome update = runScript(dir, {"--connection", connection, "update", "Customers", "--field",
                                 "Order Date", "--where", "a:b:>=", "--where", "Name: like ",
                                 "--name", "UpdCust"});
    EXPECT_EQ(update.status, 0) << update.err;
    EXPECT_EQ(update.out, "CREATE PROCEDURE UpdCust\n@pa_b [int],\n@pName [varchar](41),\n"
                          "@pOrder_Date [datetime]\n\nAS BEGIN\n\nUPDATE Customers SET\n"
                          "[Order Date] = @pOrder_Date\nWHERE \n[a:b] >= @pa_b AND\n"
                          "Name LIKE @pName+'%'\n\nEND\n");

    // Every column without --field; a column without a type text gets its declared type.
    Outcome remove = runScript(dir, {"--connection", connection, "delete", "Order Details"});
    EXPECT_EQ(remove.out, "CREATE PROCEDURE [SP_DELETE_Order Details]\n@pQty [smallint],\n"
                          "@pNote [nvarchar](11)\n\nAS BEGIN\n\nDELETE FROM [Order Details]\n"
                          "WHERE \n[Qty] = @pQty AND\n[Note] = @pNote\n\nEND\n");
    Outcome shape = runScript(dir, {"--connection", connection, "delete", "Customers", "--field",
                                "Shape"});
    EXPECT_NE(shape.out.find("@pShape [geography]\n"), std::string::npos) << shape.out;

    const std::vector<std::pair<std::vector<std::string>, std::string>> failures = {
        {{"insert", "Customers", "--field", "Nope"}, "The table 'Customers' has no field 'Nope'."},
        {{"update", "Customers", "--where", "Nope:="}, "The table 'Customers' has no field 'Nope'."},
        {{"update", "Customers", "--where", "a:b:LIKE"},
         "The field 'a:b' holds no characters; LIKE is only for character fields"},
        {{"update", "Customers", "--field", "id", "--where", "Name:="},
         "Every selected field is filled by the server; select a field it does not fill"},
        {{"insert", "Customers", "--field", "Name", "--field", "NAME"},
         "The field 'Name' is given more than once."},
        {{"delete", "Nope"}, "The table 'Nope' does not exist."},
    };
    for (const auto& [args, message] : failures) {
        std::vector<std::string> all = {"--connection", connection};
        all.insert(all.end(), args.begin(), args.end());
        Outcome run = runScript(dir, all);
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_EQ(run.err, "varnett-script: " + message + "\n");
        EXPECT_EQ(run.out, "");
    }
}

TEST(Cli, ProceduresAreCreatedListedReadAndDropped)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    writeFile(dir.file("p1.sql"), "CREATE PROCEDURE P1 AS\r\n  select 'abc'\r\n\r\n  EXEC P2\r\n");
    EXPECT_EQ(runScript(dir, {"--connection", connection, "exec", dir.file("p1.sql")}).status, 0);
    Outcome fromInput = runScript(dir, {"--connection", connection, "exec", "-"},
                              "create procedure [O'Brien] as select 1");
    EXPECT_EQ(fromInput.status, 0) << fromInput.err;

    EXPECT_EQ(runScript(dir, {"--connection", connection, "procedures"}).out, "O'Brien\nP1\n");
    Outcome text = runScript(dir, {"--connection", connection, "text", "P1"});
    EXPECT_EQ(text.out, "CREATE PROCEDURE P1 AS\n  select 'abc'\n\n  EXEC P2\n");

    // The embedded engine keeps procedures without running them.
    Outcome ran = runScript(dir, {"--connection", connection, "run", "p1", "--param", "a=1"});
    EXPECT_EQ(ran.status, 1);
    EXPECT_EQ(ran.err, "varnett-script: The embedded engine stores procedures without running "
                       "them: 'P1' can be run on a SQL Server connection only.\n");
    EXPECT_EQ(ran.out, "");

    Outcome twice = runScript(dir, {"--connection", connection, "exec", dir.file("p1.sql")});
    EXPECT_EQ(twice.status, 1);
    EXPECT_EQ(twice.err, "varnett-script: There is already an object named 'P1' in the database.\n");
    Outcome unreadable = runScript(dir, {"--connection", connection, "exec", dir.file("none.sql")});
    EXPECT_EQ(unreadable.status, 1);
    EXPECT_EQ(unreadable.err, "varnett-script: Cannot read the file '" + dir.file("none.sql")
                                  + "': No such file or directory.\n");

    EXPECT_EQ(runScript(dir, {"--connection", connection, "drop", "P1", "O'Brien"}).status, 0);
    EXPECT_EQ(runScript(dir, {"--connection", connection, "procedures"}).out, "");
    Outcome gone = runScript(dir, {"--connection", connection, "text", "P1"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "varnett-script: The object 'Sales.dbo.P1' does not exist in database "
                        "'Sales' or is invalid for this operation.\n");
    Outcome dropAgain = runScript(dir, {"--connection", connection, "drop", "P1"});
    EXPECT_EQ(dropAgain.status, 1);
    EXPECT_EQ(dropAgain.err, "varnett-script: Cannot drop the procedure 'P1', because it does not "
                             "exist or you do not have permission.\n");
}

TEST(Cli, UpdateProcedureReplacesTheProcedureItsTextCreates)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    auto run = [&](std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), {"--connection", connection});
        return runScript(dir, args, input);
    };
    ASSERT_EQ(run({"exec", "-"}, "create procedure [O'Brien] as select 1").status, 0);

    Outcome fromInput = run({"update-procedure", "-"},
                            "-- edited\ncreate procedure [dbo].[O'Brien] as\nselect 2\n");
    EXPECT_EQ(fromInput.status, 0) << fromInput.err;
    EXPECT_EQ(fromInput.out, "");
    EXPECT_EQ(run({"text", "O'Brien"}).out, "-- edited\ncreate procedure [dbo].[O'Brien] as\nselect 2\n");

    // A new procedure is created; a text the server refuses keeps the old one.
    writeFile(dir.file("p2.sql"), "CREATE PROCEDURE P2 AS\r\nSELECT 3\r\n");
    EXPECT_EQ(run({"update-procedure", dir.file("p2.sql")}).status, 0);
    Outcome refused = run({"update-procedure", "-"}, "CREATE PROCEDURE P2 AS SELECT 4\nGO\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "varnett-script: 'CREATE/ALTER PROCEDURE' must be the first statement "
                           "in a query batch.\n");
    Outcome notAProcedure = run({"update-procedure", "-"}, "drop table Customers");
    EXPECT_EQ(notAProcedure.status, 1);
    EXPECT_EQ(notAProcedure.err,
              "varnett-script: The text does not start with CREATE PROCEDURE.\n");
    EXPECT_EQ(run({"text", "P2"}).out, "CREATE PROCEDURE P2 AS\nSELECT 3\n");
    EXPECT_EQ(run({"procedures"}).out, "O'Brien\nP2\n");
    EXPECT_EQ(run({"tables"}).out.find("Customers"), 0u) << "nothing else ran";
}

TEST(Cli, ScriptsAreWrittenAndLoadedBack)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    runScript(dir, {"--connection", connection, "exec", "-"}, "CREATE PROCEDURE P2 AS select 2");
    runScript(dir, {"--connection", connection, "exec", "-"}, "CREATE PROCEDURE P1 AS EXEC p2");

    Outcome procs = runScript(dir, {"--connection", connection, "proc-script", "--out",
                                dir.file("procs.sql"), "p1", "P2"});
    EXPECT_EQ(procs.status, 0) << procs.err;
    EXPECT_EQ(procs.err, "");   // no progress: standard error is no terminal
    std::string script = readFile(dir.file("procs.sql"));
    EXPECT_TRUE(startsWith(script, "if exists (select * from sysobjects where id = "
                                   "object_id(N'[dbo].[P2]') and OBJECTPROPERTY(id, "
                                   "N'IsProcedure') = 1) drop procedure [dbo].[P2]\r\nGO\r\n"))
        << script;
    EXPECT_NE(script.find("drop procedure [dbo].[P1]\r\n"), std::string::npos);

    Outcome missing = runScript(dir, {"--connection", connection, "proc-script", "--out",
                                  dir.file("none.sql"), "P1", "Nope"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "varnett-script: The procedure 'Nope' does not exist.\n");
    EXPECT_FALSE(fs::exists(dir.file("none.sql")));

    Outcome data = runScript(dir, {"--connection", connection, "data-script", "--out",
                               dir.file("data.sql"), "Customers", "order details"});
    EXPECT_EQ(data.status, 0) << data.err;
    EXPECT_EQ(data.err, "");

    std::string copy = salesDatabase(dir, "Copy.db", false);
    Outcome load = runScript(dir, {"--connection", copy, "load", dir.file("data.sql")});
    EXPECT_EQ(load.status, 0) << load.err;
    runScript(dir, {"--connection", copy, "data-script", "--out", dir.file("copy.sql"),
                    "Customers", "Order Details"});
    EXPECT_EQ(readFile(dir.file("copy.sql")), readFile(dir.file("data.sql")));
    EXPECT_NE(readFile(dir.file("copy.sql")).find("N'Ωμέγα'"), std::string::npos);

    // The schema script with the rows makes a copy of an empty database.
    Outcome schema = runScript(dir, {"--connection", connection, "schema-script", "--out",
                                 dir.file("schema.sql"), "--with-data", "--batch", "2"});
    EXPECT_EQ(schema.status, 0) << schema.err;
    varnett::data::createSqliteDatabase(dir.file("Empty.db"));
    const std::string empty = "Provider=SQLite;Data Source=" + dir.file("Empty.db");
    Outcome built = runScript(dir, {"--connection", empty, "load", dir.file("schema.sql")});
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(runScript(dir, {"--connection", empty, "tables"}).out,
              "Customers\nOrder Details\nCustomer Names\n");
    runScript(dir, {"--connection", empty, "schema-script", "--out", dir.file("schema-copy.sql"),
                    "--with-data", "--batch", "2"});
    EXPECT_EQ(readFile(dir.file("schema-copy.sql")), readFile(dir.file("schema.sql")));
    Outcome unknown = runScript(dir, {"--connection", empty, "schema-script", "--out",
                                  dir.file("none.sql"), "Nope"});
    EXPECT_EQ(unknown.err, "varnett-script: The table 'Nope' does not exist.\n");

    Outcome again = runScript(dir, {"--connection", copy, "load", "-"}, readFile(dir.file("data.sql")));
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err,
              "varnett-script: Batch 2 (line 3): UNIQUE constraint failed: Customers.id\n");
    runScript(dir, {"--connection", copy, "data-script", "--out", dir.file("copy.sql"),
                    "Customers", "Order Details"});
    EXPECT_EQ(readFile(dir.file("copy.sql")), readFile(dir.file("data.sql")));
}

TEST(Cli, DataScriptOptionsAndLoadsInOneTransaction)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    runScript(dir, {"--connection", connection, "exec", "-"},
              "create table Lines (id int references Customers (id), n int);"
              "insert into Customers values (8, 'Ann', NULL, NULL, NULL);"
              "insert into Lines values (7, 1), (9, 2), (7, 3)");
    Outcome data = runScript(dir, {"--connection", connection, "data-script", "--out",
                                   dir.file("data.sql"), "--rows-per-insert", "2", "--batch=2",
                                   "--where", "customers:id <> 8 AND Name <> 'x:y'",
                                   "--order-by-keys", "Lines", "Customers"});
    EXPECT_EQ(data.status, 0) << data.err;
    EXPECT_EQ(readFile(dir.file("data.sql")),
              "set identity_insert Customers on\r\nGO\r\n"
              "INSERT INTO Customers(\r\n[id],\r\n[Name],\r\n[Order Date],\r\n[a:b],\r\n"
              "[Shape])\r\nVALUES(\r\n7,\r\n'O''Neil',\r\n'2024-01-02T00:00:00',\r\n1,\r\n"
              "NULL),\r\n(\r\n9,\r\n'',\r\nNULL,\r\nNULL,\r\nNULL);\r\nGO\r\n"
              "\r\nset identity_insert Customers off\r\nGO\r\n"
              "INSERT INTO Lines(\r\n[id],\r\n[n])\r\nVALUES(\r\n7,\r\n1),\r\n(\r\n9,\r\n2);"
              "\r\nINSERT INTO Lines(\r\n[id],\r\n[n])\r\nVALUES(\r\n7,\r\n3);\r\nGO\r\n"
              "\r\n");

    // A failure in the last batch leaves the target as it was.
    std::string copy = salesDatabase(dir, "Copy.db", false);
    runScript(dir, {"--connection", copy, "exec", "-"}, "create table Lines (id int, n int)");
    writeFile(dir.file("bad.sql"), readFile(dir.file("data.sql")) + "insert into Nope values (1)\r\n");
    Outcome bad = runScript(dir, {"--connection", copy, "load", dir.file("bad.sql")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "varnett-script: Batch 5 (line 42): no such table: Nope\n");
    EXPECT_EQ(bad.out, "");
    Outcome empty = runScript(dir, {"--connection", copy, "data-script", "--out",
                                    dir.file("empty.sql"), "Customers"});
    EXPECT_EQ(readFile(dir.file("empty.sql")),
              "set identity_insert Customers on\r\nGO\r\n\r\n"
              "set identity_insert Customers off\r\nGO\r\n");

    // Without a transaction, what ran before the failure stays.
    Outcome loose = runScript(dir, {"--connection", copy, "load", "--no-transaction", "-"},
                              readFile(dir.file("bad.sql")));
    EXPECT_EQ(loose.status, 1);
    EXPECT_EQ(loose.err, "varnett-script: Batch 5 (line 42): no such table: Nope\n");
    Outcome lines = runScript(dir, {"--connection", copy, "data-script", "--out",
                                    dir.file("lines.sql"), "--rows-per-insert", "1000", "Lines"});
    EXPECT_EQ(readFile(dir.file("lines.sql")),
              "INSERT INTO Lines(\r\n[id],\r\n[n])\r\nVALUES(\r\n7,\r\n1),\r\n(\r\n9,\r\n"
              "2),\r\n(\r\n7,\r\n3)\r\nGO\r\n\r\n");

    // What a transaction cannot hold is refused before anything runs.
    Outcome refused = runScript(dir, {"--connection", copy, "load", "-"},
                                "delete from Lines\r\nGO\r\nBACKUP DATABASE Copy TO DISK = 'x'\r\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "varnett-script: Batch 2 (line 3): BACKUP cannot run inside a "
                           "transaction. Load the script with --no-transaction to run it batch "
                           "by batch.\n");
    runScript(dir, {"--connection", copy, "data-script", "--out", dir.file("lines.sql"),
                    "--rows-per-insert", "1000", "Lines"});
    EXPECT_NE(readFile(dir.file("lines.sql")).find("INSERT"), std::string::npos);
}

TEST(Cli, GeneratorOptionsAndTheSelectCommand)
{
    TempDir dir;
    std::string connection = salesDatabase(dir);
    auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--connection", connection});
        return runScript(dir, args);
    };

    Outcome insert = run({"insert", "Customers", "--field", "Name", "--identity-output",
                          "--nocount", "--create-or-alter"});
    EXPECT_EQ(insert.status, 0) << insert.err;
    EXPECT_EQ(insert.out, "CREATE OR ALTER PROCEDURE SP_INSERT_Customers\n@pName [varchar](41),\n"
                          "@pid [int] OUTPUT\n\nAS BEGIN\n\nSET NOCOUNT ON;\n"
                          "INSERT INTO Customers(\n[Name]\n)\n\nVALUES (\n@pName\n)\n"
                          "SET @pid = SCOPE_IDENTITY();\nEND\n");

    // --key stands in for --where; the key is not set.
    Outcome update = run({"update", "Customers", "--field", "id", "--field", "Name", "--key",
                          "--try-catch"});
    EXPECT_EQ(update.status, 0) << update.err;
    EXPECT_EQ(update.out, "CREATE PROCEDURE SP_UPDATE_Customers\n@pid [int],\n"
                          "@pName [varchar](41)\n\nAS BEGIN\n\nBEGIN TRY\nBEGIN TRANSACTION\n"
                          "UPDATE Customers SET\n[Name] = @pName\nWHERE \n[id] = @pid\n"
                          "COMMIT TRANSACTION\nEND TRY\nBEGIN CATCH\n"
                          "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;\nTHROW;\nEND CATCH\n\nEND\n");

    Outcome remove = run({"delete", "Customers", "--key"});
    EXPECT_EQ(remove.out, "CREATE PROCEDURE SP_DELETE_Customers\n@pid [int]\n\nAS BEGIN\n\n"
                          "DELETE FROM Customers\nWHERE \n[id] = @pid\n\nEND\n");
    Outcome keyless = run({"delete", "Order Details", "--key"});
    EXPECT_EQ(keyless.status, 1);
    EXPECT_EQ(keyless.err, "varnett-script: The table 'Order Details' has no primary key or unique "
                           "index to take the conditions from\n");

    // select: every column without --field, every row without --where.
    Outcome all = run({"select", "order details"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, "CREATE PROCEDURE [SP_SELECT_Order Details]\n\nAS BEGIN\n\nSELECT\n"
                       "[Qty],\n[Note]\nFROM [Order Details]\n\nEND\n");
    Outcome some = run({"select", "Customers", "--field", "id", "--field", "Name", "--where",
                        "Name:LIKE", "--where", "id:<>", "--name", "FindCust"});
    EXPECT_EQ(some.out, "CREATE PROCEDURE FindCust\n@pName [varchar](41),\n@pid [int]\n\n"
                        "AS BEGIN\n\nSELECT\n[id],\n[Name]\nFROM Customers\nWHERE \n"
                        "Name LIKE @pName+'%' AND\nid <> @pid\n\nEND\n");

    // What select writes is created like the others.
    const std::string file = dir.file("select.sql");
    {
        std::ofstream out(file, std::ios::binary);
        out << some.out;
    }
    EXPECT_EQ(run({"exec", file}).status, 0);
    EXPECT_EQ(run({"procedures"}).out, "FindCust\n");

    // A table of another schema, named in any written form: the procedure
    // goes into its schema, its key and rowversion are its own.
    {
        auto engine = varnett::data::openSqliteEngine(dir.file("Sales.db"));
        engine->executeBatch("CREATE SCHEMA Sales");
        engine->executeBatch("CREATE TABLE Sales.Customers (Code char(4) PRIMARY KEY,"
                             " Region varchar(9), rv rowversion)");
    }
    Outcome schemaUpdate = run({"update", "[sales].customers", "--key", "--rowversion"});
    EXPECT_EQ(schemaUpdate.status, 0) << schemaUpdate.err;
    EXPECT_EQ(schemaUpdate.out,
              "CREATE PROCEDURE Sales.SP_UPDATE_Customers\n@pCode [char](4),\n"
              "@pRegion [varchar](10),\n@prv [binary](8)\n\nAS BEGIN\n\n"
              "UPDATE Sales.Customers SET\n[Region] = @pRegion\nWHERE \n[Code] = @pCode AND\n"
              "[rv] = @prv\nIF @@ROWCOUNT = 0\n"
              "THROW 50001, 'The row was changed or deleted by another user.', 1;\n\nEND\n");
    Outcome schemaSelect = run({"select", "Sales.Customers", "--field", "Region", "--where",
                                "Region:LIKE", "--create-or-alter"});
    EXPECT_EQ(schemaSelect.status, 0) << schemaSelect.err;
    EXPECT_EQ(schemaSelect.out,
              "CREATE OR ALTER PROCEDURE Sales.SP_SELECT_Customers\n@pRegion [varchar](10)\n\n"
              "AS BEGIN\n\nSELECT\n[Region]\nFROM Sales.Customers\nWHERE \n"
              "Region LIKE @pRegion+'%'\n\nEND\n");
}

TEST(Cli, SchemaNamesAreTakenAndPrintedAsSchemaDotName)
{
    TempDir dir;
    const std::string connection = salesDatabase(dir, "Sales.db", false);
    auto run = [&](std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), {"--connection", connection});
        return runScript(dir, args, input);
    };
    for (const char* batch :
         {"create table [dbo.Dotted] (d int)", "create schema [Sa.les]",
          "create table [Sa.les].Customers (id int, Name varchar(10))",
          "insert into [Sa.les].Customers values (1, 'O''Neil')", "create procedure P2 as select 1",
          "create procedure [Sa.les].P2 as select 2",
          "create procedure [Sa.les].P as\nexec P2\nexec dbo.P2"})
        ASSERT_EQ(run({"exec", "-"}, batch).status, 0) << batch;

    EXPECT_EQ(run({"tables"}).out, "Customers\n[dbo.Dotted]\nOrder Details\n[Sa.les].Customers\n");
    EXPECT_EQ(run({"fields", "[Sa.les].Customers"}).out, "id\t[int]\nName\t[varchar](11)\n");
    EXPECT_EQ(run({"fields", "[dbo.Dotted]"}).out, "d\t[int]\n");
    EXPECT_EQ(run({"fields", "dbo.Dotted"}).err,
              "varnett-script: The table 'dbo.Dotted' does not exist.\n");
    EXPECT_EQ(run({"insert", "[Sa.les].Customers", "--field", "Name"}).out,
              "CREATE PROCEDURE [Sa.les].SP_INSERT_Customers\n@pName [varchar](11)\n\nAS BEGIN\n\n"
              "INSERT INTO [Sa.les].Customers(\n[Name]\n)\n\nVALUES (\n@pName\n)\nEND\n");
    EXPECT_EQ(run({"procedures"}).out, "P2\n[Sa.les].P\n[Sa.les].P2\n");

    // An unqualified callee is the caller's schema's first, then dbo's: both
    // P2 come before the caller.
    ASSERT_EQ(run({"proc-script", "--out", dir.file("procs.sql"), "[Sa.les].P", "P2", "[Sa.les].P2"})
                  .status,
              0);
    const std::string procs = readFile(dir.file("procs.sql"));
    const auto caller = procs.find("drop procedure [Sa.les].[P]\r\n");
    ASSERT_NE(caller, std::string::npos) << procs;
    EXPECT_LT(procs.find("drop procedure [Sa.les].[P2]\r\n"), caller);
    EXPECT_LT(procs.find("drop procedure [dbo].[P2]\r\n"), caller);

    ASSERT_EQ(run({"data-script", "--out", dir.file("data.sql"), "[Sa.les].Customers"}).status, 0);
    EXPECT_NE(readFile(dir.file("data.sql")).find("INSERT INTO [Sa.les].Customers(\r\n[id],\r\n[Name])\r\n"
                                                  "VALUES(\r\n1,\r\n'O''Neil')\r\nGO\r\n"),
              std::string::npos)
        << readFile(dir.file("data.sql"));

    EXPECT_EQ(run({"drop", "[Sa.les].P"}).status, 0);
    EXPECT_EQ(run({"procedures"}).out, "P2\n[Sa.les].P2\n");
}

TEST(Cli, BadFilesAreClearErrorsAndLoseNothing)
{
    TempDir dir;
    const std::string connection = salesDatabase(dir);
    const std::string database = dir.file("Sales.db");
    const std::string before = readFile(database);
    fs::create_directory(dir.path() / "folder");
    using namespace std::string_literals;
    writeFile(dir.file("nul.sql"), "insert into Customers (id) values (50)\nGO\n"
                                   "insert into Customers (id) values (51) -- \0 x\n"s);
    // As SQL Server's tools save scripts: UTF-16 LE with a byte order mark.
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : std::u16string(u"insert into [Order Details] values (4, N'\u00DC')\r\nGO\r\n"))
        utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    writeFile(dir.file("utf16.sql"), utf16);

    struct Case {
        std::vector<std::string> args;
        std::string err;
    };
    const Case cases[] = {
        {{"data-script", "--out", "/dev/null", "Customers"},
         "'/dev/null' is a device or other special file, not a file to write into."},
        {{"data-script", "--out", dir.file("folder"), "Customers"},
         "'" + dir.file("folder") + "' is a folder, not a file."},
        {{"data-script", "--out", database, "Customers"},
         "'" + database + "' is the database file of the current connection; writing there"
                          " would replace the database."},
        {{"load", dir.file("folder")}, "Cannot read the file '" + dir.file("folder") + "': it is a folder."},
        {{"exec", dir.file("none.sql")},
         "Cannot read the file '" + dir.file("none.sql") + "': No such file or directory."},
        {{"load", dir.file("nul.sql")}, "Line 3 of the script holds a NUL character."},
        {{"exec", dir.file("nul.sql")}, "Line 3 of the script holds a NUL character."},
        {{"deploy", "--folder", dir.file("none")},
         "The folder '" + dir.file("none") + "' does not exist or is no folder."},
        {{"write-back", "--folder", dir.file("nul.sql")},
         "The folder '" + dir.file("nul.sql") + "' does not exist or is no folder."},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--connection", connection};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome run = runScript(dir, args);
        EXPECT_EQ(run.status, 1) << c.err;
        EXPECT_EQ(run.err, "varnett-script: " + c.err + "\n");
    }
    EXPECT_EQ(readFile(database), before);
    struct stat info {};
    ASSERT_EQ(::lstat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    Outcome load = runScript(dir, {"--connection", connection, "load", dir.file("utf16.sql")});
    EXPECT_EQ(load.status, 0) << load.err;
    Outcome data = runScript(dir, {"--connection", connection, "data-script", "--out",
                                   dir.file("details.sql"), "Order Details"});
    EXPECT_EQ(data.status, 0) << data.err;
    EXPECT_NE(readFile(dir.file("details.sql")).find("VALUES(\r\n4,\r\nN'\xC3\x9C')"),
              std::string::npos)
        << readFile(dir.file("details.sql"));
}

TEST(Cli, VersionIsTheProjectVersionAndHelpWinsOverIt)
{
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"--version"}, 0, "varnett-script 1.0.0.1\n"},
        {{"tables", "--version"}, 0, "varnett-script 1.0.0.1\n"},
        {{"--version", "frobnicate"}, 0, "varnett-script 1.0.0.1\n"},
        {{"--connection", "Provider=SQLite;Data Source=none.db", "--version"}, 0,
         "varnett-script 1.0.0.1\n"},
    };
    for (const Case& c : cases) {
        Outcome run = runScript(dir, c.args);
        EXPECT_EQ(run.status, c.status) << c.args.front();
        EXPECT_EQ(run.out, c.out) << c.args.front();
        EXPECT_EQ(run.err, "") << c.args.front();
    }
    Outcome both = runScript(dir, {"--version", "--help"});
    EXPECT_EQ(both.status, 0);
    EXPECT_TRUE(startsWith(both.out, kUsageLine)) << both.out;
    EXPECT_NE(both.out.find("  --version              show the version\n"), std::string::npos);
    // After "--" it is an operand like any other.
    Outcome operand = runScript(dir, {"fields", "--", "--version"});
    EXPECT_EQ(operand.status, 1);
    EXPECT_EQ(operand.out, "");
}

TEST(Cli, DeployAndWriteBackTakeWhatTheComparisonFinds)
{
    TempDir dir;
    const std::string connection = salesDatabase(dir);
    {
        auto engine = varnett::data::openSqliteEngine(dir.file("Sales.db"));
        engine->executeBatch("CREATE PROCEDURE [O'Brien] AS\r\nSELECT 1\r\n");
        engine->executeBatch("CREATE PROCEDURE [a.b] AS SELECT 2");
        engine->executeBatch("CREATE PROCEDURE Kept AS SELECT 3");
    }
    const std::string folder = dir.file("scripts");
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--connection", connection});
        return runScript(dir, args);
    };
    ASSERT_EQ(run({"export", "--folder", folder}).status, 0);
    const std::string head = "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\n";
    writeFile(folder + "/dbo.O'Brien.sql", head + "CREATE PROCEDURE [O'Brien] AS\nSELECT 'edited'\nGO\n");
    writeFile(folder + "/dbo.New One.sql", head + "CREATE PROCEDURE [New One] AS SELECT 4\nGO\n");
    fs::remove(folder + "/dbo.a%2Eb.sql");

    // Each step in turn: the command, its status, what it prints, what it says.
    struct Step {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    };
    const Step steps[] = {
        {{"compare", "--folder", folder}, 1,
         "only in the database\t[a.b]\nsame\tKept\nonly in the folder\tNew One\ndifferent\tO'Brien\n", ""},
        {{"deploy", "--folder", folder, "Nope"}, 1, "",
         "varnett-script: The procedure 'Nope' is neither in the database nor in the folder.\n"},
        {{"deploy", "--folder", folder, "[a.b]"}, 1, "",
         "varnett-script: The procedure '[a.b]' has no file in the folder to deploy.\n"},
        {{"write-back", "--folder", folder, "new one"}, 1, "",
         "varnett-script: The procedure 'New One' is not in the database: there is no text to write.\n"},
        // No names: what differs or is only in the folder, in list order.
        {{"deploy", "--folder", folder}, 0, "New One\nO'Brien\n", ""},
        {{"compare", "--folder", folder}, 1,
         "only in the database\t[a.b]\nsame\tKept\nsame\tNew One\nsame\tO'Brien\n", ""},
        {{"deploy", "--folder", folder}, 0, "", ""},
        // Named in any case, once each.
        {{"write-back", "--folder", folder, "dbo.KEPT", "kept"}, 0, "dbo.Kept.sql\n", ""},
        {{"write-back", "--folder", folder}, 0, "dbo.a%2Eb.sql\n", ""},
        {{"compare", "--folder", folder}, 0,
         "same\t[a.b]\nsame\tKept\nsame\tNew One\nsame\tO'Brien\n", ""},
    };
    for (const Step& step : steps) {
        const Outcome outcome = run(step.args);
        EXPECT_EQ(outcome.status, step.status) << step.args.front() << ' ' << step.args.back();
        EXPECT_EQ(outcome.out, step.out) << step.args.front() << ' ' << step.args.back();
        EXPECT_EQ(outcome.err, step.err) << step.args.front() << ' ' << step.args.back();
    }
    // The edited text is the server's now, byte for byte.
    const Outcome text = run({"text", "O'Brien"});
    EXPECT_EQ(text.out, "CREATE PROCEDURE [O'Brien] AS\nSELECT 'edited'\n");
}
