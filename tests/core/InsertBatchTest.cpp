// Batches of INSERT statements of constants, run through kept prepared
// statements: what is taken that road, and that it stores what SQLite stores
// for the same text.
#include "data/sqlite/InsertBatch.h"
#include "data/sqlite/PreparedInserts.h"
#include "data/sqlite/SqliteDialect.h"
#include "sqltext/Error.h"
#include "sqltext/TsqlTokens.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <cstring>

using namespace varnett::data;
using Kind = InsertValue::Kind;

namespace {

class Memory {
public:
    Memory() { sqlite3_open(":memory:", &db); }
    ~Memory() { sqlite3_close_v2(db); }
    void exec(const std::string& sql)
    {
        char* error = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        std::string message = error ? error : "";
        sqlite3_free(error);
        if (rc != SQLITE_OK)
            throw varnett::Error(message);
    }
    // Each row as "typeof:quote|typeof:quote|...".
    std::vector<std::string> rows(const std::string& table)
    {
        sqlite3_stmt* query = nullptr;
        sqlite3_prepare_v2(db, ("SELECT * FROM " + table).c_str(), -1, &query, nullptr);
        std::vector<std::string> out;
        while (sqlite3_step(query) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(query); ++c) {
                sqlite3_value* v = sqlite3_column_value(query, c);
                static const char* const kTypes[] = {"", "int", "real", "text", "blob", "null"};
                row += std::string(c ? "|" : "") + kTypes[sqlite3_value_type(v)] + ":";
                if (sqlite3_value_type(v) == SQLITE_BLOB || sqlite3_value_type(v) == SQLITE_TEXT)
                    row.append(static_cast<const char*>(sqlite3_value_blob(v)),
                               static_cast<std::size_t>(sqlite3_value_bytes(v)));
                else if (sqlite3_value_type(v) == SQLITE_FLOAT) {
                    double d = sqlite3_value_double(v);
                    row += std::to_string(d) + (std::signbit(d) ? "-" : "+");
                    unsigned long long bits = 0;
                    std::memcpy(&bits, &d, sizeof d);
                    row += std::to_string(bits);
                } else
                    row += std::to_string(sqlite3_value_int64(v));
            }
            out.push_back(row);
        }
        sqlite3_finalize(query);
        return out;
    }
    sqlite3* db = nullptr;
};

std::string sqliteText(const std::string& tsql)
{
    TsqlTokens tokens(tsql, varnett::sqltext::Backticks::Names);
    return toSqliteText(tokens, 0, tokens.tokens().size());
}

} // namespace

TEST(InsertBatch, ConstantsAreReadAsSqliteReadsThem)
{
    InsertBatch batch;
    const std::string text = "INSERT INTO [Order Details](\r\n[a]]b],\r\n\"c\")\r\nVALUES(\r\n"
                             "-9223372036854775808, 9223372036854775808, -0, 1.5E-3, .5,\r\n"
                             "'O''Neil', N'Ω', '', 0x, 0x0aF, NULL, null),\r\n(1,2,3,4,5,6,7,8,"
                             "9,10,11,12);\r\n;insert dbo.T values(+7)";
    ASSERT_TRUE(readInsertBatch(text, batch));
    ASSERT_EQ(batch.statements.size(), 2u);
    EXPECT_EQ(batch.statements[0].header,
              "INSERT INTO [Order Details](\r\n[a]]b],\r\n\"c\")\r\nVALUES");
    EXPECT_EQ(batch.statements[0].rows, 2u);
    EXPECT_EQ(batch.statements[0].columns, 12u);
    EXPECT_EQ(batch.statements[1].header, "insert dbo.T values");
    EXPECT_EQ(batch.statements[1].firstValue, 24u);
    const auto& v = batch.values;
    ASSERT_EQ(v.size(), 25u);
    EXPECT_EQ(v[0].kind, Kind::Integer);
    EXPECT_EQ(v[0].integer, INT64_MIN);
    EXPECT_EQ(v[1].kind, Kind::Real);
    EXPECT_EQ(v[1].real, 9223372036854775808.0);
    EXPECT_EQ(v[2].kind, Kind::Integer);
    EXPECT_EQ(v[2].integer, 0);
    EXPECT_EQ(v[3].real, 0.0015);
    EXPECT_EQ(v[4].real, 0.5);
    EXPECT_EQ(batch.bytes(v[5], text), "O'Neil");
    EXPECT_EQ(batch.bytes(v[6], text), "Ω");
    EXPECT_EQ(v[7].kind, Kind::Text);
    EXPECT_EQ(batch.bytes(v[7], text), "");
    EXPECT_EQ(v[8].kind, Kind::Blob);
    EXPECT_EQ(batch.bytes(v[8], text), "");
    EXPECT_EQ(batch.bytes(v[9], text), std::string("\x00\xAF", 2));
    EXPECT_EQ(v[10].kind, Kind::Null);
    EXPECT_EQ(v[11].kind, Kind::Null);
    EXPECT_EQ(v[24].integer, 7);
}

TEST(InsertBatch, AnythingElseTakesTheGeneralRoad)
{
    InsertBatch batch;
    for (const char* text : {
             "INSERT INTO T VALUES (1) -- done",
             "/* rows */ INSERT INTO T VALUES (1)",
             "INSERT INTO T VALUES ('a' + CHAR(10) + 'b')",
             "INSERT INTO T VALUES (getdate())",
             "INSERT INTO T VALUES (@x)",
             "INSERT INTO T DEFAULT VALUES",
             "INSERT INTO T SELECT 1",
             "INSERT INTO T VALUES (1)\r\nINSERT INTO T VALUES (2)",
             "INSERT INTO T VALUES (1), (2, 3)",
             "INSERT INTO T VALUES (- 5)",
             "INSERT INTO T VALUES (1.2.3)",
             "INSERT INTO T VALUES (1e999)",
             "INSERT INTO T VALUES ('unterminated)",
             "INSERT INTO T VALUES (1); UPDATE T SET x = 2",
             "UPDATE T SET x = 2",
             "set identity_insert T on",
             "INSERT INTO T VALUES ()",
         })
        EXPECT_FALSE(readInsertBatch(text, batch)) << text;
    EXPECT_FALSE(readInsertBatch(std::string("INSERT INTO T VALUES ('a\0b')", 28), batch));
}

TEST(PreparedInserts, StoreWhatSqliteStoresForTheSameText)
{
    const char* const literals[] = {
        "1", "-1", "-0", "+3", "9223372036854775807", "-9223372036854775808",
        "9223372036854775808", "-9223372036854775809", "12345678901234567890", "1.5", "-0.5",
        "-0E0", "1E-07", "0.1", ".5", "5.", "1.7976931348623157E308", "2.2250738585072014E-308",
        "'abc'", "''", "'O''Neil'", "N'Ωμέγα ''q'''", "'12'", "'1.50'", "' 7 '", "'1e3'",
        "0x", "0x1", "0x00FF270A", "NULL",
    };
    Memory memory;
    const std::string columns = "(i integer, r real, n numeric, d decimal(10,2), t text, b blob,"
                                " x)";
    memory.exec("CREATE TABLE Fast " + columns + "; CREATE TABLE Slow " + columns);
    PreparedInserts inserts(memory.db);
    for (const char* literal : literals) {
        std::string values;
        for (int c = 0; c < 7; ++c)
            values += std::string(c ? ", " : "") + literal;
        ASSERT_TRUE(inserts.run("INSERT INTO Fast VALUES (" + values + ")")) << literal;
        memory.exec(sqliteText("INSERT INTO Slow VALUES (" + values + ")"));
    }
    auto fast = memory.rows("Fast");
    auto slow = memory.rows("Slow");
    ASSERT_EQ(fast.size(), std::size(literals));
    for (std::size_t i = 0; i < fast.size(); ++i)
        EXPECT_EQ(fast[i], slow[i]) << literals[i];
    // One shape: prepared once.
    EXPECT_EQ(inserts.preparedCount(), 1u);
}

TEST(PreparedInserts, ShapesAreKeptAndFailuresReportSqlitesMessage)
{
    Memory memory;
    memory.exec("CREATE TABLE T (id integer primary key, v text)");
    PreparedInserts inserts(memory.db);
    ASSERT_TRUE(inserts.run("INSERT INTO T(id, v) VALUES (1, 'a')"));
    ASSERT_TRUE(inserts.run("INSERT INTO T(id, v) VALUES (2, 'b'); INSERT INTO T(id, v) VALUES (3, NULL)"));
    EXPECT_EQ(inserts.preparedCount(), 1u);
    ASSERT_TRUE(inserts.run("INSERT INTO T(id, v) VALUES (4, 'c'), (5, 'd');"));
    ASSERT_TRUE(inserts.run("INSERT INTO T(id, v) VALUES (6, 'e'), (7, 'f')"));
    EXPECT_EQ(inserts.preparedCount(), 2u);
    // Another text before VALUES is another shape.
    ASSERT_TRUE(inserts.run("insert into T(id, v) VALUES (8, 'g')"));
    EXPECT_EQ(inserts.preparedCount(), 3u);

    // SQLite's own words; the statements before the failing one stay done.
    try {
        inserts.run("INSERT INTO T(id, v) VALUES (9, 'h'); INSERT INTO T(id, v) VALUES (1, 'x')");
        ADD_FAILURE() << "no error";
    } catch (const varnett::Error& e) {
        EXPECT_STREQ(e.what(), "UNIQUE constraint failed: T.id");
    }
    EXPECT_EQ(memory.rows("T").size(), 9u);
    // What SQLite does not prepare is not run at all, and left to the general road.
    EXPECT_FALSE(inserts.run("INSERT INTO T(id, v) VALUES (10, 'i'); INSERT INTO Nope VALUES (1)"));
    EXPECT_FALSE(inserts.run("INSERT INTO T(id, nosuch) VALUES (11, 'j')"));
    EXPECT_EQ(memory.rows("T").size(), 9u);
    // A dropped and re-created table is found again.
    memory.exec("DROP TABLE T; CREATE TABLE T (v text, id integer)");
    ASSERT_TRUE(inserts.run("INSERT INTO T(id, v) VALUES (1, 'a')"));
    EXPECT_EQ(memory.rows("T"), (std::vector<std::string>{"text:a|int:1"}));
}

TEST(SqliteDialect, ACastToSqlVariantLeavesTheValueAlone)
{
    const std::pair<const char*, const char*> cases[] = {
        {"CAST(CAST(5000000000 AS bigint) AS sql_variant)", "(CAST(5000000000 AS bigint) )"},
        {"cast ( N'a' + NCHAR(13) as [SQL_VARIANT] )", "( 'a' || NCHAR(13) )"},
        {"VALUES(\r\nCAST(0x0A AS sql_variant),\r\nCAST(NULL AS int))",
         "VALUES(\r\n(X'0A' ),\r\nCAST(NULL AS int))"},
        // Other casts, and casts not to one type name, stay casts.
        {"CAST(1 AS varchar(10))", "CAST(1 AS varchar(10))"},
        {"CAST(1 AS sql_variant x)", "CAST(1 AS sql_variant x)"},
        {"CAST(1 AS sql_variant", "CAST(1 AS sql_variant"},
    };
    for (const auto& [tsql, sqlite] : cases)
        EXPECT_EQ(sqliteText(tsql), sqlite) << tsql;

    // Stored as the value alone would be.
    Memory memory;
    memory.exec("CREATE TABLE Cast (v sql_variant); CREATE TABLE Alone (v sql_variant)");
    memory.exec(sqliteText("INSERT INTO Cast VALUES (CAST(N'x' AS sql_variant)),"
                           " (CAST(CAST(2.5 AS float) AS sql_variant)), (CAST(0x01 AS sql_variant)),"
                           " (CAST(CAST(7 AS bigint) AS sql_variant))"));
    memory.exec(sqliteText("INSERT INTO Alone VALUES (N'x'), (CAST(2.5 AS float)), (0x01),"
                           " (CAST(7 AS bigint))"));
    EXPECT_EQ(memory.rows("Cast"), memory.rows("Alone"));
    EXPECT_EQ(memory.rows("Cast").front(), "text:x");
}
