#include "ServerFixture.h"

#include "data/Connection.h"
#include "sqltext/Error.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>

using namespace varnett::testing;
using varnett::Error;

namespace {

std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

// The names, those from the index on with their last part in lower case.
std::vector<std::string> lowerViews(std::vector<std::string> names, std::size_t from)
{
    for (std::size_t i = from; i < names.size(); ++i) {
        const std::size_t dot = names[i].rfind('.');
        for (std::size_t c = dot == std::string::npos ? 0 : dot + 1; c < names[i].size(); ++c)
            names[i][c] = static_cast<char>(std::tolower(static_cast<unsigned char>(names[i][c])));
    }
    return names;
}

} // namespace

TEST(ServerConnection, ALoginConnectsAndAWrongPasswordFailsWithTheServersWordsAlone)
{
    auto engine = varnett::data::openEngine(serverConnection());
    EXPECT_EQ(engine->databaseName(), "varnett_test");

    const std::string password = "Wr0ng;pa'ss]word";
    const std::string message = errorOf([&] {
        varnett::data::openEngine(withPassword(serverConnection(), "\"" + password + "\""));
    });
    EXPECT_NE(message, "(no error)");
    EXPECT_NE(message.find("varnett_test"), std::string::npos) << message;
    EXPECT_EQ(message.find("Wr0ng"), std::string::npos) << message;
}

TEST(ServerCatalog, TablesAndViewsOfTwoSchemasAsCreatedWithoutSystemObjects)
{
    ScratchDatabase db;
    db.run("CREATE SCHEMA Purchasing");
    db.run("CREATE TABLE dbo.Orders (OrderID int IDENTITY(1,1) PRIMARY KEY, Freight money);"
           "CREATE TABLE dbo.[Order Details] (OrderID int NOT NULL, Qty smallint);"
           "CREATE TABLE Purchasing.Suppliers (SupplierID int PRIMARY KEY, Name nvarchar(40));"
           "CREATE TABLE Purchasing.Orders (PurchaseID int PRIMARY KEY, SupplierID int);");
    db.run("CREATE VIEW dbo.vOrders AS SELECT OrderID FROM dbo.Orders");
    db.run("CREATE VIEW Purchasing.SupplierNames AS SELECT Name FROM Purchasing.Suppliers");

    auto engine = db.open();
    const std::vector<std::string> tables = {"Order Details", "Orders", "Purchasing.Orders",
                                             "Purchasing.Suppliers", "vOrders",
                                             "Purchasing.SupplierNames"};
    const std::vector<std::string> views = {"vOrders", "Purchasing.SupplierNames"};
    if (!isBabelfish()) {
        EXPECT_EQ(varnett::testing::shown(engine->listTables()), tables);
        EXPECT_EQ(varnett::testing::shown(engine->listViews()), views);
        return;
    }
    // Babelfish keeps the case of view names in no catalog view: only the tables'.
    EXPECT_EQ(varnett::testing::shown(engine->listTables()), lowerViews(tables, 4));
    EXPECT_EQ(varnett::testing::shown(engine->listViews()), lowerViews(views, 0));
}

// The type text of every column type the server has, as the field list shows it.
TEST(ServerCatalog, TypeTextOfEveryColumnType)
{
    const std::pair<const char*, const char*> types[] = {
        {"bigint", "[bigint]"}, {"int", "[int]"}, {"smallint", "[smallint]"},
        {"tinyint", "[int]"}, {"bit", "[bit]"}, {"decimal(10,2)", "[decimal](19,2)"},
        {"numeric(38,10)", "[decimal](38,10)"}, {"money", "[decimal](19,4)"},
        {"smallmoney", "[decimal](19,4)"}, {"float", "[float]"}, {"real", "[real]"},
        {"date", "[date]"}, {"datetime", "[datetime]"}, {"datetime2", "[datetime2]"},
        {"smalldatetime", "[datetime]"}, {"time", "[time]"},
        {"datetimeoffset", "[datetimeoffset]"}, {"char(10)", "[char](10)"},
        {"varchar(40)", "[varchar](41)"}, {"varchar(max)", "[varchar](max)"},
        {"text", "[text]"}, {"nchar(5)", "[nvarchar](6)"}, {"nvarchar(4000)", "[nvarchar](4000)"},
        {"nvarchar(max)", "[nvarchar](max)"}, {"ntext", "[ntext]"}, {"binary(16)", "[binary](16)"},
        {"varbinary(100)", "[varbinary](100)"}, {"varbinary(max)", "[varbinary](max)"},
        {"image", "[image]"}, {"uniqueidentifier", "[uniqueidentifier]"},
        {"sql_variant", "[sql_variant]"}, {"xml", "[xml]"}, {"sysname", "[nvarchar](129)"},
        {"rowversion", "[binary](8)"}, {"int IDENTITY(1,1)", "[int]"},
    };
    std::string create = "CREATE TABLE dbo.AllTypes (";
    std::string expected;
    int n = 0;
    for (const auto& [type, text] : types) {
        const std::string column = "c" + std::to_string(++n);
        create += (n > 1 ? ", " : "") + column + " " + type;
        expected += column + "\t" + text + "\n";
    }
    ScratchDatabase db;
    db.run(create + ")");
    TempDir dir;
    Outcome fields = runScript(dir, {"--connection", db.connection(), "fields", "AllTypes"});
    EXPECT_EQ(fields.err, "");
    EXPECT_EQ(fields.out, expected);
}
