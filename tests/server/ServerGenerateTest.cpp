#include "ServerFixture.h"

#include "data/GeneratedProcedures.h"
#include "support/Engines.h"
#include "support/Names.h"

#include <gtest/gtest.h>

using namespace varnett;
using namespace varnett::testing;

namespace {

const char* const kTables =
    "CREATE SCHEMA Sales\n";
const char* const kSalesTables =
    "CREATE TABLE Sales.[Order Lines] (OrderID int NOT NULL, Line int NOT NULL,"
    " Product nvarchar(40), Qty int, PRIMARY KEY (OrderID, Line));\n"
    "CREATE TABLE Sales.Notes (Body nvarchar(200));\n"
    "CREATE TABLE [It's] (ID int PRIMARY KEY, Label varchar(20));\n";

std::string procedureCount(const ScratchDatabase& db)
{
    return scalar(db.name(), "SELECT COUNT(*) FROM sys.procedures").value_or("none");
}

} // namespace

// Every table of both schemas: created in one transaction, or loaded from
// the script into another database; each procedure works there.
TEST(ServerGenerate, CreatedOrLoadedAndCalled)
{
    TempDir dir;
    ScratchDatabase db;
    db.run(kItems);
    db.run(kTables);
    db.run(kSalesTables);

    Outcome created = runScript(dir, {"--connection", db.connection(), "generate", "--kinds",
                                      "insert,update,delete,select", "--create"});
    ASSERT_EQ(created.status, 0) << created.err;
    EXPECT_EQ(created.err, "varnett-script: Sales.Notes: no key; Update, Delete and Select left out.\n");
    EXPECT_EQ(procedureCount(db), "13");
    query(db.name(), "EXEC Sales.[SP_INSERT_Order Lines] @pOrderID = ?, @pLine = ?, @pProduct = ?,"
                     " @pQty = ?", {"7", "1", "O'Neil; --", "3"});
    query(db.name(), "EXEC Sales.[SP_UPDATE_Order Lines] @pOrderID = ?, @pLine = ?, @pProduct = ?,"
                     " @pQty = ?", {"7", "1", "Tea", "4"});
    EXPECT_EQ(rowsOf(query(db.name(), "EXEC Sales.[SP_SELECT_Order Lines] @pOrderID = ?, @pLine = ?",
                           {"7", "1"})),
              "7|1|Tea|4\n");
    query(db.name(), "EXEC [SP_INSERT_It's] @pID = ?, @pLabel = ?", {"1", "a"});
    query(db.name(), "EXEC [SP_DELETE_It's] @pID = ?", {"1"});
    EXPECT_EQ(scalar(db.name(), "SELECT COUNT(*) FROM [It's]"), "0");

    // Existing procedures are refused, all named, and none is changed.
    Outcome again = runScript(dir, {"--connection", db.connection(), "generate", "--kinds",
                                    "insert", "--create", "Items", "Sales.Notes"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("These procedures exist already, and none was created:"),
              std::string::npos) << again.err;

    // The script of the same procedures loads into an empty copy of the tables.
    ScratchDatabase copy;
    copy.run(kItems);
    copy.run(kTables);
    copy.run(kSalesTables);
    Outcome script = runScript(dir, {"--connection", db.connection(), "generate", "--kinds",
                                     "insert,update,delete,select", "--out", dir.file("gen.sql")});
    ASSERT_EQ(script.status, 0) << script.err;
    Outcome load = runScript(dir, {"--connection", copy.connection(), "load", dir.file("gen.sql")});
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_EQ(procedureCount(copy), "13");
    query(copy.name(), "EXEC SP_INSERT_Items @pName = ?, @pPrice = ?, @pCode = ?", {"Rye", "2", "A"});
    EXPECT_EQ(rowsOf(query(copy.name(), "EXEC SP_SELECT_Items @pItemID = ?", {"1"})),
              "1|Rye|2.00|A\n");
}

// A procedure the server refuses in the middle of the list leaves none of
// them; the error names the table and the procedure.
TEST(ServerGenerate, AFailureInTheMiddleCreatesNone)
{
    ScratchDatabase db;
    db.run(kItems);
    db.run(kTables);
    db.run(kSalesTables);
    auto engine = db.open();
    data::GenerationRequest request;
    request.kinds = {sqltext::ProcedureKind::Insert, sqltext::ProcedureKind::Update,
                     sqltext::ProcedureKind::Delete};
    request.tables = names({"Items", "Sales.Order Lines"});
    // The schema of the third procedure does not exist. (A table of the
    // procedure's name would do on SQL Server, but not on Babelfish.)
    request.patterns[static_cast<int>(sqltext::ProcedureKind::Update)] = "U_{table}";
    request.patterns[static_cast<int>(sqltext::ProcedureKind::Delete)] = "{schema}_x.D_{table}";
    const data::Generation generation = data::generateProcedures(*engine, request);
    ASSERT_EQ(generation.procedures.size(), 6u);
    const std::string message = errorOf([&] { data::createGenerated(*engine, generation); });
    EXPECT_NE(message.find("Cannot create the procedure 'dbo_x.D_Items' of the table 'Items', and "
                           "none was created: "),
              std::string::npos) << message;
    EXPECT_EQ(procedureCount(db), "0");
    // The connection goes on working.
    EXPECT_EQ(engine->listTables().size(), 4u);
    EXPECT_EQ(engine->listProcedures().size(), 0u);
}
