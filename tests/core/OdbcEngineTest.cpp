// The SQL Server engine's ODBC side, run against the SQLite3 ODBC driver
// (Debian package libsqliteodbc), loaded by its library path.
#include "data/Connection.h"
#include "data/Scripts.h"
#include "sqltext/Error.h"
#include "sqltext/TypeText.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>

using namespace varnett::data;
using varnett::sqltext::SqlType;

namespace {

const char* const kSqliteDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

void runSqlite(const std::string& file, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << message;
}

class OdbcEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef VARNETT_HAVE_ODBC
        GTEST_SKIP() << "built without unixODBC";
#endif
        if (!std::filesystem::exists(kSqliteDriver))
            GTEST_SKIP() << "SQLite3 ODBC driver missing: " << kSqliteDriver;
        file = dir.file("Sales.db");
        runSqlite(file,
                  "CREATE TABLE zeta (x int);"
                  "CREATE TABLE \"Order Details\" (id int identity, name varchar(20),"
                  " wide nvarchar(10), code char(4), price decimal(10,2), cost money,"
                  " ratio float, stamp datetime, small smallint, tiny tinyint, big bigint,"
                  " flag bit, bin varbinary(8), pic image, guid uniqueidentifier, note text,"
                  " other geography);"
                  "CREATE TABLE alpha (n int, s varchar(10), b varbinary(100), r float);"
                  "CREATE TABLE a_b (x int);"
                  "CREATE TABLE aXb (y int, z int);"
                  "CREATE VIEW v_zed AS SELECT x FROM zeta;"
                  "CREATE VIEW v_alpha AS SELECT n FROM alpha;");
        engine = openEngine(connectionString());
    }

    std::string connectionString() const
    {
        return std::string("Provider=MSDASQL;Driver=") + kSqliteDriver + ";Database=" + file;
    }

    int rowCount(const std::string& table)
    {
        auto cursor = engine->openTable(varnett::sqltext::parseObjectName(table));
        int count = 0;
        while (cursor->next())
            ++count;
        return count;
    }

    varnett::testing::TempDir dir;
    std::string file;
    std::unique_ptr<Engine> engine;
};

} // namespace

TEST_F(OdbcEngineTest, CatalogListsTablesBeforeViewsInNameOrder)
{
    // The driver delivers them in its own order; the lists order them as the
    // embedded engine does, everything in dbo.
    EXPECT_EQ(varnett::testing::shown(engine->listTables()), (std::vector<std::string>{"a_b", "alpha", "aXb",
                                                              "Order Details", "zeta", "v_alpha",
                                                              "v_zed"}));
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), std::vector<std::string>{});
    EXPECT_EQ(engine->databaseName(), file);
}

TEST_F(OdbcEngineTest, ColumnsCarryCategoriesSizesAndTypeTexts)
{
    auto cursor = engine->openTable("Order Details"_name);
    const auto& c = cursor->columns();
    ASSERT_EQ(c.size(), 17u);
    const std::pair<const char*, SqlType> expected[] = {
        {"id", SqlType::Int},          {"name", SqlType::VarChar},   {"wide", SqlType::NVarChar},
        {"code", SqlType::Char},       {"price", SqlType::Decimal},  {"cost", SqlType::Money},
        {"ratio", SqlType::Float},     {"stamp", SqlType::DateTime}, {"small", SqlType::SmallInt},
        {"tiny", SqlType::TinyInt},    {"big", SqlType::BigInt},     {"flag", SqlType::Bit},
        {"bin", SqlType::VarBinary},   {"pic", SqlType::Image},      {"guid", SqlType::UniqueIdentifier},
        {"note", SqlType::Text},       {"other", SqlType::Unknown}};
    for (std::size_t i = 0; i < c.size(); ++i) {
        EXPECT_EQ(c[i].name, expected[i].first);
        EXPECT_EQ(c[i].type, expected[i].second) << c[i].name;
        EXPECT_FALSE(c[i].computed) << c[i].name;
    }
    EXPECT_TRUE(c[0].identity);
    EXPECT_FALSE(c[1].identity);
    EXPECT_EQ(c[1].length, 20);
    EXPECT_EQ(c[2].length, 10);
    EXPECT_EQ(c[3].length, 4);
    EXPECT_EQ(c[4].precision, 10);
    EXPECT_EQ(c[4].scale, 2);
    EXPECT_EQ(c[12].length, 8);
    EXPECT_EQ(c[16].typeName, "geography");

    using varnett::sqltext::typeText;
    EXPECT_EQ(typeText(c[0]), "[int]");
    EXPECT_EQ(typeText(c[1]), "[varchar](21)");
    EXPECT_EQ(typeText(c[2]), "[nvarchar](11)");
    EXPECT_EQ(typeText(c[4]), "[decimal](19,2)");
    EXPECT_EQ(typeText(c[5]), "[decimal](19,4)");
    EXPECT_EQ(typeText(c[12]), "[varbinary](8)");
    EXPECT_EQ(typeText(c[16]), std::nullopt);

    // "_" in a name is no pattern: a_b does not pick up aXb's columns.
    auto ab = engine->openTable("a_b"_name);
    ASSERT_EQ(ab->columns().size(), 1u);
    EXPECT_EQ(ab->columns()[0].name, "x");
    EXPECT_EQ(engine->openTable("v_alpha"_name)->columns()[0].name, "n");
}

TEST_F(OdbcEngineTest, RowsStreamWithNullsTextAndBinary)
{
    std::string longText;
    for (int i = 0; i < 3000; ++i)
        longText += "\xC3\xA4\xE2\x82\xAC"; // 6000 UTF-16 units: more than one read
    std::string longBlob;
    for (int i = 0; i < 70000; ++i)
        longBlob += static_cast<char>(i % 251);
    runSqlite(file, "INSERT INTO alpha VALUES (1099511627776, 'Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80', "
                    "x'00FF10', 0.1);"
                    "INSERT INTO alpha VALUES (NULL, '', x'', NULL);"
                    "INSERT INTO alpha VALUES (-3, NULL, NULL, -2.5);");
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "INSERT INTO alpha VALUES (4, ?, ?, 1e300)", -1, &st, nullptr),
                  SQLITE_OK);
        sqlite3_bind_text(st, 1, longText.data(), static_cast<int>(longText.size()), SQLITE_STATIC);
        sqlite3_bind_blob(st, 2, longBlob.data(), static_cast<int>(longBlob.size()), SQLITE_STATIC);
        EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    auto cursor = engine->openTable("alpha"_name);
    EXPECT_THROW(cursor->value(0), varnett::Error);

    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->value(0).kind, Value::Kind::Integer);
    EXPECT_EQ(cursor->value(0).integer, 1099511627776);
    EXPECT_EQ(cursor->value(1).kind, Value::Kind::Text);
    EXPECT_EQ(cursor->value(1).bytes, "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80");
    EXPECT_EQ(cursor->value(2).kind, Value::Kind::Blob);
    EXPECT_EQ(cursor->value(2).bytes, std::string("\x00\xFF\x10", 3));
    EXPECT_EQ(cursor->value(3).kind, Value::Kind::Real);
    EXPECT_EQ(cursor->value(3).real, 0.1);
    // Values may be read again and in any order.
    EXPECT_EQ(cursor->value(0).integer, 1099511627776);

    ASSERT_TRUE(cursor->next());
    EXPECT_TRUE(cursor->value(0).isNull());
    EXPECT_EQ(cursor->value(1).kind, Value::Kind::Text);
    EXPECT_EQ(cursor->value(1).bytes, "");
    EXPECT_FALSE(cursor->value(2).isNull());
    EXPECT_EQ(cursor->value(2).bytes, "");
    EXPECT_TRUE(cursor->value(3).isNull());

    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->value(0).integer, -3);
    EXPECT_TRUE(cursor->value(1).isNull());
    EXPECT_TRUE(cursor->value(2).isNull());
    EXPECT_EQ(cursor->value(3).real, -2.5);

    ASSERT_TRUE(cursor->next());
    EXPECT_EQ(cursor->value(1).bytes, longText);
    EXPECT_EQ(cursor->value(2).bytes, longBlob);
    EXPECT_EQ(cursor->value(3).real, 1e300);
    EXPECT_THROW(cursor->value(4), varnett::Error);

    EXPECT_FALSE(cursor->next());
    EXPECT_FALSE(cursor->next());
    EXPECT_THROW(cursor->value(0), varnett::Error);

    // A cursor keeps its connection when the engine goes first.
    auto survivor = engine->openTable("alpha"_name);
    engine.reset();
    int rows = 0;
    while (survivor->next())
        ++rows;
    EXPECT_EQ(rows, 4);

    EXPECT_THROW(openEngine(connectionString())->openTable("missing"_name), varnett::Error);
}

TEST_F(OdbcEngineTest, BatchesReportErrorsWithoutDriverPrefixes)
{
    try {
        engine->executeBatch(" \r\n\t");
        ADD_FAILURE() << "an empty batch ran";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "Command text was not set for the command object.");
    }
    try {
        engine->executeBatch("INSERT INTO nowhere VALUES (1)");
        ADD_FAILURE() << "a failing batch succeeded";
    } catch (const varnett::Error& e) {
        std::string message = e.what();
        EXPECT_NE(message.find("no such table: nowhere"), std::string::npos) << message;
        EXPECT_NE(message.front(), '[') << message;
    }
    // The engine stays usable after an error.
    engine->executeBatch("INSERT INTO zeta VALUES (7)");
    EXPECT_EQ(rowCount("zeta"), 1);
}

TEST_F(OdbcEngineTest, TransactionsCommitAndRollBack)
{
    engine->beginTransaction();
    engine->executeBatch("INSERT INTO zeta VALUES (1)");
    engine->rollback();
    EXPECT_EQ(rowCount("zeta"), 0);

    engine->beginTransaction();
    EXPECT_THROW(engine->beginTransaction(), varnett::Error);
    engine->executeBatch("INSERT INTO zeta VALUES (2)");
    engine->executeBatch("INSERT INTO zeta VALUES (3)");
    engine->commit();
    EXPECT_EQ(rowCount("zeta"), 2);

    // Back in autocommit: a second connection sees each statement at once.
    engine->executeBatch("INSERT INTO zeta VALUES (4)");
    auto other = openEngine(connectionString());
    auto cursor = other->openTable("zeta"_name);
    int rows = 0;
    while (cursor->next())
        ++rows;
    EXPECT_EQ(rows, 3);
    cursor.reset();

    // A failed statement inside a transaction is rolled back with the rest.
    engine->beginTransaction();
    engine->executeBatch("DELETE FROM zeta");
    EXPECT_THROW(engine->executeBatch("INSERT INTO nowhere VALUES (1)"), varnett::Error);
    engine->rollback();
    EXPECT_EQ(rowCount("zeta"), 3);

    try {
        engine->commit();
        ADD_FAILURE();
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(),
                     "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.");
    }
    EXPECT_THROW(engine->rollback(), varnett::Error);
}

TEST_F(OdbcEngineTest, ConnectionReportsTheOleDbForm)
{
    Connection connection;
    connection.setConnectionString(connectionString() + ";User ID=u;Password=secret");
    connection.open();
    EXPECT_TRUE(connection.isOpen());
    EXPECT_EQ(connection.databaseName(), file);
    EXPECT_EQ(connection.connectionString(),
              std::string("Provider=MSDASQL;Driver=") + kSqliteDriver + ";Database=" + file
                  + ";User ID=u");
}

TEST_F(OdbcEngineTest, AFailingLoadLeavesTheTargetAsItWas)
{
    engine->executeBatch("INSERT INTO zeta VALUES (1)");
    const std::string script = "INSERT INTO zeta VALUES (2)\r\nGO\r\n"
                               "INSERT INTO alpha (n, s) VALUES (1, 'a')\r\nGO\r\n"
                               "\r\nINSERT INTO nowhere VALUES (3)\r\nGO\r\n"
                               "INSERT INTO zeta VALUES (4)\r\n";
    try {
        loadScript(*engine, script);
        ADD_FAILURE() << "no error";
    } catch (const varnett::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Batch 3 (line 6): ", 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find("nowhere"), std::string::npos) << e.what();
    }
    EXPECT_EQ(rowCount("zeta"), 1);
    EXPECT_EQ(rowCount("alpha"), 0);
    // The connection is back in autocommit: a later batch stays.
    engine->executeBatch("INSERT INTO zeta VALUES (5)");
    EXPECT_EQ(rowCount("zeta"), 2);

    LoadOptions options;
    options.transaction = false;
    EXPECT_THROW(loadScript(*engine, script, options), varnett::Error);
    EXPECT_EQ(rowCount("zeta"), 3);
    EXPECT_EQ(rowCount("alpha"), 1);
}

TEST_F(OdbcEngineTest, ForeignKeysAndRowConditions)
{
    runSqlite(file, "CREATE TABLE parent (id int primary key, name varchar(10));"
                    "CREATE TABLE child (id int, pid int references parent (id),"
                    " other int references alpha (n), again int references parent (id));"
                    "INSERT INTO parent VALUES (1, 'a'), (2, 'b'), (3, 'O''Neil')");
    auto fresh = openEngine(connectionString());
    auto referenced = varnett::testing::shown(fresh->referencedTables("child"_name));
    std::sort(referenced.begin(), referenced.end());
    EXPECT_EQ(referenced, (std::vector<std::string>{"alpha", "parent"}));
    EXPECT_TRUE(varnett::testing::shown(fresh->referencedTables("parent"_name)).empty());

    auto rows = fresh->openRows("parent"_name, "id >= 2 AND name <> 'O''Neil'");
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->value(0).integer, 2);
    EXPECT_FALSE(rows->next());
}

TEST_F(OdbcEngineTest, KeysComeFromTheCatalogFunctions)
{
    runSqlite(file, "CREATE TABLE keyed (a int, v varchar(5), b int, PRIMARY KEY (a, b));"
                    "CREATE TABLE uniq (x int, y int, z int);"
                    "CREATE UNIQUE INDEX uz ON uniq (z);"
                    "CREATE UNIQUE INDEX ua ON uniq (y, x);"
                    "CREATE INDEX plain ON uniq (x)");
    engine = openEngine(connectionString());

    // The table as the lists name it, in any written form of dbo.
    for (const char* table : {"keyed", "dbo.keyed", "[dbo].[keyed]"}) {
        SCOPED_TRACE(table);
        varnett::sqltext::TableKeys keyed = engine->tableKeys(varnett::sqltext::parseObjectName(table));
        EXPECT_EQ(keyed.key, (std::vector<std::string>{"a", "b"}));
        EXPECT_TRUE(keyed.primaryKey);
    }

    // No primary key: the first unique index the driver names, in its
    // column order; a plain index does not count.
    varnett::sqltext::TableKeys uniq = engine->tableKeys("uniq"_name);
    EXPECT_EQ(uniq.key, (std::vector<std::string>{"y", "x"}));
    EXPECT_FALSE(uniq.primaryKey);
    EXPECT_EQ(uniq.keyName, "ua");

    // The identity column shows in the catalog's type name.
    varnett::sqltext::TableKeys details = engine->tableKeys("Order Details"_name);
    EXPECT_TRUE(details.key.empty());
    EXPECT_EQ(details.identity, std::vector<std::string>{"id"});
    EXPECT_TRUE(engine->tableKeys("zeta"_name).key.empty());
}
