#include "data/Scripts.h"
#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "sqltext/ProcScript.h"
#include "sqltext/ProcedureText.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <filesystem>

using varnett::testing::names;

using namespace varnett;
using varnett::testing::TempDir;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using Texts = std::vector<std::string>;

namespace {

// dbo and two more schemas, each with a table Customer; names with dots,
// brackets and blanks in both parts.
std::unique_ptr<data::Engine> schemaDatabase(const TempDir& dir)
{
    auto engine = freshEngine(dir);
    engine->executeBatch("CREATE SCHEMA Sales");
    engine->executeBatch("CREATE SCHEMA [Human Re.s] AUTHORIZATION dbo");
    engine->executeBatch(
        "CREATE TABLE Customer (Id INTEGER PRIMARY KEY AUTOINCREMENT, Name varchar(20));\r\n"
        "CREATE TABLE Sales.Customer (Id INTEGER PRIMARY KEY AUTOINCREMENT, Region varchar(9));\r\n"
        "CREATE TABLE [Human Re.s].[Customer] (Code int);\r\n"
        "CREATE TABLE [Human Re.s].[Order]]s.2024] (Code int);\r\n"
        "CREATE TABLE [dbo.Dotted] (x int);\r\n"
        "CREATE VIEW Sales.Regions AS SELECT Region FROM Sales.Customer;\r\n"
        "INSERT INTO Sales.Customer (Region) VALUES ('North');\r\n"
        "INSERT INTO dbo.Customer (Name) VALUES ('Ann');\r\n");
    return engine;
}

} // namespace

TEST(Schemas, EmbeddedEngineListsAndOpensObjectsOfEverySchema)
{
    TempDir dir;
    const Texts tables = {"Customer", "[dbo.Dotted]", "[Human Re.s].Customer",
                          "[Human Re.s].[Order]]s.2024]", "Sales.Customer", "Sales.Regions"};
    {
        auto engine = schemaDatabase(dir);
        EXPECT_EQ(varnett::testing::shown(engine->listTables()), tables);
        EXPECT_EQ(varnett::testing::shown(engine->listViews()), Texts({"Sales.Regions"}));
        auto rows = engine->openTable("Sales.Customer"_name);
        ASSERT_EQ(rows->columns().size(), 2u);
        EXPECT_EQ(rows->columns()[1].name, "Region");
        EXPECT_TRUE(rows->columns()[0].identity);
        ASSERT_TRUE(rows->next());
        EXPECT_EQ(engine->openTable("[Sales].[Customer]"_name)->columns()[1].name, "Region");
        EXPECT_EQ(engine->openTable("Customer"_name)->columns()[1].name, "Name");
        EXPECT_EQ(errorOf([&] { engine->openTable("Nowhere.Customer"_name); }),
                  "Invalid object name 'Nowhere.Customer'.");
        EXPECT_EQ(errorOf([&] { engine->executeBatch("CREATE SCHEMA sales"); }),
                  "There is already an object named 'sales' in the database.");
        EXPECT_EQ(errorOf([&] { engine->executeBatch("CREATE PROCEDURE Nowhere.P AS SELECT 1"); }),
                  "The specified schema name \"Nowhere\" either does not exist or you do not "
                  "have permission to use it.");
    }
    // The schemas stay with the database, each in its file beside it.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Sales.db-schema-Sales"));
    auto engine = data::openSqliteEngine(dir.file("Sales.db"));
    EXPECT_EQ(varnett::testing::shown(engine->listTables()), tables);
}

TEST(Schemas, GeneratorsWriteTheSchema)
{
    const std::vector<sqltext::Field> fields = {{"Id", "[int]"}};
    EXPECT_EQ(sqltext::proposedProcedureName(sqltext::ProcedureKind::Insert, "Sales.Customer"),
              "Sales.SP_INSERT_Customer");
    EXPECT_EQ(sqltext::proposedProcedureName(sqltext::ProcedureKind::Delete, "[dbo.Dotted]"),
              "[SP_DELETE_dbo.Dotted]");
    EXPECT_EQ(sqltext::proposedProcedureName(sqltext::ProcedureKind::Update,
                                             "[Human Re.s].[Order]]s.2024]"),
              "[Human Re.s].[SP_UPDATE_Order]]s.2024]");
    const Texts insert = sqltext::insertProcedure("Sales.Customer", fields,
                                                  "Sales.SP_INSERT_Customer");
    EXPECT_EQ(insert.front(), "CREATE PROCEDURE Sales.SP_INSERT_Customer");
    EXPECT_NE(std::find(insert.begin(), insert.end(), "INSERT INTO Sales.Customer("), insert.end());
    const Texts remove = sqltext::deleteProcedure("[Human Re.s].[Order]]s.2024]", fields,
                                                  "[Human Re.s].SP_X");
    EXPECT_EQ(remove.front(), "CREATE PROCEDURE [Human Re.s].SP_X");
    EXPECT_NE(std::find(remove.begin(), remove.end(), "DELETE FROM [Human Re.s].[Order]]s.2024]"),
              remove.end());
    EXPECT_EQ(sqltext::procedureObjectName("Db", sqltext::parseObjectName("[Human Re.s].P")),
              "Db.[Human Re.s].P");
    EXPECT_EQ(sqltext::dropProcedureLines(names({"Sales.P", "P"})),
              (Texts{"DROP PROCEDURE [Sales].[P]", "DROP PROCEDURE [P]"}));
}

TEST(Schemas, CalleesResolveAsTheServerDoes)
{
    // An unqualified name means the caller's schema first, then dbo.
    const std::vector<sqltext::ScriptProcedure> procedures = {
        {"Sales.TopProc"_name, {"EXEC Helper"}},   // Sales.Helper
        {"Hr.Caller"_name, {"exec Helper 1"}},     // dbo Helper (no Hr.Helper)
        {"Helper"_name, {"SELECT 1"}},
        {"Sales.Helper"_name, {"EXEC [Hr].[Caller]"}},
    };
    EXPECT_EQ(sqltext::scriptOrder(procedures), (std::vector<std::size_t>{2, 1, 3, 0}));
}

TEST(Schemas, ScriptsCarryTheSchemaAndLoadBack)
{
    TempDir dir;
    auto engine = schemaDatabase(dir);
    engine->executeBatch("CREATE PROCEDURE Sales.Helper AS\r\n  SELECT 1\r\n");
    engine->executeBatch("CREATE PROCEDURE TopProc AS\r\n  EXEC Sales.Helper\r\n");
    engine->executeBatch("CREATE PROCEDURE [Human Re.s].[Odd Name] AS\r\n  EXEC TopProc\r\n");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()),
              (Texts{"TopProc;1", "[Human Re.s].Odd Name;1", "Sales.Helper;1"}));

    const std::string procScript = dir.file("procs.sql");
    data::writeProcedureScript(*engine, names({"[Human Re.s].Odd Name", "TopProc", "Sales.Helper"}),
                               procScript);
    const std::string text = varnett::testing::readFile(procScript);
    const auto helper = text.find("drop procedure [Sales].[Helper]");
    const auto top = text.find("drop procedure [dbo].[TopProc]");
    const auto odd = text.find("object_id(N'[Human Re.s].[Odd Name]')");
    ASSERT_NE(helper, std::string::npos);
    ASSERT_NE(top, std::string::npos);
    ASSERT_NE(odd, std::string::npos);
    EXPECT_LT(helper, top);
    EXPECT_LT(top, odd);

    const std::string dataScript = dir.file("data.sql");
    data::writeDataScript(*engine, names({"Sales.Customer", "Customer"}), dataScript);
    const std::string data = varnett::testing::readFile(dataScript);
    EXPECT_NE(data.find("set identity_insert Sales.Customer on"), std::string::npos) << data;
    EXPECT_NE(data.find("INSERT INTO Sales.Customer("), std::string::npos) << data;
    EXPECT_NE(data.find("INSERT INTO Customer("), std::string::npos) << data;

    // Loaded again (twice: the drops find the procedures), the texts are the same.
    data::loadScript(*engine, text);
    data::loadScript(*engine, text);
    EXPECT_EQ(sqltext::joinRows(engine->procedureText("Sales.Helper"_name)),
              "CREATE PROCEDURE Sales.Helper AS\r\n  SELECT 1\r\n");
    engine->executeBatch("DELETE FROM Sales.Customer;\r\nDELETE FROM dbo.Customer");
    data::loadScript(*engine, data);
    auto rows = engine->openTable("Sales.Customer"_name);
    ASSERT_TRUE(rows->next());
    engine->executeBatch("DROP PROCEDURE [Human Re.s].[Odd Name], Sales.Helper");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), Texts{"TopProc;1"});
}

TEST(Schemas, RowConditionsForeignKeysAndScriptOptionsTakeSchemaNames)
{
    TempDir dir;
    auto engine = schemaDatabase(dir);
    engine->executeBatch(
        "CREATE TABLE Sales.Orders (Id int PRIMARY KEY, CustomerId int REFERENCES Customer (Id));\r\n"
        "INSERT INTO Sales.Customer (Region) VALUES ('South'), ('East');\r\n"
        "INSERT INTO Sales.Orders VALUES (10, 1), (11, 3), (12, 2)");

    // A schema's keys refer to tables of that schema, named as the lists name them.
    EXPECT_EQ(varnett::testing::shown(engine->referencedTables("Sales.Orders"_name)), Texts{"Sales.Customer"});
    EXPECT_EQ(varnett::testing::shown(engine->referencedTables("[sales].[orders]"_name)), Texts{"sales.Customer"});
    EXPECT_TRUE(varnett::testing::shown(engine->referencedTables("Customer"_name)).empty());
    EXPECT_EQ(errorOf([&] { varnett::testing::shown(engine->referencedTables("Nowhere.Orders"_name)); }),
              "Invalid object name 'Nowhere.Orders'.");
    EXPECT_EQ(errorOf([&] { engine->openRows("Nowhere.Orders"_name, "1 = 1"); }),
              "Invalid object name 'Nowhere.Orders'.");

    struct Case {
        const char* table;
        const char* condition;
        Texts values;       // first column of the rows met
    };
    const Case cases[] = {
        {"Sales.Customer", "Region <> N'South'", {"1", "3"}},
        {"[Sales].[Orders]", "CustomerId IN (SELECT Id FROM Sales.Customer WHERE Region = 'East')",
         {"11"}},
        {"Customer", "", {"1"}},
        {"[Human Re.s].Customer", "Code IS NULL", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        auto rows = engine->openRows(sqltext::parseObjectName(c.table), c.condition);
        Texts values;
        while (rows->next())
            values.push_back(std::to_string(rows->value(0).integer));
        EXPECT_EQ(values, c.values);
    }

    // Orders chosen first come after the customers they refer to; the
    // condition names its table in another written form.
    data::DataScriptSettings settings;
    settings.format = {2, 2};
    settings.orderByKeys = true;
    settings.conditions = {{"[sales].orders"_name, "Id <> 11"}};
    const std::string path = dir.file("data.sql");
    data::writeDataScript(*engine, names({"Sales.Orders", "Sales.Customer"}), path, settings);
    const std::string script = varnett::testing::readFile(path);
    const auto customers = script.find("INSERT INTO Sales.Customer(");
    ASSERT_NE(customers, std::string::npos) << script;
    EXPECT_LT(customers, script.find("INSERT INTO Sales.Orders(")) << script;
    EXPECT_NE(script.find("'East'"), std::string::npos) << script;
    EXPECT_EQ(script.find("\r\n11,"), std::string::npos) << script;
    EXPECT_EQ(errorOf([&] {
                  data::DataScriptSettings twice = settings;
                  twice.conditions.emplace_back("Sales.Orders"_name, "1 = 1");
                  data::writeDataScript(*engine, names({"Sales.Orders"}), path, twice);
              }),
              "The table 'Sales.Orders' has more than one condition.");

    // Loaded with the keys enforced: whole, or on a failure not at all.
    engine->executeBatch("DELETE FROM Sales.Orders;\r\nDELETE FROM Sales.Customer");
    engine->executeBatch("PRAGMA foreign_keys = ON");
    EXPECT_EQ(errorOf([&] { data::loadScript(*engine, script + "GO\r\nINSERT INTO Sales.Nope VALUES (1)\r\n"); }),
              "Batch 5 (line 34): no such table: Sales.Nope");
    EXPECT_FALSE(engine->openTable("Sales.Customer"_name)->next());
    data::loadScript(*engine, script);
    auto orders = engine->openTable("Sales.Orders"_name);
    int count = 0;
    while (orders->next())
        ++count;
    EXPECT_EQ(count, 2);
}
