#include "sqltext/ProcedureText.h"

#include "sqltext/Error.h"

#include <gtest/gtest.h>

using namespace varnett::sqltext;
using Lines = std::vector<std::string>;

TEST(ProcedureText, RowsAreJoinedBeforeSplitting)
{
    // The server cuts a long source line into rows; only the row holding the
    // line break ends the line.
    const std::string longStart(255, 'a');
    Lines lines = procedureLines({"CREATE PROCEDURE P AS\r\n", longStart, "bbb\r\n", "RETURN\r\n"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "CREATE PROCEDURE P AS");
    EXPECT_EQ(lines[1], longStart + "bbb");
    EXPECT_EQ(lines[2], "RETURN");

    // A CR LF pair split over two rows is one line break.
    EXPECT_EQ(procedureLines({"SELECT 1\r", "\nSELECT 2"}), (Lines{"SELECT 1", "SELECT 2"}));
    // Several lines in one row.
    EXPECT_EQ(procedureLines({"A\r\nB\r\n"}), (Lines{"A", "B"}));
    EXPECT_TRUE(procedureLines({}).empty());
}

TEST(ProcedureText, SplitsAtEveryKindOfLineBreak)
{
    EXPECT_EQ(splitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    // Empty lines are kept; a final break adds no empty line.
    EXPECT_EQ(splitLines("a\r\n\r\n\nb\n"), (Lines{"a", "", "", "b"}));
    EXPECT_EQ(splitLines("\r\n"), (Lines{""}));
    EXPECT_EQ(splitLines("\n\r"), (Lines{"", ""}));
    EXPECT_EQ(splitLines("no break"), (Lines{"no break"}));
    EXPECT_EQ(splitLines("  "), (Lines{"  "}));
    EXPECT_TRUE(splitLines("").empty());
}

TEST(ProcedureText, ObjectNameQuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(procedureObjectName("Sales", "SP_X"), "Sales.dbo.SP_X");
    EXPECT_EQ(procedureObjectName("Sales", "a]b"), "Sales.dbo.[a]]b]");
    EXPECT_EQ(procedureObjectName("Sales", "O'Brien"), "Sales.dbo.[O'Brien]");
    EXPECT_EQ(procedureObjectName("My Sales", "Get Orders"), "[My Sales].dbo.[Get Orders]");
    EXPECT_EQ(procedureObjectName("Sales", "a.b"), "Sales.dbo.[a.b]");
    EXPECT_THROW(procedureObjectName("Sales", ""), varnett::Error);
    EXPECT_THROW(procedureObjectName("", "SP_X"), varnett::Error);
}
