#include "sqltext/Error.h"
#include "data/Scripts.h"
#include "data/sqlite/SqliteEngine.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <set>

using varnett::testing::names;

using varnett::Error;
using varnett::data::Engine;
using varnett::data::Progress;
using varnett::data::Value;
using varnett::testing::readFile;
using varnett::testing::TempDir;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::writeFile;
namespace fs = std::filesystem;

namespace {

std::set<std::string> filesIn(const TempDir& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.insert(entry.path().filename().string());
    return names;
}

// Every row of a table, each value as the engine delivers it.
std::vector<std::vector<Value>> rowsOf(Engine& engine, const std::string& table)
{
    auto cursor = engine.openTable(varnett::sqltext::parseObjectName(table));
    std::vector<std::vector<Value>> rows;
    while (cursor->next()) {
        rows.emplace_back();
        for (std::size_t i = 0; i < cursor->columns().size(); ++i)
            rows.back().push_back(cursor->value(i));
    }
    return rows;
}

bool sameValue(const Value& a, const Value& b)
{
    if (a.kind != b.kind)
        return false;
    switch (a.kind) {
    case Value::Kind::Null:
        return true;
    case Value::Kind::Integer:
        return a.integer == b.integer;
    case Value::Kind::Real:
        // Bit for bit: -0.0 and 0.0 differ, as do neighbouring doubles.
        return std::memcmp(&a.real, &b.real, sizeof a.real) == 0;
    default:
        return a.bytes == b.bytes;
    }
}

const char* const kOnOn = "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  ON\r\n";
const char* const kOffOff = "SET QUOTED_IDENTIFIER  OFF    SET ANSI_NULLS  OFF\r\n";
const char* const kOnOff = "SET QUOTED_IDENTIFIER  ON    SET ANSI_NULLS  OFF\r\n";

} // namespace

TEST(ProcedureScript, CalleesFirstInExactBlocksWithTheTextAsKept)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    const std::string longLine = "-- " + std::string(297, 'x');
    // Each procedure keeps the settings of the session that created it.
    engine->executeBatch("SET QUOTED_IDENTIFIER OFF\r\nSET ANSI_NULLS OFF");
    engine->executeBatch("CREATE PROCEDURE A AS\r\n"
                         "  select 'abc' as Lower\r\n"
                         "\r\n"
                         "  EXEC @rc = dbo.C\r\n");
    engine->executeBatch("SET QUOTED_IDENTIFIER ON");
    engine->executeBatch("CREATE PROCEDURE [O'Brien] AS\r\n  exec (@sql)\r\n  EXEC A\r\n");
    engine->executeBatch("SET ANSI_NULLS ON");
    engine->executeBatch("CREATE PROCEDURE B AS\n" + longLine + "\n  select 1\n");
    engine->executeBatch("create procedure C as\r\n  execute [dbo].[B];1 'O''Neil'");

    std::vector<int> starts;
    Progress progress{[&](int max) { starts.push_back(max); }, {}, {}, {}};
    std::string path = dir.file("procs.sql");
    varnett::data::writeProcedureScript(*engine, names({"O'Brien", "A", "B", "C", "a"}), path,
                                        progress);

    auto block = [](const std::string& tested, const std::string& dropped,
                    const std::string& settings, const std::string& text) {
        return "if exists (select * from sysobjects where id = object_id(N'[dbo].[" + tested
            + "]') and OBJECTPROPERTY(id, N'IsProcedure') = 1) drop procedure [dbo].[" + dropped
            + "]\r\nGO\r\n\r\n" + settings + "GO\r\n" + text + "\r\nGO\r\n" + settings
            + "GO\r\n";
    };
    // The texts byte for byte: B's lines end in LF alone, C's last line in nothing.
    EXPECT_EQ(readFile(path),
              block("B", "B", kOnOn, "CREATE PROCEDURE B AS\n" + longLine + "\n  select 1\n")
                  + block("C", "C", kOnOn, "create procedure C as\r\n  execute [dbo].[B];1 'O''Neil'")
                  + block("A", "A", kOffOff, "CREATE PROCEDURE A AS\r\n  select 'abc' as Lower\r\n\r\n"
                                    "  EXEC @rc = dbo.C\r\n")
                  + block("O''Brien", "O'Brien", kOnOff,
                          "CREATE PROCEDURE [O'Brien] AS\r\n  exec (@sql)\r\n  EXEC A\r\n"));
    // Reading, ordering and writing each report their progress over the four.
    EXPECT_EQ(starts, (std::vector<int>{4, 4, 4}));
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "procs.sql"}));
}

TEST(ProcedureScript, CyclesEndAndKeepTheirOrder)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("CREATE PROCEDURE D AS\r\n  EXEC E");
    engine->executeBatch("CREATE PROCEDURE E AS\r\n  EXEC F\r\n  EXEC D");
    engine->executeBatch("CREATE PROCEDURE F AS\r\n  EXEC E");
    engine->executeBatch("CREATE PROCEDURE G AS\r\n  EXEC D");
    std::string path = dir.file("cycle.sql");
    varnett::data::writeProcedureScript(*engine, names({"G", "E", "D", "F"}), path);

    std::string text = readFile(path);
    std::vector<std::string> created;
    for (std::size_t at = text.find("CREATE PROCEDURE "); at != std::string::npos;
         at = text.find("CREATE PROCEDURE ", at + 1))
        created.push_back(text.substr(at + 17, 1));
    // D, E and F call one another: they stay together in the given order, before G.
    EXPECT_EQ(created, (std::vector<std::string>{"E", "D", "F", "G"}));
}

// Texts past what the script keeps are read again when they are written:
// the script is the same, and a text changed in between fails it.
TEST(ProcedureScript, TextsReadAgainGiveTheSameScript)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("CREATE PROCEDURE A AS\r\n  EXEC C\r\n  select 'a'\r\n");
    engine->executeBatch("CREATE PROCEDURE B AS\n  EXEC A\n" + std::string(300, '-') + "\n");
    engine->executeBatch("CREATE PROCEDURE C AS select 3");
    const std::string kept = dir.file("kept.sql");
    const std::string readAgain = dir.file("again.sql");
    varnett::data::writeProcedureScript(*engine, names({"B", "A", "C"}), kept);
    for (std::size_t held : {std::size_t{0}, std::size_t{40}}) {
        varnett::data::writeProcedureScript(*engine, names({"B", "A", "C"}), readAgain, {}, held);
        EXPECT_EQ(readFile(readAgain), readFile(kept)) << held;
    }

    // Once all three are read, A is made again on the same connection.
    Progress progress;
    progress.afterStep = [&](std::size_t done) {
        if (done == 3) {
            engine->executeBatch("DROP PROCEDURE A");
            engine->executeBatch("CREATE PROCEDURE A AS select 1");
        }
    };
    writeFile(readAgain, "old");
    EXPECT_EQ(errorOf([&] {
                  varnett::data::writeProcedureScript(*engine, names({"B", "A", "C"}), readAgain,
                                                      progress, 0);
              }),
              "The procedure 'A' was changed while the script was written; write the script"
              " again.");
    EXPECT_EQ(readFile(readAgain), "old");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "kept.sql", "again.sql"}));
}

TEST(ProcedureScript, FailuresLeaveTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("CREATE PROCEDURE A AS select 1");
    std::string path = dir.file("procs.sql");
    writeFile(path, "old script");
    ::chmod(path.c_str(), 0640);

    std::string message = errorOf(
        [&] { varnett::data::writeProcedureScript(*engine, names({"A", "Gone"}), path); });
    EXPECT_EQ(message, "The object 'Sales.dbo.Gone' does not exist in database 'Sales' or is "
                       "invalid for this operation.");
    EXPECT_EQ(readFile(path), "old script");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "procs.sql"}));

    EXPECT_EQ(errorOf([&] { varnett::data::writeProcedureScript(*engine, {}, path); }),
              "No procedure is chosen for the script.");
    fs::create_directory(dir.path() / "folder");
    EXPECT_EQ(errorOf([&] {
                  varnett::data::writeProcedureScript(*engine, names({"A"}), dir.file("folder"));
              }),
              "'" + dir.file("folder") + "' is a folder, not a file.");
    std::string missing = dir.file("missing/procs.sql");
    EXPECT_EQ(errorOf([&] { varnett::data::writeProcedureScript(*engine, names({"A"}), missing); }),
              "Cannot write the file '" + missing + "': No such file or directory.");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "folder", "procs.sql"}));

    // A replaced file keeps its permissions.
    varnett::data::writeProcedureScript(*engine, names({"A"}), path);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_NE(readFile(path), "old script");
}

TEST(DataScriptFile, FramesOnlyIdentityTablesAndEndsLinesWithCrLf)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("create table T (id INTEGER PRIMARY KEY AUTOINCREMENT, name varchar(10));"
                         "insert into T values (1, 'abc');"
                         "create table [Order Details] (Qty int, [a]]b] nvarchar(5));"
                         "insert into [Order Details] values (2, N'x''y');"
                         "create table Empty (id INTEGER PRIMARY KEY AUTOINCREMENT)");
    std::string path = dir.file("data.sql");
    int steps = 0;
    Progress progress{{}, [&](int position) { steps = position; }, {}, {}};
    varnett::data::writeDataScript(*engine, names({"T", "Order Details", "Empty", "t"}), path, progress);
    EXPECT_EQ(readFile(path),
              "set identity_insert T on\r\nGO\r\n"
              "INSERT INTO T(\r\n[id],\r\n[name])\r\nVALUES(\r\n1,\r\n'abc')\r\nGO\r\n"
              "\r\nset identity_insert T off\r\nGO\r\n"
              "INSERT INTO [Order Details](\r\n[Qty],\r\n[a]]b])\r\nVALUES(\r\n2,\r\nN'x''y')\r\n"
              "GO\r\n\r\n"
              "set identity_insert Empty on\r\nGO\r\n\r\nset identity_insert Empty off\r\nGO\r\n");
    EXPECT_EQ(steps, 3);

    writeFile(path, "old data");
    EXPECT_EQ(errorOf([&] { varnett::data::writeDataScript(*engine, names({"T", "Nope"}), path); }),
              "Invalid object name 'Nope'.");
    EXPECT_EQ(readFile(path), "old data");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "data.sql"}));
}

TEST(DataScriptFile, AFailingRowLeavesTheOldFileAndNoTemporaryFile)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("create table Big (id int, note varchar(100), at datetime)");
    engine->beginTransaction();
    for (int i = 0; i < 3000; ++i)
        engine->executeBatch("insert into Big values (" + std::to_string(i)
                             + ", 'a row long enough to fill the buffers of the writer', "
                               "'2024-01-02 03:04:05')");
    engine->executeBatch("insert into Big values (3000, 'bad', 'soon')");
    engine->commit();

    std::string path = dir.file("data.sql");
    writeFile(path, "old data");
    EXPECT_EQ(errorOf([&] { varnett::data::writeDataScript(*engine, names({"Big"}), path); }),
              "The value 'soon' of the column 'at' is not a date or time");
    EXPECT_EQ(readFile(path), "old data");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "data.sql"}));
}

TEST(DataScriptFile, EveryValueLoadsBackAsItWas)
{
    const std::string table =
        "create table AllTypes (id INTEGER PRIMARY KEY AUTOINCREMENT, vc varchar(20),"
        " nvc nvarchar(max), ch char(3), nch nchar(2), tx text, ntx ntext, si smallint,"
        " ti tinyint, bi bigint, b bit, dec decimal(19,4), num numeric(38,10), mon money,"
        " smon smallmoney, fl float, re real, dt datetime, sdt smalldatetime, d date, t time,"
        " dt2 datetime2, dto datetimeoffset, bin binary(4), vb varbinary(max), img image,"
        " guid uniqueidentifier, x xml, [Order Date] datetime, [a]]b] int, ts timestamp,"
        " twice int GENERATED ALWAYS AS (si * 2))";
    const std::string columns =
        "insert into AllTypes (id, vc, nvc, ch, nch, tx, ntx, si, ti, bi, b, dec, num, mon, smon,"
        " fl, re, dt, sdt, d, t, dt2, dto, bin, vb, img, guid, x, [Order Date], [a]]b], ts) ";
    TempDir dir;
    auto source = freshEngine(dir, "Source.db");
    source->executeBatch(table);
    source->executeBatch(
        columns
        + "values (1, 'O''Neil', 'Ωμέγα ‘q’ ''x'' 日本 😀', 'a''b', 'é',"
          " 'line1' || char(13, 10) || 'line2' || char(10) || 'GO x' || char(10), '', -32768,"
          " 255, -9223372036854775808, 1, 12345.6789, 0.0000000001, -922337203685477.5,"
          " 0, 1.7976931348623157E308, 0.1, '2000-01-01T00:00:00', '1999-12-31T23:59:00',"
          " '2024-02-29', '00:00:00', '2024-06-30T23:59:59.9999999', '2020-01-01T00:00:00+05:30',"
          " X'00FF270A', X'', NULL, '6F9619FF-8B86-D011-B42D-00C04FC964FF',"
          " '<a b=\"1\">&amp;</a>', NULL, 0, X'0000000000000001')");
    source->executeBatch(columns
                         + "values (2, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
                           " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
                           " NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    source->executeBatch(
        columns
        + "values (1000, NULL, '', '   ', N'', 'tab\there', 'ž', 32767, 0,"
          " 9223372036854775807, 0, -0.0001, 12345678901234567890, 0.01, -214748.3648,"
          " -2.2250738585072014E-308, -3.4E38, '1753-01-01T00:00:00.003',"
          " '2079-06-06T23:59:00', '0001-01-01', '13:45:30.1234567', '9999-12-31T23:59:59.5',"
          " '2024-03-10T02:30:00-08:00', X'FFFFFFFF', X'0D0A2700', X'89504E47',"
          " '00000000-0000-0000-0000-000000000000', '', '2024-01-01T00:00:00', -1, NULL)");

    // A second table that refers to the first, chosen before it.
    source->executeBatch("create table Child (id int references AllTypes (id), note nvarchar(5));"
                         "insert into Child values (1, N'a''b'), (1000, NULL)");
    auto before = rowsOf(*source, "AllTypes");
    ASSERT_EQ(before.size(), 3u);
    // Spot checks that the values a copy holds are the awkward ones meant.
    auto spotCheck = [](const decltype(before)& after) {
        EXPECT_EQ(after[0][2].bytes, "Ωμέγα ‘q’ 'x' 日本 😀");
        EXPECT_EQ(after[0][5].bytes, "line1\r\nline2\nGO x\n");
        EXPECT_EQ(after[0][6].kind, Value::Kind::Text);
        EXPECT_EQ(after[0][6].bytes, "");
        EXPECT_EQ(after[0][9].integer, std::numeric_limits<std::int64_t>::min());
        EXPECT_EQ(after[0][15].real, 1.7976931348623157E308);
        EXPECT_EQ(after[0][24].kind, Value::Kind::Blob);
        EXPECT_EQ(after[0][24].bytes, "");
        EXPECT_EQ(after[0][23].bytes, std::string("\x00\xFF\x27\x0A", 4));
        EXPECT_EQ(after[0][31].integer, -65536);
        EXPECT_EQ(after[1][1].kind, Value::Kind::Text);
        EXPECT_TRUE(after[1][2].isNull());
        EXPECT_EQ(after[2][0].integer, 1000);
        EXPECT_EQ(after[2][20].bytes, "13:45:30.1234567");
    };

    struct Setting {
        const char* what;
        varnett::data::DataScriptSettings settings;
        std::vector<std::size_t> rows;  // of `before`, in the target
    };
    auto with = [](int rowsPerInsert, int batch, std::string condition, bool byKeys) {
        varnett::data::DataScriptSettings s;
        s.format = {rowsPerInsert, batch};
        if (!condition.empty())
            s.conditions.emplace_back("alltypes"_name, condition);
        s.orderByKeys = byKeys;
        return s;
    };
    const Setting settings[] = {
        {"default", with(1, 1, "", false), {0, 1, 2}},
        {"two rows an INSERT", with(2, 1, "", false), {0, 1, 2}},
        {"three statements a batch", with(1, 3, "", false), {0, 1, 2}},
        {"1000 rows, 10 statements", with(1000, 10, "", false), {0, 1, 2}},
        {"a condition", with(1, 1, "id <> 2 AND vc IS NULL OR vc = N'O''Neil'", false), {0, 2}},
        {"foreign key order", with(2, 2, "", true), {0, 1, 2}},
    };
    int run = 0;
    for (const Setting& setting : settings) {
        SCOPED_TRACE(setting.what);
        std::string path = dir.file("data.sql");
        varnett::data::writeDataScript(*source, names({"Child", "AllTypes"}), path, setting.settings);
        std::string script = readFile(path);
        // The server fills timestamps and computed columns: they are not inserted.
        EXPECT_EQ(script.find("[ts]"), std::string::npos);
        EXPECT_EQ(script.find("[twice]"), std::string::npos);
        EXPECT_EQ(script.find("INSERT INTO Child") < script.find("INSERT INTO AllTypes"),
                  !setting.settings.orderByKeys);

        auto target = freshEngine(dir, "Target" + std::to_string(++run) + ".db");
        target->executeBatch(table);
        target->executeBatch("create table Child (id int references AllTypes (id), note nvarchar(5))");
        varnett::data::loadScript(*target, script);

        EXPECT_EQ(rowsOf(*target, "Child").size(), 2u);
        auto after = rowsOf(*target, "AllTypes");
        ASSERT_EQ(after.size(), setting.rows.size());
        const std::size_t tsColumn = 30;
        for (std::size_t r = 0; r < after.size(); ++r) {
            const auto& expected = before[setting.rows[r]];
            ASSERT_EQ(after[r].size(), expected.size());
            for (std::size_t c = 0; c < expected.size(); ++c) {
                if (c == tsColumn)
                    EXPECT_TRUE(after[r][c].isNull());
                else
                    EXPECT_TRUE(sameValue(expected[c], after[r][c]))
                        << "row " << r << ", column " << c << ": " << expected[c].bytes << " / "
                        << after[r][c].bytes;
            }
        }
        if (setting.rows.size() == before.size())
            spotCheck(after);
    }
}

TEST(DataScriptFile, ConditionsMustNameAScriptedTableOnce)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("create table T (id int); insert into T values (1), (2), (3)");
    std::string path = dir.file("data.sql");
    writeFile(path, "old data");
    auto settings = [](std::vector<std::pair<std::string, std::string>> conditions) {
        varnett::data::DataScriptSettings s;
        for (auto& [table, condition] : conditions)
            s.conditions.emplace_back(varnett::sqltext::objectNameOrWhole(table), std::move(condition));
        return s;
    };
    struct Case {
        std::vector<std::pair<std::string, std::string>> conditions;
        const char* error;
    };
    const Case cases[] = {
        {{{"U", "id = 1"}}, "The condition for 'U' names a table that is not scripted."},
        {{{"T", "id = 1"}, {"t", "id = 2"}}, "The table 't' has more than one condition."},
        {{{"T", "nosuch = 1"}}, "no such column: nosuch"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] {
                      varnett::data::writeDataScript(*engine, names({"T"}), path, settings(c.conditions));
                  }),
                  c.error);
    writeFile(path, "old data");
    EXPECT_EQ(errorOf([&] {
                  varnett::data::writeDataScript(*engine, names({"T"}), path,
                                                 settings({{"T", "id = 1; DROP TABLE T"}}));
              }),
              "near \";\": syntax error");
    EXPECT_EQ(readFile(path), "old data");
    // A blank condition is none.
    varnett::data::writeDataScript(*engine, names({"T"}), path, settings({{"T", " "}, {"T", "id >= 2"}}));
    EXPECT_EQ(readFile(path),
              "INSERT INTO T(\r\n[id])\r\nVALUES(\r\n2)\r\nGO\r\n"
              "INSERT INTO T(\r\n[id])\r\nVALUES(\r\n3)\r\nGO\r\n\r\n");
}

TEST(LoadScript, WithoutATransactionTheBatchesBeforeAFailureStayDone)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    std::vector<varnett::data::LoadProgress> reports;
    varnett::data::LoadOptions options;
    options.transaction = false;
    options.progress = [&](const varnett::data::LoadProgress& p) { reports.push_back(p); };
    std::string message = errorOf([&] {
        varnett::data::loadScript(*engine,
                                  "\xEF\xBB\xBF"
                                  "create table t (x int)\r\n"
                                  " go \r\n"
                                  "\r\n"
                                  "GO\r\n"
                                  "insert into t values (1);\n"
                                  "insert into t values (2)\n"
                                  "Go\n"
                                  "\r\n"
                                  "  insert into nosuch values (3)\r\n"
                                  "GO\r\n"
                                  "insert into t values (4)\r\n",
                                  options);
    });
    EXPECT_EQ(message, "Batch 3 (line 9): no such table: nosuch");
    // Reported at the start only: the script is shorter than a report's step.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].batchesDone, 0u);
    EXPECT_EQ(reports[0].bytesTotal, 158u);
    auto rows = rowsOf(*engine, "t");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0].integer, 1);
    EXPECT_EQ(rows[1][0].integer, 2);

    // A script of blank batches does nothing and is no error.
    reports.clear();
    varnett::data::loadScript(*engine, "\r\nGO\r\n  \r\nGO\r\n", options);
    EXPECT_EQ(rowsOf(*engine, "t").size(), 2u);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].bytesDone, 14u);
    EXPECT_EQ(reports[1].batchesDone, 0u);
}

TEST(LoadScript, AProcedureScriptRecreatesItsProceduresElsewhere)
{
    TempDir dir;
    auto source = freshEngine(dir, "Sales.db");
    source->executeBatch("CREATE PROCEDURE Caller AS\r\n  EXEC Callee\r\n");
    source->executeBatch("CREATE PROCEDURE Callee AS\r\n  SELECT 'x'\r\n");
    const std::string path = dir.file("procs.sql");
    varnett::data::writeProcedureScript(*source, names({"Caller", "Callee"}), path);

    auto target = freshEngine(dir, "Copy.db");
    target->executeBatch("CREATE PROCEDURE Callee AS\r\n  SELECT 'old'\r\n");
    varnett::data::loadScript(*target, readFile(path));
    EXPECT_EQ(varnett::testing::shown(target->listProcedures()), (std::vector<std::string>{"Callee;1", "Caller;1"}));
    const auto rows = target->procedureText("Callee"_name);
    ASSERT_FALSE(rows.empty());
    std::string text;
    for (const auto& row : rows)
        text += row;
    EXPECT_NE(text.find("SELECT 'x'"), std::string::npos) << text;
    // Loading it again replaces them once more: the blocks drop first.
    EXPECT_NO_THROW(varnett::data::loadScript(*target, readFile(path)));
}

TEST(DataScriptFile, HostileValuesSurviveScriptAndLoad)
{
    const std::string table =
        "create table [Hostile Values] (id INTEGER PRIMARY KEY AUTOINCREMENT, n nvarchar(max),"
        " v varchar(max), b varbinary(max), f float, i bigint, d datetime2, sv sql_variant)";
    const std::string longGo = std::string(5000, 'x') + "\r\nGO\r\n" + std::string(10, 'y');
    const std::vector<std::string> texts = {
        "line 1\r\nGO\r\nline 3",
        "  go  \n",
        "\nGo",
        std::string("nul\0inside", 10),
        std::string("\0", 1),
        "lone\rCR and lone\nLF",
        "quotes ' '' \" ]] [x]",
        "beyond the BMP \xF0\x9F\x98\x80 \xF0\x90\x8D\x88",
        "GO",
        longGo,
    };
    TempDir dir;
    auto source = freshEngine(dir, "Source.db");
    source->executeBatch(table);
    // The texts go in through parameters of their own, byte for byte.
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::string hex;
        for (unsigned char c : texts[i]) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            hex += kHex[c >> 4];
            hex += kHex[c & 15];
        }
        source->executeBatch("insert into [Hostile Values] (n, v, b) values (CAST(X'" + hex
                             + "' AS TEXT), CAST(X'" + hex + "' AS TEXT), X'" + hex + "')");
    }
    source->executeBatch(
        "insert into [Hostile Values] (f, i, d, sv) values (-1.7976931348623157E308,"
        " -9223372036854775808, '0001-01-01T00:00:00', 5000000000);"
        "insert into [Hostile Values] (f, i, d, sv) values (4.9406564584124654E-324,"
        " 9223372036854775807, '9999-12-31T23:59:59.9999999', 3.14159);"
        "insert into [Hostile Values] (f, sv) values (-0.0, 'text')");

    const std::string path = dir.file("data.sql");
    varnett::data::writeDataScript(*source, names({"Hostile Values"}), path);
    const std::string script = readFile(path);
    // No line of the script is a lone GO inside a value.
    EXPECT_NE(script.find("N'line 1' + NCHAR(13) + NCHAR(10) + N'GO' + NCHAR(13) + NCHAR(10) + "
                          "N'line 3',\r\n"),
              std::string::npos);
    EXPECT_NE(script.find("CAST(5000000000 AS bigint))"), std::string::npos);
    EXPECT_NE(script.find("CAST(3.14159 AS float))"), std::string::npos);

    auto target = freshEngine(dir, "Target.db");
    target->executeBatch(table);
    varnett::data::loadScript(*target, script);
    const auto before = rowsOf(*source, "Hostile Values");
    const auto after = rowsOf(*target, "Hostile Values");
    ASSERT_EQ(after.size(), before.size());
    ASSERT_EQ(after.size(), texts.size() + 3);
    for (std::size_t r = 0; r < before.size(); ++r)
        for (std::size_t c = 0; c < before[r].size(); ++c)
            EXPECT_TRUE(sameValue(before[r][c], after[r][c]))
                << "row " << r << ", column " << c << ": " << before[r][c].bytes.size() << " / "
                << after[r][c].bytes.size() << " bytes";
    // Spot checks that the values are the hostile ones meant.
    EXPECT_EQ(after[0][1].bytes, "line 1\r\nGO\r\nline 3");
    EXPECT_EQ(after[3][2].bytes, std::string("nul\0inside", 10));
    EXPECT_EQ(after[9][1].bytes, longGo);
    EXPECT_EQ(after[10][7].kind, Value::Kind::Integer);
    EXPECT_EQ(after[11][7].kind, Value::Kind::Real);
    EXPECT_EQ(after[11][6].bytes, "9999-12-31T23:59:59.9999999");
}

TEST(ProcedureScript, RoundTripKeepsTextAndSettings)
{
    TempDir dir;
    auto source = freshEngine(dir, "Sales.db");
    const std::string quoted = "CREATE PROCEDURE \"Quoted Proc\" AS\r\n"
                               "  SELECT \"col\" FROM \"My Table\"\r\n"
                               "  SELECT 'line\nbreak'\r\n";
    const std::string plain = "create proc Plain as select 1";
    source->executeBatch(quoted);
    source->executeBatch("SET QUOTED_IDENTIFIER OFF");
    source->executeBatch(plain);
    const std::string path = dir.file("procs.sql");
    varnett::data::writeProcedureScript(*source, names({"Quoted Proc", "Plain"}), path);

    auto target = freshEngine(dir, "Copy.db");
    varnett::data::loadScript(*target, readFile(path));
    EXPECT_EQ(varnett::testing::shown(target->listProcedures()), (std::vector<std::string>{"Plain;1", "Quoted Proc;1"}));
    std::string text;
    for (const std::string& row : target->procedureText("[Quoted Proc]"_name))
        text += row;
    EXPECT_EQ(text, quoted);
    text.clear();
    for (const std::string& row : target->procedureText("Plain"_name))
        text += row;
    EXPECT_EQ(text, plain);
    EXPECT_TRUE(target->procedureSettings("[Quoted Proc]"_name).quotedIdentifier);
    EXPECT_FALSE(target->procedureSettings("Plain"_name).quotedIdentifier);
    EXPECT_TRUE(target->procedureSettings("Plain"_name).ansiNulls);
}

TEST(ProcedureScript, AProcedureWithAGoLineWritesNoFile)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("CREATE PROCEDURE Fine AS SELECT 1");
    // Only a client that sends no GO separators can create this one.
    engine->executeBatch("CREATE PROCEDURE Split AS\r\nSELECT 'a\r\n go\r\nb'\r\n");
    const std::string path = dir.file("procs.sql");
    EXPECT_EQ(errorOf([&] {
                  varnett::data::writeProcedureScript(*engine, names({"Fine", "Split"}), path);
              }),
              "The procedure 'Split' cannot be written to a script: its line 3 (' go') holds only "
              "GO, which would end the script's batch there");
    EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db"}));
}

// The data script counts the rows it is to write, its conditions kept, before
// it writes them.
TEST(OperationSteps, TheDataScriptCountsItsRowsFirst)
{
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("create table T (id int); create table [U V] (id int)");
    for (int i = 0; i < 5; ++i)
        engine->executeBatch("insert into T values (" + std::to_string(i) + ");"
                             "insert into [U V] values (" + std::to_string(i) + ")");
    std::vector<std::uint64_t> totals;
    Progress progress;
    progress.rowsTotal = [&](std::uint64_t rows) { totals.push_back(rows); };
    varnett::data::DataScriptSettings settings;
    settings.conditions = {{"U V"_name, "id >= 3"}};
    varnett::data::writeDataScript(*engine, names({"T", "U V"}), dir.file("out.sql"), settings, progress);
    EXPECT_EQ(totals, (std::vector<std::uint64_t>{7}));
    EXPECT_EQ(engine->countRows("U V"_name, "id < 1"), 1u);
}

// Each long operation passes its steps through one hook; a stop thrown from
// it at a given step leaves the target as it was, whatever step it is.
TEST(OperationSteps, AStopAtAnyStepLeavesTheTargetAsItWas)
{
    struct Stopped : std::runtime_error {
        Stopped() : std::runtime_error("stopped") {}
    };
    TempDir dir;
    auto engine = freshEngine(dir, "Sales.db");
    engine->executeBatch("create table T (id int, name varchar(10))");
    for (int i = 0; i < 5; ++i)
        engine->executeBatch("insert into T values (" + std::to_string(i) + ", 'n')");
    engine->executeBatch("CREATE PROCEDURE A AS select 1");
    engine->executeBatch("CREATE PROCEDURE B AS EXEC A");
    const std::string path = dir.file("out.sql");
    std::string script;
    for (int i = 10; i < 14; ++i)
        script += "insert into T values (" + std::to_string(i) + ", 'new')\r\nGO\r\n";

    const auto stopAt = [](std::size_t step, std::vector<std::size_t>& seen) {
        return [step, &seen](std::size_t done) {
            seen.push_back(done);
            if (done == step)
                throw Stopped();
        };
    };
    const struct {
        const char* operation;
        std::size_t steps;   // units of the whole operation
    } rows[] = {{"data script", 5}, {"procedure script", 4}, {"load", 4}};
    for (const auto& row : rows) {
        const std::string operation = row.operation;
        auto run = [&](std::size_t stop, std::vector<std::size_t>& seen) {
            if (operation == "load") {
                varnett::data::LoadOptions options;
                options.afterBatch = stopAt(stop, seen);
                varnett::data::loadScript(*engine, script, options);
            } else {
                Progress progress;
                progress.afterStep = stopAt(stop, seen);
                if (operation == "data script")
                    varnett::data::writeDataScript(*engine, names({"T"}), path, progress);
                else
                    varnett::data::writeProcedureScript(*engine, names({"B", "A"}), path,
                                                        progress);
            }
        };
        for (std::size_t stop = 1; stop <= row.steps; ++stop) {
            writeFile(path, "old");
            std::vector<std::size_t> seen;
            EXPECT_THROW(run(stop, seen), Stopped) << operation << " at " << stop;
            EXPECT_EQ(seen.size(), stop) << operation << ": counted one by one, from 1";
            EXPECT_EQ(readFile(path), "old") << operation << " at " << stop;
            EXPECT_EQ(rowsOf(*engine, "T").size(), 5u) << operation << " at " << stop;
            EXPECT_EQ(varnett::testing::shown(engine->listProcedures()).size(), 2u) << operation << " at " << stop;
            EXPECT_EQ(filesIn(dir), (std::set<std::string>{"Sales.db", "out.sql"})) << operation;
        }
        // Not stopped, it counts every unit and finishes.
        std::vector<std::size_t> seen;
        run(0, seen);
        EXPECT_EQ(seen.size(), row.steps) << operation;
    }
    EXPECT_EQ(rowsOf(*engine, "T").size(), 9u) << "the load that ran through";
}
