#include "ServerFixture.h"
#include "support/Names.h"

#include "data/Scripts.h"
#include "data/odbc/OdbcBlockFetch.h"
#include "data/odbc/OdbcBlockLoad.h"
#include "data/odbc/OdbcCursor.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

using namespace varnett::testing;
using varnett::data::fetchBlockLimits;
using varnett::data::FetchBlockLimits;
using varnett::sqltext::Value;

namespace {

// Every type of a bounded size, with full-width texts and binaries.
const char* const kBoundedTable =
    "CREATE TABLE dbo.Bounded (ID int PRIMARY KEY, c_bigint bigint, c_int int, c_smallint smallint,"
    " c_tinyint tinyint, c_bit bit, c_dec decimal(38,10), c_money money, c_smallmoney smallmoney,"
    " c_float float, c_real real, c_date date, c_dt datetime, c_dt2 datetime2, c_sdt smalldatetime,"
    " c_time time, c_dto datetimeoffset, c_char char(10), c_vc varchar(100), c_nvc nvarchar(200),"
    " c_bin binary(4), c_vbin varbinary(100), c_guid uniqueidentifier)";

// Four rows (extremes, empty values, NULLs, ordinary ones), then copies of
// them up to 16 rows: blocks of 3 leave one row for the last block.
const char* const kBoundedRows =
    "INSERT INTO dbo.Bounded VALUES"
    " (1, 9223372036854775807, 2147483647, 32767, 255, 1, 9999999999999999999999999999.9999999999,"
    "  922337203685477.5807, 214748.3647, 1.7976931348623157E308, 3.4E38, '9999-12-31',"
    "  '9999-12-31 23:59:59.997', '9999-12-31 23:59:59.999999', '2079-06-06 23:59:00',"
    "  '23:59:59.999999', '9999-12-31 23:59:59.999999 +14:00', 'O''Neil', REPLICATE('v', 100),"
    "  REPLICATE(N'\xF0\x9F\x98\x80', 100), 0xDEADBEEF,"
    "  CAST(REPLICATE(CAST('z' AS varchar(max)), 100) AS varbinary(100)),"
    "  '6F9619FF-8B86-D011-B42D-00C04FC964FF'),"
    " (2, -9223372036854775808, -2147483648, -32768, 0, 0, -9999999999999999999999999999.9999999999,"
    "  -922337203685477.5808, -214748.3648, -2.2250738585072014E-308, -1.18E-38, '0001-01-01',"
    "  '1753-01-01', '0001-01-01', '1900-01-01', '00:00:00', '0001-01-01 00:00:00 -14:00', '',"
    "  '', N'', 0x00, 0x, '00000000-0000-0000-0000-000000000000'),"
    " (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,"
    "  NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),"
    " (4, 0, 0, 0, 0, 0, 0.0000000001, 0.0001, 0, 0.1, 0.5, '2024-02-29', '2024-02-29 12:34:56.123',"
    "  '2024-02-29 12:34:56.123456', '2024-02-29 12:35:00', '12:34:56.123456',"
    "  '2024-02-29 12:34:56.123456 +05:30', 'GO', 'line' + CHAR(13) + CHAR(10) + 'GO',"
    "  N'\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1 ''q''', 0x0A0D, 0x474F, NEWID());"
    "INSERT INTO dbo.Bounded SELECT ID + 4, c_bigint, c_int, c_smallint, c_tinyint, c_bit, c_dec,"
    " c_money, c_smallmoney, c_float, c_real, c_date, c_dt, c_dt2, c_sdt, c_time, c_dto, c_char,"
    " c_vc, c_nvc, c_bin, c_vbin, c_guid FROM dbo.Bounded;"
    "INSERT INTO dbo.Bounded SELECT ID + 8, c_bigint, c_int, c_smallint, c_tinyint, c_bit, c_dec,"
    " c_money, c_smallmoney, c_float, c_real, c_date, c_dt, c_dt2, c_sdt, c_time, c_dto, c_char,"
    " c_vc, c_nvc, c_bin, c_vbin, c_guid FROM dbo.Bounded";

// The same with a column of unbounded size.
const char* const kUnboundedTable =
    "SELECT ID, c_int, c_nvc, CAST(REPLICATE(CAST(c_nvc AS nvarchar(max)), 50) AS nvarchar(max))"
    " AS c_nvmax INTO dbo.Unbounded FROM dbo.Bounded";

// Sets the block limits for the object's life.
class BlockLimits {
public:
    explicit BlockLimits(std::size_t rows) : m_saved(fetchBlockLimits()) { fetchBlockLimits().rows = rows; }
    ~BlockLimits() { fetchBlockLimits() = m_saved; }
    BlockLimits(const BlockLimits&) = delete;
    BlockLimits& operator=(const BlockLimits&) = delete;

private:
    FetchBlockLimits m_saved;
};

struct Read {
    std::size_t blockRows = 0;
    std::vector<std::vector<Value>> rows;
};

// Every row of the table, with the rows the cursor fetched to a block.
Read readAll(const ScratchDatabase& db, const char* table, std::size_t blockRows)
{
    BlockLimits limits(blockRows);
    auto engine = db.open();
    auto cursor = engine->openRows(varnett::sqltext::parseObjectName(table), "");
    Read read;
    read.blockRows = dynamic_cast<varnett::data::OdbcCursor&>(*cursor).blockRows();
    // Values read into the storage of the row before, and fresh ones, are
    // the same.
    std::vector<Value> reused(cursor->columns().size());
    while (cursor->next()) {
        std::vector<Value> row;
        for (std::size_t i = 0; i < reused.size(); ++i) {
            cursor->readValue(i, reused[(i + read.rows.size()) % reused.size()]);
            row.push_back(cursor->value(i));
            const Value& kept = reused[(i + read.rows.size()) % reused.size()];
            EXPECT_TRUE(kept.kind == row[i].kind && kept.integer == row[i].integer
                        && kept.bytes == row[i].bytes)
                << "column " << i;
        }
        read.rows.push_back(std::move(row));
    }
    EXPECT_FALSE(cursor->next());
    return read;
}

bool sameValue(const Value& a, const Value& b)
{
    return a.kind == b.kind && a.integer == b.integer
        && std::memcmp(&a.real, &b.real, sizeof a.real) == 0 && a.bytes == b.bytes;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

// Rows fetched a block at a time are the rows the row path reads, value for
// value, and the data script written from them is the same byte for byte.
TEST(ServerBlockFetch, BlocksReadWhatTheRowPathReads)
{
    ScratchDatabase db;
    db.run(kBoundedTable);
    db.run(kBoundedRows);
    db.run(kUnboundedTable);
    const Read byRow = readAll(db, "Bounded", 1);
    ASSERT_EQ(byRow.blockRows, 0u);
    ASSERT_EQ(byRow.rows.size(), 16u);

    struct Case {
        const char* table;
        std::size_t limit;
        std::size_t blockRows;  // as the cursor fetches them
    };
    const Case cases[] = {
        {"Bounded", 3, 3},        // 16 rows: five blocks of 3 and one of 1
        {"Bounded", 16, 16},      // one block, then the end
        {"Bounded", 1024, 1024},
        {"Unbounded", 3, 0},      // nvarchar(max): row by row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.table) + " " + std::to_string(c.limit));
        const Read expected = c.table == std::string("Bounded") ? byRow : readAll(db, c.table, 1);
        const Read read = readAll(db, c.table, c.limit);
        EXPECT_EQ(read.blockRows, c.blockRows);
        ASSERT_EQ(read.rows.size(), expected.rows.size());
        for (std::size_t r = 0; r < read.rows.size(); ++r)
            for (std::size_t i = 0; i < read.rows[r].size(); ++i)
                EXPECT_TRUE(sameValue(read.rows[r][i], expected.rows[r][i]))
                    << "row " << r << " column " << i << ": " << read.rows[r][i].bytes << " / "
                    << expected.rows[r][i].bytes;
    }

    TempDir dir;
    std::vector<std::string> scripts;
    for (std::size_t limit : {std::size_t{1}, std::size_t{3}}) {
        BlockLimits limits(limit);
        auto engine = db.open();
        scripts.push_back(dir.file("data" + std::to_string(limit) + ".sql"));
        varnett::data::writeDataScript(*engine, names({"Bounded", "Unbounded"}), scripts.back());
    }
    EXPECT_EQ(fileText(scripts[0]), fileText(scripts[1]));
    EXPECT_NE(fileText(scripts[0]).find("INSERT INTO Bounded"), std::string::npos);
}

namespace {

// Sets the block load's rows to an execution for the object's life, for the
// engines opened meanwhile.
class BlockLoadRows {
public:
    explicit BlockLoadRows(const char* rows) { setenv("VARNETT_ODBC_BLOCK_LOAD", rows, 1); }
    ~BlockLoadRows() { unsetenv("VARNETT_ODBC_BLOCK_LOAD"); }
    BlockLoadRows(const BlockLoadRows&) = delete;
    BlockLoadRows& operator=(const BlockLoadRows&) = delete;
};

// Rows of the table in the one database that the other lacks.
std::string missingRows(const std::string& table, const std::string& from, const std::string& to)
{
    return scalar({}, "SELECT COUNT(*) FROM (SELECT * FROM [" + from + "].dbo." + table
                          + " EXCEPT SELECT * FROM [" + to + "].dbo." + table + ") AS d")
        .value_or("NULL");
}

// The message of the load of the script into the database; empty when it
// loads.
std::string loadError(const ScratchDatabase& db, const std::string& script)
{
    try {
        auto engine = db.open();
        varnett::data::loadScriptFile(*engine, script);
    } catch (const varnett::Error& error) {
        return error.what();
    }
    return {};
}

} // namespace

// The block load gives the rows the text gives, for every bound type, with
// statements cut into executions of two rows and a table that goes as text.
TEST(ServerBlockLoad, LoadsTheRowsTheTextLoads)
{
    TempDir dir;
    ScratchDatabase source;
    source.run(kBoundedTable);
    source.run(kBoundedRows);
    source.run(kUnboundedTable);
    source.run("CREATE TABLE dbo.Variants (ID int PRIMARY KEY, v sql_variant)");
    source.run("INSERT INTO dbo.Variants VALUES (1, CAST(5 AS int)), (2, N'x'), (3, NULL)");
    const auto tables = names({"Bounded", "Unbounded", "Variants"});

    struct Case {
        int rowsPerInsert;
        int batch;
        bool blocks;    // some statement goes as bound parameters
    };
    const Case cases[] = {{1, 1, true}, {3, 2, true}, {1000, 1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rowsPerInsert) + " rows to an insert");
        varnett::data::DataScriptSettings settings;
        settings.format.rowsPerInsert = c.rowsPerInsert;
        settings.format.statementsPerBatch = c.batch;
        const std::string script = dir.file("data.sql");
        varnett::data::writeDataScript(*source.open(), tables, script, settings);

        ScratchDatabase target;
        target.run(kBoundedTable);
        target.run("CREATE TABLE dbo.Unbounded (ID int, c_int int, c_nvc nvarchar(200),"
                   " c_nvmax nvarchar(max))");
        target.run("CREATE TABLE dbo.Variants (ID int PRIMARY KEY, v sql_variant)");
        const std::size_t before = varnett::data::blockLoadExecutions();
        {
            BlockLoadRows rows("2");
            EXPECT_EQ(loadError(target, script), "");
        }
        EXPECT_EQ(varnett::data::blockLoadExecutions() > before, c.blocks);
        for (const char* table : {"Bounded", "Unbounded"}) {
            SCOPED_TRACE(table);
            EXPECT_EQ(missingRows(table, source.name(), target.name()), "0");
            EXPECT_EQ(missingRows(table, target.name(), source.name()), "0");
        }
        // sql_variant goes as text (whose bigint for an int the comparison
        // on Babelfish tells apart).
        EXPECT_EQ(scalar(target.name(), "SELECT COUNT(*) FROM dbo.Variants"), "3");
    }
}

// A row that fails in the middle of a block names the batch and line the
// text names, and the load leaves the target as it was.
TEST(ServerBlockLoad, AFailingRowInABlockRollsTheLoadBackWithTheTextsMessage)
{
    TempDir dir;
    const char* const lines = "CREATE TABLE dbo.Lines (ID int PRIMARY KEY, name nvarchar(40),"
                              " amount decimal(12,2), at datetime, data varbinary(8))";
    ScratchDatabase source;
    source.run(lines);
    source.run("INSERT INTO dbo.Lines SELECT n, N'line ' + CAST(n AS nvarchar(10)), n * 1.25,"
               " DATEADD(day, n, CAST('2024-01-01' AS datetime)), CAST(n AS varbinary(8))"
               " FROM (VALUES (1),(2),(3),(4),(5),(6),(7),(8),(9),(10),(11),(12)) AS t(n)");
    varnett::data::DataScriptSettings settings;
    settings.format.rowsPerInsert = 5;
    settings.format.statementsPerBatch = 2;
    const std::string script = dir.file("data.sql");
    varnett::data::writeDataScript(*source.open(), names({"Lines"}), script, settings);

    // Batch 1 holds rows 1 to 5 and 6 to 10; with three rows to an
    // execution, row 7 is the middle one of the second statement's first.
    // Its key is taken in the target.
    ScratchDatabase target;
    target.run(lines);
    target.run("INSERT INTO dbo.Lines (ID, name) VALUES (7, N'kept')");
    const std::string byText = loadError(target, script);
    EXPECT_EQ(byText.rfind("Batch 1 (line 1): ", 0), 0u) << byText;
    std::string byBlocks;
    const std::size_t before = varnett::data::blockLoadExecutions();
    {
        BlockLoadRows rows("3");
        byBlocks = loadError(target, script);
    }
    EXPECT_GT(varnett::data::blockLoadExecutions(), before);
    EXPECT_EQ(byBlocks, byText);
    EXPECT_EQ(rowsOf(query(target.name(), "SELECT ID, name FROM dbo.Lines")), "7|kept\n");
}
