#include "data/ProcedureFolder.h"
#include "data/ReplacingFile.h"
#include "sqltext/ProcedureFolder.h"
#include "sqltext/SideBySide.h"
#include "sqltext/TextDiff.h"
#include "support/Engines.h"
#include "support/Names.h"
#include "support/RunScript.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

using namespace varnett;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::TempDir;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Every file of a folder with its bytes.
std::map<std::string, std::string> folderOf(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = readFile(entry.path().string());
    return files;
}

// "state<TAB>name" lines of a comparison.
std::vector<std::string> states(const std::vector<data::FolderEntry>& entries)
{
    std::vector<std::string> lines;
    for (const data::FolderEntry& entry : entries)
        lines.push_back(data::stateText(entry.state) + "\t" + sqltext::displayName(entry.procedure));
    return lines;
}

std::unique_ptr<data::Engine> withProcedures(const TempDir& dir, const std::string& file = "Sales.db")
{
    auto engine = freshEngine(dir, file);
    engine->executeBatch("CREATE SCHEMA [x]]y z]");
    engine->executeBatch("CREATE PROCEDURE Plain AS\r\nSELECT 1\r\n");
    engine->executeBatch("CREATE PROCEDURE [a.b%c] AS\nSELECT 'lf only'");
    engine->executeBatch("CREATE PROCEDURE [x]]y z].[CON] AS\r\nSELECT '" + std::string(3000, 'w')
                         + "'\r\n");
    engine->executeBatch("SET QUOTED_IDENTIFIER OFF");
    engine->executeBatch("CREATE PROCEDURE [Quoted \"Off\"] AS SELECT \"text\"");
    engine->executeBatch("SET QUOTED_IDENTIFIER ON");
    return engine;
}

} // namespace

TEST(ProcedureFolder, FileNamesAreSafeEverywhereAndReadBack)
{
    struct Row {
        sqltext::ObjectName procedure;
        const char* file;
    };
    const Row rows[] = {
        {{"dbo", "Plain"}, "dbo.Plain.sql"},
        {{"Sales", "a.b%c"}, "Sales.a%2Eb%25c.sql"},
        {{"x]y z", "CON"}, "x]y z.%43ON.sql"},
        {{"dbo", "com7"}, "dbo.%63om7.sql"},
        {{"dbo", "COM0"}, "dbo.COM0.sql"},
        {{"dbo", "a<b>c:d\"e/f\\g|h?i*j"}, "dbo.a%3Cb%3Ec%3Ad%22e%2Ff%5Cg%7Ch%3Fi%2Aj.sql"},
        {{"dbo", "tab\there "}, "dbo.tab%09here%20.sql"},
        {{"dbo", "O'Brien [x]"}, "dbo.O'Brien [x].sql"},
        {{"dbo", "Grüße"}, "dbo.Grüße.sql"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(sqltext::procedureFileName(row.procedure), row.file);
        EXPECT_EQ(sqltext::procedureOfFileName(row.file), row.procedure);
    }
    for (const char* other : {"dbo.Plain.SQL", "Plain.sql", "a.b.c.sql", ".x.sql", "dbo..sql",
                              "dbo.a%2eb.sql", "dbo.%41.sql", "dbo.a%2.sql", "dbo.a%zz.sql",
                              "dbo.a b .sql", "dbo.CON.sql", "notes.txt"}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(sqltext::procedureOfFileName(other), std::nullopt);
    }
    EXPECT_EQ(errorOf([] { sqltext::procedureFileName({"dbo", std::string(120, '.')}); }),
              "The procedure '[" + std::string(120, '.')
                  + "]' cannot be written to a folder: its file name would be longer than 255 bytes.");
}

TEST(ProcedureFolder, FileTextsReadBackWhateverTheLineEnds)
{
    struct Row {
        const char* text;
        bool quoted, ansiNulls;
        const char* body;   // the procedure's text, or the error
    };
    const Row rows[] = {
        {"SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS OFF\r\nGO\r\nCREATE PROC P AS\r\nSELECT 1\r\nGO\r\n",
         true, false, "CREATE PROC P AS\r\nSELECT 1"},
        {"SET QUOTED_IDENTIFIER OFF\nSET ANSI_NULLS ON\nGO\nCREATE PROC P AS\nSELECT 1\n\nGO\n",
         false, true, "CREATE PROC P AS\nSELECT 1\n"},
        {"set quoted_identifier on\r\nset ansi_nulls on\r\ngo\r\nCREATE PROC P AS SELECT 1\r\ngo",
         true, true, "CREATE PROC P AS SELECT 1"},
        {"SET ANSI_NULLS ON\r\nSET QUOTED_IDENTIFIER ON\r\nGO\r\nX\r\nGO\r\n", true, true,
         "The file 'f.sql' holds no procedure as a scripts folder keeps it: its first two lines are "
         "not SET QUOTED_IDENTIFIER and SET ANSI_NULLS, each ON or OFF."},
        {"SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nX\r\nGO\r\n", true, true,
         "The file 'f.sql' holds no procedure as a scripts folder keeps it: its third line is not GO."},
        {"SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\nCREATE PROC P AS SELECT 1\r\n", true, true,
         "The file 'f.sql' holds no procedure as a scripts folder keeps it: its last line is not GO."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string result;
        try {
            const sqltext::ProcedureFile file = sqltext::readProcedureFile(row.text, "f.sql");
            EXPECT_EQ(file.settings.quotedIdentifier, row.quoted);
            EXPECT_EQ(file.settings.ansiNulls, row.ansiNulls);
            result = file.text;
        } catch (const Error& error) {
            result = error.what();
        }
        EXPECT_EQ(result, row.body);
    }
    // What is written reads back as it was, line ends and all.
    for (const char* text : {"A", "A\r\n", "A\n", "A\r", "A\r\n\r\n", "A\r\nB"}) {
        const sqltext::ProcedureFile file{{false, true}, text};
        EXPECT_EQ(sqltext::readProcedureFile(sqltext::procedureFileText("P"_name, file), "f.sql"), file)
            << text;
    }
    EXPECT_EQ(errorOf([] { sqltext::procedureFileText("P"_name, {{}, "CREATE PROC P AS\r\n go \r\nSELECT 1"}); }),
              "The procedure 'P' cannot be written to a script: its line 2 (' go ') holds only GO, "
              "which would end the script's batch there");
}

TEST(ProcedureFolder, UnifiedDiffShowsTheChangedLines)
{
    EXPECT_EQ(sqltext::unifiedDiff("a\nb\nc\n", "a\nb\nc\n", "x", "y"), "");
    EXPECT_EQ(sqltext::unifiedDiff("a\nb\nc\n", "a\nB\nc\n", "database/P", "folder/P"),
              "--- database/P\n+++ folder/P\n@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n");
    // A line end counts: CR LF against LF differs on that line.
    EXPECT_EQ(sqltext::unifiedDiff("a\r\nb\n", "a\nb\n", "x", "y"),
              "--- x\n+++ y\n@@ -1,2 +1,2 @@\n-a\r\n+a\n b\n");
    std::vector<std::string> kinds;
    for (const auto& line : sqltext::compareLines("a\nb\n", "b\nc\n"))
        kinds.push_back(std::string(line.kind == sqltext::DiffLine::Kind::Same ? " " : line.kind == sqltext::DiffLine::Kind::Added ? "+" : "-") + line.text);
    EXPECT_EQ(kinds, (std::vector<std::string>{"-a", " b", "+c"}));
}

TEST(ProcedureFolder, SideBySideRowsFaceEqualLinesAndPairChanges)
{
    // Each row as "<kind><left>|<right>", a missing side as "~".
    struct Row {
        std::string before;
        std::string after;
        std::vector<std::string> rows;
    };
    const Row rows[] = {
        {"a\nb\n", "a\nb\n", {"=a|a", "=b|b"}},
        {"", "", {}},
        {"", "x\ny", {"+~|x", "+~|y"}},
        {"x\ny\n", "", {"-x|~", "-y|~"}},
        // Two lines replaced by one: the first pairs, the second is removed.
        {"a\nb\nc\nd\n", "a\nB\nd\n", {"=a|a", "*b|B", "-c|~", "=d|d"}},
        // Lines inserted in the middle get fillers on the left.
        {"a\nd\n", "a\nb\nc\nd\n", {"=a|a", "+~|b", "+~|c", "=d|d"}},
        // A line end alone differs, and the CR stays with its line.
        {"a\r\nb\r\n", "a\nb\r\n", {"*a\r|a", "=b\r|b\r"}},
        // Line ends alone keep the lines aligned: c faces c.
        {"a\r\nc\r\n", "a\nb\nc\n", {"*a\r|a", "+~|b", "*c\r|c"}},
        // A CR that ends no line is a character of its line.
        {"a\rb\n", "a\rb\r\n", {"*a\rb|a\rb\r"}},
        // A missing final line end does not make the last line differ.
        {"a\nb", "a\nb\n", {"=a|a", "=b|b"}},
        {"a\nX\nb\nY\nc\n", "a\nb\nc\n", {"=a|a", "-X|~", "=b|b", "-Y|~", "=c|c"}},
    };
    for (const Row& row : rows) {
        std::vector<std::string> got;
        for (const sqltext::SideBySideRow& line : sqltext::sideBySide(row.before, row.after)) {
            const char kind = line.kind == sqltext::SideBySideRow::Kind::Same ? '='
                : line.kind == sqltext::SideBySideRow::Kind::Changed          ? '*'
                : line.kind == sqltext::SideBySideRow::Kind::Removed          ? '-'
                                                                              : '+';
            got.push_back(kind + line.left.value_or("~") + "|" + line.right.value_or("~"));
        }
        EXPECT_EQ(got, row.rows) << row.before << " / " << row.after;
    }
}

TEST(ProcedureFolder, ExportGivesTheSameBytesEveryTimeAndComparesSame)
{
    TempDir dir;
    auto engine = withProcedures(dir);
    const std::string folder = dir.file("scripts");
    const auto written = data::exportProcedures(*engine, folder);
    EXPECT_EQ(varnett::testing::shown(written),
              (std::vector<std::string>{"[a.b%c]", "Plain", "Quoted \"Off\"", "x]y z.CON"}));
    const auto first = folderOf(folder);
    EXPECT_EQ(first.at("dbo.Plain.sql"),
              "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\nCREATE PROCEDURE Plain AS\r\n"
              "SELECT 1\r\n\r\nGO\r\n");
    EXPECT_EQ(first.at("dbo.Quoted %22Off%22.sql").substr(0, 26), "SET QUOTED_IDENTIFIER OFF\r");
    EXPECT_TRUE(first.count("x]y z.%43ON.sql"));
    EXPECT_EQ(first.at("dbo.a%2Eb%25c.sql"),
              "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\nCREATE PROCEDURE [a.b%c] AS\n"
              "SELECT 'lf only'\r\nGO\r\n");
    data::exportProcedures(*engine, folder);
    EXPECT_EQ(folderOf(folder), first);
    for (const data::FolderEntry& entry : data::compareWithFolder(*engine, folder))
        EXPECT_EQ(entry.state, data::FolderState::Same) << sqltext::displayName(entry.procedure);
    // Only the procedures named.
    const std::string some = dir.file("some");
    data::exportProcedures(*engine, some, {"plain"_name});
    EXPECT_EQ(folderOf(some).size(), 1u);
}

TEST(ProcedureFolder, CompareFindsEveryStateDeployAndWriteBackRoundTrip)
{
    TempDir dir;
    auto engine = withProcedures(dir);
    const std::string folder = dir.file("scripts");
    data::exportProcedures(*engine, folder);
    // The folder moves on: one file edited (CR LF to LF in one line), one new,
    // one removed, another file that is no procedure's.
    const std::string plain = folder + "/dbo.Plain.sql";
    data::replaceFile(plain, "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\nCREATE PROCEDURE Plain AS\n"
                             "SELECT 2\r\n\r\nGO\r\n");
    data::replaceFile(folder + "/Sales.New.sql",
                      "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nCREATE PROCEDURE New AS SELECT 3\nGO\n");
    std::filesystem::remove(folder + "/dbo.a%2Eb%25c.sql");
    data::replaceFile(folder + "/README.md", "not a procedure");

    std::vector<data::FolderEntry> entries = data::compareWithFolder(*engine, folder);
    EXPECT_EQ(states(entries), (std::vector<std::string>{"only in the database\t[a.b%c]", "different\tPlain",
                                                         "same\tQuoted \"Off\"", "only in the folder\tSales.New",
                                                         "same\tx]y z.CON"}));

    // A procedure changed on the server since the comparison is not overwritten.
    engine->executeBatch("DROP PROCEDURE Plain");
    engine->executeBatch("CREATE PROCEDURE Plain AS SELECT 'someone else'");
    EXPECT_EQ(errorOf([&] { data::deployFromFolder(*engine, {entries[1]}); }),
              "The procedure 'Plain' changed on the server since the comparison: compare its text "
              "again first.");
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()).size(), 4u);

    // Compared again, the folder's version goes to the server.
    entries = data::compareWithFolder(*engine, folder);
    EXPECT_EQ(errorOf([&] { data::deployFromFolder(*engine, {entries[0]}); }),
              "The procedure '[a.b%c]' has no file in the folder to deploy.");
    data::deployFromFolder(*engine, {entries[1]});
    entries = data::compareWithFolder(*engine, folder);
    EXPECT_EQ(entries[1].state, data::FolderState::Same);

    // The database's version goes into the folder.
    data::writeBackToFolder(folder, {entries[0]});
    EXPECT_EQ(data::compareWithFolder(*engine, folder)[0].state, data::FolderState::Same);
    EXPECT_EQ(errorOf([&] { data::writeBackToFolder(folder, {entries[3]}); }),
              "The procedure 'Sales.New' is not in the database: there is no text to write.");
}

TEST(ProcedureFolder, AFailingDeployCreatesNone)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("CREATE SCHEMA Sales");
    const std::string folder = dir.file("scripts");
    std::filesystem::create_directory(folder);
    data::replaceFile(folder + "/dbo.A.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nCREATE PROCEDURE A AS SELECT 1\nGO\n");
    data::replaceFile(folder + "/dbo.B.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nSELECT 'not a procedure' FROM\nGO\n");
    const auto entries = data::compareWithFolder(*engine, folder);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_NE(errorOf([&] { data::deployFromFolder(*engine, entries); }).find("The procedure 'B' cannot be created from its file: "),
              std::string::npos);
    EXPECT_TRUE(engine->listProcedures().empty());
    // A file whose text holds a GO line is refused before anything runs, and
    // a failed deploy leaves the connection under its own settings, not the
    // last file's.
    data::replaceFile(folder + "/dbo.A.sql", "SET QUOTED_IDENTIFIER OFF\nSET ANSI_NULLS OFF\nGO\nCREATE PROCEDURE A AS SELECT 1\nGO\n");
    data::replaceFile(folder + "/dbo.B.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nCREATE PROCEDURE B AS\nGO\nSELECT 2\nGO\n");
    for (const bool goLine : {true, false}) {
        if (!goLine)
            data::replaceFile(folder + "/dbo.B.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nSELECT FROM\nGO\n");
        const auto again = data::compareWithFolder(*engine, folder);
        EXPECT_NE(errorOf([&] { data::deployFromFolder(*engine, again); }).find("'B'"), std::string::npos);
        EXPECT_TRUE(engine->listProcedures().empty());
        engine->executeBatch("CREATE PROCEDURE Later AS SELECT 1");
        EXPECT_EQ(engine->procedureSettings("Later"_name), (sqltext::ProcedureSettings{true, true})) << goLine;
        engine->executeBatch("DROP PROCEDURE Later");
    }
    EXPECT_EQ(errorOf([&] { data::compareWithFolder(*engine, dir.file("missing")); }),
              "The folder '" + dir.file("missing") + "' does not exist or is no folder.");
    data::replaceFile(folder + "/DBO.a.sql", "SET QUOTED_IDENTIFIER ON\nSET ANSI_NULLS ON\nGO\nX\nGO\n");
    EXPECT_NE(errorOf([&] { data::compareWithFolder(*engine, folder); }).find("hold one procedure"),
              std::string::npos);
}

TEST(ProcedureFolder, CommandLineExportAndCompare)
{
    TempDir dir;
    withProcedures(dir).reset();
    const std::string connection = "Provider=SQLite;Data Source=" + dir.file("Sales.db");
    const std::string folder = dir.file("scripts");
    using varnett::testing::runScript;
    EXPECT_EQ(runScript(dir, {"--connection", connection, "export", "--folder", folder}).status, 0);
    auto same = runScript(dir, {"--connection", connection, "compare", "--folder", folder});
    EXPECT_EQ(same.status, 0) << same.err;
    EXPECT_EQ(same.out, "same\t[a.b%c]\nsame\tPlain\nsame\tQuoted \"Off\"\nsame\tx]y z.CON\n");
    data::replaceFile(folder + "/dbo.Plain.sql",
                      "SET QUOTED_IDENTIFIER ON\r\nSET ANSI_NULLS ON\r\nGO\r\nCREATE PROCEDURE Plain AS\r\nSELECT 2\r\n\r\nGO\r\n");
    auto differs = runScript(dir, {"--connection", connection, "compare", "--folder", folder, "--diff"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_NE(differs.out.find("different\tPlain\n--- database/dbo.Plain.sql\n+++ folder/dbo.Plain.sql\n"
                               "@@ -2,6 +2,6 @@\n SET ANSI_NULLS ON\r\n GO\r\n CREATE PROCEDURE Plain AS\r\n-SELECT 1\r\n+SELECT 2\r\n"),
              std::string::npos)
        << differs.out;
    auto usage = runScript(dir, {"--connection", connection, "compare"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("command 'compare' needs --folder DIR"), std::string::npos);
}
