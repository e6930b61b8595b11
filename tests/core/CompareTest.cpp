#include "sqltext/Compare.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using varnett::sqltext::compareTexts;

TEST(CompareTexts, SortsLikeTheHeaderClick)
{
    std::vector<std::string> names = {"b", "A", "_x", "a1"};
    std::stable_sort(names.begin(), names.end(),
                     [](const std::string& a, const std::string& b) { return compareTexts(a, b) < 0; });
    EXPECT_EQ(names, (std::vector<std::string>{"A", "a1", "b", "_x"}));

    // Missing sub-items take part as the empty text and come first.
    std::vector<std::string> types = {"[int]", "", "[bit]", ""};
    std::stable_sort(types.begin(), types.end(),
                     [](const std::string& a, const std::string& b) { return compareTexts(a, b) < 0; });
    EXPECT_EQ(types, (std::vector<std::string>{"", "", "[bit]", "[int]"}));
}

TEST(CompareTexts, SignsOfTheResult)
{
    EXPECT_EQ(compareTexts("Orders", "ORDERS"), 0);
    EXPECT_EQ(compareTexts("", ""), 0);
    EXPECT_LT(compareTexts("", "a"), 0);
    EXPECT_GT(compareTexts("ab", "A"), 0);
    EXPECT_LT(compareTexts("a", "B"), 0);
    // The difference of the codes decides: 'Z' (90) against '_' (95).
    EXPECT_EQ(compareTexts("z", "_"), -5);
    EXPECT_EQ(compareTexts("[", "a"), 26);
    // Non-ASCII bytes count by their unsigned code and are not folded.
    EXPECT_GT(compareTexts("\xc3\xa9", "z"), 0);
    EXPECT_NE(compareTexts("\xc3\xa9", "\xc3\x89"), 0);
}
