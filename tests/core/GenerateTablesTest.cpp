#include "data/DemoDatabase.h"
#include "data/GeneratedProcedures.h"
#include "data/ProcedureFolder.h"
#include "data/Scripts.h"
#include "data/sqlite/SqliteEngine.h"
#include "sqltext/ProcedureFolder.h"
#include "sqltext/ProcedureText.h"
#include "support/Engines.h"
#include "support/Names.h"
#include "support/RunScript.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <filesystem>

using namespace varnett;
using data::Generation;
using data::GenerationRequest;
using sqltext::ProcedureKind;
using varnett::testing::errorOf;
using varnett::testing::Outcome;
using varnett::testing::runScript;
using varnett::testing::TempDir;

namespace {

const std::vector<ProcedureKind> kAllKinds = {ProcedureKind::Insert, ProcedureKind::Update,
                                              ProcedureKind::Delete, ProcedureKind::Select};

// The demo database Sales in the folder, opened.
std::unique_ptr<data::Engine> demo(const TempDir& dir, const std::string& file = "Sales.db")
{
    data::buildDemoDatabase(QString::fromUtf8(VARNETT_SOURCE_DIR "/demo/sales.sql"),
                            QString::fromStdString(dir.file(file)));
    return data::openSqliteEngine(dir.file(file));
}

std::string connectionOf(const TempDir& dir, const std::string& file = "Sales.db")
{
    return "Provider=SQLite;Data Source=" + dir.file(file);
}

std::string crLf(const std::string& printed)
{
    std::string text;
    for (char c : printed) {
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

// The procedure the single-table command writes for the table, every field,
// the row found by its key.
std::string singleTable(const TempDir& dir, data::Engine& engine, const data::GeneratedProcedure& p,
                        const std::vector<std::string>& switches)
{
    static const char* const kCommands[] = {"insert", "update", "delete", "select"};
    const std::string table = sqltext::displayName(p.table);
    std::vector<std::string> args = {"--connection", connectionOf(dir),
                                     kCommands[static_cast<int>(p.kind)], table};
    if (p.kind == ProcedureKind::Update || p.kind == ProcedureKind::Delete)
        args.push_back("--key");
    if (p.kind == ProcedureKind::Select)
        for (const std::string& key : engine.tableKeys(p.table).key)
            args.insert(args.end(), {"--where", key + ":="});
    if (p.name != sqltext::parseObjectName(sqltext::proposedProcedureName(p.kind, table)))
        args.insert(args.end(), {"--name", sqltext::displayName(p.name)});
    args.insert(args.end(), switches.begin(), switches.end());
    const Outcome run = runScript(dir, args);
    EXPECT_EQ(run.status, 0) << run.err;
    return crLf(run.out);
}

std::vector<std::string> namesOf(const Generation& generation)
{
    std::vector<std::string> names;
    for (const data::GeneratedProcedure& procedure : generation.procedures)
        names.push_back(sqltext::displayName(procedure.name));
    return names;
}

bool has(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

// Every table of both schemas, each kind, with and without options: the texts
// are the single-table commands' own, and the script loads them back exactly.
TEST(GenerateTables, DemoTablesGiveTheSingleTableTextsAndTheScriptLoadsThem)
{
    TempDir dir;
    auto engine = demo(dir);
    struct Row {
        sqltext::GeneratorOptions options;
        std::vector<std::string> switches;
    };
    sqltext::GeneratorOptions all;
    all.setNoCount = all.tryCatch = all.identityOutput = all.rowversionCheck = true;
    const Row rows[] = {
        {{}, {}},
        {all, {"--nocount", "--try-catch", "--identity-output", "--rowversion"}},
    };
    for (const Row& row : rows) {
        GenerationRequest request;
        request.kinds = kAllKinds;
        request.options = row.options;
        const Generation generation = data::generateProcedures(*engine, request);
        EXPECT_TRUE(generation.skipped.empty());
        // Ten tables, views left out, four procedures each.
        ASSERT_EQ(generation.procedures.size(), 40u);
        const std::vector<std::string> names = namesOf(generation);
        for (const char* name : {"SP_INSERT_Order Details", "SP_SELECT_Orders",
                                 "Purchasing.SP_UPDATE_Orders", "Purchasing.SP_DELETE_Suppliers"})
            EXPECT_TRUE(has(names, name)) << name;
        for (const data::GeneratedProcedure& procedure : generation.procedures)
            EXPECT_EQ(procedure.text, singleTable(dir, *engine, procedure, row.switches))
                << sqltext::displayName(procedure.name);
    }

    GenerationRequest request;
    request.kinds = kAllKinds;
    // With and without the schema written, the same names as the command's.
    request.patterns = {"G_{kind}_{table}", "G_{kind}_{table}", "{schema}.G_{kind}_{table}",
                        "G_{kind}_{table}"};
    const Generation generation = data::generateProcedures(*engine, request);
    data::writeGeneratedScript(*engine, generation, dir.file("gen.sql"));
    const Outcome cli = runScript(dir, {"--connection", connectionOf(dir), "generate", "--kinds",
                                        "insert,update,delete,select", "--pattern", "G_{kind}_{table}",
                                        "--out", dir.file("cli.sql")});
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_EQ(cli.err, "");
    EXPECT_NE(cli.out.find("Purchasing.G_SELECT_Suppliers\n"), std::string::npos) << cli.out;
    const std::string script = varnett::testing::readFile(dir.file("gen.sql"));
    EXPECT_TRUE(varnett::testing::readFile(dir.file("cli.sql")) == script);
    EXPECT_NE(script.find("drop procedure [Purchasing].[G_DELETE_Orders]\r\nGO\r\n"),
              std::string::npos);

    data::loadScriptFile(*engine, dir.file("gen.sql"));
    for (const data::GeneratedProcedure& procedure : generation.procedures) {
        EXPECT_EQ(sqltext::joinRows(engine->procedureText(procedure.name)), procedure.text)
            << sqltext::displayName(procedure.name);
        EXPECT_EQ(engine->procedureSettings(procedure.name), (sqltext::ProcedureSettings{true, true}));
    }
    // Loading it again replaces them.
    EXPECT_NO_THROW(data::loadScriptFile(*engine, dir.file("gen.sql")));
}

// The folder holds the files export writes; after the create, a comparison
// says "same" for each.
TEST(GenerateTables, FolderThenCreateComparesSame)
{
    TempDir dir;
    auto engine = demo(dir);
    GenerationRequest request;
    request.kinds = {ProcedureKind::Select, ProcedureKind::Insert};
    request.patterns[static_cast<int>(ProcedureKind::Insert)] = "Gen.{schema}_{table}";
    request.tables = varnett::testing::names({"Purchasing.Orders", "Order Details", "Orders"});
    const Generation generation = data::generateProcedures(*engine, request);
    EXPECT_EQ(namesOf(generation),
              (std::vector<std::string>{"Gen.Purchasing_Orders", "Purchasing.SP_SELECT_Orders",
                                        "Gen.dbo_Order Details", "SP_SELECT_Order Details",
                                        "Gen.dbo_Orders", "SP_SELECT_Orders"}));
    const std::string folder = dir.file("procs/new");
    const std::vector<std::string> files = data::writeGeneratedFolder(generation, folder);
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(std::filesystem::path(files[2]).filename(), "Gen.dbo_Order Details.sql");
    EXPECT_EQ(varnett::testing::readFile(files[1]),
              sqltext::procedureFileText("Purchasing.SP_SELECT_Orders"_name,
                                         {{true, true}, generation.procedures[1].text}));

    engine->executeBatch("CREATE SCHEMA Gen");
    data::createGenerated(*engine, generation);
    std::vector<std::string> same;
    for (const data::FolderEntry& entry : data::compareWithFolder(*engine, folder))
        if (entry.state == data::FolderState::Same)
            same.push_back(sqltext::displayName(entry.procedure));
        else
            EXPECT_EQ(entry.state, data::FolderState::OnlyInDatabase)
                << sqltext::displayName(entry.procedure);
    std::vector<std::string> expected = namesOf(generation);
    std::sort(expected.begin(), expected.end());
    std::sort(same.begin(), same.end());
    EXPECT_EQ(same, expected);

    // A name too long for a file leaves the folder untouched.
    const std::string other = dir.file("procs/other");
    request.tables = varnett::testing::names({"Orders"});
    request.patterns[static_cast<int>(ProcedureKind::Insert)] = "{table}_" + std::string(120, 'x');
    request.patterns[static_cast<int>(ProcedureKind::Select)] = "{schema}." + std::string(125, '.');
    EXPECT_NE(errorOf([&] { data::generateProcedures(*engine, request); }), "(no error)");
    request.patterns[static_cast<int>(ProcedureKind::Select)] =
        std::string(124, 's') + ".{table}_" + std::string(118, '%');
    const Generation tooLong = data::generateProcedures(*engine, request);
    EXPECT_NE(errorOf([&] { data::writeGeneratedFolder(tooLong, other); })
                  .find("its file name would be longer than 255 bytes"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(other + "/dbo.Orders_" + std::string(120, 'x') + ".sql"));
}

// One failure in the middle and none is created; procedures that exist are
// refused before anything runs, unless CREATE OR ALTER replaces them.
TEST(GenerateTables, CreateIsAllOrNothing)
{
    TempDir dir;
    auto engine = demo(dir);
    const std::vector<std::string> before = varnett::testing::shown(engine->listProcedures());

    GenerationRequest request;
    request.kinds = kAllKinds;
    request.tables = varnett::testing::names({"Categories", "Customers", "Employees"});
    const Generation defaults = data::generateProcedures(*engine, request);
    EXPECT_EQ(errorOf([&] { data::createGenerated(*engine, defaults); }),
              "These procedures exist already, and none was created: 'SP_INSERT_Customers', "
              "'SP_UPDATE_Customers', 'SP_DELETE_Customers'. Drop them first, or write a script, "
              "which drops and creates them.");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), before);

    // A table holds the name of the sixth procedure.
    request.patterns.fill("N_{kind}_{table}");
    engine->executeBatch("CREATE TABLE N_UPDATE_Customers (x int)");
    const Generation clash = data::generateProcedures(*engine, request);
    EXPECT_EQ(errorOf([&] { data::createGenerated(*engine, clash); }),
              "Cannot create the procedure 'N_UPDATE_Customers' of the table 'Customers', and "
              "none was created: There is already an object named 'N_UPDATE_Customers' in the "
              "database.");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), before);

    engine->executeBatch("DROP TABLE N_UPDATE_Customers");
    data::createGenerated(*engine, clash);
    EXPECT_EQ(engine->listProcedures().size(), before.size() + 12);
    EXPECT_NE(errorOf([&] { data::createGenerated(*engine, clash); }).find("'N_INSERT_Categories'"),
              std::string::npos);

    // CREATE OR ALTER replaces them, all in one go.
    request.options.createOrAlter = true;
    request.options.setNoCount = true;
    const Generation replace = data::generateProcedures(*engine, request);
    data::createGenerated(*engine, replace);
    EXPECT_EQ(sqltext::joinRows(engine->procedureText("N_SELECT_Employees"_name)),
              replace.procedures.back().text);
    EXPECT_EQ(engine->listProcedures().size(), before.size() + 12);
}

// Tables without a key, or with nothing but the key to set, lose the kinds
// they cannot have, and the summary says so table by table.
TEST(GenerateTables, KindsATableCannotHaveAreLeftOutAndSaid)
{
    TempDir dir;
    auto engine = demo(dir);
    engine->executeBatch("CREATE TABLE Purchasing.Notes (Body nvarchar(100), Stamp rowversion)");
    engine->executeBatch("CREATE TABLE Tags (OrderID int NOT NULL, Tag nvarchar(20) NOT NULL, "
                         "PRIMARY KEY (OrderID, Tag))");
    engine->executeBatch("CREATE TABLE Stamps (ID int IDENTITY PRIMARY KEY, Made rowversion)");

    GenerationRequest request;
    request.kinds = kAllKinds;
    request.tables = varnett::testing::names({"Purchasing.Notes", "Tags", "Stamps", "Orders"});
    const Generation generation = data::generateProcedures(*engine, request);
    EXPECT_EQ(namesOf(generation),
              (std::vector<std::string>{"Purchasing.SP_INSERT_Notes", "SP_INSERT_Tags",
                                        "SP_DELETE_Tags", "SP_SELECT_Tags", "SP_DELETE_Stamps",
                                        "SP_SELECT_Stamps", "SP_INSERT_Orders", "SP_UPDATE_Orders",
                                        "SP_DELETE_Orders", "SP_SELECT_Orders"}));
    EXPECT_EQ(data::skipSummary(generation),
              (std::vector<std::string>{
                  "Purchasing.Notes: no key; Update, Delete and Select left out",
                  "Tags: no column to set beside the key; Update left out",
                  "Stamps: every column filled by the server; Insert and Update left out"}));

    const Outcome cli = runScript(dir, {"--connection", connectionOf(dir), "generate", "--kinds",
                                        "Update, delete", "--folder", dir.file("f"),
                                        "Purchasing.Notes", "tags"});
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, "SP_DELETE_Tags\n");
    EXPECT_EQ(cli.err,
              "varnett-script: Purchasing.Notes: no key; Update and Delete left out.\n"
              "varnett-script: Tags: no column to set beside the key; Update left out.\n");
    EXPECT_TRUE(std::filesystem::exists(dir.file("f/dbo.SP_DELETE_Tags.sql")));

    // Nothing to write at all is an error, said after the summary.
    const Outcome none = runScript(dir, {"--connection", connectionOf(dir), "generate", "--kinds",
                                         "update", "--create", "Purchasing.Notes"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "varnett-script: Purchasing.Notes: no key; Update left out.\n"
                        "varnett-script: No procedure was generated.\n");
}

TEST(GenerateTables, RequestsThatCannotBeMade)
{
    TempDir dir;
    auto engine = demo(dir);
    struct Row {
        std::vector<ProcedureKind> kinds;
        std::array<std::string, 4> patterns;
        std::vector<std::string> tables;
        std::string error;
    };
    const auto defaults = GenerationRequest::defaultPatterns();
    const Row rows[] = {
        {{}, defaults, {}, "No kind of procedure is chosen."},
        {{ProcedureKind::Insert, ProcedureKind::Select}, {"P_{table}", "", "", "P_{table}"},
         {"Orders"},
         "The name patterns give the procedure 'P_Orders' of the table 'Orders' the name of the "
         "procedure 'P_Orders' of the table 'Orders'."},
        // Compared as the server compares names.
        {{ProcedureKind::Insert}, {"p_x", "", "", ""}, {"Orders", "Customers"},
         "The name patterns give the procedure 'p_x' of the table 'Customers' the name of the "
         "procedure 'p_x' of the table 'Orders'."},
        {{ProcedureKind::Update, ProcedureKind::Delete},
         {"", "U_{table}", "{schema}.U_{table}", ""},
         {"Orders"},
         "The name patterns give the procedure 'U_Orders' of the table 'Orders' the name of the "
         "procedure 'U_Orders' of the table 'Orders'."},
        // A pattern of a kind not asked for is not read.
        {{ProcedureKind::Insert}, {"I_{table}", "{bad}", "", ""}, {"Orders"}, "(no error)"},
        {{ProcedureKind::Select}, {"", "", "", "S_{bad}"}, {"Orders"},
         "The name pattern 'S_{bad}' holds the unknown placeholder '{bad}': use {schema}, {table} "
         "or {kind}."},
        {{ProcedureKind::Insert}, {"I_{table}", "", "", ""}, {"Nope"},
         "Invalid object name 'Nope'."},
    };
    for (const Row& row : rows) {
        GenerationRequest request;
        request.kinds = row.kinds;
        request.patterns = row.patterns;
        for (const std::string& table : row.tables)
            request.tables.push_back(sqltext::parseObjectName(table));
        const std::string message = errorOf([&] { data::generateProcedures(*engine, request); });
        EXPECT_NE(message.find(row.error), std::string::npos) << message;
    }

    // A generator failure names the table and the procedure.
    engine->executeBatch("CREATE TABLE Blobs (ID int PRIMARY KEY, " + std::string(130, 'c')
                         + " int)");
    GenerationRequest request;
    request.kinds = {ProcedureKind::Insert};
    request.tables = varnett::testing::names({"Blobs"});
    EXPECT_EQ(errorOf([&] { data::generateProcedures(*engine, request); }),
              "Cannot generate the procedure 'SP_INSERT_Blobs' of the table 'Blobs': The parameter "
              "name of the field '" + std::string(130, 'c') + "' would be longer than 128 characters");

    // An empty database has no table to generate for.
    auto empty = varnett::testing::freshEngine(dir, "Empty.db");
    request.tables.clear();
    EXPECT_EQ(errorOf([&] { data::generateProcedures(*empty, request); }),
              "The database holds no table to generate procedures for.");
}
