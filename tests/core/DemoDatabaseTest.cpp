#include "data/DemoDatabase.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/TempDir.h"

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
    auto tables = engine->listTables();
    auto details = std::find(tables.begin(), tables.end(), "Order Details");
    auto view = std::find(tables.begin(), tables.end(), "Order Summary");
    EXPECT_NE(details, tables.end());
    EXPECT_NE(view, tables.end());
    EXPECT_LT(details, view);
    EXPECT_EQ(tables.back(), "ProductsAboveAveragePrice");

    auto procedures = engine->listProcedures();
    EXPECT_GE(procedures.size(), 6u);
    EXPECT_NE(std::find(procedures.begin(), procedures.end(), "SP_PlaceOrder;1"),
              procedures.end());

    // The identity kinds and a computed column are there.
    auto employees = engine->openTable("Employees");
    EXPECT_TRUE(employees->columns()[0].identity);
    auto categories = engine->openTable("Categories");
    EXPECT_TRUE(categories->columns()[0].identity);
    EXPECT_EQ(categories->columns()[0].type, SqlType::Int);
    auto lines = engine->openTable("Order Details");
    EXPECT_TRUE(lines->columns().back().computed);

    // Rows keep their awkward values.
    auto customers = engine->openTable("Customers");
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
