#include "data/Scripts.h"
#include "data/DemoDatabase.h"
#include "sqltext/SchemaScript.h"
#include "sqltext/SchemaStatements.h"
#include "support/Engines.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <filesystem>

using namespace varnett;
using namespace varnett::sqltext;
using varnett::testing::TempDir;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;

namespace {

SchemaColumn column(std::string name, std::string type, bool nullable = true)
{
    SchemaColumn out;
    out.name = std::move(name);
    out.type = std::move(type);
    out.nullable = nullable;
    return out;
}

// A table with every part the script writes, and one it refers to.
SchemaTable orders()
{
    SchemaTable table;
    table.name = {"x]y z", "Order's"};
    SchemaColumn id = column("Id", "int", false);
    id.identity = IdentitySpec{"100", "-5"};
    SchemaColumn name = column("Na]me", "nvarchar(40)");
    name.collation = "Latin1_General_CS_AS";
    name.defaultName = "DF_Name";
    name.defaultText = "(N'it''s')";
    SchemaColumn twice = column("Twice", "");
    twice.computedText = "([Id]*(2))";
    twice.persisted = true;
    SchemaColumn version = column("Ver", "rowversion", false);
    table.columns = {id, name, twice, version};
    table.keys = {{"PK_Order's", true, true, {{"Id", false}}},
                  {"UQ_Name", false, false, {{"Na]me", true}}}};
    table.checks = {{"CK_Id", "([Id]>(0))"}};
    table.indexes = {{"IX_Name", false, false, {{"Na]me", false}}, {"Ver"}}};
    table.foreignKeys = {{"FK_Customer", {"Id"}, {"dbo", "Customer"}, {"Id"},
                          ReferentialAction::Cascade, ReferentialAction::SetNull}};
    return table;
}

SchemaTable customer()
{
    SchemaTable table;
    table.name = {"dbo", "Customer"};
    table.columns = {column("Id", "int", false)};
    table.keys = {{"PK_Customer", true, true, {{"Id", false}}}};
    return table;
}

std::string readAll(const std::string& path) { return varnett::testing::readFile(path); }

} // namespace

TEST(SchemaScript, WritesEachPartOfATableAndViewsInTheirOrder)
{
    const std::vector<SchemaView> views = {
        {{"dbo", "Top"}, "CREATE VIEW Top AS SELECT * FROM [dbo].[Below]", {false, true}},
        {{"dbo", "Below"}, "CREATE VIEW Below AS SELECT * FROM Customer", {}},
    };
    const SchemaScriptText script = schemaScript({orders(), customer(), orders()}, views);
    EXPECT_EQ(script.beforeData,
              "CREATE SCHEMA [x]]y z]\r\nGO\r\n"
              "CREATE TABLE [dbo].[Customer] (\r\n"
              "    [Id] int NOT NULL,\r\n"
              "    CONSTRAINT [PK_Customer] PRIMARY KEY CLUSTERED ([Id] ASC)\r\n"
              ")\r\nGO\r\n"
              "CREATE TABLE [x]]y z].[Order's] (\r\n"
              "    [Id] int IDENTITY(100,-5) NOT NULL,\r\n"
              "    [Na]]me] nvarchar(40) COLLATE Latin1_General_CS_AS NULL CONSTRAINT [DF_Name]"
              " DEFAULT (N'it''s'),\r\n"
              "    [Twice] AS ([Id]*(2)) PERSISTED,\r\n"
              "    [Ver] rowversion NOT NULL,\r\n"
              "    CONSTRAINT [PK_Order's] PRIMARY KEY CLUSTERED ([Id] ASC),\r\n"
              "    CONSTRAINT [UQ_Name] UNIQUE NONCLUSTERED ([Na]]me] DESC),\r\n"
              "    CONSTRAINT [CK_Id] CHECK ([Id]>(0))\r\n"
              ")\r\nGO\r\n"
              "CREATE NONCLUSTERED INDEX [IX_Name] ON [x]]y z].[Order's] ([Na]]me] ASC)"
              " INCLUDE ([Ver])\r\nGO\r\n"
              "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  ON\r\nGO\r\n"
              "CREATE VIEW Below AS SELECT * FROM Customer\r\nGO\r\n"
              "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  ON\r\nGO\r\n"
              "SET QUOTED_IDENTIFIER  OFF    SET ANSI_NULLS  ON\r\nGO\r\n"
              "CREATE VIEW Top AS SELECT * FROM [dbo].[Below]\r\nGO\r\n"
              "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  ON\r\nGO\r\n");
    EXPECT_EQ(script.afterData,
              "ALTER TABLE [x]]y z].[Order's] ADD CONSTRAINT [FK_Customer] FOREIGN KEY ([Id])"
              " REFERENCES [dbo].[Customer] ([Id]) ON DELETE CASCADE ON UPDATE SET NULL\r\nGO\r\n");

    // The options, each on its own.
    struct Case {
        SchemaScriptOptions options;
        std::vector<std::string> present, absent;
    };
    const Case cases[] = {
        {{true, false, false, false},
         {"IF SCHEMA_ID(N'x]y z') IS NULL EXEC(N'CREATE SCHEMA [x]]y z]')\r\n",
          "IF OBJECT_ID(N'[x]]y z].[Order''s]', N'U') IS NULL\r\nCREATE TABLE",
          "IF INDEXPROPERTY(OBJECT_ID(N'[x]]y z].[Order''s]'), N'IX_Name', N'IndexID') IS NULL\r\n",
          "IF OBJECT_ID(N'[dbo].[Top]', N'V') IS NULL EXEC(N'CREATE VIEW Top AS",
          "IF OBJECT_ID(N'[x]]y z].[FK_Customer]', N'F') IS NULL\r\nALTER TABLE"},
         {"DROP"}},
        {{false, true, false, false},
         {"IF OBJECT_ID(N'[x]]y z].[FK_Customer]', N'F') IS NOT NULL ALTER TABLE [x]]y z].[Order's]"
          " DROP CONSTRAINT [FK_Customer]\r\nGO\r\n"
          "IF OBJECT_ID(N'[dbo].[Top]', N'V') IS NOT NULL DROP VIEW [dbo].[Top]\r\nGO\r\n"
          "IF OBJECT_ID(N'[dbo].[Below]', N'V') IS NOT NULL DROP VIEW [dbo].[Below]\r\nGO\r\n"
          "IF OBJECT_ID(N'[x]]y z].[Order''s]', N'U') IS NOT NULL DROP TABLE [x]]y z].[Order's]"
          "\r\nGO\r\n"
          "IF OBJECT_ID(N'[dbo].[Customer]', N'U') IS NOT NULL DROP TABLE [dbo].[Customer]\r\nGO\r\n"
          "CREATE TABLE [dbo].[Customer]"},
         {"IF SCHEMA_ID"}},
        {{false, false, true, true}, {"CREATE TABLE [x]]y z].[Order's]"}, {"INDEX", "FOREIGN KEY"}},
    };
    for (const Case& c : cases) {
        const SchemaScriptText text = schemaScript({orders(), customer()}, views, c.options);
        const std::string whole = text.beforeData + text.afterData;
        for (const std::string& part : c.present)
            EXPECT_NE(whole.find(part), std::string::npos) << part << "\n" << whole;
        for (const std::string& part : c.absent)
            EXPECT_EQ(whole.find(part), std::string::npos) << part << "\n" << whole;
    }

    SchemaView broken{{"dbo", "V"}, "CREATE VIEW V AS\r\nGO\r\nSELECT 1", {}};
    EXPECT_EQ(errorOf([&] { schemaScript({}, {broken}); }),
              "The view 'V' cannot be written to a script: its line 2 holds only GO, which would "
              "end the script's batch there");
}

TEST(SchemaStatements, ReadBackWhatTheScriptWritesAndRefuseWhatTheyDoNotKnow)
{
    SchemaTable table = orders();
    auto read = readCreateTable(createTableStatement(table));
    ASSERT_TRUE(read);
    // Indexes and foreign keys are statements of their own.
    for (const SchemaIndex& index : table.indexes) {
        auto statement = readCreateIndex(createIndexStatement(table.name, index));
        ASSERT_TRUE(statement);
        EXPECT_TRUE(sameObjectName(statement->table, table.name));
        read->indexes.push_back(statement->index);
    }
    for (const SchemaForeignKey& key : table.foreignKeys) {
        auto statement = readAlterTable(addForeignKeyStatement(table.name, key));
        ASSERT_TRUE(statement && statement->foreignKey);
        read->foreignKeys.push_back(*statement->foreignKey);
    }
    EXPECT_EQ(*read, table);

    // Hand-written forms: column constraints, SQLite's identity and computed
    // columns; unnamed constraints get names.
    auto hand = readCreateTable(
        "create table T (Id INTEGER PRIMARY KEY AUTOINCREMENT, Qty smallint default 0 check (Qty >= 0),"
        " Total money GENERATED ALWAYS AS (Qty * 2) VIRTUAL, Ref int references R, unique (Qty));");
    ASSERT_TRUE(hand);
    nameConstraints(*hand);
    ASSERT_EQ(hand->columns.size(), 4u);
    EXPECT_EQ(hand->columns[0].type, "int");
    EXPECT_TRUE(hand->columns[0].identity);
    EXPECT_FALSE(hand->columns[0].nullable);
    EXPECT_EQ(hand->columns[1].defaultText, "0");
    EXPECT_EQ(hand->columns[1].defaultName, "DF_T_Qty");
    EXPECT_EQ(hand->columns[2].computedText, "(Qty * 2)");
    EXPECT_EQ(hand->keys.size(), 2u);
    EXPECT_EQ(hand->keys[0].name, "PK_T");
    EXPECT_EQ(hand->keys[1].name, "UQ_T_Qty");
    EXPECT_EQ(hand->checks[0].name, "CK_T_1");
    ASSERT_EQ(hand->foreignKeys.size(), 1u);
    EXPECT_EQ(hand->foreignKeys[0].name, "FK_T_R");
    EXPECT_EQ(hand->foreignKeys[0].referenced.schema, "");

    for (const char* unknown : {
             "CREATE TABLE T (a int SPARSE)", "CREATE TABLE T (a int) WITH (DATA_COMPRESSION = PAGE)",
             "CREATE TABLE T (a int, PRIMARY KEY (a), PRIMARY KEY (a))", "CREATE TABLE T (a int",
             "CREATE TABLE T (a national char varying(3))", "CREATE TABLE T (a int DEFAULT 'x)"}) {
        SCOPED_TRACE(unknown);
        EXPECT_FALSE(readCreateTable(unknown));
    }
    EXPECT_FALSE(readCreateIndex("CREATE INDEX I ON T (a) WHERE a > 0"));
    EXPECT_FALSE(readAlterTable("ALTER TABLE T ADD c int"));
    auto drop = readAlterTable("ALTER TABLE [s].[T] DROP CONSTRAINT [F k]");
    ASSERT_TRUE(drop);
    EXPECT_EQ(drop->dropped, "F k");
}

namespace {

// Tables in another schema that refer to each other in a cycle, with an
// identity counting down, a default, a computed column and a check; a view
// on a view.
const char* const kHostile =
    "CREATE SCHEMA [x]]y z]\r\n"
    "GO\r\n"
    "CREATE TABLE [x]]y z].[Pa'rent] ([Id] int IDENTITY(10,-2) NOT NULL, [Child Id] int NULL,"
    " [Name] nvarchar(40) NOT NULL CONSTRAINT [DF_x]]y'] DEFAULT (N'it''s'),"
    " [Twice] AS ([Id]*(2)) PERSISTED, CONSTRAINT [PK_Pa'rent] PRIMARY KEY CLUSTERED ([Id] ASC),"
    " CONSTRAINT [CK]]x] CHECK ([Id]>(0)))\r\n"
    "CREATE TABLE [x]]y z].[Child] ([Id] int NOT NULL PRIMARY KEY,"
    " [Parent Id] int REFERENCES [x]]y z].[Pa'rent] ([Id]) ON DELETE CASCADE)\r\n"
    "CREATE UNIQUE INDEX [IX x]]y] ON [x]]y z].[Child] ([Parent Id] DESC)\r\n"
    "ALTER TABLE [x]]y z].[Pa'rent] ADD CONSTRAINT [FK cycle] FOREIGN KEY ([Child Id])"
    " REFERENCES [x]]y z].[Child] ([Id])\r\n"
    "INSERT INTO [x]]y z].[Pa'rent] ([Name]) VALUES (N'first'), (N'second');\r\n"
    "INSERT INTO [x]]y z].[Pa'rent] DEFAULT VALUES;\r\n"
    "INSERT INTO [x]]y z].[Child] VALUES (1, 10);\r\n"
    "UPDATE [x]]y z].[Pa'rent] SET [Child Id] = 1 WHERE [Id] = 10;\r\n"
    "GO\r\n"
    "SET QUOTED_IDENTIFIER OFF\r\n"
    "GO\r\n"
    "CREATE VIEW [x]]y z].[Parents] AS SELECT [Id], [Name] FROM [x]]y z].[Pa'rent]\r\n"
    "GO\r\n"
    "SET QUOTED_IDENTIFIER ON\r\n"
    "GO\r\n"
    "CREATE VIEW [x]]y z].[Parent Names] AS SELECT [Name] FROM [x]]y z].[Parents]\r\n";

void expectSame(const SchemaObject& copy, const SchemaObject& source, const std::string& name)
{
    SCOPED_TRACE(name);
    EXPECT_EQ(copy.isView, source.isView);
    EXPECT_TRUE(copy.table == source.table);
    EXPECT_TRUE(copy.view == source.view) << copy.view.text << "\n" << source.view.text;
}

std::string dataOf(data::Engine& engine, const TempDir& dir, const std::string& file)
{
    std::vector<ObjectName> tables = engine.listTables();
    const std::vector<ObjectName> views = engine.listViews();
    std::erase_if(tables, [&](const ObjectName& name) {
        return std::find(views.begin(), views.end(), name) != views.end();
    });
    data::writeDataScript(engine, tables, dir.file(file));
    return readAll(dir.file(file));
}

} // namespace

TEST(SchemaScript, ACopyLoadedFromTheScriptHasTheSameStructureRowsAndScript)
{
    TempDir dir;
    data::buildDemoDatabase(QString::fromUtf8(VARNETT_SOURCE_DIR "/demo/sales.sql"),
                            QString::fromStdString(dir.file("Sales.db")));
    auto source = data::openSqliteEngine(dir.file("Sales.db"));
    data::loadScript(*source, kHostile);

    // The identity counts from its seed by its increment.
    std::vector<std::int64_t> ids;
    for (auto rows = source->openTable({"x]y z", "Pa'rent"}); rows->next();)
        ids.push_back(rows->value(0).integer);
    EXPECT_EQ(ids, (std::vector<std::int64_t>{10, 8, 6}));
    const SchemaObject parent = source->schemaObject({"x]y z", "Pa'rent"});
    ASSERT_EQ(parent.table.columns.size(), 4u);
    EXPECT_EQ(parent.table.columns[0].identity, (IdentitySpec{"10", "-2"}));
    ASSERT_EQ(parent.table.foreignKeys.size(), 1u);
    EXPECT_EQ(parent.table.foreignKeys[0].name, "FK cycle");
    EXPECT_FALSE(source->schemaObject({"x]y z", "Parents"}).view.settings.quotedIdentifier);

    data::SchemaScriptSettings settings;
    settings.withData = true;
    const std::string script = dir.file("schema.sql");
    data::writeSchemaScript(*source, {}, script, settings);

    auto copy = freshEngine(dir, "Copy.db");
    data::loadScriptFile(*copy, script);
    ASSERT_EQ(copy->listTables(), source->listTables());
    for (const ObjectName& name : source->listTables())
        expectSame(copy->schemaObject(name), source->schemaObject(name), displayName(name));
    EXPECT_EQ(dataOf(*copy, dir, "copy-data.sql"), dataOf(*source, dir, "source-data.sql"));
    data::writeSchemaScript(*copy, {}, dir.file("copy.sql"), settings);
    EXPECT_EQ(readAll(dir.file("copy.sql")), readAll(script));

    // The guarded script runs again over the copy; the drop-first one too.
    for (const bool dropFirst : {false, true}) {
        settings.options.guarded = true;
        settings.options.dropFirst = dropFirst;
        settings.withData = false;
        data::writeSchemaScript(*source, {}, dir.file("again.sql"), settings);
        data::loadScriptFile(*copy, dir.file("again.sql"));
        data::loadScriptFile(*copy, dir.file("again.sql"));
        EXPECT_EQ(copy->listTables(), source->listTables());
        for (const ObjectName& name : source->listTables())
            expectSame(copy->schemaObject(name), source->schemaObject(name), displayName(name));
    }
}

TEST(SchemaScript, ASchemaALoadCreatesIsGoneWhenTheLoadFails)
{
    TempDir dir;
    const std::string schema = "CREATE SCHEMA [New s]\r\nGO\r\n"
                               "IF SCHEMA_ID(N'Other') IS NULL EXEC(N'CREATE SCHEMA [Other]')\r\nGO\r\n"
                               "CREATE TABLE [New s].[T] ([a] int NOT NULL)\r\nGO\r\n";
    {
        auto engine = freshEngine(dir);
        EXPECT_EQ(errorOf([&] { data::loadScript(*engine, schema + "INSERT INTO Nowhere VALUES (1)"); }),
                  "Batch 4 (line 7): no such table: Nowhere");
        EXPECT_TRUE(engine->listTables().empty());
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "Sales.db-schema-New%20s"));
        EXPECT_FALSE(std::filesystem::exists(dir.path() / "Sales.db-schema-Other"));
        data::loadScript(*engine, schema);
        EXPECT_EQ(engine->listTables(), (std::vector<ObjectName>{{"New s", "T"}}));
        // Outside a load, a schema is still refused inside a transaction.
        engine->beginTransaction();
        EXPECT_EQ(errorOf([&] { engine->executeBatch("CREATE SCHEMA Late"); }),
                  "The embedded engine cannot create the schema 'Late' inside a transaction.");
        engine->rollback();
    }
    auto engine = data::openSqliteEngine(dir.file("Sales.db"));
    EXPECT_EQ(engine->listTables(), (std::vector<ObjectName>{{"New s", "T"}}));
    EXPECT_EQ(errorOf([&] { engine->executeBatch("CREATE TABLE Sales.T (a int)"); }),
              "The specified schema name \"Sales\" either does not exist or you do not have "
              "permission to use it.");
    EXPECT_EQ(errorOf([&] {
                  engine->executeBatch("CREATE TABLE [New s].[U] ([a] int REFERENCES [dbo].[X] ([a]))");
              }),
              "The embedded engine cannot keep the foreign key 'FK_U_X': it refers to a table of "
              "another schema ('X'), and each schema is a database file of its own.");
}
