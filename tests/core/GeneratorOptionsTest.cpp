// The generator options on tables with an identity key, a composite key, a
// rowversion column and no key, with the key facts read from the embedded
// engine's catalog: literal texts, each created on the embedded engine, and
// all of them parsed by sqlfluff's T-SQL dialect in one run.
#include "sqltext/Error.h"
#include "sqltext/Generators.h"
#include "sqltext/ObjectName.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace varnett;
using namespace varnett::sqltext;
using Kind = ProcedureKind;
using Lines = std::vector<std::string>;

namespace {

const char* const kTables =
    "CREATE TABLE Orders (OrderID INTEGER PRIMARY KEY AUTOINCREMENT, Name varchar(40),"
    " Amount money);"
    "CREATE TABLE Lines (OrderID int, LineNo int, Qty int, PRIMARY KEY (OrderID, LineNo));"
    "CREATE TABLE Stock (Code char(4) PRIMARY KEY, Qty int, rv rowversion);"
    "CREATE TABLE Notes (Body varchar(100), Stamp datetime);"
    "CREATE TABLE Codes (Id int, Code varchar(10), Alt int, Tag int);"
    "CREATE UNIQUE INDEX zz_alt ON Codes (Alt);"
    "CREATE UNIQUE INDEX ab_code ON Codes (Code, Tag);"
    "CREATE UNIQUE INDEX aa_part ON Codes (Id) WHERE Id > 0;"
    "CREATE VIEW OrderNames AS SELECT OrderID, Name FROM Orders";

// Tables of other schemas, with an identity key and a rowversion column,
// beside a dbo Stock whose key is another column.
const char* const kSchemaTables =
    "CREATE TABLE Sales.Stock (Id INTEGER PRIMARY KEY AUTOINCREMENT, Code char(4), Qty int,"
    " rv rowversion);"
    "CREATE TABLE [Sales Dept].[Stock Items] (Id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " Code char(4), Qty int, rv rowversion);";

// Letters for the switches: n NOCOUNT, t TRY/CATCH, c CREATE OR ALTER,
// i identity OUTPUT, k key conditions, r rowversion check.
GeneratorOptions optionsOf(std::string_view letters)
{
    GeneratorOptions options;
    for (char letter : letters) {
        switch (letter) {
        case 'n': options.setNoCount = true; break;
        case 't': options.tryCatch = true; break;
        case 'c': options.createOrAlter = true; break;
        case 'i': options.identityOutput = true; break;
        case 'k': options.keyConditions = true; break;
        case 'r': options.rowversionCheck = true; break;
        default: ADD_FAILURE() << "unknown option letter " << letter;
        }
    }
    return options;
}

struct Case {
    const char* table;
    Kind kind;
    bool condition;     // a condition "=" on the table's first column
    const char* options;
    Lines expected;
};

// Every column of the table is selected, in table order. The procedure is
// "P", on a table of another schema the name proposed for it.
const Case kCases[] = {
    {"Orders", Kind::Insert, true, "",
     {"CREATE PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "END"}},
    {"Orders", Kind::Insert, true, "n",
     {"CREATE PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "END"}},
    {"Orders", Kind::Insert, true, "t",
     {"CREATE PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "END"}},
    {"Orders", Kind::Insert, true, "c",
     {"CREATE OR ALTER PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "END"}},
    {"Orders", Kind::Insert, true, "i",
     {"CREATE PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4),",
      "@pOrderID [int] OUTPUT",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "SET @pOrderID = SCOPE_IDENTITY();",
      "END"}},
    {"Orders", Kind::Update, true, "",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "UPDATE Orders SET",
      "[Name] = @pName,",
      "[Amount] = @pAmount",
      "WHERE ",
      "OrderID = @pOrderID",
      "",
      "END"}},
    {"Orders", Kind::Update, false, "k",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "UPDATE Orders SET",
      "[Name] = @pName,",
      "[Amount] = @pAmount",
      "WHERE ",
      "[OrderID] = @pOrderID",
      "",
      "END"}},
    {"Orders", Kind::Delete, true, "",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Orders",
      "WHERE ",
      "[OrderID] = @pOrderID AND",
      "[Name] = @pName AND",
      "[Amount] = @pAmount",
      "",
      "END"}},
    {"Orders", Kind::Delete, false, "k",
     {"CREATE PROCEDURE P",
      "@pOrderID [int]",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Orders",
      "WHERE ",
      "[OrderID] = @pOrderID",
      "",
      "END"}},
    {"Orders", Kind::Select, true, "",
     {"CREATE PROCEDURE P",
      "@pOrderID [int]",
      "",
      "AS BEGIN",
      "",
      "SELECT",
      "[OrderID],",
      "[Name],",
      "[Amount]",
      "FROM Orders",
      "WHERE ",
      "OrderID = @pOrderID",
      "",
      "END"}},
    {"Orders", Kind::Insert, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4),",
      "@pOrderID [int] OUTPUT",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "INSERT INTO Orders(",
      "[Name],",
      "[Amount]",
      ")",
      "",
      "VALUES (",
      "@pName,",
      "@pAmount",
      ")",
      "SET @pOrderID = SCOPE_IDENTITY();",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "END"}},
    {"Orders", Kind::Update, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pOrderID [int],",
      "@pName [varchar](41),",
      "@pAmount [decimal](19,4)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "UPDATE Orders SET",
      "[Name] = @pName,",
      "[Amount] = @pAmount",
      "WHERE ",
      "[OrderID] = @pOrderID",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Orders", Kind::Delete, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pOrderID [int]",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "DELETE FROM Orders",
      "WHERE ",
      "[OrderID] = @pOrderID",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Orders", Kind::Select, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "SELECT",
      "[OrderID],",
      "[Name],",
      "[Amount]",
      "FROM Orders",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Lines", Kind::Insert, true, "i",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pLineNo [int],",
      "@pQty [int]",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO Lines(",
      "[OrderID],",
      "[LineNo],",
      "[Qty]",
      ")",
      "",
      "VALUES (",
      "@pOrderID,",
      "@pLineNo,",
      "@pQty",
      ")",
      "END"}},
    {"Lines", Kind::Update, false, "k",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pLineNo [int],",
      "@pQty [int]",
      "",
      "AS BEGIN",
      "",
      "UPDATE Lines SET",
      "[Qty] = @pQty",
      "WHERE ",
      "[OrderID] = @pOrderID AND",
      "[LineNo] = @pLineNo",
      "",
      "END"}},
    {"Lines", Kind::Delete, false, "k",
     {"CREATE PROCEDURE P",
      "@pOrderID [int],",
      "@pLineNo [int]",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Lines",
      "WHERE ",
      "[OrderID] = @pOrderID AND",
      "[LineNo] = @pLineNo",
      "",
      "END"}},
    {"Lines", Kind::Select, true, "ntc",
     {"CREATE OR ALTER PROCEDURE P",
      "@pOrderID [int]",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "SELECT",
      "[OrderID],",
      "[LineNo],",
      "[Qty]",
      "FROM Lines",
      "WHERE ",
      "OrderID = @pOrderID",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Stock", Kind::Update, true, "r",
     {"CREATE PROCEDURE P",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "UPDATE Stock SET",
      "[Code] = @pCode,",
      "[Qty] = @pQty",
      "WHERE ",
      "Code = @pCode AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Stock", Kind::Delete, true, "r",
     {"CREATE PROCEDURE P",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Stock",
      "WHERE ",
      "[Code] = @pCode AND",
      "[Qty] = @pQty AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Stock", Kind::Update, false, "kr",
     {"CREATE PROCEDURE P",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "UPDATE Stock SET",
      "[Qty] = @pQty",
      "WHERE ",
      "[Code] = @pCode AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Stock", Kind::Delete, false, "kr",
     {"CREATE PROCEDURE P",
      "@pCode [char](4),",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Stock",
      "WHERE ",
      "[Code] = @pCode AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Stock", Kind::Insert, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pCode [char](4),",
      "@pQty [int]",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "INSERT INTO Stock(",
      "[Code],",
      "[Qty]",
      ")",
      "",
      "VALUES (",
      "@pCode,",
      "@pQty",
      ")",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "END"}},
    {"Stock", Kind::Update, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "UPDATE Stock SET",
      "[Qty] = @pQty",
      "WHERE ",
      "[Code] = @pCode AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Stock", Kind::Delete, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pCode [char](4),",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "DELETE FROM Stock",
      "WHERE ",
      "[Code] = @pCode AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Notes", Kind::Update, true, "r",
     {"CREATE PROCEDURE P",
      "@pBody [varchar](101),",
      "@pStamp [datetime]",
      "",
      "AS BEGIN",
      "",
      "UPDATE Notes SET",
      "[Body] = @pBody,",
      "[Stamp] = @pStamp",
      "WHERE ",
      "Body = @pBody",
      "",
      "END"}},
    {"Notes", Kind::Delete, true, "",
     {"CREATE PROCEDURE P",
      "@pBody [varchar](101),",
      "@pStamp [datetime]",
      "",
      "AS BEGIN",
      "",
      "DELETE FROM Notes",
      "WHERE ",
      "[Body] = @pBody AND",
      "[Stamp] = @pStamp",
      "",
      "END"}},
    {"Notes", Kind::Select, false, "",
     {"CREATE PROCEDURE P",
      "",
      "AS BEGIN",
      "",
      "SELECT",
      "[Body],",
      "[Stamp]",
      "FROM Notes",
      "",
      "END"}},
    {"Notes", Kind::Insert, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "@pBody [varchar](101),",
      "@pStamp [datetime]",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "INSERT INTO Notes(",
      "[Body],",
      "[Stamp]",
      ")",
      "",
      "VALUES (",
      "@pBody,",
      "@pStamp",
      ")",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "END"}},
    {"Notes", Kind::Select, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE P",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "SELECT",
      "[Body],",
      "[Stamp]",
      "FROM Notes",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"Sales.Stock", Kind::Insert, false, "ic",
     {"CREATE OR ALTER PROCEDURE Sales.SP_INSERT_Stock",
      "@pCode [char](4),",
      "@pQty [int],",
      "@pId [int] OUTPUT",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO Sales.Stock(",
      "[Code],",
      "[Qty]",
      ")",
      "",
      "VALUES (",
      "@pCode,",
      "@pQty",
      ")",
      "SET @pId = SCOPE_IDENTITY();",
      "END"}},
    {"Sales.Stock", Kind::Update, false, "kr",
     {"CREATE PROCEDURE Sales.SP_UPDATE_Stock",
      "@pId [int],",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "UPDATE Sales.Stock SET",
      "[Code] = @pCode,",
      "[Qty] = @pQty",
      "WHERE ",
      "[Id] = @pId AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Sales.Stock", Kind::Delete, false, "nkr",
     {"CREATE PROCEDURE Sales.SP_DELETE_Stock",
      "@pId [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "DELETE FROM Sales.Stock",
      "WHERE ",
      "[Id] = @pId AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "",
      "END"}},
    {"Sales.Stock", Kind::Select, true, "t",
     {"CREATE PROCEDURE Sales.SP_SELECT_Stock",
      "@pId [int]",
      "",
      "AS BEGIN",
      "",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "SELECT",
      "[Id],",
      "[Code],",
      "[Qty],",
      "[rv]",
      "FROM Sales.Stock",
      "WHERE ",
      "Id = @pId",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"[Sales Dept].[Stock Items]", Kind::Update, false, "ntcikr",
     {"CREATE OR ALTER PROCEDURE [Sales Dept].[SP_UPDATE_Stock Items]",
      "@pId [int],",
      "@pCode [char](4),",
      "@pQty [int],",
      "@prv [binary](8)",
      "",
      "AS BEGIN",
      "",
      "SET NOCOUNT ON;",
      "BEGIN TRY",
      "BEGIN TRANSACTION",
      "UPDATE [Sales Dept].[Stock Items] SET",
      "[Code] = @pCode,",
      "[Qty] = @pQty",
      "WHERE ",
      "[Id] = @pId AND",
      "[rv] = @prv",
      "IF @@ROWCOUNT = 0",
      "THROW 50001, 'The row was changed or deleted by another user.', 1;",
      "COMMIT TRANSACTION",
      "END TRY",
      "BEGIN CATCH",
      "IF @@TRANCOUNT > 0 ROLLBACK TRANSACTION;",
      "THROW;",
      "END CATCH",
      "",
      "END"}},
    {"[Sales Dept].[Stock Items]", Kind::Insert, false, "",
     {"CREATE PROCEDURE [Sales Dept].[SP_INSERT_Stock Items]",
      "@pCode [char](4),",
      "@pQty [int]",
      "",
      "AS BEGIN",
      "",
      "INSERT INTO [Sales Dept].[Stock Items](",
      "[Code],",
      "[Qty]",
      ")",
      "",
      "VALUES (",
      "@pCode,",
      "@pQty",
      ")",
      "END"}},
};

class GeneratorOptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine = varnett::testing::freshEngine(dir);
        engine->executeBatch(kTables);
        engine->executeBatch("CREATE SCHEMA Sales");
        engine->executeBatch("CREATE SCHEMA [Sales Dept]");
        engine->executeBatch(kSchemaTables);
    }

    // "P", or on a table of another schema the name proposed for it.
    static std::string procedureOf(const Case& c)
    {
        return parseObjectName(c.table).isDbo() ? std::string("P")
                                                            : proposedProcedureName(c.kind, c.table);
    }

    std::vector<ColumnDesc> columnsOf(const std::string& table)
    {
        return engine->openTable(parseObjectName(table))->columns();
    }

    Lines generate(const Case& c)
    {
        const std::vector<ColumnDesc> columns = columnsOf(c.table);
        std::vector<Field> fields;
        for (const ColumnDesc& column : columns)
            fields.push_back(fieldOf(column));
        std::vector<ConditionRow> conditions;
        if (c.condition)
            conditions.push_back({fields[0].name, 0, fields[0].typeText, fields[0].declaredType,
                                  fields[0].type});
        const GeneratorOptions options = optionsOf(c.options);
        const TableFacts facts = tableFacts(columns, engine->tableKeys(parseObjectName(c.table)));
        const std::string name = procedureOf(c);
        switch (c.kind) {
        case Kind::Insert:
            return insertProcedure(c.table, fields, name, options, facts);
        case Kind::Update:
            return updateProcedure(c.table, fields, conditions, name, options, facts);
        case Kind::Delete:
            return deleteProcedure(c.table, fields, name, options, facts);
        case Kind::Select:
            return selectProcedure(c.table, fields, conditions, name, options);
        }
        return {};
    }

    varnett::testing::TempDir dir;
    std::unique_ptr<data::Engine> engine;
};

std::string crlf(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

} // namespace

TEST_F(GeneratorOptionsTest, EmbeddedCatalogReportsKeysAndServerFilledColumns)
{
    TableKeys orders = engine->tableKeys("Orders"_name);
    EXPECT_EQ(orders.key, Lines{"OrderID"});
    EXPECT_TRUE(orders.primaryKey);
    EXPECT_EQ(orders.identity, Lines{"OrderID"});
    EXPECT_TRUE(orders.rowversion.empty());

    TableKeys lines = engine->tableKeys("lines"_name);
    EXPECT_EQ(lines.key, (Lines{"OrderID", "LineNo"}));
    EXPECT_TRUE(lines.identity.empty());

    TableKeys stock = engine->tableKeys("Stock"_name);
    EXPECT_EQ(stock.key, Lines{"Code"});
    EXPECT_EQ(stock.rowversion, Lines{"rv"});

    TableKeys notes = engine->tableKeys("Notes"_name);
    EXPECT_TRUE(notes.key.empty());
    EXPECT_FALSE(notes.primaryKey);

    // No primary key: the unique index whose name sorts first, leaving out
    // partial indexes.
    TableKeys codes = engine->tableKeys("Codes"_name);
    EXPECT_EQ(codes.key, (Lines{"Code", "Tag"}));
    EXPECT_FALSE(codes.primaryKey);
    EXPECT_EQ(codes.keyName, "ab_code");

    engine->executeBatch("CREATE TABLE Calc (a int PRIMARY KEY, b int GENERATED ALWAYS AS (a * 2),"
                         " c int identity)");
    TableKeys calc = engine->tableKeys("Calc"_name);
    EXPECT_EQ(calc.computed, Lines{"b"});
    EXPECT_EQ(calc.identity, Lines{"c"});

    EXPECT_TRUE(engine->tableKeys("OrderNames"_name).key.empty());
    EXPECT_EQ(varnett::testing::errorOf([&] { engine->tableKeys("Nope"_name); }), "Invalid object name 'Nope'.");

    // A table of another schema, not the dbo table of the same name.
    for (const char* table : {"Sales.Stock", "[sales].[STOCK]", "[Sales Dept].[Stock Items]"}) {
        SCOPED_TRACE(table);
        TableKeys sales = engine->tableKeys(parseObjectName(table));
        EXPECT_EQ(sales.key, Lines{"Id"});
        EXPECT_TRUE(sales.primaryKey);
        EXPECT_EQ(sales.identity, Lines{"Id"});
        EXPECT_EQ(sales.rowversion, Lines{"rv"});
    }
    EXPECT_EQ(engine->tableKeys("dbo.Stock"_name).key, Lines{"Code"});
    EXPECT_EQ(varnett::testing::errorOf([&] { engine->tableKeys("Nowhere.Stock"_name); }),
              "Invalid object name 'Nowhere.Stock'.");
    EXPECT_EQ(varnett::testing::errorOf([&] { engine->tableKeys("Sales.Orders"_name); }),
              "Invalid object name 'Sales.Orders'.");
}

TEST_F(GeneratorOptionsTest, TableFactsComeFromTheKeysAndTheColumns)
{
    TableFacts facts = tableFacts(columnsOf("Stock"), engine->tableKeys("Stock"_name));
    ASSERT_EQ(facts.key.size(), 1u);
    EXPECT_EQ(facts.key[0].name, "Code");
    EXPECT_EQ(facts.key[0].typeText, "[char](4)");
    EXPECT_TRUE(facts.primaryKey);
    EXPECT_FALSE(facts.identity);
    ASSERT_TRUE(facts.rowversion);
    EXPECT_EQ(facts.rowversion->typeText, "[binary](8)");

    // Without catalog facts the columns' own flags still tell.
    TableFacts plain = tableFacts(columnsOf("Orders"), {});
    EXPECT_TRUE(plain.key.empty());
    ASSERT_TRUE(plain.identity);
    EXPECT_EQ(plain.identity->name, "OrderID");
    // Key names are matched without regard to case; unknown ones dropped.
    TableKeys keys;
    keys.key = {"orderid", "Gone"};
    keys.primaryKey = true;
    TableFacts matched = tableFacts(columnsOf("Orders"), keys);
    ASSERT_EQ(matched.key.size(), 1u);
    EXPECT_EQ(matched.key[0].name, "OrderID");
}

TEST_F(GeneratorOptionsTest, TextsForEachOptionAloneAndAllTogether)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.table) + " " + std::to_string(static_cast<int>(c.kind)) + " '"
                     + c.options + "'");
        EXPECT_EQ(generate(c), c.expected);
    }
}

TEST_F(GeneratorOptionsTest, EveryTextIsCreatedOnTheEmbeddedEngineAndParsesAsTsql)
{
    const std::string path = dir.file("options.sql");
    {
        std::ofstream out(path, std::ios::binary);
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.table) + " '" + c.options + "'");
            const std::string text = crlf(generate(c));
            const std::string name = procedureOf(c);
            EXPECT_NO_THROW(engine->executeBatch(text));
            EXPECT_EQ(engine->procedureText(parseObjectName(name)).front().substr(0, 6), "CREATE");
            engine->executeBatch("DROP PROCEDURE " + sqlName(parseObjectName(name)));
            out << text << "GO\r\n";
        }
    }
    if (std::system("command -v sqlfluff >/dev/null 2>&1") != 0)
        GTEST_FAIL() << "sqlfluff is not installed (scripts/install-deps)";
    const std::string log = dir.file("sqlfluff.log");
    const int status =
        std::system(("sqlfluff parse --dialect tsql '" + path + "' >'" + log + "' 2>&1").c_str());
    std::ifstream in(log);
    std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << report.substr(report.find("unparsable") == std::string::npos
                                              ? 0
                                              : report.find("unparsable"),
                                          3000);
}

TEST_F(GeneratorOptionsTest, KeyConditionsNeedAKey)
{
    const std::vector<ColumnDesc> columns = columnsOf("Notes");
    const std::vector<Field> fields = {fieldOf(columns[0])};
    const TableFacts facts = tableFacts(columns, engine->tableKeys("Notes"_name));
    const char* const message =
        "The table 'Notes' has no primary key or unique index to take the conditions from";
    EXPECT_EQ(varnett::testing::errorOf([&] {
                  updateProcedure("Notes", fields, {}, "P", optionsOf("k"), facts);
              }),
              message);
    EXPECT_EQ(varnett::testing::errorOf([&] { deleteProcedure("Notes", fields, "P", optionsOf("k"), facts); }),
              message);

    // Conditions in the list win over the key; a selection of key columns
    // only leaves nothing to set.
    const std::vector<ColumnDesc> lineColumns = columnsOf("Lines");
    const TableFacts lineFacts = tableFacts(lineColumns, engine->tableKeys("Lines"_name));
    const std::vector<Field> keyOnly = {fieldOf(lineColumns[0]), fieldOf(lineColumns[1])};
    EXPECT_EQ(varnett::testing::errorOf([&] {
                  updateProcedure("Lines", keyOnly, {}, "P", optionsOf("k"), lineFacts);
              }),
              "Every selected field is part of the key of the table 'Lines'; select a field to "
              "set");
    const Lines byQty = updateProcedure("Lines", keyOnly, {{"Qty", 1, "[int]"}}, "P",
                                        optionsOf("k"), lineFacts);
    EXPECT_EQ(Lines(byQty.end() - 4, byQty.end()), (Lines{"WHERE ", "Qty > @pQty", "", "END"}));
}

TEST_F(GeneratorOptionsTest, SelectTakesTheConditionOperatorsAndLikeSuffix)
{
    const std::vector<Field> fields = {{"Name", "[varchar](41)"}, {"Amount", "[decimal](19,4)"}};
    const std::vector<ConditionRow> conditions = {{"Name", 6, "[varchar](41)"},
                                                  {"Amount", 4, "[decimal](19,4)"}};
    EXPECT_EQ(selectProcedure("Order Details", fields, conditions,
                              proposedProcedureName(Kind::Select, "Order Details")),
              (Lines{"CREATE PROCEDURE [SP_SELECT_Order Details]", "@pName [varchar](41),",
                     "@pAmount [decimal](19,4)", "", "AS BEGIN", "", "SELECT", "[Name],",
                     "[Amount]", "FROM [Order Details]", "WHERE ", "Name LIKE @pName+'%' AND",
                     "Amount >= @pAmount", "", "END"}));
    EXPECT_EQ(leftOutNote(Kind::Select, {{"Id", "[int]", "", SqlType::Int, true}}), "");
}

TEST(EmbeddedCreateOrAlter, ReplacesAnExistingProcedureAndCreatesAMissingOne)
{
    varnett::testing::TempDir dir;
    auto engine = varnett::testing::freshEngine(dir);
    engine->executeBatch("CREATE OR ALTER PROCEDURE SP_A AS SELECT 1\r\n");
    EXPECT_EQ(engine->procedureText("SP_A"_name), Lines{"CREATE OR ALTER PROCEDURE SP_A AS SELECT 1\r\n"});
    engine->executeBatch("create or alter proc [dbo].[sp_a] @x int AS SELECT @x\r\n");
    EXPECT_EQ(engine->procedureText("SP_A"_name),
              Lines{"create or alter proc [dbo].[sp_a] @x int AS SELECT @x\r\n"});
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()).size(), 1u);
    EXPECT_EQ(varnett::testing::errorOf([&] { engine->executeBatch("CREATE PROCEDURE SP_A AS SELECT 2"); }),
              "There is already an object named 'SP_A' in the database.");
    // A table of that name is still in the way.
    engine->executeBatch("CREATE TABLE T (x int)");
    EXPECT_EQ(varnett::testing::errorOf([&] { engine->executeBatch("CREATE OR ALTER PROCEDURE T AS SELECT 1"); }),
              "There is already an object named 'T' in the database.");
    // Inside a transaction that is rolled back the old text comes back.
    engine->beginTransaction();
    engine->executeBatch("CREATE OR ALTER PROCEDURE SP_A AS SELECT 3");
    engine->rollback();
    EXPECT_EQ(engine->procedureText("SP_A"_name),
              Lines{"create or alter proc [dbo].[sp_a] @x int AS SELECT @x\r\n"});

    // In another schema, beside the dbo procedure of the same name.
    engine->executeBatch("CREATE SCHEMA Sales");
    engine->executeBatch("CREATE OR ALTER PROCEDURE Sales.SP_A AS SELECT 4");
    engine->executeBatch("CREATE OR ALTER PROCEDURE [sales].[sp_a] AS SELECT 5");
    EXPECT_EQ(engine->procedureText("Sales.SP_A"_name),
              Lines{"CREATE OR ALTER PROCEDURE [sales].[sp_a] AS SELECT 5"});
    EXPECT_EQ(engine->procedureText("SP_A"_name),
              Lines{"create or alter proc [dbo].[sp_a] @x int AS SELECT @x\r\n"});
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (Lines{"sp_a;1", "Sales.sp_a;1"}));
    EXPECT_EQ(varnett::testing::errorOf([&] {
                  engine->executeBatch("CREATE OR ALTER PROCEDURE Nowhere.SP_A AS SELECT 1");
              }),
              "The specified schema name \"Nowhere\" either does not exist or you do not have "
              "permission to use it.");
}
