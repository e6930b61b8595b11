// Numbers: read strictly from text, and a float written by the data script
// loads back into the embedded engine as the very same double.
#include "data/Scripts.h"
#include "data/sqlite/SqliteDialect.h"
#include "sqltext/ValueLiterals.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

using varnett::testing::names;

using varnett::data::exactSqliteNumber;
using varnett::sqltext::ColumnDesc;
using varnett::sqltext::SqlType;
using varnett::sqltext::Value;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::readFile;
using varnett::testing::TempDir;

namespace {

std::string literalOf(SqlType type, const std::string& text)
{
    ColumnDesc column;
    column.name = "c";
    column.type = type;
    Value value;
    value.kind = Value::Kind::Text;
    value.bytes = text;
    return errorOf([&] { throw varnett::Error(varnett::sqltext::literal(column, value)); });
}

std::string notA(const std::string& text, const char* what)
{
    return "The value '" + text + "' of the column 'c' is not " + what;
}

// The doubles of the test, drawn from every range: random bit patterns,
// values near 1, tiny ones, subnormals, and floats widened to doubles.
std::vector<double> testDoubles(std::size_t count)
{
    std::mt19937_64 random(20240131);
    std::vector<double> values = {0.1, 0.2, 0.3, 1.0 / 3, 2.0 / 3, 1e23, 5e-324, 2.2250738585072014e-308,
                                  1.7976931348623157e308, -0.1, 123456789.123456789};
    while (values.size() < count) {
        double value = 0;
        switch (values.size() % 4) {
        case 0:
            value = std::bit_cast<double>(random());
            break;
        case 1:
            value = std::ldexp(static_cast<double>(random() >> 11), -53) * 1000.0;
            break;
        case 2:
            value = std::ldexp(static_cast<double>(random() >> 11),
                               static_cast<int>(random() % 2098) - 1127);
            break;
        default:
            value = static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(random())));
            break;
        }
        if (std::isfinite(value))
            values.push_back((random() & 1) ? -value : value);
    }
    return values;
}

// The value a real column of SQL Server would hold: the double narrowed to a
// float (one that fits).
double asFloat(double value)
{
    float narrowed = static_cast<float>(value);
    return std::isfinite(narrowed) ? static_cast<double>(narrowed) : 0.5;
}

} // namespace

TEST(ExactNumbers, NumbersAreReadStrictly)
{
    struct Case {
        SqlType type;
        std::string text;
        std::string result;
    };
    const Case cases[] = {
        {SqlType::Int, "+-5", notA("+-5", "an integer")},
        {SqlType::Int, "++5", notA("++5", "an integer")},
        {SqlType::Int, "-+5", notA("-+5", "an integer")},
        {SqlType::Int, "+5", "5"},
        {SqlType::Int, " -5 ", "-5"},
        {SqlType::Float, "+-5", notA("+-5", "a number")},
        {SqlType::Float, "1e+-2", notA("1e+-2", "a number")},
        {SqlType::Float, "+1.5E-1", "0.15"},
        {SqlType::Float, "inf", notA("infinity", "a finite number")},
        {SqlType::Decimal, "10.50e+-2", notA("10.50e+-2", "an exact number")},
        {SqlType::Decimal, "10.50e++2", notA("10.50e++2", "an exact number")},
        {SqlType::Decimal, "+-10.5", notA("+-10.5", "an exact number")},
        {SqlType::Decimal, "10.50e+2", "1050"},
        {SqlType::Decimal, "+10.50e-2", "0.1050"},
        {SqlType::Decimal, "-10.50E2", "-1050"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(literalOf(c.type, c.text), c.result);
    }
}

TEST(ExactNumbers, LiteralsSqliteWouldRoundWronglyAreRewritten)
{
    const std::pair<const char*, const char*> cases[] = {
        {"1.5", "1.5"},
        {"123.0", "123.0"},
        {"2.5e3", "2.5e3"},
        {".25", ".25"},
        {"0.0", "0.0"},
        {"12", "12"},
        {"9223372036854775808", "9223372036854775808"},
        {"1e400", "1e400"},
        {"0.1", "1.00000000000000006e-01"},
        {"0.3", "2.99999999999999989e-01"},
        {"1e23", "9.99999999999999916e+22"},
        {"18446744073709551616", "1.84467440737095516e+19"},
        {"3.14159265358979323846", "3.14159265358979312e+00"},
        {"1.7976931348623157E308", "1.79769313486231571e+308"},
        {"4.9406564584124654E-324",
         "(1.0/4611686018427387904/4611686018427387904/4611686018427387904/4611686018427387904"
         "/4611686018427387904/4611686018427387904/4611686018427387904/4611686018427387904"
         "/4611686018427387904/4611686018427387904/4611686018427387904/4611686018427387904"
         "/4611686018427387904/4611686018427387904/4611686018427387904/4611686018427387904"
         "/4611686018427387904/1048576)"},
    };
    for (const auto& [literal, rewritten] : cases)
        EXPECT_EQ(exactSqliteNumber(literal), rewritten) << literal;
}

TEST(ExactNumbers, FloatsOfTheDataScriptLoadBackBitForBit)
{
    TempDir dir;
    const std::vector<double> values = testDoubles(10000);
    {
        auto source = freshEngine(dir, "Source.db");
        source->executeBatch("create table N (id int, f float, r real)");
    }
    // The values go in bound as doubles, so no literal reading is involved.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dir.file("Source.db").c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "insert into N values (?1, ?2, ?3)", -1, &insert, nullptr),
              SQLITE_OK);
    for (std::size_t i = 0; i < values.size(); ++i) {
        sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(i));
        sqlite3_bind_double(insert, 2, values[i]);
        sqlite3_bind_double(insert, 3, asFloat(values[i]));
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);

    auto source = varnett::data::openSqliteEngine(dir.file("Source.db"));
    varnett::data::writeDataScript(*source, names({"N"}), dir.file("n.sql"));
    auto target = freshEngine(dir, "Target.db");
    target->executeBatch("create table N (id int, f float, r real)");
    // One transaction a batch: without waiting for the disk at each.
    target->executeBatch("PRAGMA synchronous = OFF");
    varnett::data::loadScript(*target, readFile(dir.file("n.sql")));

    auto rows = target->openTable("N"_name);
    std::size_t count = 0, wrong = 0;
    while (rows->next()) {
        auto i = static_cast<std::size_t>(rows->value(0).integer);
        ASSERT_LT(i, values.size());
        const double expected[] = {values[i], asFloat(values[i])};
        for (int column = 1; column <= 2; ++column) {
            Value value = rows->value(static_cast<std::size_t>(column));
            double got = value.kind == Value::Kind::Integer ? static_cast<double>(value.integer)
                                                            : value.real;
            // A zero may lose its sign; every other double keeps every bit.
            const bool same = expected[column - 1] == 0
                ? got == 0
                : std::bit_cast<std::uint64_t>(got) == std::bit_cast<std::uint64_t>(expected[column - 1]);
            if (!same && ++wrong <= 5)
                ADD_FAILURE() << "row " << i << " column " << column << ": "
                              << std::hexfloat << expected[column - 1] << " came back as " << got;
        }
        ++count;
    }
    EXPECT_EQ(count, values.size());
    EXPECT_EQ(wrong, 0u);
}
