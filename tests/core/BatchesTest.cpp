#include "sqltext/Batches.h"

#include <gtest/gtest.h>

using varnett::sqltext::isGoLine;
using varnett::sqltext::splitBatches;
using Batches = std::vector<std::string>;

TEST(Batches, GoLinesSeparateBatchesJoinedByCrLf)
{
    EXPECT_EQ(splitBatches("create table a (x int)\nGO\ninsert into a\r\nvalues (1)\r\n  go  \r\n"),
              (Batches{"create table a (x int)", "insert into a\r\nvalues (1)"}));
    // Lines keep their own blanks; empty lines inside a batch stay.
    EXPECT_EQ(splitBatches("  a\n\n\tb  \nGo"), (Batches{"  a\r\n\r\n\tb  "}));
    // The last batch needs no GO and no final line break.
    EXPECT_EQ(splitBatches("x\ngo\ny"), (Batches{"x", "y"}));
}

TEST(Batches, EmptyBatchesAreSkipped)
{
    EXPECT_EQ(splitBatches(""), Batches{});
    EXPECT_EQ(splitBatches("GO\n\n  \r\nGO\nGO\n"), Batches{});
    EXPECT_EQ(splitBatches("\xEF\xBB\xBFGO\nselect 1\nGO\n \t\n"), (Batches{"select 1"}));
}

TEST(Batches, OnlyALoneGoEndsABatch)
{
    EXPECT_TRUE(isGoLine("GO"));
    EXPECT_TRUE(isGoLine(" \tgO \r"));
    EXPECT_FALSE(isGoLine("GOTO done"));
    EXPECT_FALSE(isGoLine("GO 2"));
    EXPECT_FALSE(isGoLine("-- GO"));
    EXPECT_FALSE(isGoLine("G O"));
    EXPECT_EQ(splitBatches("select 'GO'\nGOTO x\nx: go;\n"),
              (Batches{"select 'GO'\r\nGOTO x\r\nx: go;"}));
}
