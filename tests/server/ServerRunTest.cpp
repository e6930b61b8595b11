#include "ServerFixture.h"

#include "data/ProcedureRun.h"
#include "sqltext/Error.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace varnett::testing;
using varnett::data::ProcedureArgument;
using varnett::data::RunOutcome;
using varnett::data::RunRequest;

namespace {

std::string itemsOf(const ScratchDatabase& db)
{
    return rowsOf(query(db.name(), "SELECT ItemID, Name, Price, Code FROM dbo.Items ORDER BY ItemID"));
}

RunOutcome run(varnett::data::Engine& engine, const std::string& procedure,
               std::vector<ProcedureArgument> arguments, bool rollback = false)
{
    RunRequest request;
    request.procedure = varnett::sqltext::parseProcedureRef(procedure);
    request.arguments = std::move(arguments);
    request.rollback = rollback;
    return engine.runProcedure(request);
}

std::string outputsOf(const RunOutcome& outcome)
{
    std::string out;
    for (const auto& output : outcome.outputs)
        out += output.name + "=" + output.value.value_or("NULL") + ";";
    return out;
}

std::string lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const char* const kTalker =
    "CREATE PROCEDURE dbo.Talker @a int, @o int OUTPUT, @s nvarchar(20) OUTPUT AS\n"
    "BEGIN\n"
    "  PRINT 'first';\n"
    "  SELECT @a AS a, CAST(NULL AS nvarchar(5)) AS n, N'NULL' AS t, 0x0AFF AS b;\n"
    "  RAISERROR('second %d', 10, 1, 2);\n"
    "  SELECT x FROM (VALUES (1), (2), (3), (4), (5)) AS v(x) ORDER BY x;\n"
    "  SET @o = @a * 2; SET @s = N'out';\n"
    "  RAISERROR('third', 16, 1);\n"
    "  RETURN 7;\n"
    "END";

} // namespace

// Each generated kind called with values and NULLs does to the rows what its
// text says; a value that would end a spliced statement is stored as text;
// a run rolled back leaves the table as it was.
TEST(ServerRun, EachGeneratedKindWithValuesNullsAndRollback)
{
    TempDir dir;
    ScratchDatabase db;
    db.run(kItems);
    createGenerated(dir, db, {"insert", "Items", "--identity-output", "--name", "P_INS"});
    createGenerated(dir, db, {"update", "Items", "--field", "Name", "--field", "Price", "--key",
                              "--name", "P_UPD"});
    createGenerated(dir, db, {"delete", "Items", "--key", "--name", "P_DEL"});
    createGenerated(dir, db, {"select", "Items", "--where", "ItemID:=", "--name", "P_SEL"});
    auto engine = db.open();

    const std::string hostile = "'; DROP TABLE Items--";
    RunOutcome inserted = run(*engine, "P_INS",
                              {{"@pName", hostile}, {"pPrice", "2.50"}, {"@pCode", std::nullopt}});
    EXPECT_FALSE(inserted.failed());
    EXPECT_EQ(lower(outputsOf(inserted)), "@pitemid=1;");
    EXPECT_EQ(inserted.returnValue, 0);
    EXPECT_EQ(itemsOf(db), "1|" + hostile + "|2.50|NULL\n");

    // Rolled back: the call ran (the identity came back) and left no row.
    RunOutcome tried = run(*engine, "P_INS", {{"pName", "Tea"}, {"pPrice", std::nullopt},
                                              {"pCode", "A"}}, true);
    EXPECT_TRUE(tried.rolledBack);
    EXPECT_FALSE(tried.failed());
    ASSERT_EQ(tried.outputs.size(), 1u);
    EXPECT_TRUE(tried.outputs[0].value.has_value());
    EXPECT_EQ(itemsOf(db), "1|" + hostile + "|2.50|NULL\n");

    EXPECT_FALSE(run(*engine, "P_UPD", {{"pItemID", "1"}, {"pName", "Tea"}, {"pPrice", std::nullopt}})
                     .failed());
    EXPECT_EQ(itemsOf(db), "1|Tea|NULL|NULL\n");

    RunOutcome selected = run(*engine, "P_SEL", {{"pItemID", "1"}});
    ASSERT_EQ(selected.resultSets.size(), 1u);
    const auto& set = selected.resultSets[0];
    ASSERT_EQ(set.columns.size(), 4u);
    EXPECT_EQ(lower(set.columns[1].name), "name");
    EXPECT_EQ(set.columns[1].type, "nvarchar(40)");
    ASSERT_EQ(set.rows.size(), 1u);
    EXPECT_EQ(set.rows[0][1], "Tea");
    EXPECT_EQ(set.rows[0][2], std::nullopt);

    RunOutcome undone = run(*engine, "P_DEL", {{"pItemID", "1"}}, true);
    EXPECT_TRUE(undone.rolledBack);
    EXPECT_EQ(itemsOf(db), "1|Tea|NULL|NULL\n");
    run(*engine, "P_DEL", {{"pItemID", "1"}});
    EXPECT_EQ(itemsOf(db), "");
}

// The parameters as the server describes them: type with length and
// precision, input or output.
TEST(ServerRun, DescribesParameters)
{
    ScratchDatabase db;
    db.run("CREATE PROCEDURE dbo.Described @a int, @b nvarchar(10), @c decimal(10,2),"
           " @d varbinary(max), @e datetime2(3), @f varchar(7) OUTPUT, @g char(3), @h bit AS SELECT 1");
    auto engine = db.open();
    std::string described;
    for (const auto& parameter : engine->procedureParameters("Described"_proc))
        described += lower(parameter.name) + " " + parameter.typeText()
            + (parameter.output ? " out" : "") + ";";
    EXPECT_EQ(described, "@a int;@b nvarchar(10);@c decimal(10,2);@d varbinary(max);"
                         "@e datetime2(3);@f varchar(7) out;@g char(3);@h bit;");
    EXPECT_THROW(engine->procedureParameters("NoSuchProcedure"_proc), varnett::Error);
}

// Messages in the order the server sent them, two result sets with NULL kept
// apart from the text 'NULL', rows beyond the limit counted, the output
// parameters and the return value.
TEST(ServerRun, MessagesResultSetsOutputsAndReturnValue)
{
    ScratchDatabase db;
    db.run(kTalker);
    auto engine = db.open();
    RunRequest request;
    request.procedure = "Talker"_proc;
    request.arguments = {{"a", "21"}};
    request.maxRows = 3;
    // The rows of a set are reported as they are read, every rowsPerStep.
    varnett::data::RunControl control;
    control.rowsPerStep = 2;
    std::vector<std::size_t> reading;
    control.onRows = [&](const varnett::data::RunResultSet& set) { reading.push_back(set.rows.size()); };
    request.control = &control;
    const RunOutcome outcome = engine->runProcedure(request);
    EXPECT_EQ(reading, std::vector<std::size_t>({2}));

    ASSERT_EQ(outcome.messages.size(), 3u);
    EXPECT_EQ(outcome.messages[0].text, "first");
    EXPECT_FALSE(outcome.messages[0].error);
    EXPECT_EQ(outcome.messages[0].resultSetsBefore, 0u);
    EXPECT_EQ(outcome.messages[1].text, "second 2");
    EXPECT_FALSE(outcome.messages[1].error);
    EXPECT_EQ(outcome.messages[1].resultSetsBefore, 1u);
    EXPECT_EQ(outcome.messages[2].text, "third");
    EXPECT_TRUE(outcome.messages[2].error);
    EXPECT_EQ(outcome.messages[2].number, 50000);
    EXPECT_EQ(outcome.messages[2].resultSetsBefore, 2u);
    EXPECT_TRUE(outcome.failed());

    ASSERT_EQ(outcome.resultSets.size(), 2u);
    const auto& first = outcome.resultSets[0];
    ASSERT_EQ(first.rows.size(), 1u);
    EXPECT_EQ(first.rows[0], (varnett::data::RunRow{"21", std::nullopt, "NULL", "0x0AFF"}));
    EXPECT_TRUE(first.columns[3].binary);
    const auto& second = outcome.resultSets[1];
    ASSERT_EQ(second.rows.size(), 3u);
    EXPECT_EQ(second.rows[2][0], "3");
    EXPECT_EQ(second.rowsLeftOut, 2u);

    EXPECT_EQ(lower(outputsOf(outcome)), "@o=42;@s=out;");
    EXPECT_EQ(outcome.returnValue, 7);
}

// A value that is not of its parameter's type is refused, naming the
// parameter, before anything runs.
TEST(ServerRun, TypeErrorCaughtBeforeTheCall)
{
    ScratchDatabase db;
    db.run("CREATE TABLE dbo.Calls (n int)");
    db.run("CREATE PROCEDURE dbo.Typed @i int, @d datetime, @b varbinary(4), @s nvarchar(5) AS"
           " INSERT INTO dbo.Calls VALUES (1)");
    auto engine = db.open();
    const std::vector<ProcedureArgument> good = {{"i", "1"}, {"d", "2024-01-02"}, {"b", "0x0A"},
                                                 {"s", "abc"}};
    struct Case {
        std::size_t argument;
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {0, "one", "@i (int) is no whole number"},
        {0, "2147483648", "@i (int) is no whole number"},
        {1, "2024-02-30", "@d (datetime) is no date and time"},
        {1, "1700-01-01", "@d (datetime) is before 1753"},
        {2, "0xZZ", "@b (varbinary(4)) is no hex"},
        {2, "0x0102030405", "longer than 4 bytes"},
        {3, "abcdef", "@s (nvarchar(5)) is longer than 5 characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::vector<ProcedureArgument> arguments = good;
        arguments[c.argument].value = c.value;
        try {
            run(*engine, "Typed", arguments);
            ADD_FAILURE() << "no error";
        } catch (const varnett::Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(run(*engine, "Typed", {{"nosuch", "1"}}), varnett::Error);
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM dbo.Calls"), "0");
    // Five characters of beyond ASCII fit nvarchar(5).
    EXPECT_FALSE(run(*engine, "Typed", {{"i", "-1"}, {"d", "2024-02-29 23:59:59.997"},
                                        {"b", "0A0B0C0D"}, {"s", "äöüßé"}})
                     .failed());
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM dbo.Calls"), "1");
}

// Cancel from another thread, once the procedure is seen running (its first
// statement committed), stops the statement on the server: the statement
// after the wait never runs. Called from the run's own thread after a result
// set, it ends the run there.
TEST(ServerRun, CancelStopsTheStatementOnTheServer)
{
    ScratchDatabase db;
    db.run("CREATE TABLE dbo.Started (n int)");
    db.run("CREATE TABLE dbo.Finished (n int)");
    auto engine = db.open();
    RunRequest request;
    // Babelfish has no WAITFOR, and no statement of a running call is seen
    // from another connection before the call ends.
    if (!isBabelfish()) {
        db.run("CREATE PROCEDURE dbo.Slow AS BEGIN INSERT INTO dbo.Started VALUES (1);"
               " WAITFOR DELAY '00:03:00'; INSERT INTO dbo.Finished VALUES (1); SELECT 2 AS b; END");
        varnett::data::RunControl control;
        std::thread canceller([&] {
            for (int polls = 0; polls < 1200; ++polls) {
                if (scalar(db.name(), "SELECT COUNT(*) FROM dbo.Started") == "1")
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            control.cancel();
        });
        request.procedure = "Slow"_proc;
        request.control = &control;
        RunOutcome outcome;
        try {
            outcome = engine->runProcedure(request);
        } catch (...) {
            canceller.join();
            throw;
        }
        canceller.join();
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_TRUE(outcome.resultSets.empty());
        EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM dbo.Finished"), "0");
    }

    // Pulled on the run's thread after the first result set: the run ends
    // there and rolls back.
    db.run("CREATE PROCEDURE dbo.Two AS BEGIN INSERT INTO dbo.Finished VALUES (2); SELECT 1 AS a;"
           " SELECT 2 AS b; END");
    varnett::data::RunControl seam;
    seam.onStep = [&](const RunOutcome& sofar) {
        if (sofar.resultSets.size() == 1)
            seam.cancel();
    };
    request.procedure = "Two"_proc;
    request.rollback = true;
    request.control = &seam;
    const RunOutcome outcome = engine->runProcedure(request);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.rolledBack);
    EXPECT_EQ(outcome.resultSets.size(), 1u);
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM dbo.Finished"), "0");
    // The connection serves the next call.
    request.control = nullptr;
    EXPECT_EQ(engine->runProcedure(request).resultSets.size(), 2u);
}

// varnett-script run: result sets on standard output in each format, the
// rest on standard error, status 1 for an error.
TEST(ServerRun, CommandLine)
{
    TempDir dir;
    ScratchDatabase db;
    db.run(kTalker);
    db.run("CREATE PROCEDURE dbo.Quiet @t nvarchar(20), @n int AS"
           " SELECT @t AS [t x], @n AS n; SELECT 1 AS one");
    auto cli = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--connection", db.connection(), "run"});
        return runScript(dir, args);
    };
    Outcome tsv = cli({"Quiet", "--param", "t=a\tb\\", "--null", "n"});
    EXPECT_EQ(tsv.status, 0) << tsv.err;
    EXPECT_EQ(tsv.out, "t x\tn\na\\tb\\\\\t\\N\n\none\n1\n");
    Outcome csv = cli({"Quiet", "--param", "t=x,\"y\"", "--null", "n", "--format", "csv"});
    EXPECT_EQ(csv.out, "t x,n\r\n\"x,\"\"y\"\"\",\r\n\r\none\r\n1\r\n");
    Outcome json = cli({"Quiet", "--param=t=", "--param", "n=5", "--format=json"});
    EXPECT_EQ(json.out, "[\n {\"columns\": [{\"name\": \"t x\", \"type\": \"nvarchar(20)\"}, "
                        "{\"name\": \"n\", \"type\": \"int\"}], \"rows\": [[\"\", \"5\"]], "
                        "\"rowsLeftOut\": 0},\n {\"columns\": [{\"name\": \"one\", \"type\": \"int\"}],"
                        " \"rows\": [[\"1\"]], \"rowsLeftOut\": 0}\n]\n");

    Outcome talker = cli({"Talker", "--param", "a=2"});
    EXPECT_EQ(talker.status, 1);
    EXPECT_EQ(talker.out, "a\tn\tt\tb\n2\t\\N\tNULL\t0x0AFF\n\nx\n1\n2\n3\n4\n5\n");
    const auto first = talker.err.find("first\n"), second = talker.err.find("second 2\n"),
               third = talker.err.find("Msg 50000"), output = lower(talker.err).find("@o = 4\n");
    EXPECT_LT(first, second) << talker.err;
    EXPECT_LT(second, third) << talker.err;
    EXPECT_LT(third, output) << talker.err;
    EXPECT_NE(talker.err.find("Return value: 7\n"), std::string::npos) << talker.err;

    Outcome wrong = cli({"Talker", "--param", "a=x"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("@a (int)"), std::string::npos) << wrong.err;
    EXPECT_EQ(wrong.out, "");
}
