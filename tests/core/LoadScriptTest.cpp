// Loading scripts in one transaction, from memory and from files.
#include "data/Scripts.h"
#include "sqltext/Error.h"
#include "support/Engines.h"
#include "support/TempDir.h"
#include "support/Names.h"

#include <gtest/gtest.h>

#include <filesystem>

using varnett::testing::names;

using varnett::data::Engine;
using varnett::data::LoadOptions;
using varnett::data::LoadProgress;
using varnett::testing::errorOf;
using varnett::testing::freshEngine;
using varnett::testing::TempDir;
using varnett::testing::writeFile;

namespace {

// The rows of a table as "a|b" lines, through the engine's cursor.
std::vector<std::string> dump(Engine& engine, const std::string& table)
{
    auto cursor = engine.openTable(varnett::sqltext::parseObjectName(table));
    std::vector<std::string> rows;
    while (cursor->next()) {
        std::string row;
        for (std::size_t c = 0; c < cursor->columns().size(); ++c) {
            auto v = cursor->value(c);
            row += (c ? "|" : "")
                + (v.isNull() ? std::string("NULL")
                   : v.kind == varnett::data::Value::Kind::Integer ? std::to_string(v.integer)
                                                                   : v.bytes);
        }
        rows.push_back(row);
    }
    return rows;
}

const char* const kTarget = "create table t (id int primary key, name varchar(10));"
                            "insert into t values (1, 'kept')";

// Batch 4 starts on line 13 and fails in its second statement.
const std::string kFailingScript = "create table u (x int)\r\n"                     // 1
                                   "GO\r\n"                                         // 2
                                   "CREATE PROCEDURE P AS select 1\r\n"             // 3
                                   "GO\r\n"                                         // 4
                                   "INSERT INTO t(\r\n[id],\r\n[name])\r\n"         // 5-7
                                   "VALUES(\r\n2,\r\n'a'),\r\n(\r\n3,\r\nNULL)\r\n"  // 8-13
                                   "GO\r\n"                                         // 14
                                   "\r\n"                                           // 15
                                   "INSERT INTO t(id, name) VALUES (4, 'b');\r\n"   // 16
                                   "INSERT INTO t(id, name) VALUES (1, 'dup')\r\n"  // 17
                                   "GO\r\n"                                         // 18
                                   "INSERT INTO t(id, name) VALUES (5, 'c')\r\n";   // 19

} // namespace

TEST(LoadTransaction, AFailingBatchInTheMiddleLeavesTheTargetAsItWas)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch(kTarget);
    EXPECT_EQ(errorOf([&] { varnett::data::loadScript(*engine, kFailingScript); }),
              "Batch 4 (line 16): UNIQUE constraint failed: t.id");
    EXPECT_EQ(dump(*engine, "t"), (std::vector<std::string>{"1|kept"}));
    EXPECT_EQ(errorOf([&] { engine->openTable("u"_name); }), "Invalid object name 'u'.");
    EXPECT_TRUE(varnett::testing::shown(engine->listProcedures()).empty());

    // The same failure in a batch the general road runs.
    std::string general = kFailingScript;
    general.replace(general.find("(1, 'dup')"), 10, "(1, 'dup' /* x */)");
    EXPECT_EQ(errorOf([&] { varnett::data::loadScript(*engine, general); }),
              "Batch 4 (line 16): UNIQUE constraint failed: t.id");
    EXPECT_EQ(dump(*engine, "t"), (std::vector<std::string>{"1|kept"}));

    // Mended, it loads whole; the engine takes transactions again afterwards.
    std::string mended = kFailingScript;
    mended.replace(mended.find("(1, 'dup')"), 10, "(6, 'dup')");
    varnett::data::loadScript(*engine, mended);
    EXPECT_EQ(dump(*engine, "t"), (std::vector<std::string>{"1|kept", "2|a", "3|NULL", "4|b",
                                                            "6|dup", "5|c"}));
    EXPECT_EQ(varnett::testing::shown(engine->listProcedures()), (std::vector<std::string>{"P;1"}));
}

TEST(LoadTransaction, WhatATransactionCannotHoldIsRefusedBeforeAnythingRuns)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    const std::string script = "create table u (x int)\r\nGO\r\n-- a copy\r\n"
                               "CREATE DATABASE Copy\r\nGO\r\ninsert into u values (1)\r\n";
    try {
        varnett::data::loadScript(*engine, script);
        ADD_FAILURE() << "no error";
    } catch (const varnett::data::TransactionRefused& e) {
        EXPECT_STREQ(e.what(), "Batch 2 (line 3): CREATE DATABASE cannot run inside a transaction.");
    }
    EXPECT_EQ(errorOf([&] { engine->openTable("u"_name); }), "Invalid object name 'u'.");

    // Batch by batch, it runs up to the batch the engine refuses.
    LoadOptions options;
    options.transaction = false;
    EXPECT_EQ(errorOf([&] { varnett::data::loadScript(*engine, script, options); }),
              "Batch 2 (line 3): near \"DATABASE\": syntax error");
    EXPECT_TRUE(dump(*engine, "u").empty());
}

TEST(LoadFile, ReadsInChunksAndReportsBytesAndBatches)
{
    TempDir dir;
    auto engine = freshEngine(dir);
    engine->executeBatch("create table t (id int primary key, name varchar(10))");
    std::string script;
    const int rows = 20000;
    for (int i = 0; i < rows; ++i)
        script += "INSERT INTO t(\r\n[id],\r\n[name])\r\nVALUES(\r\n" + std::to_string(i)
            + ",\r\n'row')\r\nGO\r\n";
    writeFile(dir.file("data.sql"), script);

    std::vector<LoadProgress> reports;
    LoadOptions options;
    options.progress = [&](const LoadProgress& p) { reports.push_back(p); };
    varnett::data::loadScriptFile(*engine, dir.file("data.sql"), options);
    EXPECT_EQ(dump(*engine, "t").size(), static_cast<std::size_t>(rows));

    // From nothing to everything, in steps that grow.
    ASSERT_GT(reports.size(), 3u);
    EXPECT_EQ(reports.front().bytesDone, 0u);
    EXPECT_EQ(reports.front().batchesTotal, static_cast<std::size_t>(rows));
    EXPECT_EQ(reports.back().bytesDone, script.size());
    EXPECT_EQ(reports.back().batchesDone, static_cast<std::size_t>(rows));
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_EQ(reports[i].bytesTotal, script.size());
        // Counted before the first batch runs.
        EXPECT_EQ(reports[i].batchesTotal, static_cast<std::size_t>(rows));
        EXPECT_GE(reports[i].bytesDone, reports[i - 1].bytesDone);
        EXPECT_GE(reports[i].batchesDone, reports[i - 1].batchesDone);
    }

    const std::string missing = dir.file("missing.sql");
    EXPECT_EQ(errorOf([&] { varnett::data::loadScriptFile(*engine, missing); }),
              "Cannot read the file '" + missing + "': No such file or directory.");
    EXPECT_EQ(errorOf([&] { varnett::data::loadScriptFile(*engine, dir.path().string()); }),
              "Cannot read the file '" + dir.path().string() + "': it is a folder.");
}

TEST(LoadTransaction, VariantsOfEveryKindLoadBackFromMultiRowInserts)
{
    TempDir dir;
    auto source = freshEngine(dir, "Source.db");
    source->executeBatch("create table V (id int primary key, v sql_variant);"
                         "insert into V values (1, 5000000000), (2, 2.5), (3, 'text'),"
                         " (4, X'00FF'), (5, NULL)");
    for (int rowsPerInsert : {1, 5}) {
        SCOPED_TRACE(rowsPerInsert);
        varnett::data::DataScriptSettings settings;
        settings.format = {rowsPerInsert, 1};
        varnett::data::writeDataScript(*source, names({"V"}), dir.file("v.sql"), settings);
        auto target = freshEngine(dir, "Target" + std::to_string(rowsPerInsert) + ".db");
        target->executeBatch("create table V (id int primary key, v sql_variant)");
        varnett::data::loadScriptFile(*target, dir.file("v.sql"));
        auto rows = target->openTable("V"_name);
        const std::pair<varnett::data::Value::Kind, std::string> expected[] = {
            {varnett::data::Value::Kind::Integer, ""}, {varnett::data::Value::Kind::Real, ""},
            {varnett::data::Value::Kind::Text, "text"},
            {varnett::data::Value::Kind::Blob, std::string("\x00\xFF", 2)},
            {varnett::data::Value::Kind::Null, ""}};
        for (const auto& [kind, bytes] : expected) {
            ASSERT_TRUE(rows->next());
            const auto value = rows->value(1);
            EXPECT_EQ(value.kind, kind);
            if (kind == varnett::data::Value::Kind::Integer)
                EXPECT_EQ(value.integer, 5000000000);
            else if (kind == varnett::data::Value::Kind::Real)
                EXPECT_EQ(value.real, 2.5);
            else
                EXPECT_EQ(value.bytes, bytes);
        }
        EXPECT_FALSE(rows->next());
    }
}
