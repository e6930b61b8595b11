#include "data/DemoDatabase.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/Generators.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <algorithm>

using varnett::data::Value;
using varnett::sqltext::SqlType;

TEST(DemoDatabase, SalesScriptBuildsTheDemoDatabase)
{
    varnett::testing::TempDir dir;
    const std::string file = dir.file("Sales.db");
    ASSERT_NO_THROW(varnett::data::buildDemoDatabase(
        QString::fromUtf8(VARNETT_SOURCE_DIR "/demo/sales.sql"), QString::fromStdString(file)));
    auto engine = varnett::data::openSqliteEngine(file);

    EXPECT_EQ(engine->databaseName(), "Sales");
    auto tables = varnett::testing::shown(engine->listTables());
    auto details = std::find(tables.begin(), tables.end(), "Order Details");
    auto view = std::find(tables.begin(), tables.end(), "Order Summary");
    EXPECT_NE(details, tables.end());
    EXPECT_NE(view, tables.end());
    EXPECT_LT(details, view);
    // The second schema: its tables after dbo's, its view last.
    auto suppliers = std::find(tables.begin(), tables.end(), "Purchasing.Suppliers");
    EXPECT_NE(std::find(tables.begin(), tables.end(), "Orders"), tables.end());
    EXPECT_NE(std::find(tables.begin(), tables.end(), "Purchasing.Orders"), tables.end());
    EXPECT_LT(details, suppliers);
    EXPECT_LT(suppliers, view);
    EXPECT_EQ(tables.back(), "Purchasing.OpenPurchaseOrders");

    auto procedures = varnett::testing::shown(engine->listProcedures());
    EXPECT_GE(procedures.size(), 6u);
    EXPECT_NE(std::find(procedures.begin(), procedures.end(), "SP_PlaceOrder;1"),
              procedures.end());
    EXPECT_EQ(procedures.back(), "Purchasing.SP_ReceivePurchaseOrder;1");
    auto purchasing = engine->openTable("Purchasing.Orders"_name);
    EXPECT_EQ(purchasing->columns()[1].name, "SupplierID");

    // The identity kinds and a computed column are there.
    auto employees = engine->openTable("Employees"_name);
    EXPECT_TRUE(employees->columns()[0].identity);
    auto categories = engine->openTable("Categories"_name);
    EXPECT_TRUE(categories->columns()[0].identity);
    EXPECT_EQ(categories->columns()[0].type, SqlType::Int);
    auto lines = engine->openTable("Order Details"_name);
    EXPECT_TRUE(lines->columns().back().computed);

    // Rows keep their awkward values.
    auto customers = engine->openTable("Customers"_name);
    bool foundTokyo = false;
    while (customers->next()) {
        if (customers->value(0).bytes == "TOKYO") {
            foundTokyo = true;
            EXPECT_EQ(customers->value(5).bytes, "東京");
            EXPECT_EQ(customers->value(10).kind, Value::Kind::Blob);
        }
    }
    EXPECT_TRUE(foundTokyo);
}

TEST(DemoDatabase, OrderDetailsProceduresBuildAndCreate)
{
    using namespace varnett::sqltext;
    varnett::testing::TempDir dir;
    const std::string file = dir.file("Sales.db");
    varnett::data::buildDemoDatabase(QString::fromUtf8(VARNETT_SOURCE_DIR "/demo/sales.sql"),
                                     QString::fromStdString(file));
    auto engine = varnett::data::openSqliteEngine(file);

    std::vector<Field> fields;
    auto details = engine->openTable("Order Details"_name);
    for (const ColumnDesc& column : details->columns())
        fields.push_back(fieldOf(column));
    const std::vector<ConditionRow> conditions = {
        {"OrderID", 0, "[int]", "int", SqlType::Int},
        {"ProductID", 0, "[int]", "int", SqlType::Int}};
    const std::vector<std::vector<std::string>> procedures = {
        insertProcedure("Order Details", fields,
                        proposedProcedureName(ProcedureKind::Insert, "Order Details")),
        updateProcedure("Order Details", fields, conditions,
                        proposedProcedureName(ProcedureKind::Update, "Order Details")),
        deleteProcedure("Order Details", fields,
                        proposedProcedureName(ProcedureKind::Delete, "Order Details")),
    };
    EXPECT_EQ(procedures[0].front(), "CREATE PROCEDURE [SP_INSERT_Order Details]");
    // The computed ExtendedPrice is neither inserted nor set.
    EXPECT_EQ(leftOutNote(ProcedureKind::Insert, fields),
              "Left out, the server fills it: ExtendedPrice");
    for (const auto& lines : procedures) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        EXPECT_NO_THROW(engine->executeBatch(text)) << text;
    }
    auto names = varnett::testing::shown(engine->listProcedures());
    for (const char* name : {"SP_INSERT_Order Details;1", "SP_UPDATE_Order Details;1",
                             "SP_DELETE_Order Details;1"})
        EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
}
