#include "data/ProcedureUpdate.h"
#include "data/Transaction.h"
#include "sqltext/ProcedureText.h"
#include "support/Engines.h"
#include "support/Names.h"

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

// An engine that records the transaction calls and fails where told.
class RecordingEngine : public data::Engine {
public:
    std::string calls;
    bool failCommit = false;
    bool failRollback = false;

    std::string databaseName() const override { return "Sales"; }
    std::vector<sqltext::ObjectName> listTables() override { return {}; }
    std::vector<sqltext::ProcedureRef> listProcedures() override { return {}; }
    std::unique_ptr<data::RowCursor> openTable(const sqltext::ObjectName&) override { return nullptr; }
    void executeBatch(const std::string&) override { calls += "run "; }
    std::vector<std::string> procedureText(const sqltext::ObjectName&) override { return {}; }
    data::ProcedureSettings procedureSettings(const sqltext::ObjectName&) override { return {}; }
    sqltext::TableKeys tableKeys(const sqltext::ObjectName&) override { return {}; }
    void beginTransaction() override { calls += "begin "; }
    void commit() override
    {
        calls += "commit ";
        if (failCommit)
            throw Error("commit failed");
    }
    void rollback() override
    {
        calls += "rollback ";
        if (failRollback)
            throw Error("rollback failed");
    }
};

std::vector<std::string> sourceOf(data::Engine& engine, const std::string& procedure)
{
    return sqltext::procedureLines(engine.procedureText(sqltext::parseObjectName(procedure)));
}

} // namespace

TEST(Transaction, CommitsOrRollsBackOnceAndKeepsTheFirstFailure)
{
    struct Case {
        const char* name;
        bool commit, failCommit, failRollback, throwInside;
        std::string calls, error;
    };
    const std::vector<Case> cases = {
        {"committed", true, false, false, false, "begin run commit ", "(no error)"},
        {"left without commit", false, false, false, false, "begin run rollback ", "(no error)"},
        {"left by a failure", true, false, false, true, "begin run rollback ", "inside"},
        {"failing rollback", true, false, true, true, "begin run rollback ", "inside"},
        {"failing commit", true, true, false, false, "begin run commit rollback ",
         "commit failed"},
    };
    for (const Case& c : cases) {
        RecordingEngine engine;
        engine.failCommit = c.failCommit;
        engine.failRollback = c.failRollback;
        std::string error = errorOf([&] {
            data::Transaction transaction(engine);
            engine.executeBatch("x");
            if (c.throwInside)
                throw Error("inside");
            if (c.commit)
                transaction.commit();
        });
        EXPECT_EQ(engine.calls, c.calls) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
}

TEST(ProcedureUpdate, ReplacesTheProcedureOrKeepsTheOld)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("CREATE PROCEDURE [O'Brien] AS\r\nSELECT 1\r\n");

    // A text that fails rolls the drop back.
    EXPECT_EQ(errorOf([&] {
                  data::updateProcedure(*engine, "O'Brien"_name,
                                        {"CREATE PROCEDURE [O'Brien] AS", "SELECT 2", "GO"});
              }),
              "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch.");
    EXPECT_EQ(sourceOf(*engine, "[O'Brien]"),
              (std::vector<std::string>{"CREATE PROCEDURE [O'Brien] AS", "SELECT 1"}));

    data::updateProcedure(*engine, "O'Brien"_name, {"CREATE PROCEDURE [O'Brien] AS", "SELECT 2"});
    EXPECT_EQ(sourceOf(*engine, "[O'Brien]"),
              (std::vector<std::string>{"CREATE PROCEDURE [O'Brien] AS", "SELECT 2"}));
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (std::vector<std::string>{"O'Brien;1"}));

    // A procedure that is not there yet is created; without a name only the
    // text runs, so an existing one is in the way.
    data::updateProcedure(*engine, "P2"_name, {"CREATE PROCEDURE P2 AS", "SELECT 3"});
    EXPECT_EQ(errorOf([&] { data::updateProcedure(*engine, std::nullopt, {"CREATE PROCEDURE P2 AS"}); }),
              "There is already an object named 'P2' in the database.");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()),
              (std::vector<std::string>{"O'Brien;1", "P2;1"}));
}

TEST(ProcedureUpdate, CreatedProcedureNamesTheProcedureOfTheText)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"CREATE PROCEDURE P1 AS SELECT 1", "P1"},
        {"-- header\r\n/* note */ create proc [dbo].[a]]b] @x int AS SELECT @x", "a]b"},
        {"CREATE PROCEDURE \"Order Total\"\nAS\nSELECT 1", "Order Total"},
        {"CREATE PROCEDURE Purchasing.P_Long @p int AS SELECT 1", "Purchasing.P_Long"},
        {"create proc [Human Re.s].[a.b] AS SELECT 1", "[Human Re.s].[a.b]"},
        {"SELECT 1", "The text does not start with CREATE PROCEDURE."},
        {"", "Command text was not set for the command object."},
        {"CREATE PROCEDURE P AS SELECT 1\nGO\n",
         "'CREATE/ALTER PROCEDURE' must be the first statement in a query batch."},
    };
    for (const auto& [text, expected] : cases) {
        std::string result;
        try {
            result = sqltext::displayName(data::createdProcedure(text));
        } catch (const Error& e) {
            result = e.what();
        }
        EXPECT_EQ(result, expected) << text;
    }
}
